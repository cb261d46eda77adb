// Variable lists: the report's variables (TVarList, kept sorted by name for binary search) and
// the parameter list through which arguments reach functions (TParamList, unsorted, in argument
// order). Both own their cells, except that a parameter list owns only its temporary cells (the
// by-value copies); by-reference arguments are the caller's variables and stay theirs.
//
// Names are compared byte-wise on their upper-cased (Unicode) form, so lookups ignore case.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reportlang/report_var.h"
#include "util/list_pool.h"

namespace bexlo {

class TCustomVarList : public TListPool {
 public:
  explicit TCustomVarList(bool sorted) : sorted_(sorted) {}
  std::string_view ClassName() const noexcept override { return "TCustomVarList"; }

  bool Sorted() const noexcept { return sorted_; }
  // True for parameter lists (TCustomParamList and descendants).
  bool IsParamList() const noexcept { return param_list_; }
  // The cell at index; EListError "List index out of bounds (%d)" outside 0..Count-1.
  TReportVar* Get(int index) const { return static_cast<TReportVar*>(TList::Get(index)); }
  void Put(int index, TReportVar* cell) { TList::Put(index, cell); }

  // The cell called `name` (any case), or null.
  TReportVar* FindVarByName(std::string_view name) const;
  // The same for a name that is already upper-cased (skips the case mapping).
  TReportVar* FindVarByUpperName(std::string_view upperName) const;
  // The cell called `name`, created UNDEFINED (owner: this list) when there is none. A sorted
  // list inserts it in name order, an unsorted one appends it.
  virtual TReportVar* AddVar(std::string_view name) = 0;

 protected:
  TReportVar* AddVarImpl(std::string_view name);
  // Sorted lists: index of the first cell whose name is not smaller than upperName.
  int LowerBound(std::string_view upperName) const;

  bool param_list_ = false;

 private:
  bool sorted_;
};

// The report's variables: sorted by default.
class TVarList : public TCustomVarList {
 public:
  explicit TVarList(bool sorted = true) : TCustomVarList(sorted) {}
  std::string_view ClassName() const noexcept override { return "TVarList"; }
  TReportVar* AddVar(std::string_view name) override { return AddVarImpl(name); }
};

class TCustomParamList : public TCustomVarList {
 public:
  TCustomParamList() : TCustomVarList(false) { param_list_ = true; }
  std::string_view ClassName() const noexcept override { return "TCustomParamList"; }
};

// The argument list of a call: entry i is argument i. Entries are either the caller's variable
// itself (by reference; never freed here) or a temporary copy (temporary flag set; owned).
// Freed temporary cells are kept for reuse by later calls, so steady-state calls allocate nothing.
class TParamList : public TCustomParamList {
 public:
  TParamList() = default;
  ~TParamList() override;
  std::string_view ClassName() const noexcept override { return "TParamList"; }

  // A cell the list creates here is its own: it is marked temporary like the argument copies.
  TReportVar* AddVar(std::string_view name) override;
  // Frees only the temporary cells (setting their slots to null); the rest are left alone.
  void FreeChildren() override;
  // Removes the slot; its cell is freed only when it is temporary.
  void Delete(int index) override;

  // Appends the cell itself (a by-reference argument).
  void AddReference(TReportVar* cell) { Add(cell); }
  // Appends a temporary copy of cell (same name, owner this list, temporary flag set).
  TReportVar* AddTemporaryCopy(const TReportVar& cell);

 private:
  std::vector<std::unique_ptr<TReportVar>> spare_;  // freed temporary cells, ready for reuse

 protected:
  // References to the caller's cells are not owned: F(X, X) holds X twice.
  bool OwnsItems() const noexcept override { return false; }
};

}  // namespace bexlo
