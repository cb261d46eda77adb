// The value stack: the compiled code saves its registers and the parameter list here around
// nested evaluations and restores them afterwards. Entries are copies: a cell is saved as a cell
// assigned from it; a variable list as a TParamList of its cells.
//
// A mismatch (popping from an empty stack, or popping an entry into a target of another class)
// raises the silent EAbort, which ends a run without a message.
//
// The stack is the hottest structure of the command machine (every binary operator and every
// call pushes and pops), so it keeps its entries in an array of its own and reuses them in place:
// a steady-state run neither allocates nor moves entries between lists on Push/Pop.
#pragma once

#include <memory>
#include <vector>

#include "reportlang/var_list.h"
#include "util/object.h"

namespace bexlo {

class TVarStack : public TObject {
 public:
  TVarStack() = default;
  ~TVarStack() override;
  TVarStack(const TVarStack&) = delete;
  TVarStack& operator=(const TVarStack&) = delete;
  std::string_view ClassName() const noexcept override { return "TVarStack"; }

  // Number of saved entries.
  int Count() const noexcept { return depth_; }
  // Drops every entry.
  void Clear();

  // Saves item: a cell (TReportVar) or a variable list (TCustomVarList). Anything else raises
  // EAbort.
  void Push(TObject* item);
  void Push(const TReportVar& cell) {
    if (static_cast<std::size_t>(depth_) < entries_.size()) {
      Entry& entry = entries_[static_cast<std::size_t>(depth_)];
      if (entry.cell) {
        // A saved cell is only ever read back for its value, so a reused one keeps its name.
        entry.cell->CopyFrom(cell);
        entry.isList = false;
        ++depth_;
        return;
      }
    }
    PushNewCell(cell);
  }
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
  // EAbort when the stack is empty or the top entry's class differs from the target's (a saved
  // cell goes only into a cell, a saved list only into a TParamList).
  void Pop(TObject* target, bool fresh);
  void Pop(TReportVar& target) {
    if (depth_ == 0) Mismatch();
    const Entry& entry = entries_[static_cast<std::size_t>(depth_ - 1)];
    if (entry.isList) Mismatch();
    target.CopyFrom(*entry.cell);  // Clear, then Assign
    --depth_;
  }
  void Pop(TCustomVarList& target, bool fresh);

 private:
  struct Entry {
    std::unique_ptr<TReportVar> cell;  // the saved cell (when !isList), kept for reuse
    std::unique_ptr<TParamList> list;  // the saved list (when isList), kept for reuse
    bool isList = false;
  };

  [[noreturn]] static void Mismatch();
  void PushNewCell(const TReportVar& cell);
  // The next free entry (grown when needed); the caller fills it and then raises depth_.
  Entry& NextEntry();

  std::vector<Entry> entries_;  // [0, depth_) are saved; the rest are spare
  int depth_ = 0;
};

}  // namespace bexlo
