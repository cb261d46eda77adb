// The grid's window-free decisions: what a keystroke does to a search cell, title lines and the
// excerpt, and which popup menu items show.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "grid/grid_labels.h"
#include "grid/grid_menu.h"
#include "grid/search_input.h"
#include "util/format_settings.h"
#include "util/hooks.h"

namespace bexlo {
namespace {

// Types each character (one byte each) into a cell of kind `kind`, as the grid does.
std::string Type(char kind, const std::string& keys, const TFormatSettings& fs = DefaultFormatSettings()) {
  std::string v;
  for (const char c : keys) {
    if (auto next = SearchCellTypeChar(kind, v, std::string(1, c), fs)) v = *next;
  }
  return v;
}

TEST(SearchCell, NumberCellsHoldOneDecimalSeparator) {
  EXPECT_EQ(Type('N', "12.5"), "12.5");
  EXPECT_EQ(Type('N', "1.,"), "1.");  // "," after "." would make "1.."
  EXPECT_EQ(Type('N', "1,,5"), "1.5");  // the thousands separator types a decimal one
  EXPECT_EQ(Type('N', "1..5"), "1.5");
  EXPECT_EQ(Type('N', ","), "0.");
  EXPECT_EQ(Type('N', "-"), "-0");
  EXPECT_EQ(Type('N', "-5"), "-05");
  EXPECT_EQ(Type('N', "1a2b"), "12");
  // With a wildcard the number is matched as text: the decimal point becomes the thousands one.
  EXPECT_EQ(Type('N', "%1.5"), "%1,5");
  // A locale with a decimal comma and a multi-byte thousands separator.
  TFormatSettings fr = DefaultFormatSettings();
  fr.DecimalSeparator = ",";
  fr.ThousandSeparator = "\u00a0";
  std::string v = "1";
  v = *SearchCellTypeChar('N', v, "\u00a0", fr);
  EXPECT_EQ(v, "1,");
  EXPECT_FALSE(SearchCellTypeChar('N', v, ",", fr));
  EXPECT_FALSE(SearchCellTypeChar('N', v, "\u00a0", fr));
}

TEST(SearchCell, DateStringAndOtherCells) {
  EXPECT_EQ(Type('D', "08/12/2024x"), "08/12/2024");
  EXPECT_EQ(Type('D', "%12_"), "%12_");
  EXPECT_EQ(Type('S', "O'Brien"), "O'Brien");  // the quote stays a quote
  EXPECT_EQ(Type('U', "abc"), "");
  EXPECT_FALSE(SearchCellTypeChar('S', "a", "\t"));
  EXPECT_EQ(*SearchCellTypeChar('S', "a", "\u0416"), "a\u0416");
}

TEST(SearchCell, Backspace) {
  EXPECT_EQ(*SearchCellBackspace('S', "ab"), "a");
  EXPECT_EQ(*SearchCellBackspace('S', "a"), "^");
  EXPECT_EQ(*SearchCellBackspace('S', "^"), "^");
  EXPECT_EQ(*SearchCellBackspace('N', "-5"), "^");  // a lone "-" goes with the digit
  EXPECT_EQ(*SearchCellBackspace('N', "-0.5"), "-0.");
  EXPECT_EQ(*SearchCellBackspace('S', "a\u0416"), "a");  // a whole character
  EXPECT_FALSE(SearchCellBackspace('U', "a"));
  EXPECT_EQ(SearchCellText("^"), "");
}

TEST(GridLabels, LinesByBarAndByWidth) {
  EXPECT_EQ(GetLabelLine(false, "List of|search", 10, 0), "List of");
  EXPECT_EQ(GetLabelLine(false, "List of|search", 10, 1), "search");
  EXPECT_EQ(GetLabelLine(false, "List of|search", 10, 2), "");
  EXPECT_EQ(GetLabelLine(true, "Constructor", 4, 0), "Cons");
  EXPECT_EQ(GetLabelLine(true, "Constructor", 4, 2), "tor");
  EXPECT_EQ(GetLabelLine(true, "Constructor", 4, 3), "");
  EXPECT_EQ(GetLabelLine(true, "\u0416\u0416\u0416", 2, 1), "\u0416");
  EXPECT_EQ(GetLabelLine(true, "abc", 0, 0), "");

  EXPECT_EQ(TitleLines("A|B|C", false, 0, 2), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(TitleLines("abcdefg", true, 3, 5), (std::vector<std::string>{"abc", "def", "g"}));
  EXPECT_EQ(TitleLines("abcdefg", true, 0, 5), (std::vector<std::string>{"abcdefg"}));
  EXPECT_EQ(TitleCharsPerLine(10, 50, 96, 4), 5);
  EXPECT_EQ(TitleCharsPerLine(10, 50, -4, 4), 0);
}

TEST(GridLabels, ExcerptBlocks) {
  const std::vector<TExcerptColumn> columns = {
      {"Name", 64, "Smith"}, {"List of|search", 64, "x"}, {"Born|date|of", 64, ""}};
  // One title row: exactly one line per column, labels padded to the longest first line + 1.
  EXPECT_EQ(ExcerptLines(columns, 1, false),
            (std::vector<std::string>{"Name    Smith", "List of x", "Born    "}));
  // Two title rows: the earlier title line stands on its own; lines past the rows are not shown.
  EXPECT_EQ(ExcerptLines(columns, 2, false),
            (std::vector<std::string>{"Name    Smith", "List of", "search  x", "Born", "date    "}));
  EXPECT_EQ(ExcerptLines(columns, 0, false), (std::vector<std::string>{" Smith", " x", " "}));
}

class GridMenuTest : public ::testing::Test {
 protected:
  void TearDown() override {
    for (THook h : {THook::DBGrid_ShowReportList, THook::DBGrid_ReportExpert, THook::DBGrid_LoadState,
                    THook::DBGrid_SaveState, THook::DBGrid_ClearState, THook::DBGrid_BuildWhere,
                    THook::DBGrid_ShowData, THook::DBGrid_ShowRecordCount}) {
      ResetHook(h);
    }
  }
  static void InstallAll() {
    DBGrid_ShowReportList = [](TUCustomDBGrid*, bool) {};
    DBGrid_ReportExpert = [](TUCustomDBGrid*, bool) {};
    DBGrid_LoadState = [](TUCustomDBGrid*) {};
    DBGrid_SaveState = [](TUCustomDBGrid*) {};
    DBGrid_ClearState = [](TUCustomDBGrid*, bool, bool) {};
    DBGrid_BuildWhere = [](TUCustomDBGrid*, bool, const std::string&, const std::string&) {};
    DBGrid_ShowData = [](TUCustomDBGrid*) {};
    DBGrid_ShowRecordCount = [](TUCustomDBGrid*) {};
  }
  // The visible captions, separators as "-".
  static std::vector<std::string> Visible() {
    const std::vector<bool> visible = GridPopupMenuVisibility();
    std::vector<std::string> out;
    for (std::size_t i = 0; i < visible.size(); ++i) {
      if (!visible[i]) continue;
      const std::string_view c = GridPopupMenuItems()[i].Caption;
      out.emplace_back(c == "-" ? "-" : c.substr(0, c.find("  ")));
    }
    return out;
  }
  static void ExpectTidy(const std::vector<std::string>& items) {
    ASSERT_FALSE(items.empty());
    EXPECT_NE(items.front(), "-");
    EXPECT_NE(items.back(), "-");
    for (std::size_t i = 1; i < items.size(); ++i) {
      EXPECT_FALSE(items[i] == "-" && items[i - 1] == "-") << i;
    }
  }
};

TEST_F(GridMenuTest, EveryHookInstalledShowsEveryItem) {
  InstallAll();
  const std::vector<std::string> items = Visible();
  EXPECT_EQ(items.size(), GridPopupMenuItems().size());
  EXPECT_EQ(items.front(), "Report list...");
  EXPECT_EQ(GridPopupMenuItems()[0].Tag, 1);
}

TEST_F(GridMenuTest, UninstalledFeaturesHideTheirItemsAndSeparatorsStayTidy) {
  InstallAll();
  ResetHook(THook::DBGrid_BuildWhere);
  std::vector<std::string> items = Visible();
  EXPECT_EQ(std::find(items.begin(), items.end(), "Query builder..."), items.end());
  ExpectTidy(items);

  ResetHook(THook::DBGrid_ShowReportList);
  ResetHook(THook::DBGrid_ReportExpert);
  items = Visible();
  EXPECT_EQ(items.front(), "Load state...");
  ExpectTidy(items);

  TearDown();  // nothing installed
  items = Visible();
  ExpectTidy(items);
  EXPECT_EQ(items, (std::vector<std::string>{"Choose/Clean selected records", "Lock search (On/Off)",
                                             "-", "Autorepeat...", "-", "Clear selection",
                                             "Inverse selection", "Select by current column",
                                             "Select by key field", "Freeze column",
                                             "Unfreeze column"}));
}

TEST(CheckCaptionInMenu, SeparatorsInNestedMenus) {
  TMenuEntry menu{"", true,
                  {{"-", false, {}},
                   {"a", true, {}},
                   {"-", false, {}},
                   {"b", false, {}},
                   {"-", false, {}},
                   {"sub", true, {{"-", false, {}}, {"c", true, {}}, {"-", false, {}}}},
                   {"-", false, {}}}};
  CheckCaptionInMenu(menu, true);
  for (const TMenuEntry& e : menu.Items) {
    if (e.Caption == "-") EXPECT_TRUE(e.Visible);
  }
  CheckCaptionInMenu(menu, false);
  std::vector<bool> visible;
  for (const TMenuEntry& e : menu.Items) visible.push_back(e.Visible);
  EXPECT_EQ(visible, (std::vector<bool>{false, true, true, false, false, true, false}));
  EXPECT_FALSE(menu.Items[5].Items[0].Visible);
  EXPECT_TRUE(menu.Items[5].Items[1].Visible);
  EXPECT_FALSE(menu.Items[5].Items[2].Visible);
}

}  // namespace
}  // namespace bexlo
