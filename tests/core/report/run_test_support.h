// Fixture for report-run tests: a private directory that is the application directory, an
// SQLite database in it under the alias "rep", a printer whose page holds a chosen number of
// default-font lines, and helpers to run a template and compare the output with an expected
// file of tests/data/report.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "db/query.h"
#include "output/printer_model.h"
#include "report/qo_report.h"

namespace bexlo::testing {

class ReportRunTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs SQL statements (";"-separated) on the test database.
  void Exec(const std::string& sql);
  // A query on the test database (not open).
  std::unique_ptr<TQuery> Query(const std::string& sql);
  // Pages of `lines` default-font lines (10 pt Courier New) on the test printer.
  void SetPageLines(int lines);
  // Height in printer pixels of one default-font line.
  int LineHeight();

  // A report on the test printer with the template given as text ("\n" between lines), the
  // database "rep" and the output "out.prn" in the test directory.
  std::unique_ptr<TQoReport> MakeReport(std::string_view templateText);
  // Prepare and Execute; returns the output's bytes ("" when there is no output file).
  std::string Run(TQoReport& report);
  std::string Run(std::string_view templateText, TDataSet* dataSet = nullptr);

  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  static std::string ReadFile(const std::string& path);
  static void WriteFile(const std::string& path, std::string_view bytes);
  static bool Exists(const std::string& path);
  // Names of the hidden files in the test directory: what a run writes beside its output
  // before putting it in place. A finished run leaves none.
  std::vector<std::string> WorkFilesLeft() const;
  // The expected output tests/data/report/<name>, byte for byte.
  static std::string Expected(const std::string& name);
  // Lines joined with CR LF, each line ended by it.
  static std::string Crlf(const std::vector<std::string>& lines);

  TPrinterModel printer_;
  std::string dir_;

 private:
  std::string saved_app_dir_;
};

}  // namespace bexlo::testing
