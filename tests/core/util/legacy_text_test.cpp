// The decoder of outside text: UTF-8 as it is, anything else from the legacy code page.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "util/exceptions.h"
#include "util/legacy_text.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {
namespace {

// "Привет, мир" in Windows-1251 and in UTF-8.
constexpr char kHello1251[] = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0";
constexpr char kHelloUtf8[] = "Привет, мир";

TEST(LegacyText, Utf8StaysAsItIsAndEverythingElseIsWindows1251) {
  EXPECT_EQ(DecodeLegacyText(""), "");
  EXPECT_EQ(DecodeLegacyText("plain ASCII\r\n"), "plain ASCII\r\n");
  EXPECT_EQ(DecodeLegacyText(kHelloUtf8), kHelloUtf8);
  EXPECT_FALSE(IsLegacyText(kHelloUtf8));
  EXPECT_TRUE(IsLegacyText(kHello1251));
  EXPECT_EQ(DecodeLegacyText(kHello1251), kHelloUtf8);
  // Every Cyrillic letter of the code page, and ё, Ё, №, the euro sign.
  std::string all;
  for (int b = 0xC0; b <= 0xFF; ++b) all += static_cast<char>(b);
  all += "\xB8\xA8\xB9\x88";
  EXPECT_EQ(DecodeLegacyText(all),
            "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюяёЁ№€");
  // The decision is made for the whole text: a legacy text whose first line happens to be valid
  // UTF-8 ("Рё" = D0 B8, which UTF-8 reads as "и") is decoded as one.
  EXPECT_EQ(DecodeLegacyText("\xD0\xB8\r\n\xCF\xF0\xE8\xE2\xE5\xF2"), "Рё\r\nПривет");
  // The one byte Windows-1251 leaves undefined is kept as a replacement character.
  EXPECT_EQ(DecodeLegacyText("a\x98\xE0"), "a\xEF\xBF\xBD" "а");
}

// The fast paths (ASCII and two-byte sequences sixteen bytes at a time, sequences cut by a block
// end) decide exactly as the plain UTF-8 check on texts built from the bytes that matter: ASCII,
// two-byte leads, continuations, longer leads and bytes never valid in UTF-8.
TEST(LegacyText, FastPathsAgreeWithTheFullCheck) {
  const unsigned char pieces[] = {'a', ' ', 0xC2, 0xD0, 0xDF, 0x80, 0xA0, 0xBF,
                                  0xC0, 0xC1, 0xE0, 0xE2, 0xED, 0xF0, 0xF4, 0xF8, 0xFF};
  std::uint32_t seed = 7;
  auto next = [&seed] { return seed = seed * 1103515245u + 12345u; };
  for (int round = 0; round < 200000; ++round) {
    std::string text;
    const std::size_t length = (next() >> 16) % 70;
    // Mostly well-formed text (ASCII runs and Cyrillic pairs) with a rare odd byte.
    while (text.size() < length) {
      const std::uint32_t pick = (next() >> 16) % 100;
      if (pick < 45) text += 'a';
      else if (pick < 90) text += "\xD0\xB8";
      else text += static_cast<char>(pieces[(next() >> 16) % sizeof pieces]);
    }
    ASSERT_EQ(IsLegacyText(text), !IsValidUtf8(text)) << "round " << round;
  }
}

TEST(LegacyText, AnotherLegacyCodePageCanBeChosen) {
  ASSERT_EQ(LegacyCodePage(), "CP1251");
  SetLegacyCodePage("KOI8-R");
  EXPECT_EQ(DecodeLegacyText("\xF0\xD2\xC9\xD7\xC5\xD4"), "Привет");
  // Valid UTF-8 is still taken as it is.
  EXPECT_EQ(DecodeLegacyText(kHelloUtf8), kHelloUtf8);
  EXPECT_THROW(SetLegacyCodePage("NO-SUCH-CODE-PAGE"), EConvertError);
  EXPECT_EQ(LegacyCodePage(), "KOI8-R");
  SetLegacyCodePage("CP1251");
}

TEST(LegacyText, TextFilesInTheLegacyCodePageAreReadDecoded) {
  const std::string path = (std::filesystem::temp_directory_path() / "bexlo_legacy_text.fmt").string();
  std::ofstream(path, std::ios::binary) << ".DETAIL\r\n" << kHello1251 << "\r\n";
  TStringList lines;
  lines.LoadFromFile(path);
  ASSERT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Get(1), kHelloUtf8);
  // A UTF-8 file with a byte order mark loses only the mark.
  std::ofstream(path, std::ios::binary) << "\xEF\xBB\xBF" << kHelloUtf8 << "\n";
  lines.LoadFromFile(path);
  EXPECT_EQ(lines.Get(0), kHelloUtf8);
  std::filesystem::remove(path);
}

}  // namespace
}  // namespace bexlo
