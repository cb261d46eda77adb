// Prepares and executes arbitrary text as a report template over a small table (SQLite, in a
// private directory that is also the application directory). Only the library's own exceptions
// may come out: anything else (a crash, a standard-library exception, a leak, a hang) is a
// finding. Scripts that could reach files outside the private directory are kept out: the
// functions that rename files or start automation servers are removed, and inputs that name
// the FileName variable (whose value the run renames its output to) are skipped.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "db/database.h"
#include "db/driver.h"
#include "db/query.h"
#include "report/qo_report.h"
#include "reportlang/func_list.h"
#include "util/exceptions.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/text.h"

namespace {

using namespace bexlo;

// The private directory, made once; removed when the program ends.
const std::string& WorkDir() {
  static const std::string* dir = [] {
    char pattern[] = "/tmp/bexlo-fuzz-report-XXXXXX";
    const char* made = ::mkdtemp(pattern);
    if (!made) std::abort();
    auto* path = new std::string(made);
    ApplicationDir = *path + "/";
    CreateSqliteDatabase(*path + "/fuzz.sqlite");
    Session().AddAlias("fuzz", "sqlite:" + *path + "/fuzz.sqlite");
    return path;
  }();
  return *dir;
}

void Exec(const std::string& sql) {
  TQuery q;
  q.SetDatabaseName("fuzz");
  q.SetSQLText(sql);
  q.ExecSQL();
}

void ResetTable() {
  static const bool fast = [] {
    Exec("pragma synchronous = off");
    Exec("pragma journal_mode = memory");
    return true;
  }();
  (void)fast;
  Exec("drop table if exists T");
  Exec("create table T (ID integer, NAME varchar(12), AMOUNT double, G integer, D date, M memo)");
  Exec("insert into T values (1, 'alpha beta', 10.5, 1, '2024-01-31', 'one' || char(10) || 'two'),"
       " (2, 'gamma', 0, 1, null, ''), (3, null, -2.25, 2, '1999-12-31', 'x'),"
       " (4, 'delta epsilon zeta', 1e9, 2, '2000-02-29', null), (5, 'eta', 3, 3, null, 'last')");
}

void RemoveUnsafeFunctions(TCustomReport& report) {
  TFuncList& funcs = report.FuncList();
  for (int i = funcs.Count() - 1; i >= 0; --i) {
    const TFunc* f = funcs.Get(i);
    if (f && (f->Name() == "RENAMEFILE" || f->Name() == "CREATEOLEOBJECT" || f->Name() == "OPENOLE")) funcs.Delete(i);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  WorkDir();
  std::atexit([] {
    std::error_code ignored;
    std::filesystem::remove_all(WorkDir(), ignored);
  });
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  if (UpperCase(text).find("FILENAME") != std::string::npos) return 0;
  try {
    ResetTable();
  } catch (const Exception& e) {
    std::fprintf(stderr, "the table could not be made: %s\n", e.what());
    std::abort();  // the harness itself must work
  }
  TQuery query;
  query.SetDatabaseName("fuzz");
  query.SetSQLText("select * from T order by ID");
  TQoReport report;
  TPrinterModel printer;
  printer.SetCustomPaper(120, 60);  // a short page: breaks are frequent
  printer.SetPaper(TPaperSize::psCustom);
  report.SetPrinterModel(&printer);
  report.DataBaseName = "fuzz";
  report.PrintName = "out.prn";
  report.FormatSource().SetText(text);
  report.OnSetFuncs = [&](TObject*) { RemoveUnsafeFunctions(report); };
  try {
    query.Open();
    report.SetDataSet(&query);
    report.Prepare();
    report.Execute();
  } catch (const Exception& e) {
    // A compile error points into the template (or before it, -1).
    if (report.ErrorPos < -1 || report.ErrorPos > static_cast<int>(Utf8Length(text) + 2 * (size + 1))) {
      std::fprintf(stderr, "ErrorPos %d outside the template: %s\n", report.ErrorPos, e.what());
      std::abort();
    }
  }
  return 0;
}
