// Fuzzes the conversions of typed values in fields: text typed into every kind of field (through
// AsString, Text and Value), values converted between kinds, and the ISO texts engines return.
// Unfit input may only raise EConvertError or EDatabaseError; what a field accepted must read
// back without failing and survive a round trip through the engine.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "db/db.h"
#include "db/value_convert.h"

using namespace bexlo;

namespace {

struct Fixture {
  TTable table;
  Fixture() {
    Session().AddAlias("fuzz", "sqlite::memory:");
    TDatabase* db = Session().OpenDatabase("fuzz");
    db->Execute(
        "CREATE TABLE t (s VARCHAR(10), i INTEGER, si SMALLINT, w WORD, f DOUBLE PRECISION, "
        "c CURRENCY, n NUMERIC(10,2), b BOOLEAN, d DATE, tm TIME, ts TIMESTAMP, m CLOB, bl BLOB)");
    table.SetDatabaseName("fuzz");
    table.SetTableName("t");
    table.Open();
  }
};

void ReadBack(TField* f) {
  (void)f->AsString();
  (void)f->DisplayText();
  (void)f->Text();
  (void)f->Value();
  try {
    (void)f->AsFloat();
  } catch (const EConvertError&) {
  } catch (const EDatabaseError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  if (size < 2) return 0;
  TTable& t = fixture.table;
  const int fieldIndex = data[0] % t.FieldCount();
  const int how = data[1] % 4;
  const std::string text(reinterpret_cast<const char*>(data + 2), size - 2);

  // Engine texts and value conversions on their own.
  for (TValueKind kind : {TValueKind::String, TValueKind::Boolean, TValueKind::Date,
                          TValueKind::Time, TValueKind::DateTime}) {
    Variant v(text);
    ConvertEngineValue(v, kind);
    if (v.Type() == TVariantType::varDate) {
      try {
        (void)EngineDateText(v.Date(), ftDateTime);
      } catch (const EConvertError&) {
      }
    }
  }
  for (TFieldType type : {ftInteger, ftFloat, ftBoolean, ftDate, ftTime, ftDateTime, ftBlob}) {
    try {
      (void)ConvertVariant(Variant(text), type);
    } catch (const EConvertError&) {
    }
  }

  TField* f = t.Fields(fieldIndex);
  t.Insert();
  bool accepted = false;
  try {
    switch (how) {
      case 0: f->SetAsString(text); break;
      case 1: f->SetText(text); break;
      case 2: f->SetValue(Variant(text)); break;
      default: f->SetAsFloat(static_cast<double>(static_cast<std::int8_t>(data[1])) / 3); break;
    }
    accepted = true;
  } catch (const EConvertError&) {
  } catch (const EDatabaseError&) {
  }
  ReadBack(f);
  if (!accepted || (data[1] & 0x80) == 0) {
    t.Cancel();
    return 0;
  }
  // Accepted values go through the engine and come back readable.
  const Variant before = f->Value();
  t.Post();
  ReadBack(f);
  if (f->DataType() == ftInteger && !(f->Value() == before)) std::abort();
  t.Delete();
  return 0;
}
