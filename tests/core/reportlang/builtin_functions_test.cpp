#include "reportlang/builtin_functions.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "automation/ole_registry.h"
#include "core/reportlang/builtin_test_support.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format_settings.h"
#include "util/hooks.h"
#include "util/settings.h"
#include "util/strings.h"

namespace bexlo {
namespace {

using testing::ScriptReport;

// ---- registration ----------------------------------------------------------------------------

TEST(BuiltinRegistration, GenericFunctionsInTableOrderReportFunctionsOnlyWithHandlers) {
  ScriptReport s;
  TFuncList& list = s.report.FuncList();
  int generic = 0;
  for (const auto& row : BuiltinFunctionTable())
    if (!row.ReportFunction && std::string_view(row.Name) != "GetFromDictionary") ++generic;
  ASSERT_EQ(list.Count(), generic);
  EXPECT_EQ(list.Get(0)->Name(), "LENGTH");
  EXPECT_EQ(list.Get(list.Count() - 1)->Name(), "CREATEOLEOBJECT");
  EXPECT_EQ(s.report.GetFuncByName("copy")->ParamCount(), 3);
  EXPECT_EQ(s.report.GetFuncByName("GetQuery"), nullptr);
  EXPECT_EQ(s.report.GetFuncByName("GetFromDictionary"), nullptr);
  const TFunc* exchange = s.report.GetFuncByName("Exchange");
  EXPECT_TRUE(exchange->IsVarParam(0) && exchange->IsVarParam(1) && !exchange->IsVarParam(2));

  // Registration order is the table's order: each function follows the one before it.
  int previous = -1;
  for (const auto& row : BuiltinFunctionTable()) {
    const TFunc* func = s.report.GetFuncByName(row.Name);
    if (!func) continue;
    int index = 0;
    while (list.Get(index) != func) ++index;
    EXPECT_GT(index, previous) << row.Name;
    previous = index;
  }
}

TEST(BuiltinRegistration, ReportEngineSuppliesItsHandlers) {
  TReportObjectFunctions supply;
  int calls = 0;
  supply.Handlers["getgroup"] = [&](TCustomReport&, TParamList& params, TReportVar& result) {
    ++calls;
    params.Get(0)->SetNumber(42);  // by reference: the caller's variable
    result.SetString("done");
  };
  supply.Handlers["In"] = [](TCustomReport&, TParamList&, TReportVar& result) { result.SetBoolean(true); };
  ScriptReport s(supply);
  const TFunc* getGroup = s.report.GetFuncByName("GETGROUP");
  ASSERT_NE(getGroup, nullptr);
  EXPECT_EQ(getGroup->ParamCount(), 3);
  EXPECT_TRUE(getGroup->IsVarParam(0));
  EXPECT_FALSE(getGroup->IsVarParam(1));
  EXPECT_TRUE(getGroup->IsVarParam(2));
  // Positions: GetGroup comes after RenameFile and before Exchange, In after FileExists.
  TFuncList& list = s.report.FuncList();
  auto indexOf = [&](std::string_view name) {
    for (int i = 0; i < list.Count(); ++i)
      if (list.Get(i)->Name() == name) return i;
    return -1;
  };
  EXPECT_EQ(indexOf("GETGROUP"), indexOf("RENAMEFILE") + 1);
  EXPECT_EQ(indexOf("IN"), indexOf("FILEEXISTS") + 1);

  s.Run("r := GetGroup(g, 'x', h);");
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(s.Num("G"), 42);
  EXPECT_EQ(s.Str("R"), "done");

  TReportObjectFunctions wrong;
  wrong.Handlers["Lenght"] = [](TCustomReport&, TParamList&, TReportVar&) {};
  TCustomReport report;
  EXPECT_THROW(RegisterBuiltinFunctions(report, wrong), Exception);
  wrong.Handlers.clear();
  wrong.Handlers["Length"] = [](TCustomReport&, TParamList&, TReportVar&) {};  // generic: not the engine's
  EXPECT_THROW(RegisterBuiltinFunctions(report, wrong), Exception);
}

void PickNothing(const TDicChoiceParams&, Variant& result) { result = Variant(); }

TEST(BuiltinRegistration, GetFromDictionaryOnlyWhileTheHookIsInstalled) {
  Report_DicButton = PickNothing;
  {
    ScriptReport s;
    const TFunc* func = s.report.GetFuncByName("GetFromDictionary");
    ASSERT_NE(func, nullptr);
    EXPECT_EQ(func->ParamCount(), 2);
    EXPECT_EQ(s.report.FuncList().Get(s.report.FuncList().Count() - 6), func);  // before String
  }
  ResetHook(THook::Report_DicButton);
  ScriptReport s;
  EXPECT_EQ(s.report.GetFuncByName("GetFromDictionary"), nullptr);
}

TEST(BuiltinRegistration, MinimumArgumentCountIsCheckedWhenTheCallRuns) {
  ScriptReport s;
  EXPECT_EQ(s.Error("x := Copy('abc', 1);"), "COPY: Incorrect quantity of parameters of call");
  s.Run("x := Copy('abcdef', 2, 3, 99);");
  EXPECT_EQ(s.Str("X"), "bcd");
  EXPECT_EQ(s.Error("x := Format('abc');"), "FORMAT: Incorrect quantity of parameters of call");
}

// ---- conversions -------------------------------------------------------------------------------

TEST(BuiltinConversions, StringFollowsTheArgumentType) {
  ScriptReport s;
  s.Run("a := String(1.5); b := String('x'); c := String(TRUE); d := String(FloatToDate(45356));");
  EXPECT_EQ(s.Str("A"), "1.5");
  EXPECT_EQ(s.Str("B"), "x");
  EXPECT_EQ(s.Str("C"), "TRUE");
  EXPECT_EQ(s.Str("D"), "05/03/2024");
  s.report.AddVar("U");
  s.Run("e := String(u);");
  EXPECT_EQ(s.Type("E"), vtUnDefined);
  s.report.AddVar("M")->SetList(TStringList());
  EXPECT_EQ(s.Error("e := String(m);"), "@A: Type mismatch (MEMO и STRING)");

  ScopedFormatSettings locale;
  FormatSettings().DecimalSeparator = ",";
  s.Run("a := String(2.5);");  // the literal is read whatever the separator
  EXPECT_EQ(s.Str("A"), "2,5");
}

TEST(BuiltinConversions, NumberDateBoolean) {
  ScriptReport s;
  s.Run("a := Number('12.5'); b := Number(TRUE); c := Number(FALSE); d := Number(FloatToDate(3));"
        "e := Date(2); f := Date('05/03/2024'); g := Boolean('true'); h := Boolean('yes');"
        "i := Val('-3'); j := DateToFloat(StrToDate('31/12/1899'));");
  EXPECT_EQ(s.Num("A"), 12.5);
  EXPECT_EQ(s.Num("B"), 1);
  EXPECT_EQ(s.Num("C"), 0);
  EXPECT_EQ(s.Num("D"), 3);
  EXPECT_EQ(s.Type("E"), vtDate);
  EXPECT_EQ(s.Var("E").GetDate(), 2);
  EXPECT_EQ(s.Var("F").GetDate(), 45356);
  EXPECT_TRUE(s.Var("G").GetBoolean());
  EXPECT_FALSE(s.Var("H").GetBoolean());
  EXPECT_EQ(s.Num("I"), -3);
  EXPECT_EQ(s.Num("J"), 1);

  EXPECT_EQ(s.Error("x := Date(TRUE);"), "@A: Type mismatch (BOOLEAN и DATE)");
  EXPECT_EQ(s.Error("x := Boolean(1);"), "@A: Type mismatch (NUMBER и STRING)");
  EXPECT_EQ(s.Error<EConvertError>("x := Number('2,5');"), "'2,5' is not a valid floating point value");
  ScopedFormatSettings locale;
  FormatSettings().DecimalSeparator = ",";
  s.Run("x := Number('2,5');");
  EXPECT_EQ(s.Num("X"), 2.5);
}

TEST(BuiltinConversions, DateToStrWithFormats) {
  ScriptReport s;
  s.Run("d := FloatToDate(45356); a := DateToStr(d); b := DateToStr(d, 'dd mmmmm yyyy');"
        "c := DateToStr(d, 'yyyy-mm-dd');");
  EXPECT_EQ(s.Str("A"), "05/03/2024");
  EXPECT_EQ(s.Str("B"), "05 March 2024");
  EXPECT_EQ(s.Str("C"), "2024-03-05");
}

// ---- strings -----------------------------------------------------------------------------------

TEST(BuiltinStrings, CountInCharacters) {
  ScriptReport s;
  s.Run("a := Length('привет'); b := Pos('b', 'abc'); c := Pos('ве', 'привет');"
        "d := Copy('abcdef', 0, 2); e := Copy('abc', 5, 1); f := Copy('привет', 3, 2);"
        "g := UpCase('ёлка Straße'); h := LowCase('ПРИВЕТ'); i := Pos('x', 'abc');");
  EXPECT_EQ(s.Num("A"), 6);
  EXPECT_EQ(s.Num("B"), 2);
  EXPECT_EQ(s.Num("C"), 4);
  EXPECT_EQ(s.Str("D"), "ab");
  EXPECT_EQ(s.Str("E"), "");
  EXPECT_EQ(s.Str("F"), "ив");
  EXPECT_EQ(s.Str("G"), "ЁЛКА STRAßE");
  EXPECT_EQ(s.Str("H"), "привет");
  EXPECT_EQ(s.Num("I"), 0);
}

TEST(BuiltinStrings, EditingReturnsANewString) {
  ScriptReport s;
  s.Run("s := 'abcdef'; a := Delete(s, 2, 3); b := Insert('XY', s, 2); c := Insert('!', s, 99);"
        "d := Trim(#9'  x y '#13#10); e := DeleteSpace('  a   b  '); f := Delete('жук', 2, 99);"
        "g := Copy('abc', 2, 100000000000000000000000); h := Delete('abcdef', 0, 2); i := Delete('abc', 4, 1);");
  EXPECT_EQ(s.Str("S"), "abcdef");
  EXPECT_EQ(s.Str("A"), "aef");
  EXPECT_EQ(s.Str("B"), "aXYbcdef");
  EXPECT_EQ(s.Str("C"), "abcdef!");
  EXPECT_EQ(s.Str("D"), "x y");
  EXPECT_EQ(s.Str("E"), "a b");
  EXPECT_EQ(s.Str("F"), "ж");
  EXPECT_EQ(s.Str("G"), "bc");
  EXPECT_EQ(s.Str("H"), "cdef");
  EXPECT_EQ(s.Str("I"), "abc");
}

TEST(BuiltinStrings, Padding) {
  ScriptReport s;
  s.Run("a := LPad('7', 3, '0'); b := LPad('7', 3); c := RPad('ab', 4, '*-'); d := LPad('long', 2, '0');"
        "e := RPad('x', 3, ''); f := LPad('я', 3, 'ж');");
  EXPECT_EQ(s.Str("A"), "007");
  EXPECT_EQ(s.Str("B"), "  7");
  EXPECT_EQ(s.Str("C"), "ab**");
  EXPECT_EQ(s.Str("D"), "long");
  EXPECT_EQ(s.Str("E"), "x  ");
  EXPECT_EQ(s.Str("F"), "жжя");
  // An absurd width is a clear script error, not an exhausted memory.
  try {
    s.Run("x := LPad('7', 1000000000000);");
    FAIL() << "an absurd width was accepted";
  } catch (const Exception& e) {
    EXPECT_EQ(std::string(e.what()), "LPad: width 2147483647 is more than 16777216 characters");
  }
  EXPECT_THROW(s.Run("x := RPad('7', 20000000);"), Exception);
}

TEST(BuiltinStrings, NameValueLookup) {
  ScriptReport s;
  TStringList memo;
  memo.SetText("Total=12.5\nDay=05/03/2024\n");
  s.report.AddVar("M")->SetList(memo);
  s.report.AddVar("U");
  s.Run("src := 'a=1'#13#10'Bee=two'; a := GetValueStr(src, 'BEE'); b := GetValueStr(src, 'none');"
        "c := GetValueExt(m, 'total'); d := GetValueExt(src, 'x'); e := GetValueDate(m, 'Day');"
        "f := GetValueDate(src, 'x'); g := GetValueStr(12, 'a'); h := GetValueStr(u, 'a');");
  EXPECT_EQ(s.Str("A"), "two");
  EXPECT_EQ(s.Str("B"), "");
  EXPECT_EQ(s.Num("C"), 12.5);
  EXPECT_EQ(s.Num("D"), 0);
  EXPECT_EQ(s.Var("E").GetDate(), 45356);
  EXPECT_EQ(s.Type("F"), vtDate);
  EXPECT_EQ(s.Var("F").GetDate(), 0);
  EXPECT_EQ(s.Str("G"), "");
  EXPECT_EQ(s.Str("H"), "");
  EXPECT_EQ(s.Error<EConvertError>("x := GetValueExt('a=b', 'a');"), "'b' is not a valid floating point value");
}

TEST(BuiltinStrings, FormatSkipsArgumentsOfOtherTypes) {
  ScriptReport s;
  s.Run("a := Format('%s-%s', 'a', TRUE, 'b'); b := Format('abc', TRUE);"
        "c := Format('%.2f|%s|%g', 3.14159, FloatToDate(45356), 2.5);");
  EXPECT_EQ(s.Str("A"), "a-b");
  EXPECT_EQ(s.Type("B"), vtUnDefined);
  EXPECT_EQ(s.Str("C"), "3.14|05/03/2024|2.5");
  EXPECT_THROW(s.Run("x := Format('%s %s', 'a');"), EConvertError);
}

// ---- numbers -----------------------------------------------------------------------------------

TEST(BuiltinNumbers, TruncationAndRounding) {
  ScriptReport s;
  s.Run("a := Trunc(-2.7); b := Round(2.5); c := Round(-0.5); d := Rd2(2.675); e := Rd2(-2.675);"
        "f := Trunc(3.99);");
  EXPECT_EQ(s.Num("A"), -2);
  EXPECT_EQ(s.Num("B"), 3);
  EXPECT_EQ(s.Num("C"), -1);
  EXPECT_EQ(s.Num("D"), 2.68);
  EXPECT_EQ(s.Num("E"), -2.68);
  EXPECT_EQ(s.Num("F"), 3);
}

TEST(BuiltinNumbers, Ext2StrPictures) {
  ScriptReport s;
  s.Run("a := Ext2Str(0, '#12', 2); b := Ext2Str(12, '=10', 2); c := Ext2Str(12.5, '=10', 2);"
        "d := Ext2Str(1234.5, 10, 2); e := Ext2Str(3, '$10', 2); f := Ext2Str(7, '#$=10', 2);"
        "g := Ext2Str(0, '10', 2); h := Ext2Str(12, '=10', 0); i := String(1.5);");
  EXPECT_EQ(s.Str("A"), "0");
  EXPECT_EQ(s.Str("B"), "12=");
  EXPECT_EQ(s.Str("C"), "12-50");
  EXPECT_EQ(s.Str("D"), "1234.5");
  EXPECT_EQ(s.Str("E"), "$3.00");
  EXPECT_EQ(s.Str("F"), "7=");
  EXPECT_EQ(s.Str("G"), "0");
  EXPECT_EQ(s.Str("H"), "12");
  EXPECT_EQ(s.Str("I"), "1.5");  // the "-" separator was only for that conversion
  EXPECT_EQ(s.Error<EConvertError>("x := Ext2Str(1, 'ab', 2);"), "'ab' is not a valid integer value");
}

TEST(BuiltinNumbers, Ext2MoneyFlags) {
  ScriptReport s;
  s.Run("a := Ext2Money(1234.56); b := Ext2Money(1234); c := Ext2Money(21, 1); d := Ext2Money(5.5, 4);"
        "e := Ext2Money(5, 2); f := Ext2Money(20000000000000000); g := Ext2Money(21.5, 1);");
  EXPECT_EQ(s.Str("A"), "One thousand two hundred thirty four dollars 56 cents");
  EXPECT_EQ(s.Str("B"), "One thousand two hundred thirty four dollars");
  EXPECT_EQ(s.Str("C"), "Twenty one");
  EXPECT_EQ(s.Str("D"), "Five dollars fifty cents");
  EXPECT_EQ(s.Str("E"), "Five dollars 00 cents");
  EXPECT_EQ(s.Type("F"), vtUnDefined);
  EXPECT_EQ(s.Str("G"), "Twenty one");  // bit 1 alone: no cents even though there are some
}

// ---- variables, files, objects --------------------------------------------------------------------

TEST(BuiltinMisc, ExchangeSwapsThroughTheSetters) {
  ScriptReport s;
  s.Run("a := 1; b := 2; Exchange(a, b); s := 'x'; t := 'y'; Exchange(s, t); Exchange(n, a);");
  EXPECT_EQ(s.Num("A"), 0);  // n was new (UNDEFINED): a received its zero, n took a's value
  EXPECT_EQ(s.Num("B"), 1);
  EXPECT_EQ(s.Num("N"), 2);
  EXPECT_EQ(s.Str("S"), "y");
  EXPECT_EQ(s.Str("T"), "x");
  int changes = 0;
  s.Var("B").OnChange = [&](TCustomReportVar*) { ++changes; };
  EXPECT_EQ(s.Error("Exchange(b, s);"), "S: Type mismatch (STRING и NUMBER)");
  EXPECT_EQ(s.Num("B"), 1);  // nothing was changed
  EXPECT_EQ(s.Str("S"), "y");
  s.Run("Exchange(b, a);");
  EXPECT_EQ(changes, 1);
}

class BuiltinFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() /
           ("bexlo_builtin_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir_);
    saved_dir_ = ApplicationDir;
    ApplicationDir = dir_.string() + "/";
  }
  void TearDown() override {
    ApplicationDir = saved_dir_;
    std::filesystem::remove_all(dir_);
  }
  void Write(const std::string& name, const std::string& text) { std::ofstream(dir_ / name) << text; }
  std::string Read(const std::string& name) {
    std::ifstream in(dir_ / name);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  std::filesystem::path dir_;
  std::string saved_dir_;
};

TEST_F(BuiltinFiles, FileExists) {
  Write("a.txt", "x");
  ScriptReport s;
  s.report.AddVar("P")->SetString((dir_ / "a.txt").string());
  s.report.AddVar("D")->SetString(dir_.string());
  s.Run("a := FileExists(p); b := FileExists(p + '.no'); c := FileExists(d);");
  EXPECT_TRUE(s.Var("A").GetBoolean());
  EXPECT_FALSE(s.Var("B").GetBoolean());
  EXPECT_FALSE(s.Var("C").GetBoolean());
}

TEST_F(BuiltinFiles, RenameFileReplacesTheTargetButNeverLosesIt) {
  Write("old.txt", "old");
  Write("new.txt", "new");
  ScriptReport s;
  s.Run("RenameFile('old.txt', 'new.txt');");  // bare names: the program's directory
  EXPECT_FALSE(std::filesystem::exists(dir_ / "old.txt"));
  EXPECT_EQ(Read("new.txt"), "old");

  s.Run("RenameFile('missing.txt', 'new.txt'); RenameFile('new.txt', 'new.txt');");
  EXPECT_EQ(Read("new.txt"), "old");

  s.report.AddVar("P")->SetString((dir_ / "new.txt").string());
  s.Run("RenameFile(p, 'moved.txt');");
  EXPECT_EQ(Read("moved.txt"), "old");
}

class CountingServer : public TAutoObject {
 public:
  CountingServer() {
    AddMember("Next", [this](unsigned, std::span<OleVariant>, OleVariant* result) {
      if (result) *result = OleVariant::FromDouble(++count_);
    });
  }

 private:
  int count_ = 0;
};

TEST(BuiltinMisc, CreateOLEObjectReusesTheCachedServer) {
  TGUID id;
  id.bytes[0] = 0xB1;
  id.bytes[15] = 0x42;
  int started = 0;
  RegisterOleServer("Bexlo.BuiltinTest", id, [&] {
    ++started;
    return MakeDispatch<CountingServer>();
  });
  ScriptReport s;
  s.Run("o := CreateOLEObject('Bexlo.BuiltinTest'); a := o.Next; p := CreateOLEObject('bexlo.builtintest');"
        "b := p.Next;");
  EXPECT_EQ(s.Type("O"), vtDispatch);
  EXPECT_EQ(s.Num("B"), 2);  // the same instance answered both
  EXPECT_EQ(started, 1);
  EXPECT_THROW(s.Run("o := CreateOLEObject('No.Such.Server');"), EOleError);
  UnregisterOleServer("Bexlo.BuiltinTest");
}

}  // namespace
}  // namespace bexlo
