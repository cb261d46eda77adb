// Field definitions: the physical description of a data set's columns (name, data type, size,
// precision and scale, NOT NULL) as the engine reports them, or as the application lists them
// for TTable::CreateTable. CreateField makes the matching TField.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/field_types.h"

namespace bexlo {

class TComponent;
class TDataSet;
class TField;

class TFieldDef {
 public:
  TFieldDef() = default;
  TFieldDef(std::string name, TFieldType type, int size = 0, bool required = false)
      : Name(std::move(name)), DataType(type), Size(size), Required(required) {}

  std::string Name;
  TFieldType DataType = ftUnknown;
  int Size = 0;       // characters (strings), bytes (bytes fields), scale (BCD)
  int Precision = 0;  // physical digits of numeric columns; 0 when the engine gives none
  int Scale = 0;      // physical digits after the point
  bool Required = false;
  int FieldNo = 0;    // 1-based column number in the result

  // A field for this definition, owned by owner and attached to dataSet (may be null).
  TField* CreateField(TComponent* owner, TDataSet* dataSet = nullptr) const;
};

class TFieldDefs {
 public:
  explicit TFieldDefs(TDataSet* dataSet = nullptr) : dataset_(dataSet) {}

  int Count() const noexcept { return static_cast<int>(items_.size()); }
  const TFieldDef& Items(int index) const;
  TFieldDef& Items(int index);
  const TFieldDef& operator[](int index) const { return Items(index); }

  TFieldDef& Add(std::string name, TFieldType type, int size = 0, bool required = false);
  void Clear() { items_.clear(); }
  // Index of the definition named `name` (ignoring case), -1 when none.
  int IndexOf(std::string_view name) const;
  // The definition named `name`: raises "Field '%s' not found" when there is none.
  const TFieldDef& Find(std::string_view name) const;

  // Reads the definitions from the database without fetching rows (prepares the statement).
  void Update();

  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  TDataSet* dataset_;
  std::vector<TFieldDef> items_;
};

}  // namespace bexlo
