// Fuzzes what a dictionary button reads from outside: field maps (from forms and from report
// scripts) applied to a query's fields, and code texts put into the description query's
// parameter by each parameter type. A field map never fails; a code may only raise
// EConvertError, and a code the parameter took must bind and run (a Boolean parameter takes the
// text as it is and converts it when the statement binds it).
#include <cstddef>
#include <cstdint>
#include <string>

#include "db/db.h"
#include "entry/dic_lookup.h"
#include "fuzz_reader.h"

using namespace bexlo;

namespace {

struct Fixture {
  TQuery map_query;
  TQuery code_query;
  Fixture() {
    Session().AddAlias("fuzzdic", "sqlite::memory:");
    TDatabase* db = Session().OpenDatabase("fuzzdic");
    db->Execute("CREATE TABLE dic (CODE INTEGER, NAME VARCHAR(20), PRICE REAL, DT DATE, TM TIME, TS TIMESTAMP)");
    db->Execute("INSERT INTO dic VALUES (1, 'one', 1.5, '2024-03-05', '10:00:00', '2024-03-05 10:00:00')");
    map_query.SetDatabaseName("fuzzdic");
    map_query.SetSQLText("SELECT CODE, NAME, PRICE, DT, TM, TS FROM dic");
    map_query.Open();
    code_query.SetDatabaseName("fuzzdic");
    code_query.SetSQLText("SELECT NAME FROM dic WHERE CODE = :CODE");
  }
};

constexpr TFieldType kTypes[] = {ftString, ftSmallint, ftInteger, ftWord,  ftAutoInc, ftFloat,
                                 ftCurrency, ftBCD,   ftDate,    ftTime,  ftDateTime, ftBoolean};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Fixture fixture;
  FuzzReader in(data, size);
  const TFieldType type = kTypes[in.Byte() % std::size(kTypes)];
  const std::string code = in.Text();
  const std::string map(reinterpret_cast<const char*>(data) + std::min<std::size_t>(size, 1 + 1 + code.size()),
                        size - std::min<std::size_t>(size, 1 + 1 + code.size()));

  (void)ParseFieldMapLine(map);
  DataSetFieldMap(&fixture.map_query, map);
  for (TField* f : fixture.map_query.Fields()) {
    (void)f->DisplayText();
    if (f->DisplayWidth() < 0) __builtin_trap();
  }

  TQuery& q = fixture.code_query;
  try {
    SetDicQueryParam(q, code, type);
  } catch (const EConvertError&) {
    return 0;
  }
  try {
    q.Open();
  } catch (const EConvertError&) {
    // Types the code is handed to as text (Boolean, ...) convert when the statement binds it.
    if (type != ftBoolean) throw;
    return 0;
  }
  (void)q.IsEmpty();
  q.Close();
  return 0;
}
