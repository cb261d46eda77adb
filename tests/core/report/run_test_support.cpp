#include "run_test_support.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "db/database.h"
#include "db/driver.h"
#include "output/output_format.h"
#include "util/settings.h"

namespace bexlo::testing {

namespace fs = std::filesystem;

void ReportRunTest::SetUp() {
  static int counter = 0;
  dir_ = (fs::temp_directory_path() / ("bexlo-report-" + std::to_string(getpid()) + "_" + std::to_string(++counter)))
             .string();
  fs::remove_all(dir_);
  fs::create_directories(dir_);
  saved_app_dir_ = ApplicationDir;
  ApplicationDir = dir_ + "/";
  CreateSqliteDatabase(dir_ + "/test.sqlite");
  Session().AddAlias("rep", "sqlite:" + dir_ + "/test.sqlite");
  printer_.SetMargins(0, 0, 0, 0);
  SetPageLines(60);
}

void ReportRunTest::TearDown() {
  Session().DropConnections();
  Session().DeleteAlias("rep");
  ApplicationDir = saved_app_dir_;
  std::error_code ec;
  fs::remove_all(dir_, ec);
}

std::vector<std::string> ReportRunTest::WorkFilesLeft() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir_)) {
    std::string name = entry.path().filename().string();
    if (name.starts_with(".")) names.push_back(std::move(name));
  }
  return names;
}

void ReportRunTest::Exec(const std::string& sql) {
  std::stringstream in(sql);
  std::string statement;
  while (std::getline(in, statement, ';')) {
    if (statement.find_first_not_of(" \n\t") == std::string::npos) continue;
    auto q = Query(statement);
    q->ExecSQL();
  }
}

std::unique_ptr<TQuery> ReportRunTest::Query(const std::string& sql) {
  auto q = std::make_unique<TQuery>();
  q->SetDatabaseName("rep");
  q->SetSQLText(sql);
  return q;
}

int ReportRunTest::LineHeight() {
  int code = kDefaultFontCode, size = kDefaultFontSize;
  return CalcFontMetrics(printer_, "X", code, size, 0, false).Height;
}

void ReportRunTest::SetPageLines(int lines) {
  // Room for `lines` lines and half of one more: line lines+1 does not fit.
  const double pixels = (lines + 0.5) * LineHeight();
  printer_.SetCustomPaper(100, pixels * 25.4 / printer_.DPI());
  printer_.SetPaper(TPaperSize::psCustom);
}

std::unique_ptr<TQoReport> ReportRunTest::MakeReport(std::string_view templateText) {
  auto report = std::make_unique<TQoReport>();
  report->SetPrinterModel(&printer_);
  report->DataBaseName = "rep";
  report->PrintName = "out.prn";
  report->FormatSource().SetText(std::string(templateText));
  return report;
}

std::string ReportRunTest::Run(TQoReport& report) {
  report.Prepare();
  report.Execute();
  const std::string path = ExpandOutputPath(report.PrintName);
  return Exists(path) ? ReadFile(path) : std::string();
}

std::string ReportRunTest::Run(std::string_view templateText, TDataSet* dataSet) {
  auto report = MakeReport(templateText);
  report->SetDataSet(dataSet);
  return Run(*report);
}

std::string ReportRunTest::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void ReportRunTest::WriteFile(const std::string& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

bool ReportRunTest::Exists(const std::string& path) { return fs::exists(path); }

std::string ReportRunTest::Expected(const std::string& name) {
  const std::string path = std::string(BEXLO_TEST_DATA) + "/report/" + name;
  EXPECT_TRUE(Exists(path)) << path;
  return ReadFile(path);
}

std::string ReportRunTest::Crlf(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    out += line;
    out += "\r\n";
  }
  return out;
}

}  // namespace bexlo::testing
