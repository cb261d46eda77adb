#include <gtest/gtest.h>

#include "core/reportlang/builtin_test_support.h"
#include "util/exceptions.h"
#include "util/hooks.h"
#include "util/settings.h"
#include "util/ui_services.h"

namespace bexlo {
namespace {

using testing::ScriptReport;
using TKind = TScriptedUserInteraction::TKind;

TEST(BuiltinPrompts, InputBoxesReturnTheAnswerInTheirType) {
  TScriptedUserInteraction ui;
  ui.AnswerInput("Bob");
  ui.AnswerInput("01/02/2024");
  ui.AnswerInput("2.25");
  ui.AnswerInput("plain");
  ScriptReport s;
  s.Run("a := GetString('Name?', 'def'); b := GetDate('Day?', FloatToDate(45356));"
        "c := GetFloat('Sum?', 1.5); d := GetString('Other?');");
  EXPECT_EQ(s.Str("A"), "Bob");
  EXPECT_EQ(s.Var("B").GetDate(), 45323);
  EXPECT_EQ(s.Num("C"), 2.25);
  EXPECT_EQ(s.Str("D"), "plain");
  ASSERT_EQ(ui.Asked().size(), 4u);
  EXPECT_EQ(ui.Asked()[0].caption, "Form of input of string");
  EXPECT_EQ(ui.Asked()[0].text, "Name?");
  EXPECT_EQ(ui.Asked()[0].value, "def");
  EXPECT_EQ(ui.Asked()[1].caption, "Form of input of date");
  EXPECT_EQ(ui.Asked()[1].value, "05/03/2024");
  EXPECT_EQ(ui.Asked()[2].caption, "Form of input of number");
  EXPECT_EQ(ui.Asked()[2].value, "1.5");
  EXPECT_EQ(ui.Asked()[3].value, "");
}

TEST(BuiltinPrompts, CancelEndsTheRunAtTheCall) {
  TScriptedUserInteraction ui;
  ui.AnswerInput(std::nullopt);
  ScriptReport s;
  const std::string script = "x := 1; y := GetString('Name?'); x := 2;";
  EXPECT_EQ(s.Error<ECustomReportError>(script), "Execution is aborted");
  EXPECT_EQ(s.Num("X"), 1);
  EXPECT_EQ(s.Type("Y"), vtUnDefined);
  // ErrorPos points into the statement that called GetString (offsets of the text run, which
  // is the script wrapped in braces).
  EXPECT_GT(s.report.ErrorPos, static_cast<int>(script.find("y :=")));
  EXPECT_LE(s.report.ErrorPos, static_cast<int>(script.find("x := 2")));

  ui.AnswerInput("not a date");
  EXPECT_EQ(s.Error<EConvertError>("d := GetDate('Day?');"), "'not a date' is not a valid date");
}

TEST(BuiltinPrompts, WithoutUserInterfaceEveryPromptIsCancelled) {
  ScriptReport s;
  EXPECT_EQ(s.Error<ECustomReportError>("x := GetFloat('Sum?');"), "Execution is aborted");
  s.Run("f := GetFileName('Open'); m := Message('Proceed?', 'YN');");
  EXPECT_EQ(s.Type("F"), vtUnDefined);
  EXPECT_EQ(s.Num("M"), 7);  // no
}

TEST(BuiltinPrompts, MessageButtonsAndResult) {
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrYes);
  ui.AnswerMessage(mrOk);
  ui.AnswerMessage(mrAll);
  ui.AnswerMessage(mrOk);
  ScriptReport s;
  s.Run("a := Message('Proceed?', 'yn'); b := Message('Done'); c := Message('More?', 'ORICAZ');"
        "d := Message('Odd', 'zz');");
  EXPECT_EQ(s.Num("A"), 6);
  EXPECT_EQ(s.Num("B"), 1);
  EXPECT_EQ(s.Num("C"), 8);
  EXPECT_EQ(s.Num("D"), 1);
  ASSERT_EQ(ui.Asked().size(), 4u);
  EXPECT_EQ(ui.Asked()[0].text, "Proceed?");
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtWarning);
  EXPECT_EQ(ui.Asked()[0].buttons, mbYes | mbNo);
  EXPECT_EQ(ui.Asked()[1].buttons, mbOK);
  EXPECT_EQ(ui.Asked()[2].buttons, mbOK | mbRetry | mbIgnore | mbCancel | mbAll);
  EXPECT_EQ(ui.Asked()[3].buttons, mbOK);  // no known letter: a box that can still be closed
}

TEST(BuiltinPrompts, GetFileName) {
  TScriptedUserInteraction ui;
  ui.AnswerOpenFile("/tmp/chosen.txt");
  ui.AnswerOpenFile(std::nullopt);
  ScriptReport s;
  s.Run("a := GetFileName('Open'); b := GetFileName('Pick', 'Text|*.txt');");
  EXPECT_EQ(s.Str("A"), "/tmp/chosen.txt");
  EXPECT_EQ(s.Type("B"), vtUnDefined);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[0].text, "Open");
  EXPECT_EQ(ui.Asked()[0].caption, "All files |*.*");
  EXPECT_EQ(ui.Asked()[0].value, ApplicationDir);
  EXPECT_EQ(ui.Asked()[1].caption, "Text|*.txt");
}

// The dictionary choice of the tests: records what it was asked and answers `answer`.
TDicChoiceParams g_asked;
Variant g_answer;
TDataSet* const kQuery = reinterpret_cast<TDataSet*>(0x1234);

void ScriptedChoice(const TDicChoiceParams& params, Variant& result) {
  g_asked = params;
  if (params.SetParams) params.SetParams(kQuery);
  result = g_answer;
}

class BuiltinDictionary : public ::testing::Test {
 protected:
  void SetUp() override { Report_DicButton = ScriptedChoice; }
  void TearDown() override { ResetHook(THook::Report_DicButton); }
};

TEST_F(BuiltinDictionary, PassesTheChoiceAndStoresTheValueByType) {
  TReportObjectFunctions supply;
  TCustomReport* filledBy = nullptr;
  TDataSet* filledQuery = nullptr;
  supply.SetSQLParams = [&](TCustomReport& report, TDataSet* query) {
    filledBy = &report;
    filledQuery = query;
  };
  ScriptReport s(supply);
  s.report.DataBaseName = "sqlite:dict.db";

  g_answer = Variant(12.5);
  s.Run("a := GetFromDictionary('CODE', 'select * from t');");
  EXPECT_EQ(s.Num("A"), 12.5);
  EXPECT_EQ(g_asked.DatabaseName, "sqlite:dict.db");
  EXPECT_TRUE(g_asked.SearchInUse);
  EXPECT_EQ(g_asked.SQL, "select * from t");
  EXPECT_EQ(g_asked.FieldMap, "");
  EXPECT_EQ(g_asked.ResultField, "CODE");
  EXPECT_EQ(g_asked.TitleRows, 2);
  EXPECT_EQ(filledBy, &s.report);
  EXPECT_EQ(filledQuery, kQuery);

  g_answer = Variant("x");
  s.Run("b := GetFromDictionary('NAME', 'q', 'NAME=Name', 1.9, FALSE);");
  EXPECT_EQ(s.Str("B"), "x");
  EXPECT_EQ(g_asked.FieldMap, "NAME=Name");
  EXPECT_EQ(g_asked.TitleRows, 1);
  EXPECT_FALSE(g_asked.SearchInUse);

  g_answer = Variant::FromDate(45356);
  s.Run("c := GetFromDictionary('D', 'q');");
  EXPECT_EQ(s.Var("C").GetDate(), 45356);
  g_answer = Variant(true);
  s.Run("d := GetFromDictionary('F', 'q');");
  EXPECT_TRUE(s.Var("D").GetBoolean());
  g_answer = Variant(std::int64_t{7});
  s.Run("e := GetFromDictionary('N', 'q');");
  EXPECT_EQ(s.Num("E"), 7);
  g_answer = Variant(TBytes{1, 2});
  s.Run("f := GetFromDictionary('B', 'q');");
  EXPECT_EQ(s.Type("F"), vtUnDefined);
}

TEST_F(BuiltinDictionary, NoChoiceEndsTheRun) {
  ScriptReport s;  // no SetSQLParams: the choice gets no callback
  g_answer = Variant();
  EXPECT_EQ(s.Error<ECustomReportError>("a := GetFromDictionary('CODE', 'q');"), "Execution is aborted");
  EXPECT_FALSE(static_cast<bool>(g_asked.SetParams));
}

}  // namespace
}  // namespace bexlo
