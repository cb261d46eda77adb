// A template report over a fresh SQLite database in a temporary directory that is also the
// program's directory (so local tables and relative output names land there too).
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "report/qo_report.h"

namespace bexlo::testing {

class ReportFunctionsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Runs an SQL script on the test database (outside any report).
  void Exec(const std::string& sql);
  // The first column of the first row of sql on `database` (default: the test database).
  std::string Scalar(const std::string& sql, const std::string& database = {});
  // The local-tables database of the temporary directory.
  std::string LocalTables() const;

  // Prepares the template (lines joined by "\n") on the test database.
  void Prepare(const std::string& templateText);
  // Prepare, Execute, and the output file's bytes ("" when no output was written).
  std::string Run(const std::string& templateText);
  std::string Output() const;

  TReportVar& Var(std::string_view name);

  std::string dir_;
  std::string db_;
  std::string out_;
  std::string saved_app_dir_;
  std::unique_ptr<TQoReport> report_;
};

}  // namespace bexlo::testing
