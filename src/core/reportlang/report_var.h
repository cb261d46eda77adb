// Report values: the named, dynamically typed cell that every value of the report script
// language lives in (variables, function arguments and results, the compiler's registers, copies
// on the value stack, group accumulators).
//
// A cell takes its type from the first typed value stored into it and afterwards refuses values
// of another type ("%s: Type mismatch (%s и %s)"); reading it as another type fails the same way.
// An UNDEFINED cell accepts anything. There are no implicit conversions. Arithmetic and comparison
// are methods of the cell with the left operand as receiver. NUMBER, DATE and STRING stores keep
// the previous value (old number / old text), which Changed() and the Old... functions read.
// Every Set... calls OnChange afterwards; Assign and Clear do not.
//
// TCustomReportVar is the abstract interface, TReportVar the one implementation (final, so code
// that holds a TReportVar calls it directly).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "automation/dispatch.h"
#include "reportlang/shared_text.h"
#include "util/object.h"
#include "util/strings.h"

namespace bexlo {

class TCustomVarList;
class TCustomReportVar;
class TReportVar;

enum TVarType : std::uint8_t {
  vtUnDefined = 0,  // no value yet; accepts any type
  vtFloat = 1,      // NUMBER: double
  vtString = 2,     // STRING: UTF-8 text
  vtDate = 3,       // DATE: days since 1899-12-30, fraction = time of day (shares the number)
  vtBoolean = 4,    // BOOLEAN
  vtMemo = 5,       // MEMO: a string list owned by the cell
  vtObject = 6,     // OBJECT: an object reference, not owned
  vtDispatch = 7,   // DISPATCH: a counted reference to an automation object
};

// Display names of the types, used in every error message.
inline constexpr const char* SVarType[8] = {"UNDEFINED", "NUMBER",  "STRING", "DATE",
                                            "BOOLEAN",   "MEMO",    "OBJECT", "DISPATCH"};

// Comparison operators of Compare: the token codes of the script language.
enum TCompareOp : int { coEqual = 16, coNotEqual = 17, coGreater = 18, coLess = 19,
                        coGreaterEqual = 20, coLessEqual = 21 };

using TVarChangeEvent = std::function<void(TCustomReportVar* var)>;

class TCustomReportVar : public TObject {
 public:
  // The name is upper-cased (Unicode); an empty name raises Exception "Empty name is illegal".
  TCustomReportVar(std::string_view name, TCustomVarList* ownerList);
  std::string_view ClassName() const noexcept override { return "TCustomReportVar"; }

  // Called with the cell after every Set... (not after Assign or Clear).
  TVarChangeEvent OnChange;

  TVarType VarType() const noexcept { return type_; }
  const char* VarTypeName() const noexcept { return SVarType[type_]; }
  const std::string& Name() const noexcept { return name_; }
  // The variable list the cell was created for (copied into every copy); may be null.
  TCustomVarList* OwnerList() const noexcept { return owner_list_; }
  // The description as stored (AddVarEx sets it).
  const std::string& Hint() const noexcept { return hint_; }
  void SetHint(std::string hint) { hint_ = std::move(hint); }

  // The hint made one word by DeleteDelim (blanks and "|" become "_").
  virtual std::string GetHint() const;
  // MEMO: the cell keeps a copy of the lines and attached object references of `list`.
  virtual void SetList(const TStrings& list) = 0;
  // The cell's own list, whatever the type (no check).
  virtual TStringList* GetList() = 0;
  virtual void SetObject(TObject* object) = 0;
  virtual TObject* GetObject() const = 0;
  virtual void SetDispatch(DispatchPtr object) = 0;
  virtual DispatchPtr GetDispatch() const = 0;
  virtual void SetString(std::string_view s) = 0;
  virtual const std::string& GetString() const = 0;
  virtual void SetNumber(double x) = 0;
  virtual double GetNumber() const = 0;
  virtual void SetDate(double d) = 0;
  virtual double GetDate() const = 0;
  // No old value is recorded for booleans.
  virtual void SetBoolean(bool b) = 0;
  virtual bool GetBoolean() const = 0;
  // NUMBER/DATE: old number differs; STRING: old text differs (byte-wise); otherwise false.
  virtual bool Changed() const = 0;
  // Takes type and payload of src (old values recorded first); an UNDEFINED src makes this cell
  // UNDEFINED. Fails only when both are typed and differ.
  virtual void Assign(const TReportVar& src) = 0;
  // The truth of "this op other" (op: TCompareOp). An UNDEFINED side compares as the other's
  // type with its own (zero) payload and stays UNDEFINED. NUMBER, DATE, STRING (byte-wise),
  // BOOLEAN (false < true); other types: inapplicable.
  virtual bool Compare(const TReportVar& other, int op) const = 0;
  // this := this op other (see the .cpp for the type rules: NUMBER arithmetic, STRING "+"
  // concatenates, DATE +/- NUMBER is a DATE, DATE - DATE a NUMBER of days, x / 0 fails, 0 / 0 = 0).
  virtual void DoAdd(const TReportVar& other) = 0;
  virtual void DoSub(const TReportVar& other) = 0;
  virtual void DoMul(const TReportVar& other) = 0;
  virtual void DoDiv(const TReportVar& other) = 0;
  // Back to UNDEFINED with every payload zero/empty; no change callback.
  virtual void Clear() = 0;
  // Raises the type mismatch when t and this cell's type are both defined and differ.
  virtual void CheckType(TVarType t) const;

  // Calls OnChange (when assigned) with this cell.
  void Change() {
    if (OnChange) OnChange(this);
  }

 protected:
  // For copies: the name is taken as it is (already upper-cased and not empty).
  struct AsIsName {};
  TCustomReportVar(AsIsName, std::string_view upperName, TCustomVarList* ownerList)
      : name_(upperName), owner_list_(ownerList) {}

  [[noreturn]] void RaiseTypeMismatch(TVarType t) const;
  [[noreturn]] void RaiseInapplicable() const;

  TVarType type_ = vtUnDefined;
  std::string name_;
  TCustomVarList* owner_list_ = nullptr;
  std::string hint_;
};

class TReportVar final : public TCustomReportVar {
 public:
  TReportVar(std::string_view name, TCustomVarList* ownerList);
  ~TReportVar() override;
  TReportVar(const TReportVar&) = delete;
  TReportVar& operator=(const TReportVar&) = delete;
  std::string_view ClassName() const noexcept override { return "TReportVar"; }

  // A new cell with src's name and the given owner list, assigned from src.
  static std::unique_ptr<TReportVar> CopyOf(const TReportVar& src, TCustomVarList* ownerList);
  // Makes this cell what CopyOf would have created (name and owner from the arguments, empty
  // hint, no OnChange, not temporary, then the value of src), reusing its storage.
  void BecomeCopyOf(const TReportVar& src, TCustomVarList* ownerList) {
    if (&src == this) return;
    if (name_ != src.name_) name_ = src.name_;
    owner_list_ = ownerList;
    if (!hint_.empty()) hint_.clear();
    if (OnChange) OnChange = nullptr;
    temporary_ = false;
    CopyFrom(src);
  }

  void SetList(const TStrings& list) override;
  TStringList* GetList() override;
  void SetObject(TObject* object) override;
  TObject* GetObject() const override;
  void SetDispatch(DispatchPtr object) override;
  DispatchPtr GetDispatch() const override;
  void SetString(std::string_view s) override;
  const std::string& GetString() const override {
    CheckTypeFast(vtString);
    return text_.str();
  }
  void SetNumber(double x) override {
    CheckTypeFast(vtFloat);
    type_ = vtFloat;
    old_number_ = number_;
    number_ = x;
    Change();
  }
  double GetNumber() const override {
    CheckTypeFast(vtFloat);
    return number_;
  }
  void SetDate(double d) override {
    CheckTypeFast(vtDate);
    type_ = vtDate;
    old_number_ = number_;
    number_ = d;
    Change();
  }
  double GetDate() const override {
    CheckTypeFast(vtDate);
    return number_;
  }
  void SetBoolean(bool b) override {
    CheckTypeFast(vtBoolean);
    type_ = vtBoolean;
    boolean_ = b ? 1 : 0;
    Change();
  }
  bool GetBoolean() const override {
    CheckTypeFast(vtBoolean);
    return boolean_ != 0;
  }
  bool Changed() const override;
  void Assign(const TReportVar& src) override {
    CheckTypeFast(src.type_);
    if (&src == this || NeedsFullCopy(src)) return AssignFull(src);
    // Plain values (no text, lists or dispatch on either side): copy the scalars.
    type_ = src.type_;
    old_number_ = number_;
    number_ = src.number_;
    boolean_ = src.boolean_;
    object_ = src.object_;
  }
  bool Compare(const TReportVar& other, int op) const override;
  void DoAdd(const TReportVar& other) override;
  void DoSub(const TReportVar& other) override;
  void DoMul(const TReportVar& other) override;
  void DoDiv(const TReportVar& other) override;
  void Clear() override {
    type_ = vtUnDefined;
    number_ = 0;
    old_number_ = 0;
    boolean_ = 0;
    object_ = nullptr;
    text_.clear();
    old_text_.clear();
    if (HasExtras()) ClearExtras();
  }
  // The same as Clear() followed by Assign(src), in one step: the cell becomes a copy of src
  // with no old values. (With src == this the cell is just cleared.)
  void CopyFrom(const TReportVar& src) {
    if (&src == this || HasExtras() || src.HasExtras()) [[unlikely]] {
      Clear();
      AssignFull(src);
      return;
    }
    type_ = src.type_;
    number_ = src.number_;
    old_number_ = 0;
    boolean_ = src.boolean_;
    object_ = src.object_;
    text_ = src.text_;  // shares the buffer
    old_text_.clear();
  }

  // The number before the last NUMBER/DATE change (serves both types; no type check).
  double GetOldDate() const noexcept { return old_number_; }
  double OldNumber() const noexcept { return old_number_; }
  // The text before the last STRING change (no type check).
  const std::string& OldText() const noexcept { return old_text_.str(); }
  // The list before the last MEMO change (SetList or Assign).
  TStringList* GetOldList();

  // Set on by-value copies that a parameter list owns (TParamList frees only these).
  bool Temporary() const noexcept { return temporary_; }
  void SetTemporary(bool value) noexcept { temporary_ = value; }

  // Addresses of the payloads, for by-reference automation arguments: the called object writes
  // straight into them (no type check, no old value, no change callback).
  double* NumberAddress() noexcept { return &number_; }
  std::string* TextAddress() { return &text_.Mutable(); }
  std::uint8_t* BooleanAddress() noexcept { return &boolean_; }
  DispatchPtr* DispatchAddress() noexcept { return &dispatch_; }

 private:
  TReportVar(AsIsName tag, std::string_view upperName, TCustomVarList* ownerList)
      : TCustomReportVar(tag, upperName, ownerList) {}
  void CheckTypeFast(TVarType t) const {
    if (t != vtUnDefined && type_ != vtUnDefined && t != type_) RaiseTypeMismatch(t);
  }
  void Adopt(const TReportVar& other) {
    if (type_ == vtUnDefined) type_ = other.type_;
  }
  void SaveOldList();
  // old text := text, before text is replaced.
  void SaveOldText();
  // Lists or a dispatch reference present (the rare payloads handled out of line).
  bool HasExtras() const noexcept {
    return (reinterpret_cast<std::uintptr_t>(list_.get()) | reinterpret_cast<std::uintptr_t>(old_list_.get()) |
            reinterpret_cast<std::uintptr_t>(dispatch_.get())) != 0;
  }
  bool NeedsFullCopy(const TReportVar& src) const noexcept {
    return !text_.empty() || !old_text_.empty() || !src.text_.empty() || HasExtras() || src.HasExtras();
  }
  void AssignFull(const TReportVar& src);
  void ClearExtras();

  std::uint8_t boolean_ = 0;
  TObject* object_ = nullptr;
  double number_ = 0;
  TSharedText text_;
  std::unique_ptr<TStringList> list_;  // created on first use
  double old_number_ = 0;
  TSharedText old_text_;
  std::unique_ptr<TStringList> old_list_;  // created on first use
  bool temporary_ = false;
  DispatchPtr dispatch_;
};

}  // namespace bexlo
