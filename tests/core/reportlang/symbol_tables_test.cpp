#include <gtest/gtest.h>

#include "reportlang/custom_report.h"
#include "reportlang/func_list.h"
#include "reportlang/group_var.h"
#include "reportlang/var_list.h"
#include "reportlang/var_stack.h"
#include "util/exceptions.h"

namespace bexlo {
namespace {

std::vector<std::string> NamesOf(const TCustomVarList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.Get(i)->Name());
  return names;
}

TEST(VarListTest, SortedListKeepsNameOrderAndFindsAnyCase) {
  TVarList vars;
  TReportVar* beta = vars.AddVar("Beta");
  vars.AddVar("alpha");
  vars.AddVar("GAMMA");
  vars.AddVar("ёж");
  EXPECT_EQ(NamesOf(vars), (std::vector<std::string>{"ALPHA", "BETA", "GAMMA", "ЁЖ"}));
  EXPECT_EQ(vars.AddVar("BETA"), beta);
  EXPECT_EQ(vars.Count(), 4);
  EXPECT_EQ(vars.FindVarByName("beta"), beta);
  EXPECT_EQ(vars.FindVarByName("Ёж"), vars.Get(3));
  EXPECT_EQ(vars.FindVarByName("delta"), nullptr);
  EXPECT_EQ(beta->OwnerList(), &vars);
  EXPECT_THROW(vars.Get(4), EListError);
}

TEST(VarListTest, ParameterListKeepsArgumentOrderAndOwnsOnlyTemporaries) {
  TVarList vars;
  TReportVar* x = vars.AddVar("x");
  x->SetNumber(1);
  {
    TParamList params;
    params.AddReference(x);
    TReportVar* copy = params.AddTemporaryCopy(*x);
    params.AddVar("z");
    EXPECT_EQ(NamesOf(params), (std::vector<std::string>{"X", "X", "Z"}));
    EXPECT_TRUE(copy->Temporary());
    EXPECT_EQ(copy->OwnerList(), &params);
    copy->SetNumber(2);
    EXPECT_EQ(x->GetNumber(), 1);
    params.Clear();
    EXPECT_EQ(params.Count(), 0);
    params.AddReference(x);
    params.Delete(0);
    params.AddReference(x);
  }  // the list goes with a by-reference entry in it: the variable survives
  x->SetNumber(3);
  EXPECT_EQ(vars.FindVarByName("X")->GetNumber(), 3);
}

TEST(FuncListTest, LookupFindsTheFirstRegistrationInAnyCase) {
  TFuncList funcs;
  TFunc* first = funcs.AddFunc(std::make_unique<TFunc>("Length", 1, nullptr));
  funcs.AddFunc(std::make_unique<TFunc>("LENGTH", 2, nullptr));
  EXPECT_EQ(funcs.FindByName("length"), first);
  EXPECT_EQ(first->Name(), "LENGTH");
  EXPECT_EQ(funcs.FindByName("missing"), nullptr);
}

TEST(FuncListTest, ElementTwoFiftyFiveInvertsTheByReferenceSet) {
  const TFunc zero("f", 1, nullptr, MakeByteSet({0}));
  EXPECT_TRUE(zero.IsVarParam(0));
  EXPECT_FALSE(zero.IsVarParam(1));
  EXPECT_FALSE(zero.IsVarParam(300));
  const TFunc allButOne("g", 3, nullptr, MakeByteSet({1, 255}));
  EXPECT_TRUE(allButOne.IsVarParam(0));
  EXPECT_FALSE(allButOne.IsVarParam(1));
  EXPECT_TRUE(allButOne.IsVarParam(2));
  EXPECT_TRUE(allButOne.IsVarParam(300));
  const TFunc all("h", 1, nullptr, MakeByteSet({255}));
  EXPECT_TRUE(all.IsVarParam(0));
  EXPECT_TRUE(all.IsVarParam(254));
}

TEST(VarStackTest, CellsComeBackAsTheyWereSaved) {
  TVarStack stack;
  TReportVar a("a", nullptr), b("b", nullptr);
  a.SetString("saved");
  stack.Push(a);
  a.Clear();
  a.SetNumber(1);
  stack.Pop(a);  // the cell is cleared first, so it may change type
  EXPECT_EQ(a.GetString(), "saved");
  EXPECT_EQ(stack.Count(), 0);

  // Last in, first out.
  a.Clear();
  a.SetNumber(1);
  b.SetNumber(2);
  stack.Push(a);
  stack.Push(b);
  stack.Pop(a);
  stack.Pop(b);
  EXPECT_EQ(a.GetNumber(), 2);
  EXPECT_EQ(b.GetNumber(), 1);
}

TEST(VarStackTest, MismatchesEndWithTheSilentAbort) {
  TVarStack stack;
  TReportVar a("a", nullptr);
  TParamList params;
  TVarList vars;
  EXPECT_THROW(stack.Pop(a), EAbort);
  EXPECT_THROW(stack.Pop(params, true), EAbort);
  stack.Push(params);
  EXPECT_THROW(stack.Pop(a), EAbort);  // a saved list into a cell
  EXPECT_THROW(stack.Pop(vars, true), EAbort);  // a saved list is a TParamList
  stack.Pop(params, true);
  stack.Push(a);
  EXPECT_THROW(stack.Pop(params, true), EAbort);
  TFunc notACell("f", 0, nullptr);
  EXPECT_THROW(stack.Push(&notACell), EAbort);
}

TEST(VarStackTest, ParameterListsComeBackWithTheirVariablesAndCopies) {
  TVarStack stack;
  TVarList vars;
  TReportVar* x = vars.AddVar("x");
  x->SetNumber(1);
  TParamList params;
  params.AddReference(x);
  params.AddTemporaryCopy(*x)->SetNumber(10);
  stack.Push(params);
  params.Clear();
  params.AddTemporaryCopy(*x);
  stack.Pop(params, true);
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params.Get(0), x);  // by reference: the variable itself
  EXPECT_TRUE(params.Get(1)->Temporary());
  EXPECT_EQ(params.Get(1)->GetNumber(), 10);

  // Not fresh: saved cells are assigned by name to the target's cells.
  TVarList other(false);
  other.AddVar("x")->SetString("replaced");
  other.AddVar("y")->SetNumber(5);
  TParamList saved;
  saved.AddTemporaryCopy(*x);
  stack.Push(saved);
  TParamList target;
  target.AddVar("y")->SetNumber(5);
  target.AddVar("x")->SetString("old");
  stack.Pop(target, false);
  EXPECT_EQ(target.FindVarByName("x")->GetNumber(), 1);
  EXPECT_EQ(target.FindVarByName("y")->GetNumber(), 5);
}

TEST(CustomReportTest, SymbolInterfaceCreatesAndFindsNames) {
  TCustomReport report;
  EXPECT_EQ(report.GetVarByName("total"), nullptr);
  TReportVar* total = report.AddVarEx("Total", "Grand total");
  EXPECT_EQ(report.GetVarByName("TOTAL"), total);
  EXPECT_EQ(total->Hint(), "Grand total");
  EXPECT_EQ(report.AddVarEx("total"), total);
  EXPECT_EQ(total->Hint(), "Grand total");  // no hint given: kept
  TFunc* f = report.AddFunc(std::make_unique<TFunc>("F", 0, nullptr));
  EXPECT_EQ(report.GetFuncByName("f"), f);
  report.CreateSymbolTables();
  EXPECT_EQ(report.GetVarByName("total"), nullptr);
  EXPECT_EQ(report.GetFuncByName("f"), nullptr);
  EXPECT_THROW(CustomReportAbort(), ECustomReportError);
}

// Feeds the group one record: key and value, then the CalcGroup step.
void Feed(TGroupList& group, TReportVar& key, TReportVar& value, double k, double v) {
  key.SetNumber(k);
  value.SetNumber(v);
  group.CheckUnAssigned();
  const int row = group.GetGroupVar(0)->GetRowNum();
  if (row < 0) {
    group.AddValues();
  } else {
    group.CalcValues(row);
  }
}

std::vector<double> RowsOf(const TGroupVar& entry) {
  std::vector<double> rows;
  for (int i = 0; i < entry.GetValueCount(); ++i) rows.push_back(entry.GetValue(i)->GetNumber());
  return rows;
}

TEST(GroupListTest, RowsFollowTheKeyOrderAndNumbersAccumulate) {
  TReportVar key("k", nullptr), value("s", nullptr);
  TGroupList ascending(1);
  new TGroupVar(&key, &ascending);
  new TGroupVar(&value, &ascending);
  Feed(ascending, key, value, 3, 30);
  Feed(ascending, key, value, 1, 10);
  Feed(ascending, key, value, 2, 20);
  Feed(ascending, key, value, 1, 5);
  EXPECT_EQ(RowsOf(*ascending.GetGroupVar(0)), (std::vector<double>{1, 2, 3}));
  EXPECT_EQ(RowsOf(*ascending.GetGroupVar(1)), (std::vector<double>{15, 20, 30}));
  EXPECT_EQ(ascending.GetValueCount(), 3);
  EXPECT_EQ(ascending.GetGroupVar(2), nullptr);

  TGroupList descending(-1);
  new TGroupVar(&key, &descending);
  new TGroupVar(&value, &descending);
  for (double k : {2.0, 3.0, 1.0}) Feed(descending, key, value, k, k * 10);
  EXPECT_EQ(RowsOf(*descending.GetGroupVar(0)), (std::vector<double>{3, 2, 1}));
  EXPECT_EQ(RowsOf(*descending.GetGroupVar(1)), (std::vector<double>{30, 20, 10}));

  TGroupList unsorted(0);
  new TGroupVar(&key, &unsorted);
  new TGroupVar(&value, &unsorted);
  Feed(unsorted, key, value, 2, 10);
  Feed(unsorted, key, value, 1, 20);
  Feed(unsorted, key, value, 2, 30);
  EXPECT_EQ(RowsOf(*unsorted.GetGroupVar(0)), (std::vector<double>{2, 1}));
  EXPECT_EQ(RowsOf(*unsorted.GetGroupVar(1)), (std::vector<double>{40, 20}));
}

TEST(GroupListTest, NonNumbersKeepTheLastValue) {
  TReportVar key("k", nullptr), name("name", nullptr);
  TGroupList group(1);
  auto* keys = new TGroupVar(&key, &group);
  auto* names = new TGroupVar(&name, &group);
  key.SetString("b");
  name.SetString("first");
  group.AddValues();
  name.SetString("second");
  group.CalcValues(keys->GetRowNum());
  EXPECT_EQ(names->GetValue(0)->GetString(), "second");
  EXPECT_EQ(names->GetValue(1), nullptr);
  key.SetString("a");
  EXPECT_EQ(keys->GetRowNum(), -1);
  EXPECT_EQ(group.GetGroupVar(0), keys);
}

}  // namespace
}  // namespace bexlo
