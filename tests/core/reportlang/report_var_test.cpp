#include <gtest/gtest.h>

#include <functional>

#include "reportlang/report_var.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace bexlo {
namespace {

std::string ErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const Exception& e) {
    return e.Message();
  }
  return "<no error>";
}

TEST(ReportVarTest, NameIsUpperCasedAndMustNotBeEmpty) {
  EXPECT_EQ(TReportVar("Цена_1", nullptr).Name(), "ЦЕНА_1");
  EXPECT_EQ(ErrorOf([] { TReportVar("", nullptr); }), "Empty name is illegal");
}

TEST(ReportVarTest, FirstTypedValueFixesTheType) {
  TReportVar x("price", nullptr);
  x.SetNumber(1);
  EXPECT_EQ(ErrorOf([&] { x.SetString("a"); }), "PRICE: Type mismatch (NUMBER и STRING)");
  EXPECT_EQ(ErrorOf([&] { (void)x.GetDate(); }), "PRICE: Type mismatch (NUMBER и DATE)");
  EXPECT_EQ(x.GetNumber(), 1);  // the failed store changed nothing
  x.Clear();
  EXPECT_EQ(x.VarType(), vtUnDefined);
  x.SetString("a");
  EXPECT_EQ(x.GetString(), "a");
}

TEST(ReportVarTest, AssignCopiesTypeAndPayloadAndRecordsOldValues) {
  TReportVar src("src", nullptr);
  TReportVar dst("dst", nullptr);
  src.SetNumber(5);
  dst.SetNumber(2);
  dst.Assign(src);
  EXPECT_EQ(dst.GetNumber(), 5);
  EXPECT_EQ(dst.OldNumber(), 2);
  EXPECT_TRUE(dst.Changed());

  TReportVar text("text", nullptr);
  text.SetString("t");
  EXPECT_EQ(ErrorOf([&] { text.Assign(src); }), "TEXT: Type mismatch (STRING и NUMBER)");

  // A typed cell assigned from an UNDEFINED one becomes UNDEFINED.
  TReportVar empty("empty", nullptr);
  dst.Assign(empty);
  EXPECT_EQ(dst.VarType(), vtUnDefined);
}

TEST(ReportVarTest, ChangeCallbackFollowsStoresButNotAssignOrClear) {
  TReportVar x("x", nullptr);
  int calls = 0;
  x.OnChange = [&](TCustomReportVar* var) {
    EXPECT_EQ(var, &x);
    ++calls;
  };
  x.SetNumber(1);
  x.SetNumber(2);
  EXPECT_EQ(calls, 2);
  TReportVar other("other", nullptr);
  other.SetNumber(3);
  x.Assign(other);
  x.Clear();
  EXPECT_EQ(calls, 2);
  x.DoAdd(other);  // arithmetic stores through SetNumber
  EXPECT_EQ(calls, 3);
}

TEST(ReportVarTest, ChangedComparesWithThePreviousValue) {
  TReportVar n("n", nullptr);
  n.SetNumber(1);
  n.SetNumber(2);
  EXPECT_TRUE(n.Changed());
  EXPECT_EQ(n.GetOldDate(), 1);
  n.SetNumber(2);
  EXPECT_FALSE(n.Changed());

  TReportVar s("s", nullptr);
  s.SetString("a");
  EXPECT_TRUE(s.Changed());
  s.SetString("a");
  EXPECT_FALSE(s.Changed());
  s.SetString(s.GetString() + "b");
  EXPECT_EQ(s.OldText(), "a");
  EXPECT_EQ(s.GetString(), "ab");

  TReportVar b("b", nullptr);
  b.SetBoolean(true);
  b.SetBoolean(false);
  EXPECT_FALSE(b.Changed());  // booleans keep no old value
}

TEST(ReportVarTest, ArithmeticFollowsTheTypeRules) {
  TReportVar s("s", nullptr), t("t", nullptr), n("n", nullptr);
  s.SetString("ab");
  t.SetString("cd");
  s.DoAdd(t);
  EXPECT_EQ(s.GetString(), "abcd");
  s.DoAdd(s);
  EXPECT_EQ(s.GetString(), "abcdabcd");
  n.SetNumber(1);
  EXPECT_EQ(ErrorOf([&] { s.DoAdd(n); }), "S: Type mismatch (STRING и NUMBER)");
  EXPECT_EQ(ErrorOf([&] { s.DoSub(t); }), "S: Operation is inapplicable for given type (STRING)");

  TReportVar d1("d1", nullptr), d2("d2", nullptr), one("one", nullptr);
  d1.SetDate(45010.25);
  d2.SetDate(45000);
  one.SetNumber(1);
  TReportVar diff("diff", nullptr);
  diff.Assign(d1);
  diff.DoSub(d2);  // date - date is a number of days
  EXPECT_EQ(diff.VarType(), vtFloat);
  EXPECT_DOUBLE_EQ(diff.GetNumber(), 10.25);
  d2.DoAdd(one);  // date + number is the next day
  EXPECT_EQ(d2.VarType(), vtDate);
  EXPECT_EQ(d2.GetDate(), 45001);
  EXPECT_EQ(ErrorOf([&] { one.DoAdd(d1); }), "ONE: Type mismatch (NUMBER и DATE)");
  EXPECT_EQ(ErrorOf([&] { d1.DoSub(t); }), "T: Type mismatch (STRING и DATE)");
  EXPECT_EQ(d1.VarType(), vtDate);  // the failed subtraction left the date alone
  EXPECT_EQ(ErrorOf([&] { d1.DoMul(one); }), "D1: Operation is inapplicable for given type (DATE)");

  // An UNDEFINED receiver takes the argument's type first.
  TReportVar u("u", nullptr);
  u.DoAdd(one);
  EXPECT_EQ(u.VarType(), vtFloat);
  EXPECT_EQ(u.GetNumber(), 1);
  TReportVar u1("u1", nullptr), u2("u2", nullptr);
  EXPECT_EQ(ErrorOf([&] { u1.DoAdd(u2); }), "U1: Operation is inapplicable for given type (UNDEFINED)");
}

TEST(ReportVarTest, DivisionByZeroFailsExceptZeroByZero) {
  TReportVar x("x", nullptr), zero("zero", nullptr);
  zero.SetNumber(0);
  x.SetNumber(7);
  EXPECT_EQ(ErrorOf([&] { x.DoDiv(zero); }), "X: Division on 0 (NUMBER)");
  EXPECT_EQ(x.GetNumber(), 7);
  x.SetNumber(0);
  x.DoDiv(zero);
  EXPECT_EQ(x.GetNumber(), 0);
  TReportVar two("two", nullptr);
  two.SetNumber(2);
  x.SetNumber(7);
  x.DoDiv(two);
  EXPECT_EQ(x.GetNumber(), 3.5);
}

TEST(ReportVarTest, CompareUsesTheCommonTypeAndLeavesUndefinedCellsUndefined) {
  TReportVar a("a", nullptr), b("b", nullptr), u("u", nullptr), w("w", nullptr);
  a.SetString("B");
  b.SetString("a");
  EXPECT_TRUE(a.Compare(b, coLess));  // byte-wise: "B" < "a"
  b.SetString("Ba");
  EXPECT_TRUE(a.Compare(b, coLess));  // a prefix sorts first
  EXPECT_TRUE(b.Compare(a, coGreaterEqual));
  EXPECT_TRUE(a.Compare(a, coEqual));
  EXPECT_FALSE(a.Compare(a, coNotEqual));

  TReportVar n("n", nullptr);
  n.SetNumber(5);
  EXPECT_TRUE(n.Compare(u, coGreater));  // against the UNDEFINED cell's zero
  EXPECT_TRUE(u.Compare(n, coLessEqual));
  EXPECT_EQ(u.VarType(), vtUnDefined);
  EXPECT_EQ(ErrorOf([&] { (void)n.Compare(a, coEqual); }), "N: Type mismatch (NUMBER и STRING)");
  EXPECT_EQ(ErrorOf([&] { (void)u.Compare(w, coEqual); }),
            "U: Operation is inapplicable for given type (UNDEFINED)");

  TReportVar f("f", nullptr), t("t", nullptr);
  f.SetBoolean(false);
  t.SetBoolean(true);
  EXPECT_TRUE(f.Compare(t, coLess));
  TReportVar m("m", nullptr);
  TStringList lines;
  m.SetList(lines);
  EXPECT_EQ(ErrorOf([&] { (void)m.Compare(m, coEqual); }), "M: Operation is inapplicable for given type (MEMO)");
}

TEST(ReportVarTest, MemoKeepsItsOwnCopyOfTheLines) {
  TStringList lines;
  lines.Add("one");
  TReportVar m("m", nullptr);
  m.SetList(lines);
  lines.Add("two");
  EXPECT_EQ(m.GetList()->Count(), 1);
  m.SetList(lines);
  EXPECT_EQ(m.GetList()->Count(), 2);
  EXPECT_EQ(m.GetOldList()->Count(), 1);

  TReportVar copy("copy", nullptr);
  copy.Assign(m);
  m.GetList()->Clear();
  EXPECT_EQ(copy.GetList()->Count(), 2);
  EXPECT_EQ(copy.VarType(), vtMemo);
  EXPECT_EQ(ErrorOf([&] { copy.SetNumber(1); }), "COPY: Type mismatch (MEMO и NUMBER)");
}

TEST(ReportVarTest, HintIsShownAsOneWord) {
  TReportVar x("x", nullptr);
  x.SetHint("Current line|number");
  EXPECT_EQ(x.GetHint(), "Current_line_number");
  EXPECT_EQ(x.Hint(), "Current line|number");
}

}  // namespace
}  // namespace bexlo
