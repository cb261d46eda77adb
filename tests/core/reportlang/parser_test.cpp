#include <gtest/gtest.h>

#include "core/reportlang/script_fixture.h"
#include "util/format_settings.h"

namespace bexlo {
namespace {

class ParserTest : public testing_support::ScriptTest {
 protected:
  std::vector<std::string> Shape() {
    std::vector<std::string> names;
    for (int i = 0; i < commands.Count(); ++i) names.emplace_back(commands.Command(i)->ClassName());
    return names;
  }
  template <class T>
  std::vector<T*> All() {
    std::vector<T*> found;
    for (int i = 0; i < commands.Count(); ++i) {
      if (auto* c = dynamic_cast<T*>(commands.Command(i))) found.push_back(c);
    }
    return found;
  }
  int IndexOf(const TCommand* command) {
    for (int i = 0; i < commands.Count(); ++i) {
      if (commands.Command(i) == command) return i;
    }
    return -1;
  }
};

TEST_F(ParserTest, EmptyTextsAndCommentsCompileToNothing) {
  Compile("");
  Compile("  \r\n\t");
  Compile("/* only a comment **/");
  Compile("{ /* a **/ }");
  Compile("{;;}");
  EXPECT_EQ(commands.Count(), 0);
  EXPECT_NE(report.GetVarByName("@A"), nullptr);
  EXPECT_NE(report.GetVarByName("@B"), nullptr);
}

TEST_F(ParserTest, AssignmentIsExpressionThenTypeKeepingStore) {
  Compile("{x := 1;}");
  EXPECT_EQ(Shape(), (std::vector<std::string>{"TAssignConstCmd", "TAssignCmd"}));
  auto* store = All<TAssignCmd>()[0];
  EXPECT_EQ(store->Target(), &Var("X"));
  EXPECT_EQ(store->Source(), &Var("@A"));
  EXPECT_TRUE(store->KeepType());
  EXPECT_EQ(Var("X").VarType(), vtUnDefined);  // created by compiling, filled by running
}

TEST_F(ParserTest, BinaryOperatorsSaveTheLeftOperandInB) {
  report.AddVar("a");
  report.AddVar("b");
  Compile("{x := a + b;}");
  EXPECT_EQ(Shape(), (std::vector<std::string>{"TAssignCmd", "TCalcCmd", "TPushCmd", "TAssignCmd",
                                               "TPopCmd", "TCalcCmd", "TAssignCmd", "TAssignCmd"}));
  auto calcs = All<TCalcCmd>();
  EXPECT_EQ(calcs[0]->Op(), opCopy);
  EXPECT_EQ(calcs[0]->Target(), &Var("@B"));
  EXPECT_EQ(calcs[1]->Op(), opAdd);
  EXPECT_EQ(calcs[1]->Target(), &Var("@B"));
  EXPECT_EQ(calcs[1]->Operand(), &Var("@A"));

  commands.Clear();
  Compile("{x := a <= b;}");
  EXPECT_EQ(Shape(), (std::vector<std::string>{"TAssignCmd", "TPushCmd", "TAssignCmd", "TPopCmd",
                                               "TCompareCmd", "TAssignCmd", "TAssignCmd"}));
  EXPECT_EQ(All<TCompareCmd>()[0]->Op(), opLessEqual);
}

TEST_F(ParserTest, IfJumpsLandOnTheElseBranchAndAfterTheIf) {
  Compile("{a := 1; if a = 1 then b := 2; else { b := 3; c := 4; } d := 5;}");
  auto jnz = All<TJnzCmd>();
  auto jump = All<TJumpCmd>();
  ASSERT_EQ(jnz.size(), 1u);
  ASSERT_EQ(jump.size(), 1u);
  const int j = IndexOf(jnz[0]);
  const int k = IndexOf(jump[0]);
  EXPECT_EQ(j + jnz[0]->Offset(), k + 1);  // first command of the else-branch
  // The else-branch is "b := 3; c := 4;" (4 commands); the jump lands on "d := 5".
  EXPECT_EQ(k + jump[0]->Offset(), commands.Count() - 2);
  EXPECT_EQ(jump[0]->Offset(), 5);

  commands.Clear();
  Compile("{if a = 1 then b := 2;}");
  EXPECT_EQ(All<TJumpCmd>()[0]->Offset(), 1);
  EXPECT_EQ(Shape().back(), "TJumpCmd");
}

TEST_F(ParserTest, CallsSaveTheParameterListAroundTheirArguments) {
  Compile("{x := Copy('abc', 1, 2);}");
  EXPECT_EQ(Shape(), (std::vector<std::string>{
                         "TPushCmd", "TClearParamListCmd", "TAssignConstCmd", "TAddParamCmd",
                         "TAssignConstCmd", "TAddParamCmd", "TAssignConstCmd", "TAddParamCmd",
                         "TCallCmd", "TPopCmd", "TAssignCmd"}));
  auto* call = All<TCallCmd>()[0];
  EXPECT_EQ(call->Func(), report.GetFuncByName("COPY"));
  EXPECT_EQ(call->Result(), &Var("@A"));
  EXPECT_FALSE(All<TAddParamCmd>()[0]->ByRef());

  commands.Clear();
  Compile("{Exchange(p, q);}");  // by-reference arguments are variables, created when new
  auto params = All<TAddParamCmd>();
  ASSERT_EQ(params.size(), 2u);
  EXPECT_TRUE(params[0]->ByRef());
  EXPECT_EQ(params[0]->Cell(), &Var("P"));
  EXPECT_EQ(params[1]->Cell(), &Var("Q"));
}

TEST_F(ParserTest, AutomationStatementEvaluatesTheValueBeforeTheChain) {
  report.AddVar("obj");
  Compile("{obj.Cells(1, 2).Value := 5;}");
  auto calls = All<TDispCallCmd>();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0]->Name(), "CELLS");
  EXPECT_EQ(calls[0]->CallKind(), 3);
  EXPECT_EQ(calls[0]->Target(), &Var("OBJ"));
  EXPECT_EQ(calls[1]->Name(), "VALUE");
  EXPECT_EQ(calls[1]->CallKind(), 4);
  EXPECT_EQ(calls[1]->Target(), &Var("@A"));
  EXPECT_EQ(calls[1]->Value(), &Var("@B"));
  // 5 into A, then B := A, then the chain starts with A := OBJ.
  const auto shape = Shape();
  EXPECT_EQ(shape[0], "TAssignConstCmd");
  EXPECT_EQ(shape[1], "TAssignCmd");
  EXPECT_EQ(shape[2], "TAssignCmd");
  EXPECT_EQ(All<TAssignCmd>()[1]->Source(), &Var("OBJ"));

  commands.Clear();
  Compile("{obj.Run; x := obj.Sheet[&n, 2].Name;}");
  calls = All<TDispCallCmd>();
  ASSERT_EQ(calls.size(), 3u);
  EXPECT_EQ(calls[0]->CallKind(), 1);  // statement without a result
  EXPECT_EQ(calls[1]->CallKind(), 3);
  EXPECT_TRUE(calls[1]->ByRef().test(0));
  EXPECT_FALSE(calls[1]->ByRef().test(1));
  EXPECT_TRUE(calls[2]->ByRef().test(0));  // marks stay for later members of the chain
  EXPECT_EQ(calls[2]->CallKind(), 3);
}

struct CompileErrorCase {
  const char* text;
  const char* message;
};

class CompileErrorTest : public testing_support::ScriptTest,
                         public ::testing::WithParamInterface<CompileErrorCase> {};

TEST_P(CompileErrorTest, ReportsTheFirstError) {
  report.AddVar("a");
  report.AddVar("b");
  report.AddVar("c");
  EXPECT_EQ(CompileError(GetParam().text), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CompileErrorTest,
    ::testing::Values(
        CompileErrorCase{"x := 1;", "Required {"},
        CompileErrorCase{"{x := 1;", "Unexpected end of block"},
        CompileErrorCase{"{x := 'abc", "Unexpected end of block"},
        CompileErrorCase{"{x := 1; /* open", "Unexpected end of block"},
        CompileErrorCase{"{x := 1; $}", "Illegal symbol"},
        CompileErrorCase{"{x := 1;} $", "Illegal symbol"},
        CompileErrorCase{"{x := a : b;}", "Illegal symbol"},
        CompileErrorCase{"{x := a | b;}", "Illegal symbol"},
        CompileErrorCase{"{{ x := 1; }}", "Illegal symbol: {"},
        CompileErrorCase{"{ (x) }", "Illegal symbol: ("},
        CompileErrorCase{"{x 1;}", "Required ="},
        CompileErrorCase{"{x := 1}", "Required ;"},
        CompileErrorCase{"{x := a < b < c;}", "Required ;"},
        CompileErrorCase{"{x := - - 1;}", "Required identifier"},
        CompileErrorCase{"{x := Copy();}", "Required identifier"},
        CompileErrorCase{"{x := (1 + 2;}", "Required )"},
        CompileErrorCase{"{if a then x := 1;", "Unexpected end of block"},
        CompileErrorCase{"{if a x := 1;}", "Required then"},
        CompileErrorCase{"{x := 1.;}", "Required number"},
        CompileErrorCase{"{x := #;}", "Required number"},
        CompileErrorCase{"{x := 'ab\rc';}", "Unexpected end of line"},
        CompileErrorCase{"{x := nothere;}", "NOTHERE: Variable is not found"},
        CompileErrorCase{"{nothere.Run;}", "NOTHERE: Variable is not found"},
        CompileErrorCase{"{a.;}", "Required name"},
        CompileErrorCase{"{a.Cells(1;}", "Required )"},
        CompileErrorCase{"{a.Cells[1);}", "Required ]"},
        CompileErrorCase{"{a.Cells(&1);}", "Required identifier"},
        CompileErrorCase{"{Exchange(1, b);}", "Required identifier"},
        CompileErrorCase{"{x := 1;} y", "Required {"}));

TEST_F(ParserTest, CommandsAlreadyCompiledStayAfterAnError) {
  EXPECT_EQ(CompileError("{x := 1; y := ;}"), "Required identifier");
  EXPECT_EQ(Shape(), (std::vector<std::string>{"TAssignConstCmd", "TAssignCmd"}));
}

TEST_F(ParserTest, LiteralsDecodeAsWritten) {
  Exec("{s1 := 'it''s'; s2 := #65#66; s3 := 'a'#13#10'b'; s4 := #200#1000; s5 := '';"
       " n1 := 12.50; n2 := 007; n3 := 12.05;}");
  EXPECT_EQ(String("s1"), "it's");
  EXPECT_EQ(String("s2"), "AB");
  EXPECT_EQ(String("s3"), "a\r\nb");
  EXPECT_EQ(String("s4"), "Ии");  // codes 128-255 are Windows-1251 characters; 1000 mod 256 = 232
  EXPECT_EQ(String("s5"), "");
  EXPECT_EQ(Number("n1"), 12.5);
  EXPECT_EQ(Number("n2"), 7);
  EXPECT_EQ(Number("n3"), 12.05);
}

TEST_F(ParserTest, NumbersIgnoreTheLocaleDecimalSeparator) {
  ScopedFormatSettings scoped;
  FormatSettings().DecimalSeparator = ",";
  FormatSettings().ThousandSeparator = ".";
  Exec("{n := 12.50;}");
  EXPECT_EQ(Number("n"), 12.5);
}

TEST_F(ParserTest, KeywordsAndNamesIgnoreCaseAndAcceptUnicodeLetters) {
  Exec("{Сумма := 2; If сумма = 2 Then { итог_1 := TRUE; } ELSE итог_1 := false;}");
  EXPECT_TRUE(Boolean("ИТОГ_1"));
  EXPECT_EQ(Number("СУММА"), 2);
}

TEST_F(ParserTest, PositionsCountCharactersAndSkipTheSeparatorByte) {
  const std::string text = "{цена := 1\x01}";
  TQoReportParser parser(text, 100, &report.ParamList(), &commands, &report);
  parser.Compile();
  // 12 characters ("{цена := 1" and "}"), the separator not counted, plus the end of the text.
  EXPECT_EQ(parser.Position(), 100 + 11 + 1);
  EXPECT_EQ(commands.Count(), 2);

  // A compile error leaves the counter where the compiler stopped.
  TCommandList other;
  TQoReportParser failing("{ä := $ 1;}", -1, &report.ParamList(), &other, &report);
  EXPECT_THROW(failing.Compile(), UnDefinedSymbol);
  EXPECT_EQ(failing.Position(), -1 + 8);  // "{ä := $" read, and the blank after it
}

TEST_F(ParserTest, TextEndsAtItsFirstZeroByte) {
  Compile(std::string("{x := 1;}\0garbage", 17));
  EXPECT_EQ(commands.Count(), 2);
}

TEST_F(ParserTest, DeepNestingIsRefusedWithACompileError) {
  const std::string deep = "{x := " + std::string(100000, '(') + "1" + std::string(100000, ')') + ";}";
  EXPECT_EQ(CompileError(deep), "Nesting is too deep");
  std::string ifs = "{";
  for (int i = 0; i < 100000; ++i) ifs += "if TRUE then ";
  ifs += "x := 1;}";
  EXPECT_EQ(CompileError(ifs), "Nesting is too deep");
  const std::string calls = "{x := " + [] {
    std::string s;
    for (int i = 0; i < 100000; ++i) s += "Cat(";
    return s;
  }() + "'a'" + std::string(100000, ')') + ";}";
  EXPECT_EQ(CompileError(calls), "Nesting is too deep");

  // Reasonable nesting compiles and runs.
  commands.Clear();
  Exec("{y := " + std::string(50, '(') + "2" + std::string(50, ')') + " * 3;}");
  EXPECT_EQ(Number("y"), 6);
}

}  // namespace
}  // namespace bexlo
