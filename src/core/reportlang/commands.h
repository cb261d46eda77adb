// The command machine's instructions. A compiled section is a flat TCommandList run by a program
// counter (TCustomReport::RunCommands). Each command holds direct references to the cells, lists
// and functions it works on (bound when compiling; never owned by the command) and the source
// position it was compiled at. Run() first advances the program counter and sets the report's
// ErrorPos to position - 1, so that an error raised by the command points at its place.
//
// Data flows through the registers A and B (report variables "@A", "@B") and the value stack;
// operation codes are the token codes of the script language.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "automation/ole_variant.h"
#include "reportlang/custom_report.h"
#include "reportlang/func_list.h"
#include "reportlang/report_var.h"
#include "reportlang/var_list.h"
#include "reportlang/var_stack.h"
#include "util/list_pool.h"

namespace bexlo {

// Operation codes of TCalcCmd / TCompareCmd (token codes).
enum TOpCode : int {
  opNot = 13, opAnd = 14, opOr = 15,
  opEqual = 16, opNotEqual = 17, opGreater = 18, opLess = 19, opGreaterEqual = 20, opLessEqual = 21,
  opSub = 22, opAdd = 23, opMul = 24, opDiv = 25,
  opCopy = 33,  // target := operand (Clear, then Assign)
};

class TCommand : public TObject {
 public:
  explicit TCommand(int position) : position_(position) {}
  std::string_view ClassName() const noexcept override { return "TCommand"; }

  int Position() const noexcept { return position_; }
  // Executes the command; pc is the index of this command on entry and of the next command to run
  // on exit.
  virtual void Run(int& pc, TCustomReport& report, TVarStack& stack) = 0;

 protected:
  void Step(int& pc, TCustomReport& report) const noexcept {
    ++pc;
    report.ErrorPos = position_ - 1;
  }

 private:
  int position_;
};

// A compiled section; owns its commands.
class TCommandList : public TListPool {
 public:
  std::string_view ClassName() const noexcept override { return "TCommandList"; }
  TCommand* Command(int index) const { return static_cast<TCommand*>(TList::Get(index)); }
  // Appends the command and returns its index.
  int AddCommand(std::unique_ptr<TCommand> command) { return Add(command.release()); }
};

// target := source. keepType 0: target is cleared first (it takes source's type); otherwise a
// typed target keeps its type and refuses another.
class TAssignCmd final : public TCommand {
 public:
  TAssignCmd(int position, TReportVar* target, TReportVar* source, bool keepType)
      : TCommand(position), target_(target), source_(source), keep_type_(keepType) {}
  std::string_view ClassName() const noexcept override { return "TAssignCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Target() const noexcept { return target_; }
  TReportVar* Source() const noexcept { return source_; }
  bool KeepType() const noexcept { return keep_type_; }

 private:
  TReportVar* target_;
  TReportVar* source_;
  bool keep_type_;
};

// target := a constant: integers, doubles and currency as NUMBER, a date as DATE, a boolean as
// BOOLEAN, a string as STRING; any other kind leaves the (cleared) target alone.
class TAssignConstCmd final : public TCommand {
 public:
  TAssignConstCmd(int position, TReportVar* target, OleVariant constant, bool keepType);
  std::string_view ClassName() const noexcept override { return "TAssignConstCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Target() const noexcept { return target_; }
  const OleVariant& Constant() const noexcept { return constant_; }

 private:
  TReportVar* target_;
  OleVariant constant_;
  bool keep_type_;
  TVarType type_;   // what the constant stores as
  double number_ = 0;  // its NUMBER, DATE or BOOLEAN payload
};

// target := target op operand for NOT (operand unused), AND, OR (the operand is read only when it
// decides the result), -, +, *, /, and the copy 33 (target := operand). Other codes do nothing.
class TCalcCmd final : public TCommand {
 public:
  TCalcCmd(int position, TReportVar* target, TReportVar* operand, int op)
      : TCommand(position), target_(target), operand_(operand), op_(op) {}
  std::string_view ClassName() const noexcept override { return "TCalcCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Target() const noexcept { return target_; }
  TReportVar* Operand() const noexcept { return operand_; }
  int Op() const noexcept { return op_; }

 private:
  TReportVar* target_;
  TReportVar* operand_;
  int op_;
};

// target := (target op operand) as BOOLEAN, op one of 16..21.
class TCompareCmd final : public TCommand {
 public:
  TCompareCmd(int position, TReportVar* target, TReportVar* operand, int op)
      : TCommand(position), target_(target), operand_(operand), op_(op) {}
  std::string_view ClassName() const noexcept override { return "TCompareCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Target() const noexcept { return target_; }
  TReportVar* Operand() const noexcept { return operand_; }
  int Op() const noexcept { return op_; }

 private:
  TReportVar* target_;
  TReportVar* operand_;
  int op_;
};

// Continues at the command `offset` places from this one.
class TJumpCmd final : public TCommand {
 public:
  TJumpCmd(int position, int offset) : TCommand(position), offset_(offset) {}
  std::string_view ClassName() const noexcept override { return "TJumpCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  int Offset() const noexcept { return offset_; }
  void SetOffset(int offset) noexcept { offset_ = offset; }

 private:
  int offset_;
};

// Jumps `offset` places when the condition is false (a condition that is not BOOLEAN raises the
// type mismatch); otherwise continues with the next command.
class TJnzCmd final : public TCommand {
 public:
  TJnzCmd(int position, TReportVar* condition, int offset)
      : TCommand(position), condition_(condition), offset_(offset) {}
  std::string_view ClassName() const noexcept override { return "TJnzCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Condition() const noexcept { return condition_; }
  int Offset() const noexcept { return offset_; }
  void SetOffset(int offset) noexcept { offset_ = offset; }

 private:
  TReportVar* condition_;
  int offset_;
};

// Saves a cell or a variable list on the value stack.
class TPushCmd final : public TCommand {
 public:
  TPushCmd(int position, TReportVar* cell) : TCommand(position), cell_(cell) {}
  TPushCmd(int position, TCustomVarList* list) : TCommand(position), list_(list) {}
  std::string_view ClassName() const noexcept override { return "TPushCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  // The saved item: the cell or the list.
  TObject* Item() const noexcept;

 private:
  TReportVar* cell_ = nullptr;
  TCustomVarList* list_ = nullptr;
};

// Restores the top of the value stack into a cell or a variable list.
class TPopCmd final : public TCommand {
 public:
  TPopCmd(int position, TReportVar* cell) : TCommand(position), cell_(cell) {}
  TPopCmd(int position, TCustomVarList* list, bool fresh)
      : TCommand(position), list_(list), fresh_(fresh) {}
  std::string_view ClassName() const noexcept override { return "TPopCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TObject* Target() const noexcept;
  bool Fresh() const noexcept { return fresh_; }

 private:
  TReportVar* cell_ = nullptr;
  TCustomVarList* list_ = nullptr;
  bool fresh_ = true;
};

// Calls a function with the parameter list: fails with "%s: Incorrect quantity of parameters of
// call" when fewer arguments than its minimum are present (more are accepted); clears the result
// cell and calls the handler.
class TCallCmd final : public TCommand {
 public:
  TCallCmd(int position, TReportVar* result, TFunc* func, TParamList* params)
      : TCommand(position), result_(result), func_(func), params_(params) {}
  std::string_view ClassName() const noexcept override { return "TCallCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Result() const noexcept { return result_; }
  TFunc* Func() const noexcept { return func_; }
  TParamList* Params() const noexcept { return params_; }

 private:
  TReportVar* result_;
  TFunc* func_;
  TParamList* params_;
};

// Empties the parameter list (freeing its temporary copies).
class TClearParamListCmd final : public TCommand {
 public:
  TClearParamListCmd(int position, TParamList* params) : TCommand(position), params_(params) {}
  std::string_view ClassName() const noexcept override { return "TClearParamListCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TParamList* Params() const noexcept { return params_; }

 private:
  TParamList* params_;
};

// Appends an argument: the cell itself (by reference) or a temporary copy of it.
class TAddParamCmd final : public TCommand {
 public:
  TAddParamCmd(int position, TReportVar* cell, TParamList* params, bool byRef)
      : TCommand(position), cell_(cell), params_(params), by_ref_(byRef) {}
  std::string_view ClassName() const noexcept override { return "TAddParamCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  TReportVar* Cell() const noexcept { return cell_; }
  bool ByRef() const noexcept { return by_ref_; }

 private:
  TReportVar* cell_;
  TParamList* params_;
  bool by_ref_;
};

// Call kinds of TDispCallCmd.
inline constexpr int dcMethod = 1;     // method call, no result
inline constexpr int dcGet = 3;        // method call or property get, with a result
inline constexpr int dcPut = 4;        // property put; the value comes from the value cell

// Calls member `name` of the automation object held by the target cell (late bound), with the
// parameter list as arguments (positions in the by-reference set are passed by reference to the
// cells' payloads) and, for a put, the value cell as the last argument. The result cell is
// cleared and, for kind 3, receives the result.
class TDispCallCmd final : public TCommand {
 public:
  TDispCallCmd(int position, std::string name, int callKind, TParamList* params, TReportVar* target,
               TReportVar* value, const TByteSet& byRef, TReportVar* result)
      : TCommand(position), name_(std::move(name)), call_kind_(callKind), params_(params),
        target_(target), value_(value), by_ref_(byRef), result_(result) {}
  std::string_view ClassName() const noexcept override { return "TDispCallCmd"; }
  void Run(int& pc, TCustomReport& report, TVarStack& stack) override;

  const std::string& Name() const noexcept { return name_; }
  int CallKind() const noexcept { return call_kind_; }
  void SetCallKind(int kind) noexcept { call_kind_ = kind; }
  TReportVar* Target() const noexcept { return target_; }
  TReportVar* Value() const noexcept { return value_; }
  TReportVar* Result() const noexcept { return result_; }
  const TByteSet& ByRef() const noexcept { return by_ref_; }

 private:
  std::string name_;
  int call_kind_;
  TParamList* params_;
  TReportVar* target_;
  TReportVar* value_;
  TByteSet by_ref_;
  TReportVar* result_;
};

}  // namespace bexlo
