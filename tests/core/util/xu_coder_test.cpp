#include "util/xu_coder.h"

#include <gtest/gtest.h>

#include "util/exceptions.h"

namespace bexlo {
namespace {

TEST(XuCoder, DefaultOptions) {
  TXuCoder coder;
  int changes = 0;
  coder.OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, &coder);
    ++changes;
  };
  coder.SetValue(1234.56);
  EXPECT_EQ(coder.Text(), "One thousand two hundred thirty four dollars 56 cents.");
  EXPECT_TRUE(coder.Valid());
  EXPECT_EQ(changes, 1);
  coder.SetValue(1.234);
  EXPECT_DOUBLE_EQ(coder.Value(), 1.23);
}

TEST(XuCoder, OptionsTakeEffectAtTheNextValue) {
  TXuCoder coder;
  coder.SetValue(21.5);
  coder.KopeikaAsDigit = false;
  coder.TrailPoint = false;
  EXPECT_EQ(coder.Text(), "Twenty one dollar 50 cents.");
  coder.SetValue(21.5);
  EXPECT_EQ(coder.Text(), "Twenty one dollar fifty cents");

  coder.UpDnStyle = udEachWordUp;
  coder.SetValue(21.5);
  EXPECT_EQ(coder.Text(), "Twenty One Dollar Fifty Cents");
  coder.UpDnStyle = udAllUp;
  coder.SetValue(21.5);
  EXPECT_EQ(coder.Text(), "TWENTY ONE DOLLAR FIFTY CENTS");
  coder.UpDnStyle = udAllDn;
  coder.TrailCmt = false;
  coder.SetValue(21.5);
  EXPECT_EQ(coder.Text(), "twenty one dollar");
  coder.OnlyValue = true;
  coder.SetValue(21.5);
  EXPECT_EQ(coder.Text(), "twenty one");
}

TEST(XuCoder, ErrorTexts) {
  TXuCoder coder;
  coder.SetValue(2e16);
  EXPECT_FALSE(coder.Valid());
  EXPECT_EQ(coder.Text().rfind("Too large number: Nine billions nine hundred", 0), 0u);
  EXPECT_TRUE(coder.Text().ends_with("dollars 00 cents")) << coder.Text();

  coder.ErrorDef = false;
  coder.SetValue(2e16);
  EXPECT_EQ(coder.Text(), "");
  coder.ErrorCmt = "no amount";
  coder.SetValue(-2e16);
  EXPECT_EQ(coder.Text(), "no amount");
  EXPECT_FALSE(coder.Valid());

  coder.ExcRaise = true;
  try {
    coder.SetValue(2e16);
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "no amount");
  }
}

}  // namespace
}  // namespace bexlo
