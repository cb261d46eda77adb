// The fast paths of measuring and line splitting (cached width tables, sixteen-byte blocks,
// the one-pass search for a line's end) checked against plain character-by-character versions
// of the same rules on random text.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "output/font.h"
#include "output/output_format.h"
#include "output/output_line_stream.h"
#include "output_test_support.h"
#include "util/text.h"

namespace bexlo {
namespace {

using test::OutputTest;

// Round(units x pixel size / units per em), halves up, straight from the face tables.
int ScaledAdvance(const TFaceMetrics& face, int units, int pixelSize) {
  return static_cast<int>((2 * std::int64_t{units} * pixelSize + face.UnitsPerEm) / (2 * face.UnitsPerEm));
}

TEST(CachedWidthsTest, LatinAndCyrillicMatchTheFaceTables) {
  const char* names[] = {"Arial", "Courier New", "Times New Roman"};
  for (const char* name : names) {
    for (TFontStyles style : {0, 1, 2, 3}) {
      for (int size : {1, 8, 10, 12, 100, 1000}) {  // 1000 pt: beyond the cached pixel sizes
        TFont font;
        font.SetName(name);
        font.SetStyle(style);
        font.SetSize(size);
        const TFaceMetrics& face = FaceMetrics(font.Family(), style & fsBold, style & fsItalic);
        for (char32_t c = 0; c < 0x100; ++c) {
          ASSERT_EQ(font.CharWidth(c), ScaledAdvance(face, face.Latin[c], font.PixelSize()))
              << name << " " << size << " U+" << std::hex << unsigned(c);
          ASSERT_EQ(font.CharWidth(0x400 + c), ScaledAdvance(face, face.Cyrillic[c], font.PixelSize()))
              << name << " " << size << " U+" << std::hex << unsigned(0x400 + c);
        }
        if (const std::uint16_t* cyrillic = font.CyrillicWidths()) {
          EXPECT_EQ(cyrillic[0x16], font.CharWidth(U'\u0416'));
          EXPECT_EQ(font.LatinWidths()[TFont::kZeroSlot], 0);
        }
      }
    }
  }
}

TEST(CachedWidthsTest, FixedPitchFacesMeasureEveryCharacterAlike) {
  TFont font;
  for (int size : {7, 10, 12, 1000}) {
    font.SetSize(size);
    for (TFontStyles style : {0, 1, 2, 3}) {
      font.SetName("Courier New");
      font.SetStyle(style);
      ASSERT_GT(font.FixedPitchWidth(), 0);
      for (char32_t c : {U'a', U'\t', U'\u00E9', U'\u0416', U'\u4E2D', U'\uFFFD', U'\U0001F600'}) {
        EXPECT_EQ(font.CharWidth(c), font.FixedPitchWidth()) << size << " U+" << std::hex << unsigned(c);
      }
      font.SetName("Arial");
      EXPECT_EQ(font.FixedPitchWidth(), 0);
      font.SetName("Times New Roman");
      EXPECT_EQ(font.FixedPitchWidth(), 0);
    }
  }
}

TEST(CachedWidthsTest, SetFaceMeasuresLikeTheSeparateSetters) {
  std::mt19937 random(11);
  const char* names[] = {"Arial", "Courier New", "Times New Roman", "liberation serif", "Unknown"};
  TFont together, apart;
  for (int round = 0; round < 500; ++round) {
    const char* name = names[random() % 5];
    const int size = static_cast<int>(random() % 1200) - 100;  // out of range too
    const auto style = static_cast<TFontStyles>(random() % 32);  // bits beyond the four styles too
    together.SetFace(name, size, style);
    apart.SetName(name);
    apart.SetSize(size);
    apart.SetStyle(style);
    ASSERT_TRUE(together == apart) << name << " " << size << " " << int(style);
    ASSERT_EQ(together.Family(), apart.Family());
    ASSERT_EQ(together.Height(), apart.Height());
    ASSERT_EQ(together.CharWidth(U'W'), apart.CharWidth(U'W'));
    ASSERT_EQ(together.CharWidth(U'\u0416'), apart.CharWidth(U'\u0416'));
    ASSERT_EQ(together.FixedPitchWidth(), apart.FixedPitchWidth());
  }
}

struct Measured {
  int Width = 0;
  int Height = 0;
  std::size_t RemainderAt = std::string::npos;  // offset of the remainder, npos: none
  bool operator==(const Measured&) const = default;
};

void PrintTo(const Measured& m, std::ostream* os) {
  *os << "{width " << m.Width << ", height " << m.Height << ", remainder at "
      << static_cast<std::int64_t>(m.RemainderAt) << "}";
}

// The wrapped measure of a line without control sequences, one code point at a time.
Measured PlainWrappedMeasure(const TFont& font, std::string_view text, int maxWidth) {
  Measured m;
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  if (end > 0) m.Height = font.Height();
  std::int64_t width = 0;
  for (std::size_t pos = 0; pos < end;) {
    const std::size_t start = pos;
    const int w = font.CharWidth(Utf8Decode(text, pos));
    if (width + w > maxWidth) {
      const std::size_t blank = text.rfind(' ', start);
      std::size_t rest = blank == std::string_view::npos ? start : blank + 1;
      if (rest == 0) rest = pos;
      if (rest < text.size()) m.RemainderAt = rest;  // an empty remainder is none
      break;
    }
    width += w;
  }
  m.Width = static_cast<int>(width);
  return m;
}

Measured WrappedMeasure(std::string_view text, int maxWidth) {
  int code = 0, size = 0;
  TLineMetrics metrics = CalcFontMetrics(Printer(), text, code, size, maxWidth, true);
  Measured m{metrics.Width, metrics.Height};
  if (!metrics.Remainder.empty()) m.RemainderAt = static_cast<std::size_t>(metrics.Remainder.data() - text.data());
  return m;
}

// Pieces that random lines are made of: ASCII, blanks, two-byte characters the width tables
// hold (Latin-1, Cyrillic) and do not hold (Greek), three-byte characters, malformed bytes and
// backslashes that begin no control sequence.
const std::vector<std::string>& Pieces() {
  static const std::vector<std::string> pieces = {
      "a",        "W",         "Invoice",  " ",        "  ",       "0.00",
      "\xC3\xA9", "\xC2\xA0",  "\xD0\x96", "\xD1\x8F", "\xD3\xBF", "\xD0\xA1\xD1\x83\xD0\xBC",
      "\xCE\xB1", "\xE4\xB8\xAD", "\x80",   "\xD0",     "\xC0\xAF", "\xFF",
      "\\x",      "|"};
  return pieces;
}

std::string RandomLine(std::mt19937& random, std::size_t bytes) {
  std::string line;
  while (line.size() < bytes) line += Pieces()[random() % Pieces().size()];
  return line;
}

TEST_F(OutputTest, WrappedMeasureMatchesCharacterByCharacterMeasure) {
  std::mt19937 random(2024);
  const char* names[] = {"Arial", "Courier New", "Times New Roman"};
  for (int round = 0; round < 3000; ++round) {
    TFont& font = Printer().Font();
    font.SetName(names[round % 3]);
    font.SetStyle(static_cast<TFontStyles>(random() % 4));
    // Mostly cached pixel sizes; 600 pt measures without the width tables.
    font.SetSize(round % 50 == 0 ? 600 : 6 + static_cast<int>(random() % 20));
    const std::string line = RandomLine(random, random() % 140);
    // Unbounded, then cut somewhere inside the line (and inside its sixteen-byte blocks).
    const int full = PlainWrappedMeasure(font, line, 1 << 30).Width;
    for (int maxWidth : {1 << 30, full, full - 1, static_cast<int>(random() % (full + 1)), 0}) {
      ASSERT_EQ(WrappedMeasure(line, maxWidth), PlainWrappedMeasure(font, line, maxWidth))
          << "font " << font.Name() << " " << font.Size() << " max " << maxWidth << " line "
          << testing::PrintToString(line);
    }
  }
}

// The first CR and whether a backslash comes before it, one byte at a time.
std::tuple<std::ptrdiff_t, bool> PlainLineEnd(std::string_view bytes) {
  const std::size_t cr = bytes.find('\r');
  const std::string_view line = bytes.substr(0, cr);
  return {cr == std::string_view::npos ? -1 : static_cast<std::ptrdiff_t>(cr),
          line.find('\\') != std::string_view::npos};
}

TEST(LineEndTest, FindsTheCarriageReturnAndNotesBackslashesBeforeIt) {
  std::mt19937 random(99);
  const char alphabet[] = {'a', '\r', '\\', '\n', 'z', ' '};
  for (int round = 0; round < 5000; ++round) {
    // Mostly plain bytes, so that CRs and backslashes fall anywhere in and across blocks.
    std::string bytes(random() % 100, 'x');
    const int specials = static_cast<int>(random() % 4);
    for (int i = 0; i < specials && !bytes.empty(); ++i) {
      bytes[random() % bytes.size()] = alphabet[random() % sizeof(alphabet)];
    }
    bool backslash = true;
    const char* end = detail::FindLineEnd(bytes.data(), bytes.data() + bytes.size(), backslash);
    const auto [cr, slash] = PlainLineEnd(bytes);
    ASSERT_EQ(end == nullptr ? -1 : end - bytes.data(), cr) << testing::PrintToString(bytes);
    ASSERT_EQ(backslash, slash) << testing::PrintToString(bytes);
  }
}

using Flagged = std::vector<std::tuple<std::int64_t, std::string, bool>>;

TEST_F(OutputTest, StreamedLinesCarryTheirBackslashFlag) {
  std::mt19937 random(5);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\\', ' ', 'c', 'd'};
  std::string path = WriteFile("flags.prn", "");
  for (int round = 0; round < 200; ++round) {
    std::string data;
    const int length = static_cast<int>(random() % 200);
    for (int i = 0; i < length; ++i) data += alphabet[random() % sizeof(alphabet)];
    WriteFile("flags.prn", data);
    Flagged expected;
    SplitOutputLines(data, [&](std::size_t start, std::size_t size) {
      std::string text = data.substr(start, size);
      expected.emplace_back(static_cast<std::int64_t>(start), text, text.find('\\') != std::string::npos);
    });
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    for (std::size_t capacity : {1u, 3u, 17u, 40u, 4096u}) {
      Flagged streamed;
      StreamOutputLines(fd, data, [&](std::int64_t start, std::string_view text, bool backslash) {
        streamed.emplace_back(start, std::string(text), backslash);
      }, capacity);
      ASSERT_EQ(streamed, expected) << "capacity " << capacity << " data " << testing::PrintToString(data);
    }
    ::close(fd);
    Flagged mapped;  // the mapped view alone, as after a read error
    StreamOutputLines(-1, data, [&](std::int64_t start, std::string_view text, bool backslash) {
      mapped.emplace_back(start, std::string(text), backslash);
    });
    ASSERT_EQ(mapped, expected) << testing::PrintToString(data);
  }
}

// The scan view reads the lines straight from a mapping of its own, bringing pages in ahead
// and dropping them behind; small windows make it do both many times over a file.
TEST_F(OutputTest, ScanViewFindsTheLinesOfTheSplit) {
  std::mt19937 random(17);
  const char alphabet[] = {'a', 'b', '\r', '\n', '\\', ' ', 'c', 'd', 'e', 'f', 'g', 'h'};
  std::string path = WriteFile("scan.prn", "");
  const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
  for (int round = 0; round < 40; ++round) {
    std::string data;
    const std::size_t length = 1 + random() % (round < 20 ? 300 : 12 * page);
    while (data.size() < length) {
      // Lines of any length, up to several pages, some without any CR.
      std::string line(random() % (round % 3 == 0 ? 3 * page : 100), 'x');
      for (char& c : line) {
        if (random() % 8 == 0) c = alphabet[random() % sizeof(alphabet)];
      }
      data += line;
      data += random() % 4 == 0 ? "\r" : "\r\n";
    }
    data.resize(length);
    WriteFile("scan.prn", data);
    Flagged expected;
    SplitOutputLines(data, [&](std::size_t start, std::size_t size) {
      std::string text = data.substr(start, size);
      expected.emplace_back(static_cast<std::int64_t>(start), text, text.find('\\') != std::string::npos);
    });
    int fd = ::open(path.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    TLineScanView view(fd, data.size());
    ::close(fd);  // the mapping outlives the descriptor
    ASSERT_TRUE(view.Mapped());
    for (std::size_t window : {std::size_t{1}, page, 2 * page, TLineScanView::kWindow}) {
      Flagged scanned;
      view.ScanLines([&](std::int64_t start, std::string_view text, bool backslash) {
        scanned.emplace_back(start, std::string(text), backslash);
      }, window);
      ASSERT_EQ(scanned, expected) << "window " << window << " size " << data.size();
    }
  }
}

}  // namespace
}  // namespace bexlo
