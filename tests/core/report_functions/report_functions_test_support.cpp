#include "report_functions_test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "db/db.h"
#include "db/driver.h"
#include "util/settings.h"

namespace bexlo::testing {

namespace fs = std::filesystem;

void ReportFunctionsTest::SetUp() {
  static int counter = 0;
  dir_ = (fs::temp_directory_path() /
          ("bexlo-rf-" + std::to_string(getpid()) + "-" + std::to_string(++counter)))
             .string();
  fs::create_directories(dir_);
  saved_app_dir_ = ApplicationDir;
  ApplicationDir = dir_ + "/";
  db_ = dir_ + "/test.db";
  CreateSqliteDatabase(db_);
  out_ = dir_ + "/out.prn";
  report_ = std::make_unique<TQoReport>();
}

void ReportFunctionsTest::TearDown() {
  report_.reset();
  Session().DropConnections();
  ApplicationDir = saved_app_dir_;
  std::error_code error;
  fs::remove_all(dir_, error);
}

void ReportFunctionsTest::Exec(const std::string& sql) { Session().OpenDatabase(db_)->Execute(sql); }

std::string ReportFunctionsTest::Scalar(const std::string& sql, const std::string& database) {
  TQuery query;
  query.SetDatabaseName(database.empty() ? db_ : database);
  query.SetSQLText(sql);
  query.Open();
  return query.Fields(0)->AsString();
}

std::string ReportFunctionsTest::LocalTables() const { return dir_ + "/"; }

void ReportFunctionsTest::Prepare(const std::string& templateText) {
  report_->DataBaseName = db_;
  report_->PrintName = out_;
  report_->FormatSource().SetText(templateText);
  report_->Prepare();
}

std::string ReportFunctionsTest::Run(const std::string& templateText) {
  Prepare(templateText);
  report_->Execute();
  return Output();
}

std::string ReportFunctionsTest::Output() const {
  std::ifstream in(out_, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TReportVar& ReportFunctionsTest::Var(std::string_view name) {
  TReportVar* cell = report_->GetVarByName(name);
  if (!cell) throw std::runtime_error("no variable " + std::string(name));
  return *cell;
}

}  // namespace bexlo::testing
