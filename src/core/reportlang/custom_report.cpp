#include "reportlang/custom_report.h"

#include "reportlang/commands.h"
#include "util/exceptions.h"
#include "util/messages.h"

namespace bexlo {

TCustomReport::TCustomReport(TComponent* owner) : TComponent(owner) { CreateSymbolTables(); }

TCustomReport::~TCustomReport() {
  // Objects first: they may refer to variables; then the lists that refer to cells of the
  // variable list, then the variable list itself.
  objects_.reset();
  var_stack_.reset();
  param_list_.reset();
  func_list_.reset();
  var_list_.reset();
}

void TCustomReport::CreateSymbolTables() {
  objects_.reset();
  var_stack_.reset();
  param_list_.reset();
  func_list_.reset();
  var_list_.reset();
  var_list_ = std::make_unique<TVarList>(true);
  param_list_ = std::make_unique<TParamList>();
  func_list_ = std::make_unique<TFuncList>();
  var_stack_ = std::make_unique<TVarStack>();
  objects_ = std::make_unique<TListPool>();
}

TReportVar* TCustomReport::GetVarByName(std::string_view name) {
  return var_list_->FindVarByName(name);
}

TFunc* TCustomReport::GetFuncByName(std::string_view name) { return func_list_->FindByName(name); }

TReportVar* TCustomReport::AddVar(std::string_view name) {
  if (TReportVar* cell = GetVarByName(name)) return cell;
  return var_list_->AddVar(name);
}

TFunc* TCustomReport::AddFunc(std::unique_ptr<TFunc> func) {
  return func_list_->AddFunc(std::move(func));
}

TReportVar* TCustomReport::AddVarEx(std::string_view name, std::optional<std::string_view> hint) {
  TReportVar* cell = AddVar(name);
  if (cell && hint) cell->SetHint(std::string(*hint));
  return cell;
}

void TCustomReport::RunCommands(const TCommandList* commands) {
  if (!commands) return;
  TVarStack& stack = *var_stack_;
  stack.Clear();
  const int count = commands->Count();
  TObject* const* list = commands->List();
  int pc = 0;
  // One unsigned comparison covers both ends: a negative pc wraps to a large value.
  while (static_cast<unsigned>(pc) < static_cast<unsigned>(count)) {
    if (TObject* command = list[pc]) {
      static_cast<TCommand*>(command)->Run(pc, *this, stack);
    } else {
      ++pc;  // an emptied slot of the owning list
    }
  }
}

void CustomReportAbort() { throw ECustomReportError(msg::SQoExecutionAborted); }

}  // namespace bexlo
