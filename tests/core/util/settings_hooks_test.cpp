#include <gtest/gtest.h>

#include <filesystem>

#include "util/hooks.h"
#include "util/settings.h"
#include "util/strings.h"

namespace bexlo {
namespace {

TEST(GetOrderStr, ReturnsTheOrderingListInItsOwnCase) {
  EXPECT_EQ(GetOrderStr("select * from t"), "");
  EXPECT_EQ(GetOrderStr("select * from t order by"), "");
  EXPECT_EQ(GetOrderStr("select * from t ORDER BY   \r\n"), "");
  EXPECT_EQ(GetOrderStr("select * from t\r\norder by name, Birth_Date desc\r\n"), "name, Birth_Date desc");
  EXPECT_EQ(GetOrderStr("SELECT * FROM t Order By\tID"), "ID");
  EXPECT_EQ(GetOrderStr("select * from t orderby x"), "");  // one blank between the words
  // Letters whose case forms differ in length before the keyword do not shift the cut.
  EXPECT_EQ(GetOrderStr("select 'ıſßİ' from t order by Имя"), "Имя");
}

TEST(GetLabelLine, PicksOneLineOfAMultiLineLabel) {
  EXPECT_EQ(GetLabelLine("List of|search", 0), "List of");
  EXPECT_EQ(GetLabelLine("List of|search", 1), "search");
  EXPECT_EQ(GetLabelLine("List of|search", 2), "");
  EXPECT_EQ(GetLabelLine("a|b|c", 2), "c");
  EXPECT_EQ(GetLabelLine("a|b|c", 3), "");
  EXPECT_EQ(GetLabelLine("Name", 0), "Name");
  EXPECT_EQ(GetLabelLine("Name", 1), "");
  EXPECT_EQ(GetLabelLine("|second|", 0), "");
  EXPECT_EQ(GetLabelLine("|second|", 1), "second");
  std::string text = "stale";
  GetLabelLine("x|y", 1, text);
  EXPECT_EQ(text, "y");
}

TEST(Settings, ApplicationDirIsTheDirectoryOfThisProgram) {
  ASSERT_FALSE(ApplicationDir.empty());
  EXPECT_EQ(ApplicationDir.back(), '/');
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_TRUE(std::filesystem::equivalent(ApplicationDir, self.parent_path()));
}

void MyShowMemo(TUCustomDBGrid*) {}
bool MyEditFile(const std::string&) { return true; }

class HooksTest : public ::testing::Test {
 protected:
  void TearDown() override {
    ResetHook(THook::DBGrid_ShowMemo);
    ResetHook(THook::DBGrid_ShowData);
    ResetHook(THook::DBGrid_ReportExpert);
    ResetHook(THook::Report_EditFile);
  }
};

TEST_F(HooksTest, EachHookIsInstalledOnlyWhenItLeavesItsOwnDefault) {
  for (int h = 0; h <= static_cast<int>(THook::Report_DicButton); ++h) {
    EXPECT_FALSE(IsHookInstalled(static_cast<THook>(h))) << h;
  }
  DBGrid_ShowMemo = MyShowMemo;
  Report_EditFile = MyEditFile;
  EXPECT_TRUE(IsHookInstalled(THook::DBGrid_ShowMemo));
  EXPECT_TRUE(IsHookInstalled(THook::Report_EditFile));
  EXPECT_FALSE(IsHookInstalled(THook::DBGrid_ShowData));

  // Hooks of one routine type still have defaults of their own.
  DBGrid_ShowData = hook_defaults::DBGrid_ShowMemo;
  EXPECT_TRUE(IsHookInstalled(THook::DBGrid_ShowData));
  // The two report hooks share their default: giving one the other's leaves it uninstalled.
  DBGrid_ReportExpert = DBGrid_ShowReportList;
  EXPECT_FALSE(IsHookInstalled(THook::DBGrid_ReportExpert));
  DBGrid_ReportExpert = nullptr;
  EXPECT_FALSE(IsHookInstalled(THook::DBGrid_ReportExpert));

  ResetHook(THook::DBGrid_ShowMemo);
  EXPECT_FALSE(IsHookInstalled(THook::DBGrid_ShowMemo));
  EXPECT_EQ(DBGrid_ShowMemo, &hook_defaults::DBGrid_ShowMemo);
}

TEST_F(HooksTest, DefaultsReturnEmptyResultsAndLeaveOutputsAlone) {
  Variant result = 5;
  Report_DicButton(TDicChoiceParams{}, result);
  EXPECT_TRUE(result.IsNull());

  bool oneRecord = true, landscape = true;
  std::string output = "kept.prn";
  EXPECT_EQ(Report_GetFmtData("g", "r", "db", oneRecord, landscape, output), nullptr);
  EXPECT_TRUE(oneRecord);
  EXPECT_TRUE(landscape);
  EXPECT_EQ(output, "kept.prn");

  EXPECT_FALSE(Report_EditFile("a.prn"));
  EXPECT_EQ(DBGrid_PopupMenu(), nullptr);
}

}  // namespace
}  // namespace bexlo
