// Column types and field conversions: declared types and OIDs to field types, values stored and
// read back (dates as ISO text and booleans as 0/1 in SQLite), display text, unfit values.
#include "db/driver.h"
#include "db_test_support.h"
#include "util/datetime.h"
#include "util/format_settings.h"
#include "util/strings.h"

namespace bexlo::testing {
namespace {

TEST(DeclaredTypes, MapToFieldTypesWithSizes) {
  struct Case {
    const char* decl;
    TFieldType type;
    int size, precision, scale;
  };
  const Case cases[] = {
      {"VARCHAR(20)", ftString, 20, 0, 0},      {"nvarchar ( 7 )", ftString, 7, 0, 0},
      {"TEXT", ftString, 255, 0, 0},            {"CHAR(1)", ftString, 1, 0, 0},
      {"INTEGER", ftInteger, 0, 0, 0},          {"BIGINT", ftInteger, 0, 0, 0},
      {"SMALLINT", ftSmallint, 0, 0, 0},        {"WORD", ftWord, 0, 0, 0},
      {"BOOLEAN", ftBoolean, 0, 0, 0},          {"NUMERIC(10,2)", ftFloat, 0, 10, 2},
      {"Numeric(4)", ftFloat, 0, 4, 0},         {"DOUBLE PRECISION", ftFloat, 0, 0, 0},
      {"CURRENCY", ftCurrency, 0, 0, 0},        {"DATE", ftDate, 0, 0, 0},
      {"TIME", ftTime, 0, 0, 0},                {"DATETIME", ftDateTime, 0, 0, 0},
      {"TIMESTAMP", ftDateTime, 0, 0, 0},       {"CLOB", ftMemo, 0, 0, 0},
      {"BLOB", ftBlob, 0, 0, 0},                {"BINARY(8)", ftBytes, 8, 0, 0},
      {"VARBINARY(16)", ftVarBytes, 16, 0, 0},  {"Char(254)", ftString, 254, 0, 0},
  };
  for (const Case& c : cases) {
    const TColumnInfo info = ColumnFromDeclaredType(c.decl);
    EXPECT_EQ(info.DataType, c.type) << c.decl;
    EXPECT_EQ(info.Size, c.size) << c.decl;
    EXPECT_EQ(info.Precision, c.precision) << c.decl;
    EXPECT_EQ(info.Scale, c.scale) << c.decl;
  }
  EXPECT_TRUE(ColumnFromDeclaredType("").TypedFromValue);
}

class TypesTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec(Pg() ? "CREATE TABLE t (id INTEGER PRIMARY KEY, s VARCHAR(20), n NUMERIC(10,2), "
                "f DOUBLE PRECISION, si SMALLINT, b BOOLEAN, d DATE, tm TIME, ts TIMESTAMP, "
                "m TEXT, bin BYTEA)"
              : "CREATE TABLE t (id INTEGER PRIMARY KEY, s VARCHAR(20), n NUMERIC(10,2), "
                "f DOUBLE PRECISION, si SMALLINT, b BOOLEAN, d DATE, tm TIME, ts TIMESTAMP, "
                "m CLOB, bin BLOB)");
  }

  std::unique_ptr<TQuery> Table() {
    auto q = Query("SELECT * FROM t ORDER BY id");
    q->SetRequestLive(true);
    q->Open();
    return q;
  }
};

TEST_P(TypesTest, FieldDefinitionsDescribeTheColumns) {
  auto q = Table();
  const TFieldDefs& defs = q->FieldDefs();
  EXPECT_EQ(defs.Find("s").DataType, ftString);
  EXPECT_EQ(defs.Find("s").Size, 20);
  EXPECT_EQ(defs.Find("n").DataType, ftFloat);
  EXPECT_EQ(defs.Find("n").Precision, 10);
  EXPECT_EQ(defs.Find("n").Scale, 2);
  EXPECT_EQ(defs.Find("f").DataType, ftFloat);
  EXPECT_EQ(defs.Find("si").DataType, ftSmallint);
  EXPECT_EQ(defs.Find("b").DataType, ftBoolean);
  EXPECT_EQ(defs.Find("d").DataType, ftDate);
  EXPECT_EQ(defs.Find("tm").DataType, ftTime);
  EXPECT_EQ(defs.Find("ts").DataType, ftDateTime);
  EXPECT_EQ(defs.Find("bin").DataType, ftBlob);
  EXPECT_STREQ(q->FieldByName("s")->ClassName().data(), "TStringField");
  EXPECT_EQ(q->FieldByName("n")->Alignment(), taRightJustify);
  EXPECT_EQ(q->FieldByName("s")->DisplayWidth(), 20);
}

TEST_P(TypesTest, ValuesRoundTripThroughTheEngine) {
  const TDateTime day = EncodeDate(2024, 2, 29);
  const TDateTime stamp = EncodeDateTime(2024, 2, 29, 13, 45, 10, 250);
  {
    auto q = Table();
    q->Append();
    q->FieldByName("id")->SetAsInteger(1);
    q->FieldByName("s")->SetAsString("Grüße, мир");
    q->FieldByName("n")->SetAsFloat(1234.5);
    q->FieldByName("f")->SetAsFloat(0.1);
    q->FieldByName("si")->SetAsInteger(-7);
    q->FieldByName("b")->SetAsBoolean(true);
    q->FieldByName("d")->SetAsDateTime(day + 0.75);  // a date keeps no time of day
    q->FieldByName("tm")->SetAsDateTime(EncodeTime(8, 30, 0, 0));
    q->FieldByName("ts")->SetAsDateTime(stamp);
    q->FieldByName("m")->SetAsString("line 1\r\nline 2");
    q->FieldByName("bin")->SetValue(Variant(TBytes{0, 1, 255}));
    q->Post();
  }
  auto q = Table();
  EXPECT_EQ(q->FieldByName("s")->AsString(), "Grüße, мир");
  EXPECT_DOUBLE_EQ(q->FieldByName("n")->AsFloat(), 1234.5);
  EXPECT_DOUBLE_EQ(q->FieldByName("f")->AsFloat(), 0.1);
  EXPECT_EQ(q->FieldByName("si")->AsInteger(), -7);
  EXPECT_TRUE(q->FieldByName("b")->AsBoolean());
  EXPECT_DOUBLE_EQ(q->FieldByName("d")->AsDateTime(), day);
  EXPECT_NEAR(q->FieldByName("tm")->AsDateTime(), EncodeTime(8, 30, 0, 0), 1e-9);
  EXPECT_NEAR(q->FieldByName("ts")->AsDateTime(), stamp, 1e-9);
  EXPECT_EQ(q->FieldByName("m")->AsString(), "line 1\r\nline 2");
  EXPECT_EQ(q->FieldByName("bin")->Value(), Variant(TBytes{0, 1, 255}));
  if (!Pg()) {
    // The storage forms other SQLite programs see.
    EXPECT_EQ(Scalar("SELECT d || '|' || ts || '|' || tm || '|' || b FROM t"),
              "2024-02-29|2024-02-29 13:45:10.250|08:30:00|1");
  }
  // Dates compare as dates in SQL too.
  auto p = Query("SELECT count(*) FROM t WHERE d = :d AND ts > :d");
  p->ParamByName("d")->SetAsDate(day);
  p->Open();
  EXPECT_EQ(p->Fields(0)->AsInteger(), 1);
}

TEST_P(TypesTest, StreamedDatesMatchBufferedOnesAndOddDatesFailClearly) {
  Exec("INSERT INTO t (id, d, ts) VALUES (1, '2024-02-29', '1899-12-29 18:00:00'), "
       "(2, '0001-01-01', '2024-03-01 00:00:01')");
  auto buffered = Query("SELECT id, d, ts FROM t ORDER BY id");
  buffered->Open();
  auto streamed = Query("SELECT id, d, ts FROM t ORDER BY id");
  streamed->SetUniDirectional(true);
  streamed->Open();
  for (int row = 1; row <= 2; ++row, buffered->Next(), streamed->Next()) {
    EXPECT_EQ(streamed->FieldByName("d")->AsDateTime(), buffered->FieldByName("d")->AsDateTime()) << row;
    EXPECT_EQ(streamed->FieldByName("ts")->AsDateTime(), buffered->FieldByName("ts")->AsDateTime()) << row;
  }
  EXPECT_DOUBLE_EQ(buffered->FieldByName("ts")->AsDateTime(), EncodeDate(2024, 3, 1) + 1.0 / 86400);
  if (Pg()) {
    // A date the calendar type cannot hold is an error that names it, not a wrong date.
    for (bool stream : {false, true}) {
      auto odd = Query("SELECT '-infinity'::timestamp AS ts");
      odd->SetUniDirectional(stream);
      try {
        odd->Open();
        odd->FieldByName("ts")->AsDateTime();
        ADD_FAILURE() << "-infinity was read as a date";
      } catch (const Exception& e) {
        EXPECT_NE(std::string(e.what()).find("-infinity"), std::string::npos) << e.what();
      }
    }
  }
}

TEST_P(TypesTest, ExpressionColumnsTakeTheTypeOfTheirValues) {
  auto q = Query("SELECT 1 + 1 AS i, 2.5 AS x, 'abc' AS s, NULL AS z");
  q->Open();
  EXPECT_EQ(q->FieldByName("i")->DataType(), ftInteger);
  EXPECT_EQ(q->FieldByName("x")->DataType(), ftFloat);
  EXPECT_EQ(q->FieldByName("s")->DataType(), ftString);
  EXPECT_EQ(q->FieldByName("i")->AsInteger(), 2);
  EXPECT_DOUBLE_EQ(q->FieldByName("x")->AsFloat(), 2.5);
  EXPECT_TRUE(q->FieldByName("z")->IsNull());
  // Duplicate names are told apart.
  auto dup = Query("SELECT 1 AS a, 2 AS a");
  dup->Open();
  EXPECT_EQ(dup->FieldByName("a_1")->AsInteger(), 2);
}

TEST_P(TypesTest, FieldsConvertAndFormatByTheClassicRules) {
  ScopedFormatSettings settings(DefaultFormatSettings());
  Exec("INSERT INTO t (id, s, n, f, si, b, d) VALUES (1, '42', 1234.5, 2.25, 3, " +
       std::string(Pg() ? "false" : "0") + ", '2024-03-05')");
  auto q = Table();
  TField* s = q->FieldByName("s");
  TField* n = q->FieldByName("n");
  TField* d = q->FieldByName("d");
  EXPECT_EQ(s->AsInteger(), 42);
  EXPECT_DOUBLE_EQ(s->AsFloat(), 42.0);
  EXPECT_EQ(n->AsString(), "1234.5");
  EXPECT_EQ(n->AsInteger(), 1234);  // rounds half to even
  EXPECT_EQ(q->FieldByName("f")->AsInteger(), 2);
  EXPECT_EQ(q->FieldByName("b")->AsString(), "False");
  EXPECT_EQ(d->AsString(), "05/03/2024");
  EXPECT_EQ(d->DisplayText(), "05/03/2024");
  d->SetDisplayFormat("yyyy mmm d");
  EXPECT_EQ(d->DisplayText(), "2024 Mar 5");
  n->SetDisplayFormat("#,##0.00");
  EXPECT_EQ(n->DisplayText(), "1,234.50");
  n->SetDisplayFormat("");
  static_cast<TFloatField*>(n)->SetCurrency(true);
  EXPECT_EQ(n->DisplayText(), "$1,234.50");
  EXPECT_EQ(n->Text(), "1234.50");
  EXPECT_TRUE(q->FieldByName("m")->IsNull());
  EXPECT_EQ(q->FieldByName("m")->DisplayText(), Pg() ? "" : "(Memo)");

  q->Edit();
  EXPECT_THROW(q->FieldByName("si")->SetAsString("abc"), EConvertError);
  EXPECT_THROW(q->FieldByName("si")->SetAsInteger(40000), EDatabaseError);  // out of range
  EXPECT_THROW(d->SetAsString("31/02/2024"), EConvertError);
  EXPECT_THROW(q->FieldByName("b")->SetAsString("perhaps"), EConvertError);
  q->FieldByName("b")->SetAsString("t");  // a beginning of "True"
  EXPECT_TRUE(q->FieldByName("b")->AsBoolean());
  s->SetAsString("not a number");
  EXPECT_THROW((void)s->AsFloat(), EConvertError);
  EXPECT_THROW((void)q->FieldByName("b")->AsDateTime(), EDatabaseError);  // no such access
  n->SetAsString("");  // empty text clears a number
  EXPECT_TRUE(n->IsNull());
  q->Cancel();
  EXPECT_EQ(n->AsFloat(), 1234.5);
}

TEST_P(TypesTest, DefinitionsWithoutOpeningAndFieldsMadeFromThem) {
  // An edit window's query: its field definitions are read without running it, then fields are
  // made from them before it opens.
  auto edit = Query("SELECT * FROM t WHERE 1 = 1 AND id = :id");
  edit->SetRequestLive(true);
  edit->FieldDefs().Update();
  ASSERT_EQ(edit->FieldDefs().Count(), 11);
  EXPECT_FALSE(edit->Active());
  EXPECT_EQ(edit->FieldDefs().Find("s").Size, 20);
  TField* s = edit->FieldDefs().Find("s").CreateField(edit.get(), edit.get());
  TField* m = edit->FieldDefs().Find("m").CreateField(edit.get(), edit.get());
  TField* id = edit->FieldDefs().Find("id").CreateField(edit.get(), edit.get());
  s->SetDisplayLabel("Name");
  Exec("INSERT INTO t (id, s, m) VALUES (7, 'seven', 'a')");
  edit->ParamByName("id")->SetAsInteger(7);
  edit->Open();
  EXPECT_EQ(edit->FieldCount(), 3);  // only the fields made
  EXPECT_EQ(s->AsString(), "seven");
  EXPECT_EQ(s->DisplayLabel(), "Name");
  m->SetIndex(0);
  EXPECT_EQ(edit->Fields(0), m);
  EXPECT_EQ(id->Index(), 2);
  edit->Edit();
  TStringList lines;
  lines.Add("first");
  lines.Add("second");
  if (auto* blob = dynamic_cast<TBlobField*>(m)) {
    blob->AssignLines(lines);
  } else {
    m->SetAsString("first\r\nsecond");
  }
  edit->Post();
  edit->Close();
  edit->Open();  // the fields made stay across Close and Open
  EXPECT_EQ(m->AsString(), "first\r\nsecond");
  if (auto* blob = dynamic_cast<TBlobField*>(m)) {
    TStringList back;
    blob->GetLines(back);
    EXPECT_EQ(back.Count(), 2);
    EXPECT_EQ(blob->BlobSize(), 13u);
  }
  EXPECT_THROW(s->SetFieldName("other"), EDatabaseError);  // not while open
}

BEXLO_DB_SUITE(TypesTest);

}  // namespace
}  // namespace bexlo::testing
