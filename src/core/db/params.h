// Parameters of queries and stored procedures.
//
// A TParam has a name, a data type, a kind (input, output, input-output, result) and a value. The
// typed setters (AsString, AsFloat ...) store the value and set the data type to their own, as
// the classic layer did; SetDataType converts a value already stored when it can (text becomes a
// date or a number) and otherwise keeps it, so that nothing typed is lost. A parameter that has
// neither a value nor a data type is "unassigned": opening a statement that uses it fails with
// "No value for parameter". Typed getters convert, raising EConvertError for unfit values.
//
// TParams owns its parameters; names are unique ignoring case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/field_types.h"
#include "util/object.h"
#include "util/variant.h"

namespace bexlo {

class TField;
class TParams;
class TStrings;

class TParam : public TPersistent {
 public:
  explicit TParam(TParams* owner = nullptr, std::string name = {},
                  TParamType paramType = ptUnknown);

  std::string_view ClassName() const noexcept override { return "TParam"; }

  const std::string& Name() const noexcept { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }
  TFieldType DataType() const noexcept { return data_type_; }
  void SetDataType(TFieldType type);
  TParamType ParamType() const noexcept { return param_type_; }
  void SetParamType(TParamType type) noexcept { param_type_ = type; }
  // Whether the application gave the value (a master data source fills only unbound parameters).
  bool Bound() const noexcept { return bound_; }
  void SetBound(bool value) noexcept { bound_ = value; }

  // Physical description, filled from a stored procedure's catalogue.
  int Size = 0;
  int Precision = 0;
  int NumericScale = 0;

  bool IsNull() const noexcept { return value_.IsNull(); }
  // Null value; the data type stays, so a cleared typed parameter binds NULL.
  void Clear();
  // Whether opening a statement may bind this parameter (it has a value or a data type).
  bool IsAssigned() const noexcept { return !value_.IsNull() || data_type_ != ftUnknown; }

  const Variant& Value() const noexcept { return value_; }
  // Stores v; the data type follows the value's type when it is still unknown.
  void SetValue(const Variant& v);

  std::string AsString() const;
  void SetAsString(std::string_view v);
  std::int64_t AsInteger() const;
  void SetAsInteger(std::int64_t v);
  void SetAsSmallInt(int v);
  void SetAsWord(int v);
  double AsFloat() const;
  void SetAsFloat(double v);
  double AsCurrency() const { return AsFloat(); }
  void SetAsCurrency(double v);
  void SetAsBCD(double v);
  bool AsBoolean() const;
  void SetAsBoolean(bool v);
  double AsDateTime() const;
  void SetAsDateTime(double v);
  double AsDate() const { return AsDateTime(); }
  void SetAsDate(double v);
  double AsTime() const { return AsDateTime(); }
  void SetAsTime(double v);
  std::string AsMemo() const { return AsString(); }
  void SetAsMemo(std::string_view v);
  TBytes AsBlob() const;
  void SetAsBlob(TBytes v);
  void SetAsBytes(TBytes v);
  // Lines joined with CR LF.
  void SetAsStrings(const TStrings& lines);

  // Takes the field's name (when this parameter has none), data type and value.
  void AssignField(const TField* field);
  // Takes the field's data type and the given value.
  void AssignFieldValue(const TField* field, const Variant& value);
  // From another TParam (name, types, value) or a TField (as AssignField).
  void Assign(const TPersistent* source) override;

  // The value converted to the data type, as a statement binds it: text becomes a date or a
  // number for date and numeric types (EConvertError naming the parameter when unfit).
  Variant BindValue() const;

  TParams* Collection() const noexcept { return owner_; }

 private:
  void Store(Variant v, TFieldType type);

  TParams* owner_;
  std::string name_;
  TFieldType data_type_ = ftUnknown;
  TParamType param_type_;
  Variant value_;
  bool bound_ = false;
};

class TParams : public TPersistent {
 public:
  TParams() = default;
  TParams(const TParams&) = delete;
  TParams& operator=(const TParams&) = delete;
  ~TParams() override;

  std::string_view ClassName() const noexcept override { return "TParams"; }

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  TParam* Items(int index) const;
  TParam* operator[](int index) const { return Items(index); }

  // The parameter of that name (ignoring case): FindParam gives null when absent, ParamByName
  // raises EDatabaseError "Parameter '%s' not found".
  TParam* FindParam(std::string_view name) const;
  TParam* ParamByName(std::string_view name) const;
  // Appends a parameter; an existing one of that name is returned instead, with the given type
  // and kind applied.
  TParam* CreateParam(TFieldType type, std::string_view name, TParamType paramType);
  void RemoveParam(TParam* param);
  void Clear();

  // Copies every parameter (names, types, kinds, values).
  void Assign(const TPersistent* source) override;
  // For each parameter of `source`, the same-named parameter here takes its type and value.
  void AssignValues(const TParams& source);

  // Rebuilds the list from the ":name" references of sql: one parameter per name in order of
  // first use, input kind; values of parameters that keep their name survive. Returns the
  // distinct names.
  std::vector<std::string> ParseSQL(std::string_view sql);

  // Same names, data types, kinds and values in the same order.
  bool IsEqual(const TParams& other) const;

 private:
  std::vector<std::unique_ptr<TParam>> items_;
};

}  // namespace bexlo
