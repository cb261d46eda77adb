// Script functions: TFunc describes one function (name, minimum argument count, handler,
// by-reference argument positions, hint); TFuncList is the report's table of them. Lookup ignores
// case and returns the first function registered under a name, so a later registration of the
// same name is never found.
#pragma once

#include <bitset>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>

#include "util/list_pool.h"

namespace bexlo {

class TCustomReport;
class TParamList;
class TReportVar;

// Argument positions 0..255. Element 255 inverts the meaning of the set (see TFunc::IsVarParam).
using TByteSet = std::bitset<256>;
TByteSet MakeByteSet(std::initializer_list<int> elements);

// The handler of a function: reads its arguments by position from `params` (entry i is argument
// i; by-reference arguments are the caller's variables themselves), stores its result into
// `result` (which arrives cleared, UNDEFINED) and may write into by-reference arguments. It
// reports failure by raising an exception.
using TFuncHandler = std::function<void(TCustomReport& report, TParamList& params, TReportVar& result)>;

class TFunc : public TObject {
 public:
  // The name is upper-cased. paramCount is the minimum number of arguments, -1 for any number.
  TFunc(std::string_view name, int paramCount, TFuncHandler handler, TByteSet varParams = {},
        std::string hint = {});
  std::string_view ClassName() const noexcept override { return "TFunc"; }

  const std::string& Name() const noexcept { return name_; }
  int ParamCount() const noexcept { return param_count_; }
  const TFuncHandler& Handler() const noexcept { return handler_; }
  const TByteSet& VarParams() const noexcept { return var_params_; }
  const std::string& Hint() const noexcept { return hint_; }

  // Whether argument `index` is passed by reference: index <= 255 and in the set, inverted when
  // 255 is in the set. So {0} is argument 0 only, {1, 255} every argument except 1, {255} all.
  bool IsVarParam(int index) const noexcept;

 private:
  std::string name_;
  int param_count_;
  TFuncHandler handler_;
  TByteSet var_params_;
  std::string hint_;
};

class TCustomFuncList : public TListPool {
 public:
  std::string_view ClassName() const noexcept override { return "TCustomFuncList"; }
  TFunc* Get(int index) const { return static_cast<TFunc*>(TList::Get(index)); }
  // The first function (from index 0) called `name`, any case; null if none.
  virtual TFunc* FindByName(std::string_view name) const;
  TFunc* FindByUpperName(std::string_view upperName) const;
};

class TFuncList : public TCustomFuncList {
 public:
  std::string_view ClassName() const noexcept override { return "TFuncList"; }
  // Appends a function (the list owns it) and returns it.
  TFunc* AddFunc(std::unique_ptr<TFunc> func);
};

}  // namespace bexlo
