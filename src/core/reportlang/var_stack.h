// The value stack: the compiled code saves its registers and the parameter list here around
// nested evaluations and restores them afterwards. Entries are copies: a cell is saved as a new
// cell assigned from it; a variable list as a new TParamList of its cells.
//
// A mismatch (popping from an empty stack, or popping an entry into a target of another class)
// raises the silent EAbort, which ends a run without a message.
//
// Popped entries are kept for reuse, so a steady-state run does not allocate on Push/Pop.
#pragma once

#include <memory>
#include <vector>

#include "reportlang/var_list.h"
#include "util/list_pool.h"

namespace bexlo {

class TVarStack : public TListPool {
 public:
  TVarStack() = default;
  ~TVarStack() override;
  std::string_view ClassName() const noexcept override { return "TVarStack"; }

  // Saves item: a cell (TReportVar) or a variable list (TCustomVarList). Anything else raises
  // EAbort.
  void Push(TObject* item);
  void Push(const TReportVar& cell);
  // Saves the list as a TParamList: a temporary copy of every cell, in order, except that the
  // entries of a parameter list that are not temporary (by-reference arguments, which are the
  // caller's variables) are saved as references to the same cells, so that restoring the list
  // hands the function the variables themselves again.
  void Push(const TCustomVarList& list);

  // Restores the top entry into target and drops it.
  //   cell target: Clear, then Assign from the saved cell;
  //   list target, fresh: the list is cleared and gets the saved entries back in order;
  //   list target, not fresh: each saved cell found by name in the target is cleared and
  //   assigned from the saved one.
  // EAbort when the stack is empty or the top entry's class differs from the target's.
  void Pop(TObject* target, bool fresh);
  void Pop(TReportVar& target);
  void Pop(TCustomVarList& target, bool fresh);

 private:
  [[noreturn]] static void Mismatch();
  TObject* TopOrAbort() const;
  // Removes the top slot without freeing its entry (the caller keeps it for reuse).
  void DropTop();

  std::vector<std::unique_ptr<TReportVar>> spare_cells_;
  std::vector<std::unique_ptr<TParamList>> spare_lists_;
};

}  // namespace bexlo
