#include <gtest/gtest.h>

#include "automation/ole_registry.h"
#include "core/automation/test_server.h"
#include "core/reportlang/script_fixture.h"

namespace bexlo {
namespace {

using MachineTest = testing_support::ScriptTest;

TEST_F(MachineTest, ArithmeticPrecedenceAndAssociativity) {
  Exec("{a := 2 + 3 * 4; b := 10 - 2 - 3; c := 2 * (3 + 4); d := -2 * 3; e := 12 / 4 / 3;"
       " f := - 2 + 5;}");
  EXPECT_EQ(Number("a"), 14);
  EXPECT_EQ(Number("b"), 5);
  EXPECT_EQ(Number("c"), 14);
  EXPECT_EQ(Number("d"), -6);
  EXPECT_EQ(Number("e"), 1);
  EXPECT_EQ(Number("f"), 3);
}

TEST_F(MachineTest, AndOrShareOnePrecedenceLevelAndNotCoversTheRelation) {
  Exec("{t := TRUE; f := FALSE;"
       " r1 := t or f and f;"        // (t or f) and f
       " r2 := f and f or t;"        // (f and f) or t
       " r3 := not 1 = 2;"           // not (1 = 2)
       " r4 := t and not f;"
       " r5 := 'b' > 'a' and 2 >= 2 and 1 <> 1 or 3 < 2;}");
  EXPECT_FALSE(Boolean("r1"));
  EXPECT_TRUE(Boolean("r2"));
  EXPECT_TRUE(Boolean("r3"));
  EXPECT_TRUE(Boolean("r4"));
  EXPECT_FALSE(Boolean("r5"));
}

TEST_F(MachineTest, BothOperandsOfAndOrAreAlwaysEvaluated) {
  Exec("{x := FALSE and Bump(1) = 1; y := TRUE or Bump(2) = 2;}");
  EXPECT_EQ(bumps, 2);
  EXPECT_FALSE(Boolean("x"));
  EXPECT_TRUE(Boolean("y"));
}

TEST_F(MachineTest, IfRunsTheRightBranch) {
  report.AddVar("n");
  Compile("{if n > 0 then s := 'pos'; else if n < 0 then s := 'neg'; else s := 'zero'; done := TRUE;}");
  for (auto [n, expected] : {std::pair{5.0, "pos"}, {-1.0, "neg"}, {0.0, "zero"}}) {
    Var("n").Clear();
    Var("n").SetNumber(n);
    Run();
    EXPECT_EQ(String("s"), expected);
    EXPECT_TRUE(Boolean("done"));
  }
}

TEST_F(MachineTest, StringsConcatenateWithPlusAndBars) {
  Exec("{s := 'a' + 'b' || 'c'; s := s + Copy('xyz', 2, 5);}");
  EXPECT_EQ(String("s"), "abcyz");
}

TEST_F(MachineTest, VariablesKeepTheirTypeWhileRegistersDoNot) {
  Compile("{x := 1; x := 'a';}");  // compiles; fails only when run
  EXPECT_EQ(RunError(), "X: Type mismatch (NUMBER и STRING)");
  EXPECT_EQ(Number("x"), 1);

  commands.Clear();
  Exec("{y := 1 + 2; z := 'a' + 'b'; w := y > 2;}");  // A changes type freely
  EXPECT_EQ(String("z"), "ab");
  EXPECT_TRUE(Boolean("w"));
}

TEST_F(MachineTest, ARegisterReadIntoItselfKeepsItsValue) {
  Exec("{x := 5; y := @A;}");  // compiles to A := @A, which must not empty A
  EXPECT_EQ(Number("y"), 5);
}

TEST_F(MachineTest, DatesAddDaysAndSubtractToNumbers) {
  Exec("{d := Now + 1; n := d - Now; back := d - 1;}");
  EXPECT_EQ(Var("d").VarType(), vtDate);
  EXPECT_EQ(Var("d").GetDate(), 45001.5);
  EXPECT_EQ(Number("n"), 1);
  EXPECT_EQ(Var("back").GetDate(), 45000.5);
  commands.Clear();
  Compile("{m := 1 + Now;}");
  EXPECT_EQ(RunError(), "@B: Type mismatch (NUMBER и DATE)");
}

TEST_F(MachineTest, CallsCheckTheMinimumArgumentCount) {
  Compile("{s := Copy('abc', 1);}");
  EXPECT_EQ(RunError(), "COPY: Incorrect quantity of parameters of call");
  commands.Clear();
  Exec("{s := Copy('abcdef', 2, 3, 'ignored');}");
  EXPECT_EQ(String("s"), "bcd");
}

TEST_F(MachineTest, NestedCallsRestoreTheOuterArguments) {
  Exec("{s := Cat('a', Cat('b', Copy('cxd', 1, 1), 'd'), 'e', Cat);}");
  EXPECT_EQ(String("s"), "abcde");
  EXPECT_EQ(report.ParamList().Count(), 0);
}

TEST_F(MachineTest, ByReferenceArgumentsAreTheVariablesThemselves) {
  Exec("{a := 1; b := 2; Exchange(a, b);}");
  EXPECT_EQ(Number("a"), 2);
  EXPECT_EQ(Number("b"), 1);

  // A by-reference argument followed by an argument that itself calls a function: the function
  // still receives the variable, not a copy of it.
  Exec("{SetTo(v, Cat('x', 'y'));}");
  EXPECT_EQ(String("v"), "xy");
}

TEST_F(MachineTest, ErrorPosPointsAtTheFailingCommand) {
  const std::string text = "{x := 1;\ny := x / 0;\nz := 2;}";
  Compile(text, -1);
  EXPECT_EQ(RunError(), "@B: Division on 0 (NUMBER)");
  const TCommand* failing = nullptr;
  for (int i = 0; i < commands.Count(); ++i) {
    auto* calc = dynamic_cast<TCalcCmd*>(commands.Command(i));
    if (calc && calc->Op() == opDiv) failing = calc;
  }
  ASSERT_NE(failing, nullptr);
  EXPECT_EQ(report.ErrorPos, failing->Position() - 1);
  // The position lies on the second line, within "y := x / 0;".
  EXPECT_GT(report.ErrorPos, static_cast<int>(text.find('y')));
  EXPECT_LE(report.ErrorPos, static_cast<int>(text.find(";\nz")));
  EXPECT_FALSE(report.GetVarByName("z") && report.GetVarByName("z")->VarType() != vtUnDefined);
}

TEST_F(MachineTest, AbortsEndTheRun) {
  Compile("{x := 1; Stop('Stop here'); x := 2;}");
  EXPECT_THROW(Run(), ECustomReportError);
  EXPECT_EQ(Number("x"), 1);
  commands.Clear();
  Compile("{Stop;}");
  EXPECT_THROW(Run(), EAbort);
}

TEST_F(MachineTest, JumpsPastTheEndEndTheRunNormally) {
  TCommandList list;
  list.AddCommand(std::make_unique<TJumpCmd>(1, 1));
  report.RunCommands(&list);
  TCommandList far;
  far.AddCommand(std::make_unique<TJumpCmd>(1, 100));
  report.RunCommands(&far);
  TCommandList back;
  back.AddCommand(std::make_unique<TJumpCmd>(1, -5));
  report.RunCommands(&back);
  report.RunCommands(nullptr);

  // A stack mismatch ends the run with the silent abort.
  TCommandList pop;
  pop.AddCommand(std::make_unique<TPopCmd>(7, &report.ParamList(), true));
  EXPECT_THROW(report.RunCommands(&pop), EAbort);
  EXPECT_EQ(report.ErrorPos, 6);
}

TEST_F(MachineTest, JnzNeedsABooleanCondition) {
  Compile("{if 1 then x := 1;}");
  EXPECT_EQ(RunError(), "@A: Type mismatch (NUMBER и BOOLEAN)");
}

class AutomationScriptTest : public testing_support::ScriptTest {
 protected:
  AutomationScriptTest() {
    testing_support::RegisterTestServer();
    server = CreateOleObject(testing_support::kTestServerProgId);
    report.AddVar("obj")->SetDispatch(server);
  }
  ~AutomationScriptTest() override { UnregisterOleServer(testing_support::kTestServerProgId); }
  std::vector<std::string>& Log() { return static_cast<testing_support::TestServer*>(server.get())->log; }

  DispatchPtr server;
};

TEST_F(AutomationScriptTest, PropertyPutEvaluatesTheValueFirst) {
  Exec("{obj.Cells(1, 2).Value := Bump(5); v := obj.Cells(1, 2).Value;}");
  EXPECT_EQ(Number("v"), 5);
  ASSERT_GE(Log().size(), 2u);
  EXPECT_EQ(Log()[0], "CELLS/3(1,2)");
  EXPECT_EQ(Log()[1], "CELL1:2.VALUE/4(5)");
  EXPECT_EQ(bumps, 1);
}

TEST_F(AutomationScriptTest, ResultsConvertByKind) {
  Exec("{p := obj.Price; c := obj.Count; obj.Title := 'Report'; t := obj.Title;"
       " n := obj.Nothing; w := obj.Twice(2.5); s := obj.Self.Count; obj.Nothing;}");
  EXPECT_DOUBLE_EQ(Number("p"), 12.3456);
  EXPECT_EQ(Number("c"), 7);
  EXPECT_EQ(String("t"), "Report");
  EXPECT_EQ(Var("n").VarType(), vtUnDefined);
  EXPECT_EQ(Number("w"), 5);
  EXPECT_EQ(Number("s"), 7);
  EXPECT_EQ(Log().back(), "NOTHING/1()");
  EXPECT_EQ(Log()[2], "TITLE/4('Report')");
}

TEST_F(AutomationScriptTest, ByReferenceArgumentsWriteStraightIntoVariables) {
  int changes = 0;
  TReportVar* n = report.AddVar("n");
  n->SetNumber(1);
  report.AddVar("s")->SetString("");
  report.AddVar("b")->SetBoolean(false);
  n->OnChange = [&](TCustomReportVar*) { ++changes; };
  Exec("{obj.Fill(&n, &s, &b); u := 0; obj.Twice[&u];}");
  EXPECT_EQ(n->GetNumber(), 42);
  EXPECT_EQ(n->OldNumber(), 0);  // no old value recorded
  EXPECT_EQ(changes, 0);         // and no change callback
  EXPECT_EQ(String("s"), "filled");
  EXPECT_TRUE(Boolean("b"));
  EXPECT_EQ(Log()[0], "FILL/1(&1,&'',&false)");
  EXPECT_EQ(Log()[1], "TWICE/1(&0)");
}

TEST_F(AutomationScriptTest, CallsOnOtherValuesFail) {
  report.AddVar("num")->SetNumber(1);
  Compile("{num.Run;}");
  EXPECT_EQ(RunError(), "NUM: Operation is inapplicable for given type (NUMBER)");
  commands.Clear();
  Compile("{x := obj.NoSuchMember;}");
  EXPECT_EQ(RunError(), "Unknown name");
  commands.Clear();
  report.AddVar("none")->SetDispatch(DispatchPtr());
  Compile("{none.Run;}");
  EXPECT_EQ(RunError(), "NONE: Automation object is not assigned");
}

}  // namespace
}  // namespace bexlo
