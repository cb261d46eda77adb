#include <gtest/gtest.h>

#include "reportlang/report_var.h"
#include "reportlang/shared_text.h"

namespace bexlo {
namespace {

TEST(SharedTextTest, CopiesShareUntilOneIsWritten) {
  TSharedText a;
  EXPECT_TRUE(a.empty());
  EXPECT_EQ(a.str(), "");
  a.assign("hello");
  TSharedText b = a;
  EXPECT_EQ(&a.str(), &b.str());  // one buffer
  b.Mutable() += " world";
  EXPECT_EQ(a.str(), "hello");
  EXPECT_EQ(b.str(), "hello world");
  TSharedText c = b;
  c.assign(c.str().substr(6));  // assigning from its own (shared) buffer
  EXPECT_EQ(c.str(), "world");
  EXPECT_EQ(b.str(), "hello world");
  b.clear();
  EXPECT_TRUE(b.empty());
  EXPECT_EQ(a.str(), "hello");
  a.assign(std::string_view(a.str()).substr(1, 3));  // from its own unshared buffer
  EXPECT_EQ(a.str(), "ell");
}

TEST(SharedTextTest, CellsKeepTheirOwnValuesWhenSharedTextsChange) {
  TReportVar s("s", nullptr), t("t", nullptr);
  s.SetString("abc");
  t.CopyFrom(s);
  t.DoAdd(s);
  EXPECT_EQ(s.GetString(), "abc");
  EXPECT_EQ(t.GetString(), "abcabc");
  EXPECT_EQ(t.OldText(), "abc");
  s.SetString(s.GetString());  // storing its own text
  EXPECT_EQ(s.GetString(), "abc");
  EXPECT_FALSE(s.Changed());
  s.SetString(t.OldText());
  EXPECT_EQ(s.GetString(), "abc");
  *t.TextAddress() = "written";  // a by-reference write touches only this cell
  EXPECT_EQ(t.GetString(), "written");
  EXPECT_EQ(s.GetString(), "abc");
  t.DoAdd(t);
  EXPECT_EQ(t.GetString(), "writtenwritten");
}

}  // namespace
}  // namespace bexlo
