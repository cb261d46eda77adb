#include "reportlang/func_list.h"

#include "util/text.h"

namespace bexlo {

TByteSet MakeByteSet(std::initializer_list<int> elements) {
  TByteSet set;
  for (int e : elements) {
    if (e >= 0 && e <= 255) set.set(static_cast<std::size_t>(e));
  }
  return set;
}

TFunc::TFunc(std::string_view name, int paramCount, TFuncHandler handler, TByteSet varParams,
             std::string hint)
    : name_(UpperCase(name)),
      param_count_(paramCount),
      handler_(std::move(handler)),
      var_params_(varParams),
      hint_(std::move(hint)) {}

bool TFunc::IsVarParam(int index) const noexcept {
  const bool listed = index >= 0 && index <= 255 && var_params_.test(static_cast<std::size_t>(index));
  return var_params_.test(255) ? !listed : listed;
}

TFunc* TCustomFuncList::FindByName(std::string_view name) const {
  return FindByUpperName(UpperCase(name));
}

TFunc* TCustomFuncList::FindByUpperName(std::string_view upperName) const {
  const int count = Count();
  for (int i = 0; i < count; ++i) {
    auto* func = static_cast<TFunc*>(Slot(i));
    if (func && func->Name() == upperName) return func;
  }
  return nullptr;
}

TFunc* TFuncList::AddFunc(std::unique_ptr<TFunc> func) {
  TFunc* result = func.get();
  Add(func.release());
  return result;
}

}  // namespace bexlo
