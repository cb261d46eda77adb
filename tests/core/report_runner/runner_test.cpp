// bexlo-report: option parsing, error positions, and the program run on real templates.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "runner.h"
#include "runner_options.h"
#include "util/strings.h"

namespace bexlo::runner {
namespace {

namespace fs = std::filesystem;

// ---- option parsing ----------------------------------------------------------------------------------

TEST(RunnerOptions, ReadsEveryOption) {
  const TCommandLine line = ParseCommandLine(
      {"run", "t.fmt", "--database", "db.sqlite", "--query=select 1", "--out", "o.prn", "--one-record",
       "--set", "A=1.5", "--set", "B=x=y", "--landscape", "--paper", "100x150", "--dpi", "600",
       "--margins", "1,2,3,4", "--templates", "parts", "--system-locale"});
  const TRunOptions& o = line.Options;
  EXPECT_EQ(line.Action, TCommandLine::TAction::Run);
  EXPECT_EQ(o.Template, "t.fmt");
  EXPECT_EQ(o.Database, "db.sqlite");
  EXPECT_EQ(o.Query, "select 1");
  EXPECT_EQ(o.Out, "o.prn");
  EXPECT_TRUE(o.OneRecord && o.Landscape && o.SystemLocale);
  ASSERT_EQ(o.Sets.size(), 2u);
  EXPECT_EQ(o.Sets[1], (TRunOptions::TSet{"B", "x=y", false}));
  EXPECT_EQ(*o.Dpi, 600);
  EXPECT_EQ(*o.MarginLeft, 1);
  EXPECT_EQ(*o.MarginBottom, 4);
  EXPECT_EQ(o.TemplatesDir, "parts");
  const TPaperChoice paper = ParsePaper(*o.Paper);
  EXPECT_EQ(paper.Kind, TPaperChoice::TKind::Custom);
  EXPECT_EQ(paper.HeightMm, 150);

  const TRunOptions defaults = ParseCommandLine({"run", "t.fmt"}).Options;
  EXPECT_EQ(defaults.Out, "report.prn");
  EXPECT_FALSE(defaults.Dpi || defaults.Paper || defaults.MarginLeft);
  EXPECT_EQ(ParseCommandLine({"--help"}).Action, TCommandLine::TAction::Help);
}

TEST(RunnerOptions, RefusesWrongCommandLines) {
  const std::vector<std::vector<std::string>> wrong = {
      {},
      {"print", "t.fmt"},
      {"run"},
      {"run", "a.fmt", "b.fmt"},
      {"run", "t.fmt", "--out"},
      {"run", "t.fmt", "--bogus"},
      {"run", "t.fmt", "--set", "novalue"},
      {"run", "t.fmt", "--set", "1X=2"},
      {"run", "t.fmt", "--dpi", "30"},
      {"run", "t.fmt", "--dpi", "300dpi"},
      {"run", "t.fmt", "--paper", "a3"},
      {"run", "t.fmt", "--paper", "5x5"},
      {"run", "t.fmt", "--margins", "1,2"},
      {"run", "t.fmt", "--margins", "-1"},
      {"run", "t.fmt", "--landscape=yes"},
  };
  for (const auto& args : wrong) EXPECT_THROW(ParseCommandLine(args), TUsageError) << ::testing::PrintToString(args);
}

TEST(RunnerOptions, ErrorOffsetsBecomeLinesAndColumnsCountingCodePoints) {
  TStringList lines;
  lines.SetText("ab\n\xC3\xA9\xC3\xA9x\n\nz");  // "ab", "ééx", "", "z"
  auto at = [&](int offset) {
    const TTextPosition p = PositionOfOffset(lines, offset);
    return std::to_string(p.Line) + ":" + std::to_string(p.Column);
  };
  EXPECT_EQ(at(0), "1:1");
  EXPECT_EQ(at(1), "1:2");
  EXPECT_EQ(at(4), "2:1");  // "ab" and its line break take 4
  EXPECT_EQ(at(6), "2:3");  // two code points of two bytes each
  EXPECT_EQ(at(9), "3:1");
  EXPECT_EQ(at(11), "4:1");
  EXPECT_EQ(at(50), "5:1");
}

// ---- the program -------------------------------------------------------------------------------------

class RunnerProgram : public ::testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    dir_ = fs::temp_directory_path() / ("bexlo-runner-" + std::to_string(getpid()) + "-" + std::to_string(++counter));
    fs::create_directories(dir_);
    Write("make.sql",
          "create table t (id integer primary key, grp varchar(5), amount numeric(10,2));\n"
          "insert into t values (1, 'a', 10.5), (2, 'a', 4), (3, 'b', 7.25);\n");
    Shell("sqlite3 " + Quote((dir_ / "data.db").string()) + " < " + Quote((dir_ / "make.sql").string()));
  }
  void TearDown() override { fs::remove_all(dir_); }

  void Write(const std::string& name, const std::string& text) {
    fs::create_directories((dir_ / name).parent_path());
    std::ofstream(dir_ / name, std::ios::binary) << text;
  }
  std::string Read(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  static std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
  }
  int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Runs bexlo-report in the test directory; its exit status, with stdout and stderr kept.
  int Run(const std::vector<std::string>& args, const std::string& environment = {}) {
    std::string command = "cd " + Quote(dir_.string()) + " && " + environment + " " + Quote(BEXLO_REPORT_PROGRAM);
    for (const std::string& a : args) command += " " + Quote(a);
    command += " > stdout.txt 2> stderr.txt";
    const int status = Shell(command);
    out_ = Read(dir_ / "stdout.txt");
    err_ = Read(dir_ / "stderr.txt");
    return status;
  }

  fs::path dir_;
  std::string out_, err_;
};

TEST_F(RunnerProgram, RunsATemplateWithItsSqlSectionAndVariables) {
  Write("list.fmt",
        ".SQL\n"
        "select id, grp, amount from t where amount > :LIMIT order by id\n"
        ".VARS\n"
        "Group2 := GRP\n"
        ".HEADER2\n"
        "[@GRP] @TITLE @DAY:4.2\n"
        ".DETAIL\n"
        "@ID:-3 @AMOUNT:-8.2 @NOTE\n"
        ".FOOTER2\n"
        "sum @AMOUNT:-8.2\n");
  ASSERT_EQ(Run({"run", "list.fmt", "--database", "data.db", "--set", "LIMIT=5", "--set", "TITLE=Amounts",
                 "--set", "NOTE=1,5", "--set", "DAY=3.25"}),
            0)
      << err_;
  // Default output: report.prn in the current directory, its path on standard output.
  EXPECT_EQ(out_, (fs::canonical(dir_) / "report.prn").string() + "\n");
  EXPECT_EQ(Read(dir_ / "report.prn"),
            "[a] Amounts 3.25\r\n"
            "  1    10.50 1,5\r\n"
            "sum    10.50\r\n"
            "[b] Amounts 3.25\r\n"
            "  3     7.25 1,5\r\n"
            "sum     7.25\r\n");
  EXPECT_EQ(err_, "");
}

TEST_F(RunnerProgram, WalksTheQueryOfTheCommandLine) {
  Write("rows.fmt", ".DETAIL\n@ID @GRP\n");
  ASSERT_EQ(Run({"run", "rows.fmt", "--database", "data.db", "--query", "select id, grp from t where id >= :FROM",
                 "--set", "FROM=2", "--out", "sub/rows.prn"}),
            1);  // the directory of the output does not exist
  EXPECT_NE(err_.find("error: "), std::string::npos);
  fs::create_directories(dir_ / "sub");
  ASSERT_EQ(Run({"run", "rows.fmt", "--database", "data.db", "--query", "select id, grp from t where id >= :FROM",
                 "--set", "FROM=2", "--out", "sub/rows.prn"}),
            0)
      << err_;
  EXPECT_EQ(Read(dir_ / "sub/rows.prn"), "2 a\r\n3 b\r\n");
}

TEST_F(RunnerProgram, ReportsErrorsWithTheirTemplatePosition) {
  Write("bad.fmt", ".VARS\nX := 1\nY := (X + \n");
  EXPECT_EQ(Run({"run", "bad.fmt"}), 1);
  EXPECT_EQ(err_.substr(0, 7), "error: ");
  EXPECT_NE(err_.find("at line 3, column"), std::string::npos) << err_;

  Write("abort.fmt", ".VARS\nX := 1\nAbort('Stopped by the template')\n");
  EXPECT_EQ(Run({"run", "abort.fmt"}), 1);
  EXPECT_EQ(err_.substr(0, err_.find('\n')), "error: Stopped by the template");
  EXPECT_NE(err_.find("at line 3, column "), std::string::npos) << err_;

  EXPECT_EQ(Run({"run", "missing.fmt"}), 1);
  EXPECT_NE(err_.find("missing.fmt"), std::string::npos) << err_;
  EXPECT_EQ(err_.find("at line"), std::string::npos) << err_;

  EXPECT_EQ(Run({"run", "bad.fmt", "--dpi", "many"}), 2);
  EXPECT_NE(err_.find("usage: bexlo-report run TEMPLATE"), std::string::npos);
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.find("--templates DIR"), std::string::npos);
}

TEST_F(RunnerProgram, ExportsTheOutputAndSavesOfficeDocuments) {
  Write("doc.fmt", ".VARS\nA := 1\nL := OpenOLE('EXCEL')\nAddVarsOLE(L, A)\nAddRecordOLE(L)\nCloseOLE(L)\n"
                   ".REPORTHEADER\n\\F33:14Title\nbody\n");
  ASSERT_EQ(Run({"run", "doc.fmt", "--one-record", "--out", "doc.prn", "--docx", "doc.word", "--office-file", "sheet"}), 0)
      << err_;
  // The document's extension replaces the name's; the paths are printed after the output's.
  EXPECT_EQ(out_, (fs::canonical(dir_) / "doc.prn").string() + "\n" + (fs::canonical(dir_) / "doc.docx").string() + "\n");
  EXPECT_EQ(Read(dir_ / "doc.docx").substr(0, 2), "PK");
  EXPECT_EQ(Read(dir_ / "sheet.xlsx").substr(0, 2), "PK");
  EXPECT_FALSE(fs::exists(dir_ / "doc.xlsx"));

  // A document that cannot be saved: the guard's message on the error stream, exit status 1.
  ASSERT_EQ(Run({"run", "doc.fmt", "--one-record", "--out", "doc.prn", "--office-file", "none/sheet"}), 1);
  EXPECT_EQ(err_.rfind("error: Error in OLE application: Cannot save the document ", 0), 0u) << err_;
  EXPECT_EQ(std::count(err_.begin(), err_.end(), '\n'), 1) << err_;
  EXPECT_EQ(ParseCommandLine({"run", "t.fmt", "--docx", "a.docx"}).Options.Docx, "a.docx");
}

TEST_F(RunnerProgram, FindsIncludedTemplatesAsFiles) {
  Write("main/report.fmt",
        ".SQL\n"
        "select id from t order by id\n"
        ".VARS\n"
        "SUB := Include('parts', 'line')\n"
        "NONE := Include('..', 'report')\n"
        ".DETAIL\n"
        "@SUB\n");
  Write("main/parts/line.fmt", ".DETAIL\nincluded @ID\n");
  ASSERT_EQ(Run({"run", "main/report.fmt", "--database", "data.db", "--out", "a.prn"}), 0) << err_;
  EXPECT_EQ(Read(dir_ / "a.prn"), "included 1\r\nincluded 2\r\nincluded 3\r\n");

  fs::rename(dir_ / "main/parts", dir_ / "elsewhere");
  fs::create_directories(dir_ / "lib");
  fs::rename(dir_ / "elsewhere", dir_ / "lib/parts");
  ASSERT_EQ(Run({"run", "main/report.fmt", "--database", "data.db", "--out", "b.prn", "--templates", "lib"}), 0)
      << err_;
  EXPECT_EQ(Read(dir_ / "b.prn"), "included 1\r\nincluded 2\r\nincluded 3\r\n");
}

TEST_F(RunnerProgram, SourceDateEpochFixesTheCurrentDateAndTime) {
  Write("now.fmt", ".VARS\nSTAMP := CURDATE\n.REPORTHEADER\n@STAMP\n.DETAIL\n@CURDATE @CURTIME\n");
  // 2025-01-15 12:30:00 UTC
  ASSERT_EQ(Run({"run", "now.fmt", "--one-record", "--out", "now.prn"}, "SOURCE_DATE_EPOCH=1736944200"), 0) << err_;
  EXPECT_EQ(Read(dir_ / "now.prn"), "15/01/2025\r\n15/01/2025 12:30:00\r\n");
}

TEST_F(RunnerProgram, PrinterOptionsChangeThePageLength) {
  std::string lines = ".SQL\nselect id from t\n.PAGEHEADER\npage @PAGENUM\n.DETAIL\n";
  for (int i = 0; i < 40; ++i) lines += "@ID line\n";
  Write("long.fmt", lines);
  auto pages = [&](std::vector<std::string> extra) {
    std::vector<std::string> args = {"run", "long.fmt", "--database", "data.db", "--out", "long.prn"};
    args.insert(args.end(), extra.begin(), extra.end());
    EXPECT_EQ(Run(args), 0) << err_;
    const std::string text = Read(dir_ / "long.prn");
    return 1 + static_cast<int>(std::count(text.begin(), text.end(), '^'));
  };
  const int a4 = pages({});
  EXPECT_GT(pages({"--landscape"}), a4);
  EXPECT_GT(pages({"--paper", "100x150"}), pages({"--paper", "letter"}));
  EXPECT_LT(pages({"--margins", "0"}), pages({"--margins", "40"}));
}

TEST_F(RunnerProgram, SetTextKeepsLeadingZerosAndSaysWhichToUse) {
  const TCommandLine line = ParseCommandLine({"run", "t.fmt", "--set", "A=0171", "--set-text", "ZIP=0171"});
  ASSERT_EQ(line.Options.Sets.size(), 2u);
  EXPECT_FALSE(line.Options.Sets[0].Text);
  EXPECT_EQ(line.Options.Sets[1], (TRunOptions::TSet{"ZIP", "0171", true}));
  EXPECT_THROW(ParseCommandLine({"run", "t.fmt", "--set-text", "0ZIP=1"}), TUsageError);

  Write("zip.fmt", ".DETAIL\n[@ZIP] [@NUM] [@ACC]\n");
  ASSERT_EQ(Run({"run", "zip.fmt", "--one-record", "--out", "zip.prn", "--set-text", "ZIP=0171", "--set", "NUM=0171",
                 "--set-text=ACC=00012.50"}),
            0)
      << err_;
  EXPECT_EQ(Read(dir_ / "zip.prn"), "[0171] [171] [00012.50]\r\n");
  // A query parameter filled by --set-text is compared as text.
  Write("codes.sql", "create table codes (code varchar(5)); insert into codes values ('0171'), ('171');\n");
  Shell("sqlite3 " + Quote((dir_ / "data.db").string()) + " < " + Quote((dir_ / "codes.sql").string()));
  Write("codes.fmt", ".DETAIL\n<@CODE>\n");
  ASSERT_EQ(Run({"run", "codes.fmt", "--database", "data.db", "--query", "select code from codes where code = :C",
                 "--set-text", "C=0171", "--out", "codes.prn"}),
            0)
      << err_;
  EXPECT_EQ(Read(dir_ / "codes.prn"), "<0171>\r\n");
  EXPECT_EQ(Run({"--help"}), 0);
  EXPECT_NE(out_.find("--set-text NAME=VALUE"), std::string::npos);
  EXPECT_NE(out_.find("leading zeros"), std::string::npos);
}

TEST_F(RunnerProgram, SqlErrorsPointIntoTheSqlSection) {
  Write("sql.fmt",
        ".VARS\n"
        "X := 1\n"
        ".SQL\n"
        "select id, grp\n"
        "  from t where id > :FROM and\n"
        "  nosuch = 1\n"
        ".DETAIL\n"
        "@ID\n");
  EXPECT_EQ(Run({"run", "sql.fmt", "--database", "data.db", "--set", "FROM=0"}), 1);
  EXPECT_EQ(err_, "error: no such column: nosuch\nat line 6, column 3 of sql.fmt\n");
  Write("syntax.fmt", ".SQL\nselect id fromm t\n.DETAIL\n@ID\n");
  EXPECT_EQ(Run({"run", "syntax.fmt", "--database", "data.db"}), 1);
  EXPECT_NE(err_.find("at line 2, column 17 of syntax.fmt"), std::string::npos) << err_;
}

TEST_F(RunnerProgram, FailuresOutsideTheTemplateHaveNoTemplatePosition) {
  // Scripts ran (the VARS block, the per-record script) before each failure.
  Write("rows.fmt", ".VARS\nN := 0\n.SQL\nselect id from t\n.DETAIL\n#N := N + 1\n@ID @N\n");
  // An output path that cannot be made.
  EXPECT_EQ(Run({"run", "rows.fmt", "--database", "data.db", "--out", "no/such/dir/out.prn"}), 1);
  EXPECT_NE(err_.find("error: Cannot create the report output"), std::string::npos) << err_;
  EXPECT_EQ(err_.find("at line"), std::string::npos) << err_;
  // A database that is not there.
  EXPECT_EQ(Run({"run", "rows.fmt", "--database", "gone.db"}), 1);
  EXPECT_EQ(err_, "error: database file not found: gone.db\n");
  EXPECT_FALSE(fs::exists(dir_ / "gone.db"));
  // A disk that fills up half way (a file-size limit of 1 KB, SIGXFSZ ignored), over an earlier
  // output that must survive.
  std::string big = ".VARS\nN := 0\n.SQL\nselect id from t\n.DETAIL\n#N := N + 1\n";
  for (int i = 0; i < 40; ++i) big += "@ID @N ------------------------------------------------\n";
  Write("big.fmt", big);
  Write("big.prn", "yesterday\r\n");
  EXPECT_EQ(Run({"run", "big.fmt", "--database", "data.db", "--out", "big.prn"}, "trap '' XFSZ; ulimit -f 1;"), 1);
  EXPECT_NE(err_.find("error: Cannot write the report output"), std::string::npos) << err_;
  EXPECT_EQ(err_.find("at line"), std::string::npos) << err_;
  EXPECT_EQ(Read(dir_ / "big.prn"), "yesterday\r\n");
}

TEST_F(RunnerProgram, AnEmptyRunSaysSoAndTheDatabaseFileIsUntouched) {
  const fs::path db = dir_ / "data.db";
  auto listing = [&] {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_))
      if (entry.path().extension() != ".txt") names.insert(entry.path().filename().string());
    return names;
  };
  Write("rows.fmt", ".SQL\nselect id, amount from t where id > :FROM\n.DETAIL\n@ID @AMOUNT\n");
  const std::string header = Read(db).substr(0, 100);
  const std::string before = Read(db);
  const std::set<std::string> names = listing();
  ASSERT_EQ(Run({"run", "rows.fmt", "--database", "data.db", "--set", "FROM=0", "--out", "rows.prn"}), 0) << err_;
  EXPECT_EQ(Read(db).substr(0, 100), header);
  EXPECT_EQ(Read(db), before);
  std::set<std::string> after = names;
  after.insert("rows.prn");
  EXPECT_EQ(listing(), after);  // no -wal, -shm or -journal file beside the database

  // No record: no output, the earlier one removed, and the runner says so.
  ASSERT_EQ(Run({"run", "rows.fmt", "--database", "data.db", "--set", "FROM=99", "--out", "rows.prn"}), 0) << err_;
  EXPECT_EQ(out_, "no records printed: no output written\n");
  EXPECT_FALSE(fs::exists(dir_ / "rows.prn"));
  EXPECT_EQ(Read(db), before);
}

TEST_F(RunnerProgram, AWindows1251TemplateRuns) {
  // ".DETAIL", "Строка @ID", "#Сумма := Сумма + ID" and a VARS block, in Windows-1251.
  Write("legacy.fmt",
        ".VARS\r\n\xD1\xF3\xEC\xEC\xE0 := 0\r\n.SQL\r\nselect id from t order by id\r\n.DETAIL\r\n"
        "#\xD1\xF3\xEC\xEC\xE0 := \xD1\xF3\xEC\xEC\xE0 + ID\r\n\xD1\xF2\xF0\xEE\xEA\xE0 @ID @\xD1\xF3\xEC\xEC\xE0\r\n");
  ASSERT_EQ(Run({"run", "legacy.fmt", "--database", "data.db", "--out", "legacy.prn"}), 0) << err_;
  EXPECT_EQ(Read(dir_ / "legacy.prn"), "Строка 1 1\r\nСтрока 2 3\r\nСтрока 3 6\r\n");
}

}  // namespace
}  // namespace bexlo::runner

// ---- after the run: preview, PDF, printing -------------------------------------------------------

namespace bexlo::runner {
namespace {

TEST(RunnerOptions, ReadsWhatHappensToTheOutputAfterTheRun) {
  TCommandLine line = ParseCommandLine({"run", "t.fmt"});
  EXPECT_FALSE(line.Options.ShowsOutput());
  line = ParseCommandLine({"run", "t.fmt", "--preview", "--pdf", "t.pdf", "--print"});
  EXPECT_TRUE(line.Options.Preview);
  EXPECT_EQ(line.Options.Pdf, "t.pdf");
  ASSERT_TRUE(line.Options.PrintTo.has_value());
  EXPECT_EQ(*line.Options.PrintTo, "");
  EXPECT_TRUE(line.Options.ShowsOutput());
  // The printer name: inline, or the next word once the template is known.
  EXPECT_EQ(*ParseCommandLine({"run", "t.fmt", "--print", "Office"}).Options.PrintTo, "Office");
  EXPECT_EQ(*ParseCommandLine({"run", "t.fmt", "--print=Office"}).Options.PrintTo, "Office");
  line = ParseCommandLine({"run", "--print", "t.fmt"});
  EXPECT_EQ(line.Options.Template, "t.fmt");
  EXPECT_EQ(*line.Options.PrintTo, "");
  EXPECT_EQ(*ParseCommandLine({"run", "t.fmt", "--print", "--preview"}).Options.PrintTo, "");
  EXPECT_THROW(ParseCommandLine({"run", "t.fmt", "--pdf"}), TUsageError);
  EXPECT_THROW(ParseCommandLine({"run", "t.fmt", "--pdf="}), TUsageError);
  EXPECT_THROW(ParseCommandLine({"run", "t.fmt", "--preview=yes"}), TUsageError);
}


TEST_F(RunnerProgram, WritesAPdfWithoutADisplayAndRefusesThePreviewThere) {
  Write("two.fmt", ".SQL\nselect id, amount from t order by id\n.DETAIL\nrow @ID amount @AMOUNT\n");
  const std::string headless = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
  ASSERT_EQ(Run({"run", "two.fmt", "--database", "data.db", "--out", "two.prn", "--pdf", "two.pdf"}, headless), 0)
      << err_;
  EXPECT_NE(out_.find("two.pdf"), std::string::npos);
  EXPECT_EQ(Read(dir_ / "two.pdf").rfind("%PDF-", 0), 0u);
  Shell("pdftotext " + Quote((dir_ / "two.pdf").string()) + " " + Quote((dir_ / "two.txt").string()));
  EXPECT_NE(Read(dir_ / "two.txt").find("row 3 amount 7"), std::string::npos);

  EXPECT_EQ(Run({"run", "two.fmt", "--database", "data.db", "--out", "two.prn", "--preview"}, headless), 1);
  EXPECT_NE(err_.find("--preview needs a display"), std::string::npos);
  // The run itself was done.
  EXPECT_NE(Read(dir_ / "two.prn").find("row 1"), std::string::npos);
}

TEST_F(RunnerProgram, PrintingToAPrinterThatIsNotThereFailsClearly) {
  Write("one.fmt", ".DETAIL\nhello\n");
  const std::string headless = "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM";
  EXPECT_EQ(Run({"run", "one.fmt", "--one-record", "--out", "one.prn", "--print", "No-Such-Printer-Here"}, headless), 1);
  EXPECT_NE(err_.find("error: There is no printer named No-Such-Printer-Here"), std::string::npos) << err_;
  EXPECT_EQ(Read(dir_ / "one.prn"), "hello\r\n");
}

}  // namespace
}  // namespace bexlo::runner
