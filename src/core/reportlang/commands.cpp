#include "reportlang/commands.h"

#include <vector>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

void TAssignCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  if (target_ == source_) return;  // a register copied onto itself keeps its value
  if (keep_type_) {
    target_->Assign(*source_);
  } else {
    target_->CopyFrom(*source_);  // Clear, then Assign
  }
}

TAssignConstCmd::TAssignConstCmd(int position, TReportVar* target, OleVariant constant, bool keepType)
    : TCommand(position), target_(target), constant_(std::move(constant)), keep_type_(keepType) {
  // The constant's cell type and number are worked out once, not on every run.
  switch (constant_.BaseType()) {
    case OleVariant::varSmallint:
    case OleVariant::varInteger:
    case OleVariant::varDouble:
    case OleVariant::varCurrency:
      type_ = vtFloat;
      number_ = constant_.ToDouble();
      break;
    case OleVariant::varDate:
      type_ = vtDate;
      number_ = constant_.AsDate();
      break;
    case OleVariant::varBoolean:
      type_ = vtBoolean;
      number_ = constant_.AsBoolean() ? 1 : 0;
      break;
    case OleVariant::varOleStr:
      type_ = vtString;
      break;
    default:
      type_ = vtUnDefined;
      break;
  }
}

void TAssignConstCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  if (!keep_type_) target_->Clear();
  switch (type_) {
    case vtFloat: target_->SetNumber(number_); break;
    case vtDate: target_->SetDate(number_); break;
    case vtBoolean: target_->SetBoolean(number_ != 0); break;
    case vtString: target_->SetString(constant_.AsString()); break;
    default: break;
  }
}

void TCalcCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  switch (op_) {
    case opNot:
      target_->SetBoolean(!target_->GetBoolean());
      break;
    case opAnd: {
      const bool value = target_->GetBoolean() && operand_->GetBoolean();
      target_->SetBoolean(value);
      break;
    }
    case opOr: {
      const bool value = target_->GetBoolean() || operand_->GetBoolean();
      target_->SetBoolean(value);
      break;
    }
    case opSub: target_->DoSub(*operand_); break;
    case opAdd: target_->DoAdd(*operand_); break;
    case opMul: target_->DoMul(*operand_); break;
    case opDiv: target_->DoDiv(*operand_); break;
    case opCopy:
      if (target_ != operand_) target_->CopyFrom(*operand_);  // Clear, then Assign
      break;
    default:
      break;
  }
}

void TCompareCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  const bool result = target_->Compare(*operand_, op_);
  target_->Clear();
  target_->SetBoolean(result);
}

void TJumpCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  pc += offset_ - 1;
}

void TJnzCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  if (!condition_->GetBoolean()) pc += offset_ - 1;
}

TObject* TPushCmd::Item() const noexcept {
  return cell_ ? static_cast<TObject*>(cell_) : static_cast<TObject*>(list_);
}

void TPushCmd::Run(int& pc, TCustomReport& report, TVarStack& stack) {
  Step(pc, report);
  if (cell_) {
    stack.Push(*cell_);
  } else {
    stack.Push(*list_);
  }
}

TObject* TPopCmd::Target() const noexcept {
  return cell_ ? static_cast<TObject*>(cell_) : static_cast<TObject*>(list_);
}

void TPopCmd::Run(int& pc, TCustomReport& report, TVarStack& stack) {
  Step(pc, report);
  if (cell_) {
    stack.Pop(*cell_);
  } else {
    stack.Pop(*list_, fresh_);
  }
}

void TCallCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  const int minimum = func_->ParamCount();
  if (minimum != -1 && minimum > params_->Count())
    throw Exception(Format(msg::SQoIncorrectParamCount, func_->Name()));
  result_->Clear();
  if (func_->Handler()) func_->Handler()(report, *params_, *result_);
}

void TClearParamListCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  params_->Clear();
}

void TAddParamCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  if (by_ref_) {
    params_->AddReference(cell_);
  } else {
    params_->AddTemporaryCopy(*cell_);
  }
}

namespace {

// One argument of an automation call from a script cell. By reference, the variant points at the
// cell's payload; cells without an addressable payload (UNDEFINED, MEMO, OBJECT) pass an empty
// value either way.
OleVariant ArgumentOf(TReportVar& cell, bool byRef) {
  switch (cell.VarType()) {
    case vtFloat:
      return byRef ? OleVariant::RefDouble(cell.NumberAddress())
                   : OleVariant::FromDouble(*cell.NumberAddress());
    case vtString:
      return byRef ? OleVariant::RefString(cell.TextAddress()) : OleVariant::FromString(cell.GetString());
    case vtDate:
      return byRef ? OleVariant::RefDate(cell.NumberAddress())
                   : OleVariant::FromDate(*cell.NumberAddress());
    case vtBoolean:
      return byRef ? OleVariant::RefBoolean(cell.BooleanAddress())
                   : OleVariant::FromBoolean(*cell.BooleanAddress() != 0);
    case vtDispatch:
      return byRef ? OleVariant::RefDispatch(cell.DispatchAddress())
                   : OleVariant::FromDispatch(*cell.DispatchAddress());
    default:
      return OleVariant();
  }
}

void StoreResult(const OleVariant& value, TReportVar& result) {
  switch (value.BaseType()) {
    case OleVariant::varSmallint:
    case OleVariant::varInteger:
    case OleVariant::varSingle:
    case OleVariant::varDouble:
    case OleVariant::varByte:
    case OleVariant::varCurrency:
      result.SetNumber(value.ToDouble());
      break;
    case OleVariant::varDate:
      result.SetDate(value.AsDate());
      break;
    case OleVariant::varOleStr:
      result.SetString(value.AsString());
      break;
    case OleVariant::varDispatch:
      result.SetDispatch(value.AsDispatch());
      break;
    case OleVariant::varBoolean:
      result.SetBoolean(value.AsBoolean());
      break;
    default:
      break;  // empty, null and other kinds leave the result UNDEFINED
  }
}

}  // namespace

void TDispCallCmd::Run(int& pc, TCustomReport& report, TVarStack&) {
  Step(pc, report);
  if (target_->VarType() != vtDispatch)
    throw Exception(Format(msg::SQoInapplicable, target_->Name(), target_->VarTypeName()));
  // Hold a reference of our own: the result cell may be the target.
  const DispatchPtr object = target_->GetDispatch();
  if (!object) throw EOleError(Format(msg::SQoNoAutomationObject, target_->Name()));

  if (call_kind_ == dcPut) {
    // The value to store travels as the last argument; the list owns the copy.
    auto temp = std::make_unique<TReportVar>("@TEMP", params_);
    temp->Assign(*value_);
    temp->SetTemporary(true);
    params_->Add(temp.release());
  }
  const int count = params_->Count();
  std::vector<OleVariant> args;
  args.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    const bool byRef = i <= 255 && by_ref_.test(static_cast<std::size_t>(i));
    args.push_back(ArgumentOf(*params_->Get(i), byRef));
  }

  const bool wantResult = (call_kind_ & DISPATCH_PROPERTYGET) != 0;
  OleVariant value;
  DispatchInvoke(*object, name_, static_cast<unsigned>(call_kind_), args, wantResult ? &value : nullptr);
  result_->Clear();
  if (wantResult) StoreResult(value.Deref(), *result_);
}

}  // namespace bexlo
