// Printed template lines: the field reference syntax, the choice of value in footers, number,
// date and string formats, wrapping and padding.
#include <gtest/gtest.h>

#include "report/qo_report.h"
#include "report/report_line.h"
#include "reportlang/report_var.h"
#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"

#include <cmath>
#include "util/format_settings.h"

namespace bexlo {
namespace {

class ReportFieldTest : public ::testing::Test {
 protected:
  ReportFieldTest() {
    invalid_ = report_.AddVar("Invalid");
    report_.AddVar("X")->SetNumber(0);
    report_.AddVar("S")->SetString("");
  }
  // The single field of `text`, printed outside footers.
  std::string Print(const std::string& text, TFieldContext context = {}) {
    TReportLine line(text, report_, invalid_);
    EXPECT_EQ(line.FieldCount(), 1);
    context.Invalid = invalid_;
    TReportField* field = line.Field(0);
    field->LineCount(context);
    return field->Format(context);
  }
  TReportField FieldOf(const std::string& text) {
    TReportLine line(text, report_, invalid_);
    TReportField* f = line.Field(0);
    TReportField copy(f->Var);
    copy.Width = f->Width;
    copy.Decimals = f->Decimals;
    copy.Flags = f->Flags;
    return copy;
  }
  TReportVar& Var(const char* name) { return *report_.GetVarByName(name); }

  TQoReport report_;
  TReportVar* invalid_;
  ScopedFormatSettings settings_{DefaultFormatSettings()};
};

TEST_F(ReportFieldTest, FormatMarksAreTakenInTheirOrderOnly) {
  TReportField f = FieldOf("@X:-+5.2");
  EXPECT_EQ(f.Flags, rfRight | rfCenter);
  EXPECT_EQ(f.Width, 5);
  EXPECT_EQ(f.Decimals, 2);

  // "-" after "+" is not a mark: width 0, and "-5.2" stays in the line as text.
  TReportLine line("@X:+-5.2 end", report_, invalid_);
  EXPECT_EQ(line.Field(0)->Flags, rfCenter);
  EXPECT_EQ(line.Field(0)->Width, 0);
  EXPECT_EQ(line.Pieces.back(), "-5.2 end");

  f = FieldOf("@X:8.305");
  EXPECT_EQ(f.Width, 8);
  EXPECT_EQ(f.Decimals, 5);
  EXPECT_EQ(f.Flags, rfCurrent);
  f = FieldOf("@X:10.102");
  EXPECT_EQ(f.Decimals, 2);
  EXPECT_EQ(f.Flags, rfPrevious);
  f = FieldOf("@X:3.200");
  EXPECT_EQ(f.Flags, rfCount);
  EXPECT_EQ(FieldOf("@X:g$12.2").Flags, rfCurrency | rfRight | rfGeneral);
  EXPECT_EQ(FieldOf("@X:$g12.2").Flags, rfCurrency | rfRight);  // "g" after "$" is not a mark
  EXPECT_EQ(FieldOf("@X:#=010").Flags, rfBareZero | rfDash | rfZero);
  EXPECT_EQ(FieldOf("@X:#=010").Width, 10);
  // Malformed numbers count as 0; a width too large to be sane is bounded.
  EXPECT_EQ(FieldOf("@X:5.2.3").Decimals, 0);
  EXPECT_EQ(FieldOf("@X:5.2.3").Width, 5);
  EXPECT_EQ(FieldOf("@X:99999999999").Width, 0);
  EXPECT_EQ(FieldOf("@X:999999").Width, 65535);
}

TEST_F(ReportFieldTest, NamesAndMarksOfALine) {
  TReportLine line("a @ b @@X c@NOPE:3 @s\\n", report_, invalid_);
  // "@ " and the first of "@@" print nothing; names ignore case; unknown names go to Invalid.
  EXPECT_EQ(line.Text, "a  b @ c@ @");
  ASSERT_EQ(line.FieldCount(), 3);
  EXPECT_EQ(line.Field(0)->Var, &Var("X"));
  EXPECT_EQ(line.Field(1)->Var, invalid_);
  EXPECT_EQ(line.Field(2)->Var, &Var("S"));
  EXPECT_TRUE(line.JoinNext);
  EXPECT_EQ(line.Pieces.back(), "");

  TReportLine plain("no fields \\N", report_, invalid_);
  EXPECT_FALSE(plain.JoinNext);
  EXPECT_EQ(plain.Text, "no fields \\N");
  EXPECT_TRUE(TReportLine(" @  @X ", report_, invalid_).BlankWithoutFields);
}

TEST_F(ReportFieldTest, NumberFormats) {
  Var("X").SetNumber(3.5);
  EXPECT_EQ(Print("@X:-8.2"), "    3.50");
  EXPECT_EQ(Print("@X:8.2"), "3.50    ");
  EXPECT_EQ(Print("@X:+7.1"), "  3.5  ");
  EXPECT_EQ(Print("@X:-06.2"), "003.50");
  EXPECT_EQ(Print("@X"), "4");  // no decimals: rounded, no point
  Var("X").SetNumber(2.5);
  EXPECT_EQ(Print("@X"), "3");  // exact ties away from zero
  Var("X").SetNumber(3.5);
  Var("X").SetNumber(0);
  EXPECT_EQ(Print("@X:-#6.2"), "     0");
  Var("X").SetNumber(0.001);
  EXPECT_EQ(Print("@X:-#6.2"), "  0.00");
  Var("X").SetNumber(123.45);
  EXPECT_EQ(Print("@X:=8.2"), "123-45  ");
  Var("X").SetNumber(123);
  EXPECT_EQ(Print("@X:=8.2"), "123=    ");
  Var("X").SetNumber(-1234.5);
  EXPECT_EQ(Print("@X:$12.2"), " ($1,234.50)");
  Var("X").SetNumber(1234);
  EXPECT_EQ(Print("@X:G$12.2"), "      $1,234");
  Var("X").SetNumber(2.5);
  EXPECT_EQ(Print("@X:G8.3"), "2.5     ");
}

TEST_F(ReportFieldTest, FixedNumbersMatchTheClassicConversion) {
  // Ties (k/8, k/2), values just beside them, money amounts and large values, against the
  // general conversion routine.
  std::vector<double> values = {0.125, 0.375, 2.5, -2.5, 1.005, 0.285, -0.001, 1e14 + 0.5, 999999.995, 0};
  for (int k = -400; k <= 400; ++k) {
    values.push_back(k / 8.0);
    values.push_back(k * 0.01);
    values.push_back(k * 1234.5678);
    values.push_back(std::nextafter(k / 8.0, 1e9));
  }
  for (double v : values) {
    for (int decimals = 0; decimals <= 6; ++decimals) {
      std::string ours;
      AppendFieldNumber(ours, v, 0, decimals, 0);
      std::string classic = FloatToStrF(v, ffFixed, 18, decimals, DefaultFormatSettings());
      EXPECT_EQ(ours, classic) << v << " with " << decimals << " decimals";
    }
  }
}

TEST_F(ReportFieldTest, OtherTypesAndInvalidNames) {
  report_.AddVar("B")->SetBoolean(true);
  report_.AddVar("D")->SetDate(0);
  EXPECT_EQ(Print("@B:4"), "    ");
  EXPECT_EQ(Print("@D:4"), "    ");
  Var("D").SetDate(EncodeDate(2024, 3, 9));
  EXPECT_EQ(Print("@D"), "09/03/2024");
  Var("D").SetDate(EncodeDate(2024, 3, 9) + EncodeTime(13, 5, 0, 0));
  EXPECT_EQ(Print("@D"), "09/03/2024 13:05:00");
  Var("D").SetDate(EncodeTime(7, 30, 15, 0));
  EXPECT_EQ(Print("@D"), "07:30:15");
  {
    // Date texts follow the settings in force, also when the same date printed before.
    TFormatSettings dotted = DefaultFormatSettings();
    dotted.DateSeparator = ".";
    ScopedFormatSettings scoped(dotted);
    Var("D").SetDate(EncodeDate(2024, 3, 9));
    EXPECT_EQ(Print("@D"), "09.03.2024");
    FormatSettings().ShortDateFormat = "d mmm yyyy";
    EXPECT_EQ(Print("@D"), "9 Mar 2024");
    FormatSettings().ShortMonthNames[2] = "mar";
    EXPECT_EQ(Print("@D"), "9 mar 2024");
  }
  EXPECT_EQ(Print("@D"), "09/03/2024");
  Var("D").SetDate(EncodeTime(7, 30, 15, 0));
  EXPECT_EQ(Print("@UNKNOWN:4"), "!!!!");
  EXPECT_EQ(Print("@UNKNOWN"), "");
  Var("S").SetString("Жёлтый");
  EXPECT_EQ(Print("@S:-8"), "  Жёлтый");  // widths count characters, not bytes
}

TEST_F(ReportFieldTest, ANonFiniteDateIsAConversionError) {
  report_.AddVar("D")->SetDate(EncodeDate(2024, 3, 9));
  EXPECT_EQ(Print("@D"), "09/03/2024");
  for (const double bad : {HUGE_VAL, -HUGE_VAL, std::nan("")}) {
    Var("D").SetDate(bad);
    EXPECT_THROW(Print("@D"), EConvertError) << bad;
  }
  // The date printed before is still printed right afterwards.
  Var("D").SetDate(EncodeDate(2024, 3, 9));
  EXPECT_EQ(Print("@D"), "09/03/2024");
}

TEST_F(ReportFieldTest, WrappedStringSpansLines) {
  EXPECT_EQ(WrapFieldText("alpha beta gamma delta ep", 10),
            (std::vector<std::string>{"alpha ", "beta ", "gamma ", "delta ep"}));
  // A break character between two digits does not break; a word longer than the width is cut.
  EXPECT_EQ(WrapFieldText("1.5 and 1,000 x", 5), (std::vector<std::string>{"1.5 ", "and ", "1,000", " x"}));
  EXPECT_EQ(WrapFieldText("abcdefghij", 4), (std::vector<std::string>{"abcd", "efgh", "ij"}));
  EXPECT_EQ(WrapFieldText("a-b", 2), (std::vector<std::string>{"a-", "b"}));
  EXPECT_TRUE(WrapFieldText("", 5).empty());

  Var("S").SetString("alpha beta gamma delta ep");
  TReportLine line("@S:10.1", report_, invalid_);
  TFieldContext context;
  TReportField* f = line.Field(0);
  ASSERT_EQ(f->LineCount(context), 4);
  EXPECT_EQ(f->Format(context), "alpha     ");
  EXPECT_EQ(f->Format(context), "beta      ");
  EXPECT_EQ(f->Format(context), "gamma     ");
  EXPECT_EQ(f->Format(context), "delta ep  ");
  EXPECT_EQ(f->Format(context), "          ");  // past the end: padding only
}

TEST_F(ReportFieldTest, FooterValuesTotalsAndPreviousValues) {
  TReportLine line("@X:-6.2 @X:-6.102 @X:-6.302 @X:-3.200 @S", report_, invalid_);
  Var("X").SetNumber(10);
  Var("S").SetString("a");
  for (int i = 0; i < line.FieldCount(); ++i) line.Field(i)->Accumulate();
  Var("X").SetNumber(5);
  Var("S").SetString("b");
  for (int i = 0; i < line.FieldCount(); ++i) line.Field(i)->Accumulate();
  TFieldContext footer;
  footer.InFooter = true;
  auto print = [&](int i) {
    line.Field(i)->LineCount(footer);
    return line.Field(i)->Format(footer);
  };
  EXPECT_EQ(print(0), " 15.00");  // the total, which is then reset
  EXPECT_EQ(print(0), "  0.00");
  EXPECT_EQ(print(1), " 10.00");  // the value before the last record
  EXPECT_EQ(print(2), "  5.00");  // the current value
  EXPECT_EQ(print(3), "  2");     // the record count
  EXPECT_EQ(print(4), "a");       // strings print their previous text
  footer.Ending = true;
  EXPECT_EQ(print(1), "  5.00");
  EXPECT_EQ(print(4), "b");
}

TEST_F(ReportFieldTest, PaddingHelpers) {
  std::string out;
  AppendPadded(out, "ab", 5, rfCenter);
  EXPECT_EQ(out, " ab  ");
  out.clear();
  AppendPadded(out, "abcdef", 3, rfRight);
  EXPECT_EQ(out, "abcdef");  // never cut
}

}  // namespace
}  // namespace bexlo
