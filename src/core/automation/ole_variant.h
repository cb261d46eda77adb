// OleVariant: the value passed to and returned from automation members. It holds one value of the
// automation kinds (empty, null, 16/32-bit integer, single, double, currency, date, string,
// boolean, byte, dispatch reference) or, with the by-reference flag, the address of a value that
// lives elsewhere (a script variable's payload), so that the called member can write straight
// into it.
//
// Kind codes are the classic automation ones (varDouble = 5, varDate = 7, varByRef = 0x4000, ...).
// Currency is kept as a 64-bit integer scaled by 10000. Strings are UTF-8.
#pragma once

#include <cstdint>
#include <string>

#include "automation/dispatch.h"

namespace bexlo {

class OleVariant {
 public:
  static constexpr std::uint16_t varEmpty = 0;
  static constexpr std::uint16_t varNull = 1;
  static constexpr std::uint16_t varSmallint = 2;
  static constexpr std::uint16_t varInteger = 3;
  static constexpr std::uint16_t varSingle = 4;
  static constexpr std::uint16_t varDouble = 5;
  static constexpr std::uint16_t varCurrency = 6;
  static constexpr std::uint16_t varDate = 7;
  static constexpr std::uint16_t varOleStr = 8;
  static constexpr std::uint16_t varDispatch = 9;
  static constexpr std::uint16_t varBoolean = 11;
  static constexpr std::uint16_t varByte = 17;
  static constexpr std::uint16_t varByRef = 0x4000;
  static constexpr std::uint16_t varTypeMask = 0x0FFF;

  OleVariant() noexcept = default;  // empty

  static OleVariant Null();
  static OleVariant FromSmallint(std::int16_t v);
  static OleVariant FromInteger(std::int32_t v);
  static OleVariant FromSingle(float v);
  static OleVariant FromDouble(double v);
  // A currency amount; rounded to 4 decimals.
  static OleVariant FromCurrency(double v);
  static OleVariant FromCurrencyScaled(std::int64_t tenThousandths);
  static OleVariant FromDate(double dateTime);
  static OleVariant FromString(std::string v);
  static OleVariant FromBoolean(bool v);
  static OleVariant FromByte(std::uint8_t v);
  static OleVariant FromDispatch(DispatchPtr v);

  // By-reference values: the variant points at storage owned by someone else, which must outlive
  // the call. A boolean by reference points at a byte holding 0 or 1.
  static OleVariant RefDouble(double* p);
  static OleVariant RefDate(double* p);
  static OleVariant RefString(std::string* p);
  static OleVariant RefBoolean(std::uint8_t* p);
  static OleVariant RefDispatch(DispatchPtr* p);

  // The full kind, by-reference flag included.
  std::uint16_t VarType() const noexcept { return vt_; }
  // The kind without the by-reference flag.
  std::uint16_t BaseType() const noexcept { return vt_ & varTypeMask; }
  bool IsByRef() const noexcept { return (vt_ & varByRef) != 0; }
  bool IsEmpty() const noexcept { return vt_ == varEmpty; }
  bool IsNull() const noexcept { return vt_ == varNull; }

  // Exact reads (a by-reference variant reads through its address). Reading another kind raises
  // EOleError "Type mismatch".
  std::int16_t AsSmallint() const;
  std::int32_t AsInteger() const;
  float AsSingle() const;
  double AsDouble() const;
  std::int64_t AsCurrencyScaled() const;
  double AsDate() const;
  const std::string& AsString() const;
  bool AsBoolean() const;
  std::uint8_t AsByte() const;
  DispatchPtr AsDispatch() const;

  // Loose reads for servers: any numeric kind, currency (as its amount), date (day count) or
  // boolean (1/0) as a double; a boolean from a boolean or a number (non-zero); anything else
  // raises EOleError "Type mismatch".
  double ToDouble() const;
  bool ToBoolean() const;

  // The value a by-reference variant points at, as a plain variant; a plain variant returns a
  // copy of itself.
  OleVariant Deref() const;
  // Writes `value` through a by-reference variant into the storage it points at, converted to that
  // storage's kind (numbers and dates into a double, a string into a string, a boolean or number
  // into a boolean byte, a dispatch into a dispatch reference). A plain variant, or a value that
  // does not convert, raises EOleError.
  void SetRef(const OleVariant& value) const;

 private:
  void* Address() const noexcept { return u_.ref; }

  std::uint16_t vt_ = varEmpty;
  union {
    std::int16_t i2;
    std::int32_t i4;
    float r4;
    double r8;
    std::int64_t cy;
    bool b;
    std::uint8_t ui1;
    void* ref;
  } u_{};
  std::string str_;
  DispatchPtr disp_;
};

}  // namespace bexlo
