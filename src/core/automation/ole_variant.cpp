#include "automation/ole_variant.h"

#include <cmath>

#include "util/exceptions.h"

namespace bexlo {

namespace {

[[noreturn]] void TypeMismatch() { throw EOleError(OleErrorMessage(DISP_E_TYPEMISMATCH)); }

}  // namespace

OleVariant OleVariant::Null() {
  OleVariant v;
  v.vt_ = varNull;
  return v;
}

OleVariant OleVariant::FromSmallint(std::int16_t x) {
  OleVariant v;
  v.vt_ = varSmallint;
  v.u_.i2 = x;
  return v;
}

OleVariant OleVariant::FromInteger(std::int32_t x) {
  OleVariant v;
  v.vt_ = varInteger;
  v.u_.i4 = x;
  return v;
}

OleVariant OleVariant::FromSingle(float x) {
  OleVariant v;
  v.vt_ = varSingle;
  v.u_.r4 = x;
  return v;
}

OleVariant OleVariant::FromDouble(double x) {
  OleVariant v;
  v.vt_ = varDouble;
  v.u_.r8 = x;
  return v;
}

OleVariant OleVariant::FromCurrency(double x) {
  return FromCurrencyScaled(static_cast<std::int64_t>(std::llround(x * 10000.0)));
}

OleVariant OleVariant::FromCurrencyScaled(std::int64_t tenThousandths) {
  OleVariant v;
  v.vt_ = varCurrency;
  v.u_.cy = tenThousandths;
  return v;
}

OleVariant OleVariant::FromDate(double dateTime) {
  OleVariant v;
  v.vt_ = varDate;
  v.u_.r8 = dateTime;
  return v;
}

OleVariant OleVariant::FromString(std::string x) {
  OleVariant v;
  v.vt_ = varOleStr;
  v.str_ = std::move(x);
  return v;
}

OleVariant OleVariant::FromBoolean(bool x) {
  OleVariant v;
  v.vt_ = varBoolean;
  v.u_.b = x;
  return v;
}

OleVariant OleVariant::FromByte(std::uint8_t x) {
  OleVariant v;
  v.vt_ = varByte;
  v.u_.ui1 = x;
  return v;
}

OleVariant OleVariant::FromDispatch(DispatchPtr x) {
  OleVariant v;
  v.vt_ = varDispatch;
  v.disp_ = std::move(x);
  return v;
}

OleVariant OleVariant::RefDouble(double* p) {
  OleVariant v;
  v.vt_ = varDouble | varByRef;
  v.u_.ref = p;
  return v;
}

OleVariant OleVariant::RefDate(double* p) {
  OleVariant v;
  v.vt_ = varDate | varByRef;
  v.u_.ref = p;
  return v;
}

OleVariant OleVariant::RefString(std::string* p) {
  OleVariant v;
  v.vt_ = varOleStr | varByRef;
  v.u_.ref = p;
  return v;
}

OleVariant OleVariant::RefBoolean(std::uint8_t* p) {
  OleVariant v;
  v.vt_ = varBoolean | varByRef;
  v.u_.ref = p;
  return v;
}

OleVariant OleVariant::RefDispatch(DispatchPtr* p) {
  OleVariant v;
  v.vt_ = varDispatch | varByRef;
  v.u_.ref = p;
  return v;
}

std::int16_t OleVariant::AsSmallint() const {
  if (vt_ != varSmallint) TypeMismatch();
  return u_.i2;
}

std::int32_t OleVariant::AsInteger() const {
  if (vt_ != varInteger) TypeMismatch();
  return u_.i4;
}

float OleVariant::AsSingle() const {
  if (vt_ != varSingle) TypeMismatch();
  return u_.r4;
}

double OleVariant::AsDouble() const {
  if (vt_ == varDouble) return u_.r8;
  if (vt_ == (varDouble | varByRef)) return *static_cast<double*>(Address());
  TypeMismatch();
}

std::int64_t OleVariant::AsCurrencyScaled() const {
  if (vt_ != varCurrency) TypeMismatch();
  return u_.cy;
}

double OleVariant::AsDate() const {
  if (vt_ == varDate) return u_.r8;
  if (vt_ == (varDate | varByRef)) return *static_cast<double*>(Address());
  TypeMismatch();
}

const std::string& OleVariant::AsString() const {
  if (vt_ == varOleStr) return str_;
  if (vt_ == (varOleStr | varByRef)) return *static_cast<std::string*>(Address());
  TypeMismatch();
}

bool OleVariant::AsBoolean() const {
  if (vt_ == varBoolean) return u_.b;
  if (vt_ == (varBoolean | varByRef)) return *static_cast<std::uint8_t*>(Address()) != 0;
  TypeMismatch();
}

std::uint8_t OleVariant::AsByte() const {
  if (vt_ != varByte) TypeMismatch();
  return u_.ui1;
}

DispatchPtr OleVariant::AsDispatch() const {
  if (vt_ == varDispatch) return disp_;
  if (vt_ == (varDispatch | varByRef)) return *static_cast<DispatchPtr*>(Address());
  TypeMismatch();
}

double OleVariant::ToDouble() const {
  switch (BaseType()) {
    case varSmallint: return AsSmallint();
    case varInteger: return AsInteger();
    case varSingle: return AsSingle();
    case varDouble: return AsDouble();
    case varCurrency: return static_cast<double>(AsCurrencyScaled()) / 10000.0;
    case varDate: return AsDate();
    case varBoolean: return AsBoolean() ? 1.0 : 0.0;
    case varByte: return AsByte();
    default: TypeMismatch();
  }
}

bool OleVariant::ToBoolean() const {
  if (BaseType() == varBoolean) return AsBoolean();
  return ToDouble() != 0;
}

OleVariant OleVariant::Deref() const {
  if (!IsByRef()) return *this;
  switch (BaseType()) {
    case varDouble: return FromDouble(AsDouble());
    case varDate: return FromDate(AsDate());
    case varOleStr: return FromString(AsString());
    case varBoolean: return FromBoolean(AsBoolean());
    case varDispatch: return FromDispatch(AsDispatch());
    default: TypeMismatch();
  }
}

void OleVariant::SetRef(const OleVariant& value) const {
  if (!IsByRef()) TypeMismatch();
  switch (BaseType()) {
    case varDouble:
    case varDate:
      *static_cast<double*>(Address()) = value.ToDouble();
      return;
    case varOleStr:
      if (value.BaseType() != varOleStr) TypeMismatch();
      *static_cast<std::string*>(Address()) = value.AsString();
      return;
    case varBoolean:
      *static_cast<std::uint8_t*>(Address()) = value.ToBoolean() ? 1 : 0;
      return;
    case varDispatch:
      if (value.BaseType() != varDispatch) TypeMismatch();
      *static_cast<DispatchPtr*>(Address()) = value.AsDispatch();
      return;
    default:
      TypeMismatch();
  }
}

}  // namespace bexlo
