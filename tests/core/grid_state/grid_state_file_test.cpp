#include "grid/grid_state_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "util/text.h"

#include "util/exceptions.h"
#include "util/ui_services.h"

namespace bexlo {
namespace {

namespace fs = std::filesystem;

// Lines that the file format would lose or misread if written as they are.
TGridState AwkwardState() {
  TGridState s;
  s.Group = "TOrderForm_Grid1";
  s.Title = "Big orders";
  s.Search = {"NAME=Smi", "QTY=^"};
  s.Choice = {"[CODE]=1", ";delete me", ";DELETE", ""};
  s.Build = {"#QTY > 1", "", "  AND NAME LIKE 'a%'", "[ORDER]", " "};
  s.Order = {"QTY DESC"};
  return s;
}

std::vector<std::string> TextLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

// How a reader that knows only the plain format reads a file: section lines up to the next line
// starting with "[", empty lines skipped, ";DELETE" anywhere deletes.
struct PlainRead {
  std::map<std::string, std::vector<std::string>> sections;
  bool deleteMark = false;
};
PlainRead ReadPlain(const std::string& text) {
  PlainRead r;
  std::string current;
  for (const std::string& line : TextLines(text)) {
    if (line.size() >= 7 && AsciiUpperCase(line.substr(0, 7)) == ";DELETE") r.deleteMark = true;
    if (!line.empty() && line[0] == '[') {
      current = line;
      r.sections[current];
      continue;
    }
    if (!current.empty() && !line.empty()) r.sections[current].push_back(line);
  }
  return r;
}

TEST(GridStateFile, EveryLineReadsBackExactly) {
  const TGridState s = AwkwardState();
  const std::string text = WriteGridStateText(s);
  const TGridStateFile back = ReadGridStateText(text);
  EXPECT_FALSE(back.DeleteMark);
  EXPECT_EQ(back.State.Search, s.Search);
  EXPECT_EQ(back.State.Choice, s.Choice);
  EXPECT_EQ(back.State.Build, s.Build);
  EXPECT_EQ(back.State.Order, s.Order);
  // CR LF ends every line; the four section lines are the only lines starting with "[".
  EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  int sections = 0;
  for (const std::string& line : TextLines(text)) {
    EXPECT_FALSE(line.empty());
    if (line[0] == '[') ++sections;
  }
  EXPECT_EQ(sections, 4);
}

TEST(GridStateFile, PlainReadersStillParseTheFile) {
  const TGridState s = AwkwardState();
  const PlainRead plain = ReadPlain(WriteGridStateText(s));
  EXPECT_FALSE(plain.deleteMark);
  ASSERT_EQ(plain.sections.size(), 4u);
  // They see every stored line, the protected ones with one leading blank.
  EXPECT_EQ(plain.sections.at("[SEARCH]"), s.Search);
  EXPECT_EQ(plain.sections.at("[CHOICE]"), (std::vector<std::string>{" [CODE]=1", " ;delete me", " ;DELETE", " "}));
  EXPECT_EQ(plain.sections.at("[BUILD]"),
            (std::vector<std::string>{"#QTY > 1", " ", "   AND NAME LIKE 'a%'", " [ORDER]", "  "}));
  EXPECT_EQ(plain.sections.at("[ORDER]"), s.Order);
}

TEST(GridStateFile, ReadsFilesOfThePlainFormat) {
  const std::string text =
      "[SEARCH]\r\nNAME=Smi\r\n\r\n [kept with its blank]\r\n[OTHER]\r\nignored\r\n[build]\n"
      "QTY > 5\r\n;Delete\r\n[ORDER]\rNAME\r\n";
  const TGridStateFile f = ReadGridStateText(text);
  EXPECT_TRUE(f.DeleteMark);
  EXPECT_EQ(f.State.Search, (std::vector<std::string>{"NAME=Smi", " [kept with its blank]"}));
  EXPECT_TRUE(f.State.Choice.empty());
  EXPECT_EQ(f.State.Build, (std::vector<std::string>{"QTY > 5"}));
  EXPECT_EQ(f.State.Order, (std::vector<std::string>{"NAME"}));
}

TEST(GridStateFile, StatesThatCannotBeWrittenAreRefused) {
  TGridState s = AwkwardState();
  s.Build.push_back("a\r\nb");
  try {
    WriteGridStateText(s);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "The state \"Big orders\" cannot be written to a file: a line of its builder list holds a line break");
  }
  s = AwkwardState();
  EXPECT_EQ(GridStateFileName(s), "TOrderForm_Grid1^Big orders.GRD");
  s.Title = "a/b";
  EXPECT_THROW(GridStateFileName(s), Exception);
  s.Title = "x";
  s.Group = "G^H";
  EXPECT_THROW(GridStateFileName(s), Exception);
  std::string group, title;
  ASSERT_TRUE(SplitGridStateFileName("G^t^2.grd", group, title));
  EXPECT_EQ(group, "G");
  EXPECT_EQ(title, "t^2");
  EXPECT_FALSE(SplitGridStateFileName("Gt.GRD", group, title));
  EXPECT_FALSE(SplitGridStateFileName("G^t.txt", group, title));
}

class GridStateFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = (fs::temp_directory_path() / ("bexlo-grd-" + std::to_string(getpid()))).string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }
  std::vector<std::string> Names() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  std::string dir_;
};

TEST_F(GridStateFiles, WriteBesideAndRenameThenReadBack) {
  TGridState s = AwkwardState();
  const std::string path = WriteGridStateFile(dir_, s);
  s.Search = {"NAME=Jo"};
  EXPECT_EQ(WriteGridStateFile(dir_, s), path);  // replaces the earlier file
  EXPECT_EQ(Names(), (std::vector<std::string>{"TOrderForm_Grid1^Big orders.GRD"}));
  const TGridStateFile back = ReadGridStateFile(path);
  EXPECT_EQ(back.State, s);
  EXPECT_EQ(ListGridStateFiles(dir_), (std::vector<std::string>{path}));

  try {
    WriteGridStateFile(dir_ + "/missing", s);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_NE(e.Message().find("Cannot write the state file " + dir_ + "/missing/TOrderForm_Grid1^Big orders.GRD"),
              std::string::npos) << e.Message();
  }
  EXPECT_EQ(Names().size(), 1u);
}

// State files and their names written by earlier workstations are in Windows-1251.
TEST_F(GridStateFiles, LegacyFilesAndNamesAreDecoded) {
  const std::string path = dir_ + "/G^t.GRD";
  std::ofstream(path, std::ios::binary) << "[SEARCH]\r\nNAME=\xC0\xE1\r\n";
  EXPECT_EQ(ReadGridStateFile(path).State.Search, std::vector<std::string>{"NAME=\u0410\u0431"});
  EXPECT_THROW(ReadGridStateFile(dir_ + "/none^x.GRD"), EInOutError);
  const std::string legacyName = dir_ + "/G^\xD1\xF7\xE5\xF2.GRD";
  std::ofstream(legacyName, std::ios::binary) << "[SEARCH]\r\n";
  EXPECT_EQ(ReadGridStateFile(legacyName).State.Title, "\u0421\u0447\u0435\u0442");
}

TEST_F(GridStateFiles, ExportChecksEveryStateBeforeWritingAny) {
  TGridState good = AwkwardState();
  TGridState bad = AwkwardState();
  bad.Title = "../escape";
  EXPECT_THROW(ExportGridStates(dir_, {good, bad}), Exception);
  EXPECT_TRUE(Names().empty());
  ExportGridStates(dir_, {good});
  EXPECT_EQ(Names().size(), 1u);
}

TEST(GridStatePath, ChosenDirectoryEndsWithASlash) {
  TScriptedUserInteraction ui;
  ui.AnswerDirectory("/tmp/states");
  ui.AnswerDirectory(std::nullopt);
  std::string path = "old";
  EXPECT_TRUE(GetPath(path));
  EXPECT_EQ(path, "/tmp/states/");
  EXPECT_FALSE(GetPath(path));
  EXPECT_EQ(path, "");
  EXPECT_EQ(ui.Asked().at(0).text, "Choose the directory");
}

}  // namespace
}  // namespace bexlo
