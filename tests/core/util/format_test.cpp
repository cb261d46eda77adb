#include "util/format.h"

#include <gtest/gtest.h>

#include <vector>

#include "util/exceptions.h"
#include "util/text.h"

namespace bexlo {
namespace {

std::string ErrorOf(std::string_view pattern, std::span<const TVarRec> args) {
  try {
    Format(pattern, args);
  } catch (const EConvertError& e) {
    return e.what();
  }
  return "(no error)";
}

template <class... Args>
std::string ErrorOf(std::string_view pattern, const Args&... args) {
  const std::vector<TVarRec> list = {TVarRec(args)...};
  return ErrorOf(pattern, std::span<const TVarRec>(list));
}

TEST(Format, Integers) {
  EXPECT_EQ(Format("%d", 42), "42");
  EXPECT_EQ(Format("[%5d][%-5d]", 42, 42), "[   42][42   ]");
  EXPECT_EQ(Format("%.5d", -42), "-00042");  // precision pads with zeros after the sign
  EXPECT_EQ(Format("%8.5d", 42), "   00042");
  EXPECT_EQ(Format("%d", INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Format("%d %u", 7u, 7ull), "7 7");
  EXPECT_EQ(Format("%u", -1), "18446744073709551615");
  EXPECT_EQ(Format("%x %.4x %X", 255, 255, 48879u), "FF 00FF BEEF");
  EXPECT_EQ(Format("%D|%S", 1, "s"), "1|s");
}

TEST(Format, Floats) {
  EXPECT_EQ(Format("%e", 1234.5), "1.23450000000000E+003");
  EXPECT_EQ(Format("%.3e", -1234.5), "-1.23E+003");
  EXPECT_EQ(Format("%f", 1234.5), "1234.50");
  EXPECT_EQ(Format("%.0f|%.3f", 2.5, 1.0 / 3), "3|0.333");
  EXPECT_EQ(Format("%g|%g|%.3g", 0.5, 1e20, 1234.5), "0.5|1E020|1.23E003");
  EXPECT_EQ(Format("%n", 1234567.891), "1,234,567.89");
  EXPECT_EQ(Format("%.0n", -1234567.5), "-1,234,568");
  EXPECT_EQ(Format("%m|%m", 1234.5, -12.5), "$1,234.50|($12.50)");
  EXPECT_EQ(Format("%.0m", 7.0), "$7");
  EXPECT_EQ(Format("%10.2f|%-10.2f|", 3.14159, 3.14159), "      3.14|3.14      |");
  EXPECT_EQ(Format("%f", 1.5f), "1.50");
}

TEST(Format, StringsCharactersAndPointers) {
  EXPECT_EQ(Format("%s-%s", "a", std::string("b")), "a-b");
  EXPECT_EQ(Format("%.3s", "abcdef"), "abc");
  EXPECT_EQ(Format("[%6s][%-6s]", "тест", "тест"), "[  тест][тест  ]");  // widths in characters
  EXPECT_EQ(Format("%.2s", "тест"), "те");
  EXPECT_EQ(Format("%s%s", 'x', U'я'), "xя");
  EXPECT_EQ(Format("%s", std::string_view()), "");
  EXPECT_EQ(Format("%p", reinterpret_cast<void*>(0xBEEF)), "000000000000BEEF");
  EXPECT_EQ(Format("%p", nullptr), "0000000000000000");
  EXPECT_EQ(Format("100%% of %s", "x"), "100% of x");
  EXPECT_EQ(Format("plain"), "plain");
}

TEST(Format, IndexAndStarForms) {
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");  // an index moves the argument cursor
  EXPECT_EQ(Format("%*d|%-*d|", 5, 3, 4, 7), "    3|7   |");
  EXPECT_EQ(Format("%*d|", -4, 7), "7   |");  // a negative width left-justifies
  EXPECT_EQ(Format("%.*f", 1, 2.25), "2.3");
  EXPECT_EQ(Format("%*.*f", 6, 1, 2.25), "   2.3");
  EXPECT_EQ(Format("%*:s", 1, "x"), "x");  // the index taken from the list: argument 1
}

TEST(Format, RunTimeArgumentListsAndSettings) {
  std::vector<TVarRec> args;
  std::string owned = "Иван";
  args.emplace_back(owned);
  args.emplace_back(3);
  args.emplace_back(12.5);
  EXPECT_EQ(Format("%s: %d x %.1f", std::span<const TVarRec>(args)), "Иван: 3 x 12.5");
  TFormatSettings fs = DefaultFormatSettings();
  fs.DecimalSeparator = ",";
  fs.ThousandSeparator = ".";
  EXPECT_EQ(Format(fs, "%n|%f", 1234.5, 0.25), "1.234,50|0,25");
}

TEST(Format, BadPatternsAndArgumentsRaiseTheClassicErrors) {
  EXPECT_EQ(ErrorOf("%d %d", 1), "No argument for format '%d %d'");
  EXPECT_EQ(ErrorOf("%d", 1.5), "Format '%d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%f", 1), "Format '%f' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%s", 5), "Format '%s' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%x", "a"), "Format '%x' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%p", 5), "Format '%p' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%k", 5), "Format '%k' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("50%", 5), "Format '50%' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%5", 5), "Format '%5' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%3:d", 1, 2), "No argument for format '%3:d'");
  EXPECT_EQ(ErrorOf("%*d", "w", 1), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%*d", 5), "No argument for format '%*d'");
  EXPECT_EQ(ErrorOf("%99999999d", 1), "Format '%99999999d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%*d", 1000000, 1), "Format '%*d' invalid or incompatible with argument");
  EXPECT_EQ(ErrorOf("%s"), "No argument for format '%s'");
  // The message quotes at most 31 characters of the pattern, never half a character.
  const std::string longPattern = "ЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖЖ %d";
  const std::string message = ErrorOf(longPattern);
  EXPECT_TRUE(IsValidUtf8(message));
  EXPECT_EQ(message, "No argument for format '" + Utf8Copy(longPattern, 1, 31) + "'");
}

}  // namespace
}  // namespace bexlo
