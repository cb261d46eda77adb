// The real client: LibreOffice headless reads the spreadsheet and the documents the servers
// wrote, converts them (the spreadsheet to a flat OpenDocument file, which names every cell's
// value type; the documents to PDF), and the test checks what it read. Two soffice runs in all.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <regex>

#include "automation/office_servers.h"
#include "office_test_support.h"
#include "report/office_export.h"
#include "report/ole_link.h"
#include "report_functions_test_support.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

std::string Capture(const std::string& command) {
  std::string out;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return out;
  char buffer[4096];
  while (std::size_t n = fread(buffer, 1, sizeof buffer, pipe.get())) out.append(buffer, n);
  return out;
}

bool Have(const std::string& program) {
  return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

class LibreOfficeTest : public ReportFunctionsTest {
 protected:
  void SetUp() override {
    ReportFunctionsTest::SetUp();
    RegisterOfficeServers();
    RevokeActiveObject(ExcelClassId());
    RevokeActiveObject(WordClassId());
    TOLELink::ReleaseApplications();
  }
  void TearDown() override {
    RevokeActiveObject(ExcelClassId());
    RevokeActiveObject(WordClassId());
    TOLELink::ReleaseApplications();
    OfficeFileName.clear();
    ReportFunctionsTest::TearDown();
  }
  // Converts the files (in dir_) to `format` with a private LibreOffice profile.
  void Convert(const std::string& format, const std::vector<std::string>& files) {
    std::string command = "cd '" + dir_ + "' && HOME='" + dir_ + "' soffice -env:UserInstallation=file://" + dir_ +
                          "/lo-profile --headless --norestore --convert-to " + format + " --outdir '" + dir_ + "'";
    for (const std::string& file : files) command += " '" + file + "'";
    command += " >'" + dir_ + "/soffice.log' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << ReadFile(dir_ + "/soffice.log");
  }
};

TEST_F(LibreOfficeTest, ReadsTheSpreadsheetAndTheDocumentsAsWrittenByLibreOffice) {
  if (!Have("soffice")) GTEST_SKIP() << "LibreOffice (soffice) is not installed: scripts/install-deps brings it";
  if (!Have("pdffonts")) GTEST_SKIP() << "poppler-utils (pdffonts) is not installed: scripts/install-deps brings it";

  // The spreadsheet, through the office functions.
  Prepare(".VARS\n"
          "CODE := '007'\n"
          "QTY := 3\n"
          "PRICE := 12.5\n"
          "DAY := StrToDate('03/02/2024')\n"
          "OK := TRUE\n"
          "CITY := 'Łódź'\n"
          "L := OpenOLE('EXCEL')\n"
          "AddVarsOLE(L, CODE, QTY, PRICE, DAY, OK, CITY)\n"
          "AddRecordOLE(L)\n"
          "CODE := '0420'\n"
          "QTY := 4.5\n"
          "OK := FALSE\n"
          "AddRecordOLE(L)\n"
          "CloseOLE(L)\n");
  ASSERT_TRUE(fs::exists(dir_ + "/out.xlsx"));

  // Two documents: a three-page landscape export of an output file, and a table.
  std::string prn;
  for (int page = 1; page <= 3; ++page) {
    prn += (page > 1 ? "^" : "") + std::string("\\F1:14Page ") + std::to_string(page) + " in Arial bold\r\n";
    prn += "\\F16:10Courier New regular " + std::to_string(page) + "\r\n";
    prn += "\\F34:12Times New Roman italic\r\n";
  }
  prn += "\\F255:10The end\r\n";
  WriteFile(dir_ + "/export.prn", prn);
  ExportOutputToDocx(dir_ + "/export.prn", dir_ + "/export.docx", TPrinterOrientation::poLandscape);
  report_ = std::make_unique<TQoReport>();
  Prepare(".VARS\nNAME := 'Eco Planter'\nPRICE := 28.8\nL := OpenOLE('WORD')\nAddVarsOLE(L, NAME, PRICE)\n"
          "AddRecordOLE(L)\nCloseOLE(L)\n");
  ASSERT_TRUE(fs::exists(dir_ + "/out.docx"));

  Convert("fods", {"out.xlsx"});
  Convert("pdf", {"export.docx", "out.docx"});

  // Cell values and their types.
  const std::string fods = ReadFile(dir_ + "/out.fods");
  ASSERT_FALSE(fods.empty());
  auto cell = [&](const std::string& pattern) { return std::regex_search(fods, std::regex(pattern)); };
  EXPECT_TRUE(cell(R"(office:value-type="string"[^>]*>\s*<text:p>CODE</text:p>)"));
  EXPECT_TRUE(cell(R"(office:value-type="string"[^>]*>\s*<text:p>007</text:p>)"));
  EXPECT_TRUE(cell(R"(office:value-type="string"[^>]*>\s*<text:p>0420</text:p>)"));
  EXPECT_TRUE(cell(R"(office:value-type="float" office:value="3"[^>]*>\s*<text:p>3</text:p>)"));
  EXPECT_TRUE(cell(R"(office:value-type="float" office:value="4.5"[^>]*>\s*<text:p>4.5</text:p>)"));
  EXPECT_TRUE(cell(R"(office:value-type="float" office:value="12.5")"));
  EXPECT_TRUE(cell(R"(office:value-type="date" office:date-value="2024-02-03"[^>]*>\s*<text:p>03/02/2024</text:p>)"));
  // Booleans come back as the spreadsheet's TRUE() and FALSE().
  EXPECT_TRUE(cell(R"re(table:formula="of:=TRUE\(\)"[^>]*>\s*<text:p>TRUE</text:p>)re"));
  EXPECT_TRUE(cell(R"re(table:formula="of:=FALSE\(\)"[^>]*>\s*<text:p>FALSE</text:p>)re"));
  EXPECT_TRUE(cell(R"(<text:p>Łódź</text:p>)"));

  // The export: pages, orientation, fonts and text.
  const std::string info = Capture("pdfinfo '" + dir_ + "/export.pdf'");
  EXPECT_NE(info.find("Pages:           3"), std::string::npos) << info;
  EXPECT_TRUE(std::regex_search(info, std::regex(R"(Page size:\s+841\.8\d* x 595\.\d+ pts)"))) << info;
  const std::string fonts = Capture("pdffonts '" + dir_ + "/export.pdf'");
  EXPECT_NE(fonts.find("LiberationSans-Bold"), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("LiberationMono "), std::string::npos) << fonts;
  EXPECT_NE(fonts.find("LiberationSerif-Italic"), std::string::npos) << fonts;
  const std::string text = Capture("pdftotext -layout '" + dir_ + "/export.pdf' -");
  EXPECT_TRUE(std::regex_search(text, std::regex(
      "Page 1 in Arial bold\\s+Courier New regular 1\\s+Times New Roman italic\\s*\f\\s*Page 2 in Arial bold")))
      << text;
  EXPECT_NE(text.find("The end"), std::string::npos);

  // The table document: portrait, one page, the header row and the record.
  EXPECT_NE(Capture("pdfinfo '" + dir_ + "/out.pdf'").find("Pages:           1"), std::string::npos);
  const std::string table = Capture("pdftotext -layout '" + dir_ + "/out.pdf' -");
  EXPECT_TRUE(std::regex_search(table, std::regex("NAME\\s+PRICE"))) << table;
  EXPECT_TRUE(std::regex_search(table, std::regex("Eco Planter\\s+28\\.8"))) << table;
}

}  // namespace
}  // namespace bexlo::testing
