// Field maps, the description query's code parameter, the value a dictionary choice returns and
// when the description of a linked code is read again.
#include <gtest/gtest.h>

#include "core/db/db_test_support.h"
#include "db/fields.h"
#include "db/query.h"
#include "entry/dic_lookup.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format_settings.h"
#include "util/strings.h"

namespace bexlo {
namespace {

TEST(DicFieldMapLine, ReadsNameTitleWidthAndMarker) {
  auto price = ParseFieldMapLine("  PRICE =  Price , $12 ");
  ASSERT_TRUE(price);
  EXPECT_EQ(price->Name, "PRICE");
  EXPECT_EQ(price->Title, "Price");
  EXPECT_EQ(price->Width, 12);
  EXPECT_EQ(price->Marker, '$');

  auto name = ParseFieldMapLine("NAME=Name of the|customer");
  ASSERT_TRUE(name);
  EXPECT_EQ(name->Title, "Name of the|customer");
  EXPECT_EQ(name->Width, 0);
  EXPECT_EQ(name->Marker, 0);

  auto centred = ParseFieldMapLine("CODE = Code, +7");
  ASSERT_TRUE(centred);
  EXPECT_EQ(centred->Marker, '+');
  EXPECT_EQ(centred->Width, 7);
  // A width that is not a number is 0 (the field's own); the marker still counts.
  auto odd = ParseFieldMapLine("CODE = Code, -wide");
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->Marker, '-');
  EXPECT_EQ(odd->Width, 0);
  // Only the first comma splits: the rest is the width text.
  auto commas = ParseFieldMapLine("A = One, 5, 6");
  ASSERT_TRUE(commas);
  EXPECT_EQ(commas->Title, "One");
  EXPECT_EQ(commas->Width, 0);
  // An empty title is allowed.
  auto untitled = ParseFieldMapLine("A =");
  ASSERT_TRUE(untitled);
  EXPECT_EQ(untitled->Title, "");

  EXPECT_FALSE(ParseFieldMapLine("NAME Name, 10"));
  EXPECT_FALSE(ParseFieldMapLine(""));
  EXPECT_FALSE(ParseFieldMapLine("  = Title"));
}

TEST(DicFormSize, SmallSizesAreRaisedAndLargeOnesHeldIn16Bits) {
  EXPECT_EQ(ClampDicFormSize(100), 240);
  EXPECT_EQ(ClampDicFormSize(0), 240);
  EXPECT_EQ(ClampDicFormSize(-5), 240);
  EXPECT_EQ(ClampDicFormSize(240), 240);
  EXPECT_EQ(ClampDicFormSize(560), 560);
  EXPECT_EQ(ClampDicFormSize(70000), 65535);
}

TEST(DicCodeParam, ConvertsTheCodeByTheParameterType) {
  TQuery q;
  q.SetSQLText("SELECT NAME FROM DIC WHERE CODE = :CODE AND X = :X");
  ASSERT_EQ(q.ParamCount(), 2);
  TParam& p = *q.Params().Items(0);

  SetDicQueryParam(q, "42", ftInteger);
  EXPECT_EQ(p.DataType(), ftInteger);
  EXPECT_EQ(p.AsInteger(), 42);
  SetDicQueryParam(q, "7", ftSmallint);
  EXPECT_EQ(p.DataType(), ftSmallint);
  EXPECT_EQ(p.AsInteger(), 7);
  SetDicQueryParam(q, "2.5", ftCurrency);
  EXPECT_EQ(p.DataType(), ftCurrency);
  EXPECT_DOUBLE_EQ(p.AsFloat(), 2.5);
  SetDicQueryParam(q, "05/03/2024", ftDate);
  EXPECT_EQ(p.DataType(), ftDate);
  EXPECT_EQ(p.AsDateTime(), EncodeDate(2024, 3, 5));
  SetDicQueryParam(q, "05/03/2024 10:30", ftDateTime);
  EXPECT_DOUBLE_EQ(p.AsDateTime(), EncodeDate(2024, 3, 5) + EncodeTime(10, 30, 0, 0));
  SetDicQueryParam(q, "A-17", ftString);
  EXPECT_EQ(p.DataType(), ftString);
  EXPECT_EQ(p.AsString(), "A-17");
  // Every other type takes the text as it is.
  SetDicQueryParam(q, "yes", ftBoolean);
  EXPECT_EQ(p.Value(), Variant("yes"));

  // An empty code clears the parameter but keeps its type (it binds NULL).
  SetDicQueryParam(q, "", ftInteger);
  EXPECT_TRUE(p.IsNull());
  EXPECT_EQ(p.DataType(), ftInteger);
  // Only the first parameter is filled.
  EXPECT_TRUE(q.Params().Items(1)->IsNull());

  // Codes that do not read as the type raise conversion errors.
  EXPECT_THROW(SetDicQueryParam(q, "12a", ftInteger), EConvertError);
  EXPECT_THROW(SetDicQueryParam(q, "one", ftFloat), EConvertError);
  EXPECT_THROW(SetDicQueryParam(q, "31/02/2024", ftDate), EConvertError);
}

TEST(DicCodeParam, AQueryWithoutParametersIsRefusedWithItsText) {
  TQuery q;
  q.SetSQLText("SELECT NAME FROM DIC");
  try {
    SetDicQueryParam(q, "1", ftString);
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Parameter in query is necessary: SELECT NAME FROM DIC");
  }
}

TEST(DicLabelState, TypingWaitsForEnterOrExitAndOtherChangesReadAtOnce) {
  TDicLabelState s;
  EXPECT_EQ(s.LastCode(), "");
  EXPECT_TRUE(s.Found());
  // Typed changes read nothing; a change from elsewhere reads when the code is new.
  EXPECT_FALSE(s.NeedsRefresh(TDicEditEvent::deChange, "1", true));
  EXPECT_TRUE(s.NeedsRefresh(TDicEditEvent::deChange, "1", false));
  EXPECT_FALSE(s.NeedsRefresh(TDicEditEvent::deChange, "", false));
  // Enter and exit read whenever the code differs from the last one read.
  EXPECT_TRUE(s.NeedsRefresh(TDicEditEvent::deEnter, "1", true));
  EXPECT_TRUE(s.NeedsRefresh(TDicEditEvent::deExit, "1", false));
  s.Read("1", true);
  EXPECT_FALSE(s.NeedsRefresh(TDicEditEvent::deExit, "1", false));
  EXPECT_FALSE(s.NeedsRefresh(TDicEditEvent::deEnter, "1", false));
  EXPECT_FALSE(s.RefuseExit(true));

  // An unknown code is refused on exit only when required, and stays refused on a second exit
  // with the same code; a code found later lets the edit box go.
  s.Read("99", false);
  EXPECT_FALSE(s.RefuseExit(false));
  EXPECT_TRUE(s.RefuseExit(true));
  EXPECT_FALSE(s.NeedsRefresh(TDicEditEvent::deExit, "99", false));
  EXPECT_TRUE(s.RefuseExit(true));
  s.Read("2", true);
  EXPECT_FALSE(s.RefuseExit(true));

  // A code the button writes itself becomes the last code and keeps the found state.
  s.SetLastCode("3");
  EXPECT_EQ(s.LastCode(), "3");
  EXPECT_FALSE(s.NeedsRefresh(TDicEditEvent::deChange, "3", false));
  EXPECT_TRUE(s.Found());
}

// ---- over a database ----------------------------------------------------------------------------

class DicData : public testing::DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE DIC (CODE INTEGER PRIMARY KEY, NAME VARCHAR(40), PRICE REAL, AMOUNT REAL, DT DATE, "
         "NOTE VARCHAR(10))");
    Exec("INSERT INTO DIC VALUES (1, 'Apples', 1.5, 10, '2024-03-05', 'a')");
    Exec("INSERT INTO DIC VALUES (2, 'Pears', 2.25, 20, '2024-03-06', NULL)");
  }
  // Column names in upper case on both engines.
  std::string Select(const std::string& cols, const std::string& rest) const {
    if (!Pg()) return "SELECT " + cols + " " + rest;
    std::string out = "SELECT ";
    TStringList names;
    names.SetCommaText(cols);
    for (int i = 0; i < names.Count(); ++i) {
      if (i > 0) out += ", ";
      out += names.Strings(i) + " AS \"" + names.Strings(i) + "\"";
    }
    return out + " " + rest;
  }
};

TEST_P(DicData, AFieldMapShowsOnlyTheNamedFieldsWithTheirTitlesAndWidths) {
  auto q = Query(Select("CODE,NAME,PRICE,AMOUNT,DT,NOTE", "FROM DIC ORDER BY CODE"));
  q->Open();
  TStringList map;
  map.SetText(
      "CODE = Code, +6\n"
      "NAME = Name of the|fruit\n"
      "PRICE = Price, $12\n"
      "AMOUNT = Amount\n"
      "DT = Day\n"
      "a line without the sign\n"
      "MISSING = Not there, 5\n");
  DataSetFieldMap(q.get(), map);

  TField* code = q->FieldByName("CODE");
  EXPECT_TRUE(code->Visible());
  EXPECT_EQ(code->DisplayLabel(), "Code");
  EXPECT_EQ(code->DisplayWidth(), 6);
  EXPECT_EQ(code->Alignment(), taCenter);

  TField* name = q->FieldByName("NAME");
  EXPECT_TRUE(name->Visible());
  EXPECT_EQ(name->DisplayLabel(), "Name of the|fruit");
  EXPECT_EQ(name->DisplayWidth(), name->Size());
  EXPECT_EQ(name->Size(), 40);

  // The "$12" example: a right-aligned currency column of width 12 titled Price.
  auto* price = dynamic_cast<TFloatField*>(q->FieldByName("PRICE"));
  ASSERT_NE(price, nullptr);
  EXPECT_EQ(price->DisplayLabel(), "Price");
  EXPECT_EQ(price->DisplayWidth(), 12);
  EXPECT_EQ(price->Alignment(), taRightJustify);
  EXPECT_TRUE(price->Currency());
  EXPECT_EQ(price->DisplayText(), "$1.50");

  // Without a width: 20 for a floating-point field, 10 and the short date format for a date.
  auto* amount = dynamic_cast<TFloatField*>(q->FieldByName("AMOUNT"));
  ASSERT_NE(amount, nullptr);
  EXPECT_EQ(amount->DisplayWidth(), 20);
  EXPECT_FALSE(amount->Currency());
  TField* day = q->FieldByName("DT");
  ASSERT_TRUE(IsDateTimeType(day->DataType()));
  EXPECT_EQ(day->DisplayWidth(), 10);
  EXPECT_EQ(day->DisplayFormat(), FormatSettings().ShortDateFormat);
  EXPECT_EQ(day->DisplayText(), "05/03/2024");

  // A field the map does not name is hidden.
  EXPECT_FALSE(q->FieldByName("NOTE")->Visible());
}

TEST_P(DicData, AnEmptyMapLeavesTheFieldsAsTheyAre) {
  auto q = Query(Select("CODE,NAME", "FROM DIC"));
  q->Open();
  q->FieldByName("NAME")->SetDisplayLabel("Own");
  DataSetFieldMap(q.get(), std::string_view(""));
  EXPECT_TRUE(q->FieldByName("CODE")->Visible());
  EXPECT_TRUE(q->FieldByName("NAME")->Visible());
  EXPECT_EQ(q->FieldByName("NAME")->DisplayLabel(), "Own");
  // A map whose lines all miss hides everything.
  DataSetFieldMap(q.get(), std::string_view("OTHER = x\nno sign"));
  EXPECT_FALSE(q->FieldByName("CODE")->Visible());
  EXPECT_FALSE(q->FieldByName("NAME")->Visible());
}

TEST_P(DicData, TheDescriptionQueryFindsTheCodeInItsType) {
  auto q = Query("SELECT NAME FROM DIC WHERE CODE = :CODE");
  SetDicQueryParam(*q, "2", ftInteger);
  q->Open();
  ASSERT_FALSE(q->IsEmpty());
  EXPECT_EQ(q->Fields(0)->DisplayText(), "Pears");
  q->Close();
  SetDicQueryParam(*q, "", ftInteger);
  q->Open();
  EXPECT_TRUE(q->IsEmpty());
  q->Close();
  // A date code compares as a date.
  auto byDay = Query("SELECT NAME FROM DIC WHERE DT = :DT");
  SetDicQueryParam(*byDay, "05/03/2024", ftDate);
  byDay->Open();
  ASSERT_FALSE(byDay->IsEmpty());
  EXPECT_EQ(byDay->Fields(0)->AsString(), "Apples");
}

TEST_P(DicData, TheChoiceResultTakesTheTypeOfItsField) {
  auto q = Query(Select("CODE,NAME,PRICE,DT,NOTE", "FROM DIC WHERE CODE = 2"));
  q->Open();
  const Variant code = DicResultValue(*q->FieldByName("CODE"));
  ASSERT_EQ(code.Type(), TVariantType::varFloat);
  EXPECT_EQ(code.Float(), 2.0);
  const Variant name = DicResultValue(*q->FieldByName("NAME"));
  ASSERT_EQ(name.Type(), TVariantType::varString);
  EXPECT_EQ(name.String(), "Pears");
  const Variant price = DicResultValue(*q->FieldByName("PRICE"));
  ASSERT_EQ(price.Type(), TVariantType::varFloat);
  EXPECT_EQ(price.Float(), 2.25);
  const Variant day = DicResultValue(*q->FieldByName("DT"));
  ASSERT_EQ(day.Type(), TVariantType::varDate);
  EXPECT_EQ(day.Date(), EncodeDate(2024, 3, 6));
  // A null text is the empty text.
  const Variant note = DicResultValue(*q->FieldByName("NOTE"));
  ASSERT_EQ(note.Type(), TVariantType::varString);
  EXPECT_EQ(note.String(), "");
}

BEXLO_DB_SUITE(DicData);

}  // namespace
}  // namespace bexlo
