#include <gtest/gtest.h>

#include <QDir>
#include <QSettings>

#include "util/settings.h"
#include "widgets/platform/registry.h"

namespace bexlo {
namespace {

class RegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteRegKey("Software\\Test");
    DeleteCompsRegKey();
    saved_dpi_ = PrinterDPI;
    saved_shadow_ = ShadowPrint;
  }
  void TearDown() override {
    DeleteRegKey("Software\\Test");
    DeleteCompsRegKey();
    PrinterDPI = saved_dpi_;
    ShadowPrint = saved_shadow_;
  }
  int saved_dpi_ = 0;
  bool saved_shadow_ = false;
};

TEST_F(RegistryTest, TheStoreLivesInTheTestsConfigDirectoryNotTheUsers) {
  CreateRegKey("Software\\Test", "Probe", "1");
  const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  ASSERT_FALSE(config.isEmpty());
  const QString home = QDir::homePath();
  QSettings store(QSettings::IniFormat, QSettings::UserScope, "Bexlo Software", "registry");
  EXPECT_TRUE(store.fileName().startsWith(config)) << store.fileName().toStdString();
  EXPECT_FALSE(store.fileName().startsWith(home + "/.config/")) << store.fileName().toStdString();
  // Key path segments are groups.
  EXPECT_EQ(store.value("Software/Test/Probe").toString(), "1");
}

TEST_F(RegistryTest, ValuesRoundTripUnderNestedKeys) {
  CreateRegKey("Software\\Test", "Name", "value one");
  CreateRegKey("Software\\Test\\Sub", "Name", "value two");
  CreateRegKey("Software/Test/Sub", "Кириллица", "Значение");
  CreateRegKey("\\Software\\\\Test\\", "Other", "three");  // stray separators do not matter
  EXPECT_EQ(GetRegKey("Software\\Test", "Name"), "value one");
  EXPECT_EQ(GetRegKey("Software\\Test\\Sub", "Name"), "value two");
  EXPECT_EQ(GetRegKey("Software\\Test\\Sub", "Кириллица"), "Значение");
  EXPECT_EQ(GetRegKey("Software\\Test", "Other"), "three");
  // Overwriting replaces; value names are not paths.
  CreateRegKey("Software\\Test", "Name", "replaced");
  CreateRegKey("Software\\Test", "a\\b/c%d", "odd name");
  EXPECT_EQ(GetRegKey("Software\\Test", "Name"), "replaced");
  EXPECT_EQ(GetRegKey("Software\\Test", "a\\b/c%d"), "odd name");
  EXPECT_EQ(GetRegKey("Software\\Test\\a\\b", "c%d"), "");
}

TEST_F(RegistryTest, MissingValuesReadEmptyAndTextIsCutAtItsFirstZero) {
  std::string value = "stale";
  GetRegKey("Software\\Test", "Missing", value);
  EXPECT_EQ(value, "");
  value = "stale";
  GetRegKey("Software\\Nowhere\\At\\All", "Name", value);
  EXPECT_EQ(value, "");
  CreateRegKey("Software\\Test", "Zero", std::string("abc\0def", 7));
  EXPECT_EQ(GetRegKey("Software\\Test", "Zero"), "abc");
  CreateRegKey("Software\\Test", "Empty", "");
  value = "stale";
  GetRegKey("Software\\Test", "Empty", value);
  EXPECT_EQ(value, "");
  // An empty key path is nobody's key: nothing is written, nothing deleted.
  CreateRegKey("", "Name", "x");
  EXPECT_EQ(GetRegKey("", "Name"), "");
  CreateRegKey("Software\\Test", "Kept", "yes");
  DeleteRegKey("");
  EXPECT_EQ(GetRegKey("Software\\Test", "Kept"), "yes");
}

TEST_F(RegistryTest, DeleteRemovesAKeyWithItsSubkeysOnly) {
  CreateRegKey("Software\\Test\\A", "V", "1");
  CreateRegKey("Software\\Test\\A\\Deep", "V", "2");
  CreateRegKey("Software\\Test\\AB", "V", "3");
  DeleteRegKey("Software\\Test\\A");
  EXPECT_EQ(GetRegKey("Software\\Test\\A", "V"), "");
  EXPECT_EQ(GetRegKey("Software\\Test\\A\\Deep", "V"), "");
  EXPECT_EQ(GetRegKey("Software\\Test\\AB", "V"), "3");
}

TEST_F(RegistryTest, TheLibrarysKeyCarriesTheCreditAndItsValues) {
  CreateCompsRegKey("DatabaseName", "sample.db");
  EXPECT_EQ(GetCompsRegKey("DatabaseName"), "sample.db");
  EXPECT_EQ(GetRegKey("Software\\Bexlo Software", "DatabaseName"), "sample.db");
  EXPECT_EQ(GetRegKey(kCompsRegKey, ""), kCompsRegCredit);
  std::string value;
  GetCompsRegKey("DatabaseName", value);
  EXPECT_EQ(value, "sample.db");
  DeleteCompsRegKey();
  EXPECT_EQ(GetCompsRegKey("DatabaseName"), "");
  EXPECT_EQ(GetRegKey(kCompsRegKey, ""), "");
}

TEST_F(RegistryTest, ViewerStateRoundTrips) {
  PrinterDPI = 600;
  ShadowPrint = true;
  SaveState();
  EXPECT_EQ(GetCompsRegKey("PrinterDPI"), "600");
  EXPECT_EQ(GetCompsRegKey("ShadowPrint"), "1");
  PrinterDPI = 0;
  ShadowPrint = false;
  LoadState();
  EXPECT_EQ(PrinterDPI, 600);
  EXPECT_TRUE(ShadowPrint);

  // "0" does not switch background printing off; it only never switches it on.
  ShadowPrint = false;
  SaveState();
  EXPECT_EQ(GetCompsRegKey("ShadowPrint"), "0");
  ShadowPrint = true;
  LoadState();
  EXPECT_TRUE(ShadowPrint);
}

TEST_F(RegistryTest, AStoredResolutionThatIsNoResolutionGivesThreeHundred) {
  for (const char* text : {"many", "0", "-300", "99999", "300dpi"}) {
    CreateCompsRegKey("PrinterDPI", text);
    PrinterDPI = 1234;
    LoadState();
    EXPECT_EQ(PrinterDPI, 300) << text;
  }
  CreateCompsRegKey("PrinterDPI", "720");
  LoadState();
  EXPECT_EQ(PrinterDPI, 720);
}

}  // namespace
}  // namespace bexlo
