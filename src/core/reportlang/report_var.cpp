#include "reportlang/report_var.h"

#include <functional>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/usr_str.h"

namespace bexlo {

namespace {

bool CompareValues(int compared, int op) {
  switch (op) {
    case coEqual: return compared == 0;
    case coNotEqual: return compared != 0;
    case coGreater: return compared > 0;
    case coLess: return compared < 0;
    case coGreaterEqual: return compared >= 0;
    case coLessEqual: return compared <= 0;
    default: return false;
  }
}

template <class T>
bool CompareScalars(T a, T b, int op) {
  switch (op) {
    case coEqual: return a == b;
    case coNotEqual: return a != b;
    case coGreater: return a > b;
    case coLess: return a < b;
    case coGreaterEqual: return a >= b;
    case coLessEqual: return a <= b;
    default: return false;
  }
}

}  // namespace

// ---- TCustomReportVar ----------------------------------------------------------------------------

TCustomReportVar::TCustomReportVar(std::string_view name, TCustomVarList* ownerList)
    : name_(UpperCase(name)), owner_list_(ownerList) {
  if (name_.empty()) throw Exception(msg::SQoEmptyName);
}

std::string TCustomReportVar::GetHint() const {
  std::string hint = hint_;
  DeleteDelim(hint);
  return hint;
}

void TCustomReportVar::CheckType(TVarType t) const {
  if (t != vtUnDefined && type_ != vtUnDefined && t != type_) RaiseTypeMismatch(t);
}

void TCustomReportVar::RaiseTypeMismatch(TVarType t) const {
  throw Exception(Format(msg::SQoTypeMismatch, name_, SVarType[type_], SVarType[t]));
}

void TCustomReportVar::RaiseInapplicable() const {
  throw Exception(Format(msg::SQoInapplicable, name_, SVarType[type_]));
}

// ---- TReportVar: construction and copies ---------------------------------------------------------

TReportVar::TReportVar(std::string_view name, TCustomVarList* ownerList)
    : TCustomReportVar(name, ownerList) {}

TReportVar::~TReportVar() = default;

std::unique_ptr<TReportVar> TReportVar::CopyOf(const TReportVar& src, TCustomVarList* ownerList) {
  std::unique_ptr<TReportVar> copy(new TReportVar(AsIsName{}, src.name_, ownerList));
  copy->Assign(src);
  return copy;
}

// ---- TReportVar: typed access --------------------------------------------------------------------

void TReportVar::SaveOldList() {
  if (list_ && list_->Count() > 0) {
    if (!old_list_) old_list_ = std::make_unique<TStringList>();
    old_list_->Assign(list_.get());
  } else if (old_list_ && old_list_->Count() > 0) {
    old_list_->Clear();
  }
}

void TReportVar::SetList(const TStrings& list) {
  CheckTypeFast(vtMemo);
  type_ = vtMemo;
  if (&list == old_list_.get()) {
    // Storing the old list back: copy it before SaveOldList overwrites it.
    TStringList copy;
    copy.Assign(&list);
    SaveOldList();
    GetList()->Assign(&copy);
  } else {
    SaveOldList();
    GetList()->Assign(&list);
  }
  Change();
}

TStringList* TReportVar::GetList() {
  if (!list_) list_ = std::make_unique<TStringList>();
  return list_.get();
}

TStringList* TReportVar::GetOldList() {
  if (!old_list_) old_list_ = std::make_unique<TStringList>();
  return old_list_.get();
}

void TReportVar::SetObject(TObject* object) {
  CheckTypeFast(vtObject);
  type_ = vtObject;
  object_ = object;
  Change();
}

TObject* TReportVar::GetObject() const {
  CheckTypeFast(vtObject);
  return object_;
}

void TReportVar::SetDispatch(DispatchPtr object) {
  CheckTypeFast(vtDispatch);
  type_ = vtDispatch;
  dispatch_ = std::move(object);
  Change();
}

DispatchPtr TReportVar::GetDispatch() const {
  CheckTypeFast(vtDispatch);
  return dispatch_;
}

void TReportVar::SaveOldText() {
  // text_ is overwritten next, so the old text simply takes its buffer.
  old_text_.swap(text_);
}

void TReportVar::SetString(std::string_view s) {
  CheckTypeFast(vtString);
  type_ = vtString;
  SaveOldText();
  text_.assign(s);  // safe when s points into either text: both buffers stay alive
  Change();
}

bool TReportVar::Changed() const {
  switch (type_) {
    case vtFloat:
    case vtDate: return old_number_ != number_;
    case vtString: return old_text_.str() != text_.str();
    default: return false;
  }
}

// ---- TReportVar: assignment, comparison, arithmetic ----------------------------------------------

void TReportVar::AssignFull(const TReportVar& src) {
  type_ = src.type_;
  old_number_ = number_;
  if (&src == this) {
    old_text_ = text_;
    SaveOldList();
    return;
  }
  // Cells that hold no text (numbers, dates, booleans) skip the string work entirely.
  if (!text_.empty() || !old_text_.empty() || !src.text_.empty()) {
    SaveOldText();
    text_ = src.text_;
  }
  if (list_ || old_list_) SaveOldList();
  number_ = src.number_;
  boolean_ = src.boolean_;
  object_ = src.object_;
  if (dispatch_ != src.dispatch_) dispatch_ = src.dispatch_;
  if (src.list_ && src.list_->Count() > 0) {
    GetList()->Assign(src.list_.get());
  } else if (list_ && list_->Count() > 0) {
    list_->Clear();
  }
}

bool TReportVar::Compare(const TReportVar& other, int op) const {
  // An UNDEFINED side takes the other's type for the comparison only.
  TVarType own = type_;
  TVarType theirs = other.type_;
  if (own == vtUnDefined) own = theirs;
  if (theirs == vtUnDefined) theirs = own;
  if (own != theirs) RaiseTypeMismatch(theirs);
  switch (own) {
    case vtFloat:
    case vtDate: return CompareScalars(number_, other.number_, op);
    case vtString: return CompareValues(text_.str().compare(other.text_.str()), op);
    case vtBoolean: return CompareScalars(boolean_ != 0, other.boolean_ != 0, op);
    default:
      throw Exception(Format(msg::SQoInapplicable, name_, SVarType[own]));
  }
}

void TReportVar::DoAdd(const TReportVar& other) {
  Adopt(other);
  switch (type_) {
    case vtFloat:
      CheckTypeFast(other.type_);
      SetNumber(number_ + other.GetNumber());
      return;
    case vtString:
      CheckTypeFast(other.type_);
    {
      SaveOldText();  // old text := the receiver's text
      const std::string& right = &other == this ? old_text_.str() : other.text_.str();
      std::string& text = text_.Overwrite();
      text.assign(old_text_.str());
      text.append(right);
      Change();
    }
      return;
    case vtDate:
      if (other.type_ == vtFloat) {
        SetDate(number_ + other.number_);
      } else {
        const double days = other.GetDate();
        type_ = vtUnDefined;
        SetNumber(number_ + days);
      }
      return;
    default:
      RaiseInapplicable();
  }
}

void TReportVar::DoSub(const TReportVar& other) {
  Adopt(other);
  switch (type_) {
    case vtFloat:
      CheckTypeFast(other.type_);
      SetNumber(number_ - other.GetNumber());
      return;
    case vtDate:
      if (other.type_ == vtFloat) {
        SetDate(number_ - other.number_);
      } else {
        // The difference of two dates is a NUMBER of days.
        const double days = other.GetDate();
        type_ = vtUnDefined;
        SetNumber(number_ - days);
      }
      return;
    default:
      RaiseInapplicable();
  }
}

void TReportVar::DoMul(const TReportVar& other) {
  Adopt(other);
  if (type_ != vtFloat) RaiseInapplicable();
  CheckTypeFast(other.type_);
  SetNumber(number_ * other.GetNumber());
}

void TReportVar::DoDiv(const TReportVar& other) {
  Adopt(other);
  if (type_ != vtFloat) RaiseInapplicable();
  CheckTypeFast(other.type_);
  const double divisor = other.GetNumber();
  if (divisor != 0) {
    SetNumber(number_ / divisor);
  } else if (number_ != 0) {
    throw Exception(Format(msg::SQoDivisionByZero, name_, SVarType[type_]));
  } else {
    SetNumber(0);
  }
}

void TReportVar::ClearExtras() {
  if (list_ && list_->Count() > 0) list_->Clear();
  if (old_list_ && old_list_->Count() > 0) old_list_->Clear();
  if (dispatch_) dispatch_.reset();
}

}  // namespace bexlo
