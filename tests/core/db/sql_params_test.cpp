// The ":name" scanner, parameters and value conversions, without a database.
#include <gtest/gtest.h>

#include <cmath>

#include "db/fields.h"
#include "db/params.h"
#include "db/sql_params.h"
#include "db/value_convert.h"
#include "util/datetime.h"
#include "util/format_settings.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace bexlo {
namespace {

std::vector<std::string> Names(std::string_view sql) {
  std::vector<std::string> names;
  for (const TSqlParamRef& ref : ScanSqlParams(sql)) names.push_back(ref.name);
  return names;
}

TEST(SqlParams, SkipLiteralsCommentsQuotedNamesAndCasts) {
  EXPECT_EQ(Names("SELECT ':a', \"b:c\", `d:e`, [f:g] FROM t WHERE x = :x"),
            std::vector<std::string>{"x"});
  EXPECT_EQ(Names("SELECT 'it''s :no' -- :no\n, /* :no */ :yes"), std::vector<std::string>{"yes"});
  EXPECT_EQ(Names("SELECT x::int, y::: z, :a::text"), std::vector<std::string>{"a"});
  EXPECT_EQ(Names("x := :v"), std::vector<std::string>{"v"});
  // PostgreSQL bodies and escape strings.
  EXPECT_EQ(Names("CREATE FUNCTION f() AS $$ SELECT :no $$; SELECT $body$ :no $body$, :p"),
            std::vector<std::string>{"p"});
  EXPECT_EQ(Names("SELECT E'a\\' :no', :q"), std::vector<std::string>{"q"});
  EXPECT_EQ(Names("SELECT a$b$, :r"), std::vector<std::string>{"r"});  // $ inside a name
  // Quoted, Unicode and unterminated forms.
  EXPECT_EQ(Names("WHERE a = :\"my name\" AND b = :имя AND c = :"),
            (std::vector<std::string>{"my name", "имя"}));
  EXPECT_TRUE(Names("SELECT 'never closed :x").empty());
  EXPECT_TRUE(Names("SELECT /* never closed :x").empty());
}

TEST(SqlParams, OneMarkerPerNameIgnoringCase) {
  const TParsedSql q = ParseSqlParams("a = :Id OR b = :id OR c = :other", TParamMarker::QuestionNumber);
  EXPECT_EQ(q.text, "a = ?1 OR b = ?1 OR c = ?2");
  EXPECT_EQ(q.names, (std::vector<std::string>{"Id", "other"}));
  const TParsedSql pg = ParseSqlParams("x=:a AND y=a:b", TParamMarker::DollarNumber);
  EXPECT_EQ(pg.text, "x=$1 AND y=a $2");  // never "a$2", which reads as one name
}

TEST(Params, ParseSqlKeepsValuesOfNamesThatStay) {
  TParams params;
  params.ParseSQL("SELECT * FROM t WHERE a = :a AND b = :b");
  params.ParamByName("A")->SetAsInteger(7);
  params.ParamByName("b")->SetAsString("x");
  params.ParseSQL("SELECT * FROM t WHERE b = :B AND c = :c");
  ASSERT_EQ(params.Count(), 2);
  EXPECT_EQ(params[0]->AsString(), "x");
  EXPECT_FALSE(params[1]->IsAssigned());
  EXPECT_EQ(params.FindParam("a"), nullptr);
  try {
    params.ParamByName("a");
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Parameter 'a' not found");
  }
}

TEST(Params, TypesConvertValuesAndBindingNamesTheParameter) {
  ScopedFormatSettings settings(DefaultFormatSettings());
  TParam p(nullptr, "since");
  EXPECT_FALSE(p.IsAssigned());
  p.SetAsString("05/03/2024");
  EXPECT_EQ(p.DataType(), ftString);
  p.SetDataType(ftDate);  // the text becomes a date
  EXPECT_EQ(p.Value(), Variant::FromDate(EncodeDate(2024, 3, 5)));
  EXPECT_EQ(p.AsString(), "05/03/2024");
  p.SetAsString("not a date");
  p.SetDataType(ftDate);  // kept as given ...
  EXPECT_EQ(p.Value(), Variant("not a date"));
  try {
    (void)p.BindValue();  // ... and refused when bound
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_STREQ(e.what(), "'not a date' is not a valid value for parameter 'since'");
  }
  p.Clear();
  EXPECT_TRUE(p.IsAssigned());  // a typed NULL
  EXPECT_TRUE(p.BindValue().IsNull());
  p.SetAsFloat(2.5);
  EXPECT_EQ(p.AsInteger(), 2);  // half to even
  EXPECT_TRUE(p.AsBoolean());
  TStringList lines;
  lines.SetText("a\nb");
  p.SetAsStrings(lines);
  EXPECT_EQ(p.AsMemo(), "a\r\nb");
  EXPECT_EQ(p.DataType(), ftMemo);

  TParams a, b;
  a.CreateParam(ftInteger, "n", ptInput)->SetAsInteger(1);
  b.CreateParam(ftUnknown, "N", ptOutput);
  b.AssignValues(a);
  EXPECT_EQ(b[0]->AsInteger(), 1);
  EXPECT_EQ(b[0]->ParamType(), ptOutput);  // kind and name stay
  EXPECT_EQ(b[0]->Name(), "N");
  TParams c;
  c.Assign(&a);
  EXPECT_TRUE(c.IsEqual(a));
}

TEST(ValueConversion, EngineDatesAndTexts) {
  double d = 0;
  ASSERT_TRUE(ParseEngineDateTime("2024-02-29", d));
  EXPECT_EQ(d, EncodeDate(2024, 2, 29));
  EXPECT_FALSE(ParseEngineDateTime("2023-02-29", d));
  EXPECT_FALSE(ParseEngineDateTime("2024-13-01", d));
  ASSERT_TRUE(ParseEngineDateTime("2024-01-15 10:20:30+05:30", d));  // zone suffix ignored
  EXPECT_NEAR(d, EncodeDateTime(2024, 1, 15, 10, 20, 30, 0), 1e-9);
  ASSERT_TRUE(ParseEngineDateTime("1899-12-29 06:00:00", d));
  EXPECT_DOUBLE_EQ(d, -1.25);  // before the epoch the time still runs forward
  ASSERT_TRUE(ParseEngineDateTime("23:59:59.5", d));
  EXPECT_NEAR(d, EncodeTime(23, 59, 59, 500), 1e-9);
  EXPECT_EQ(EngineDateText(-1.25, ftDateTime), "1899-12-29 06:00:00");
  EXPECT_EQ(EngineDateText(EncodeDate(2024, 1, 2) + 0.5, ftDate), "2024-01-02");
  EXPECT_THROW(EngineDateText(std::nan(""), ftDate), EConvertError);

  Variant v("yes");
  ConvertEngineValue(v, TValueKind::Boolean);
  EXPECT_EQ(v, Variant(true));
  Variant garbage("not a date");
  ConvertEngineValue(garbage, TValueKind::Date);
  EXPECT_EQ(garbage, Variant("not a date"));  // left for the field to report
  bool b = false;
  EXPECT_TRUE(TryTextToBoolean(" off ", b));
  EXPECT_FALSE(b);
  EXPECT_FALSE(TryTextToBoolean("maybe", b));
  EXPECT_THROW(VariantToInteger(Variant("12x")), EConvertError);
  EXPECT_EQ(VariantToInteger(Variant("3.5")), 4);
  EXPECT_THROW(VariantToInteger(Variant(1e300)), EConvertError);
}

TEST(Fields, FieldsWithoutADataSetSayWhy) {
  TIntegerField f;
  f.SetFieldName("qty");
  try {
    (void)f.AsInteger();
    FAIL();
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Field 'qty' has no dataset");
  }
  EXPECT_EQ(f.DisplayLabel(), "qty");
  f.SetDisplayLabel("Quantity");
  EXPECT_EQ(f.DisplayLabel(), "Quantity");
  EXPECT_EQ(f.DisplayWidth(), 11);
  EXPECT_EQ(f.DataSize(), 4);
  TStringField s;
  s.SetSize(30);
  EXPECT_EQ(s.DisplayWidth(), 30);
  EXPECT_EQ(s.DataSize(), 31);
  EXPECT_THROW(s.SetSize(-1), EDatabaseError);
  std::unique_ptr<TField> made(CreateFieldOfType(ftCurrency, nullptr));
  EXPECT_STREQ(made->ClassName().data(), "TCurrencyField");
  EXPECT_TRUE(static_cast<TFloatField*>(made.get())->Currency());
}

}  // namespace
}  // namespace bexlo
