// A template written by the earlier system in Windows-1251: Cyrillic names of variables and
// texts are read as such, whether the template comes as a file or as lines given in code.
#include "run_test_support.h"

#include "util/strings.h"
#include "util/text.h"

namespace bexlo::testing {

using ReportLegacyTemplateTest = ReportRunTest;

namespace {

const char kTemplate[] =
    ".VARS\n"
    "Сумма = 0\n"
    ".DETAIL\n"
    "#Сумма = Сумма + ID\n"
    "Строка @ID:-2 итого @Сумма:-3 «@Имя»\n";

}  // namespace

TEST_F(ReportLegacyTemplateTest, AWindows1251TemplateRunsAsItsUtf8Twin) {
  Exec("create table T (ID integer, \"Имя\" varchar(10));"
       "insert into T values (1, 'Анна'); insert into T values (2, 'Борис')");
  const std::string expected = Crlf({"Строка  1 итого   1 «Анна»", "Строка  2 итого   3 «Борис»"});
  auto q = Query("select * from T order by ID");
  q->Open();
  EXPECT_EQ(Run(kTemplate, q.get()), expected);

  // The same template in the legacy code page, given as lines.
  const std::string legacy = ConvertFromUtf8(kTemplate, "CP1251");
  ASSERT_NE(legacy, kTemplate);
  q->Close();
  q->Open();
  auto report = MakeReport("");
  report->FormatSource().SetText(legacy);
  report->SetDataSet(q.get());
  EXPECT_EQ(Run(*report), expected);
  // The template is kept decoded.
  EXPECT_EQ(report->FormatSource().Get(1), "Сумма = 0");

  // ... and read from a file.
  WriteFile(Path("legacy.fmt"), legacy);
  q->Close();
  q->Open();
  report = MakeReport("");
  report->FormatSource().LoadFromFile(Path("legacy.fmt"));
  report->SetDataSet(q.get());
  EXPECT_EQ(Run(*report), expected);
}

}  // namespace bexlo::testing
