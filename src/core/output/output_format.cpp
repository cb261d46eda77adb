#include "output/output_format.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "output/font.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

bool IsDigit(char c) noexcept { return c >= '0' && c <= '9'; }
// What trimming removes around an integer field: blanks and control characters.
bool IsTrimmed(char c) noexcept { return static_cast<unsigned char>(c) <= ' '; }

// An integer ended by a colon at `pos`: [trimmed] [sign] digits [trimmed] ':'. On success
// stores the value and moves `pos` past the colon.
bool ParseColonInt(std::string_view text, std::size_t& pos, int& value) noexcept {
  std::size_t p = pos;
  while (p < text.size() && IsTrimmed(text[p])) ++p;
  bool negative = false;
  if (p < text.size() && (text[p] == '+' || text[p] == '-')) negative = text[p++] == '-';
  std::size_t digits = p;
  std::int64_t v = 0;
  for (; p < text.size() && IsDigit(text[p]); ++p) {
    if (v <= std::int64_t{1} << 32) v = v * 10 + (text[p] - '0');
  }
  if (p == digits) return false;
  while (p < text.size() && IsTrimmed(text[p])) ++p;
  if (p >= text.size() || text[p] != ':') return false;
  if (negative) v = -v;
  if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max()) return false;
  value = static_cast<int>(v);
  pos = p + 1;
  return true;
}

// The longest run of at most maxDigits decimal digits at `pos`; returns how many were taken.
int ParseDigits(std::string_view text, std::size_t& pos, int maxDigits, int& value) noexcept {
  int count = 0;
  value = 0;
  while (count < maxDigits && pos < text.size() && IsDigit(text[pos])) {
    value = value * 10 + (text[pos++] - '0');
    ++count;
  }
  return count;
}

// The code point at `pos`, moving past it; two-byte sequences (Latin-1, Cyrillic) decoded
// inline, the rest by Utf8Decode.
char32_t NextCodePoint(std::string_view text, std::size_t& pos) noexcept {
  auto byte = static_cast<unsigned char>(text[pos]);
  if (byte < 0x80) {
    ++pos;
    return byte;
  }
  if (byte >= 0xC2 && byte < 0xE0 && pos + 1 < text.size()) {
    auto next = static_cast<unsigned char>(text[pos + 1]);
    if ((next & 0xC0) == 0x80) {
      pos += 2;
      return (char32_t{byte & 0x1Fu} << 6) | (next & 0x3Fu);
    }
  }
  return Utf8Decode(text, pos);
}

#if defined(__SSE2__)
// The number of bits set in a 16-bit value (std::popcount may be a library call).
int CountBits16(std::uint32_t x) noexcept {
  x = x - ((x >> 1) & 0x5555);
  x = (x & 0x3333) + ((x >> 2) & 0x3333);
  x = (x + (x >> 4)) & 0x0F0F;
  return static_cast<int>((x + (x >> 8)) & 0x1F);
}

// The width of the characters that begin among sixteen bytes, from byte `skip` on (the bytes
// before it belong to characters measured already), when all of those bytes are ASCII or
// whole two-byte characters the width table holds; -1 otherwise. `next`: the sixteen bytes one
// further on. `carry`: byte `skip` is the second byte of a character measured already.
// `lastStarts` tells whether the last byte begins a character. fixedWidth: as AddCachedWidths.
int BlockWidth(const std::uint16_t* widths, int fixedWidth, __m128i v, __m128i next, bool carry,
               int skip, bool& lastStarts) noexcept {
  const __m128i zero = _mm_setzero_si128();
  const __m128i tagMask = _mm_set1_epi8(static_cast<char>(0xC0));
  const __m128i contTag = _mm_set1_epi8(static_cast<char>(0x80));
  const __m128i inRange = _mm_cmpgt_epi8(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                         _mm_set1_epi8(static_cast<char>(skip - 1)));
  // Second bytes (10xxxxxx), and first bytes that the table holds: C2 C3 (U+0080..U+00FF) and
  // D0..D3 (U+0400..U+04FF); x <= k unsigned is min(x, k) == x.
  const __m128i cont = _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(v, tagMask), contTag), inRange);
  const __m128i nextCont = _mm_cmpeq_epi8(_mm_and_si128(next, tagMask), contTag);
  const __m128i latin = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(0xC2)));
  const __m128i cyrillic = _mm_sub_epi8(v, _mm_set1_epi8(static_cast<char>(0xD0)));
  const __m128i cyrillicLead =
      _mm_and_si128(_mm_cmpeq_epi8(_mm_min_epu8(cyrillic, _mm_set1_epi8(3)), cyrillic), inRange);
  const __m128i lead = _mm_or_si128(
      _mm_and_si128(_mm_cmpeq_epi8(_mm_min_epu8(latin, _mm_set1_epi8(1)), latin), inRange),
      cyrillicLead);
  const std::uint32_t range = (0xFFFFu << skip) & 0xFFFF;
  const auto nonAsciiBits = static_cast<std::uint32_t>(_mm_movemask_epi8(v)) & range;
  const auto contBits = static_cast<std::uint32_t>(_mm_movemask_epi8(cont));
  const auto leadBits = static_cast<std::uint32_t>(_mm_movemask_epi8(lead));
  const auto nextContBits = static_cast<std::uint32_t>(_mm_movemask_epi8(nextCont));
  const std::uint32_t carryBit = carry ? 1u << skip : 0u;
  const bool whole = nonAsciiBits == (leadBits | contBits) &&
                     contBits == (((leadBits << 1) | carryBit) & 0xFFFF) &&
                     (leadBits & ~nextContBits) == 0;
  if (!whole) return -1;
  lastStarts = (leadBits >> 15) != 0;
  // A fixed-pitch face: every character is as wide, so count those that begin here.
  if (fixedWidth != 0) return CountBits16(range & ~contBits) * fixedWidth;

  // The slot of every byte, built from its low and high byte: an ASCII byte's own; for a first
  // byte, the low six bits of the second byte under bits 7..6 from the first (C2 C3 give
  // U+0080..U+00FF, D0..D3 give U+0400..U+04FF less 0x300, high byte 1); kZeroSlot (high
  // byte 2) for any other byte.
  static_assert(TFont::kCyrillicSlot == 0x100 && TFont::kZeroSlot == 0x200);
  const __m128i ascii = _mm_andnot_si128(_mm_cmplt_epi8(v, zero), inRange);
  const __m128i leadLow = _mm_or_si128(_mm_slli_epi16(_mm_and_si128(v, _mm_set1_epi8(3)), 6),
                                       _mm_and_si128(next, _mm_set1_epi8(0x3F)));
  const __m128i low = _mm_or_si128(_mm_and_si128(v, ascii), _mm_and_si128(leadLow, lead));
  const __m128i high = _mm_or_si128(_mm_and_si128(cyrillicLead, _mm_set1_epi8(1)),
                                    _mm_andnot_si128(_mm_or_si128(ascii, lead), _mm_set1_epi8(2)));
  alignas(16) std::uint16_t slots[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(slots), _mm_unpacklo_epi8(low, high));
  _mm_store_si128(reinterpret_cast<__m128i*>(slots + 8), _mm_unpackhi_epi8(low, high));
  int width = 0;
  for (int i = 0; i < 16; ++i) width += widths[slots[i]];
  return width;
}

// AddCachedWidths sixteen bytes a step while the bytes are ASCII or whole two-byte characters
// the table holds and fit. The last step reaches back over bytes measured already (skipping
// them), so that a run of sixteen bytes or more leaves none over. Stops at a character
// boundary: `end`, or before a block with any other byte or one that does not fit.
std::size_t AddCachedWidthBlocks(const std::uint16_t* widths, int fixedWidth,
                                 const unsigned char* bytes, std::size_t pos, std::size_t end,
                                 std::int64_t maxWidth, std::int64_t& width) noexcept {
  bool carry = false;  // bytes[pos] ends a character counted in the previous block
  std::int64_t sum = width;
  for (; end - pos > 16; pos += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos));
    const __m128i next = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + pos + 1));
    bool lastStarts = false;
    const int block = BlockWidth(widths, fixedWidth, v, next, carry, 0, lastStarts);
    if (block < 0 || sum + block > maxWidth) break;
    sum += block;
    carry = lastStarts;
  }
  if (carry) ++pos;
  if (pos < end && end - pos <= 16 && end >= 16) {
    // The last sixteen bytes of the run: no byte after `end` continues a character in it.
    const std::size_t base = end - 16;
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + base));
    bool lastStarts = false;
    const int block = BlockWidth(widths, fixedWidth, v, _mm_srli_si128(v, 1), false,
                                 static_cast<int>(pos - base), lastStarts);
    if (block >= 0 && sum + block <= maxWidth) {
      sum += block;
      pos = end;
    }
  }
  width = sum;
  return pos;
}
#endif

// Adds to `width` the widths of the characters of text[pos..end) that a font's cached width
// table (TFont::LatinWidths) holds, ASCII and two-byte Latin-1 and Cyrillic characters, while
// the sum stays within maxWidth. fixedWidth: the font's FixedPitchWidth. Returns where it
// stopped: `end`, a character the table does not hold, or the first character that does not
// fit.
std::size_t AddCachedWidths(const std::uint16_t* widths, int fixedWidth, std::string_view text,
                            std::size_t pos, std::size_t end, std::int64_t maxWidth,
                            std::int64_t& width) noexcept {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
#if defined(__SSE2__)
  pos = AddCachedWidthBlocks(widths, fixedWidth, bytes, pos, end, maxWidth, width);
#endif
  std::int64_t sum = width;
  while (pos < end) {
    if (end - pos >= 8) {
      // Eight ASCII characters that fit together need no test one by one.
      std::uint64_t chunk;
      std::memcpy(&chunk, bytes + pos, 8);
      if ((chunk & 0x8080808080808080u) == 0) {
        const unsigned char* b = bytes + pos;
        const int eight = widths[b[0]] + widths[b[1]] + widths[b[2]] + widths[b[3]] +
                          widths[b[4]] + widths[b[5]] + widths[b[6]] + widths[b[7]];
        if (sum + eight <= maxWidth) {
          sum += eight;
          pos += 8;
          continue;
        }
      }
    }
    const unsigned lead = bytes[pos];
    int w;
    std::size_t next = pos + 1;
    if (lead < 0x80) {
      w = widths[lead];
    } else {
      if (next >= end || (bytes[next] & 0xC0) != 0x80) break;
      const unsigned cp = ((lead & 0x1F) << 6) | (bytes[next] & 0x3F);
      if (lead == 0xC2 || lead == 0xC3) {
        w = widths[cp];
      } else if (lead >= 0xD0 && lead <= 0xD3) {
        w = widths[TFont::kCyrillicSlot + (cp - 0x400)];
      } else {
        break;
      }
      ++next;
    }
    if (sum + w > maxWidth) break;
    sum += w;
    pos = next;
  }
  width = sum;
  return pos;
}

// The parsers below fill `spec`, empty on entry, and leave it empty when `text` does not begin
// the sequence. (Filling the caller's object field by field, rather than returning a fresh
// one, spares the copy that a stalled store-to-load forwarding makes slow.)
void ParseFont(std::string_view text, TSpecChar& spec) noexcept {
  std::size_t pos = 2;
  if (!ParseColonInt(text, pos, spec.Values[0])) {
    spec = {};
    return;
  }
  ParseDigits(text, pos, 2, spec.Values[1]);  // no digits: size 0, kept
  spec.Kind = TSpecKind::skFont;
  spec.Consumed = static_cast<int>(pos);
}

void ParseLineOrFrame(std::string_view text, TSpecKind kind, TSpecChar& spec) noexcept {
  std::size_t pos = 2;
  for (int i = 0; i < 4; ++i) {
    if (!ParseColonInt(text, pos, spec.Values[i])) {
      spec = {};
      return;
    }
  }
  if (ParseDigits(text, pos, 4, spec.Values[4]) == 0) {
    spec = {};
    return;
  }
  spec.Kind = kind;
  spec.Consumed = static_cast<int>(pos);
}

void ParseParagraphBegin(std::string_view text, TSpecChar& spec) noexcept {
  spec.Kind = TSpecKind::skParagraphBegin;
  std::size_t pos = 3;
  if (ParseColonInt(text, pos, spec.Values[0])) {
    ParseDigits(text, pos, 6, spec.Values[1]);  // no digits: right indent 0
    spec.HasIndents = true;
  }
  spec.Consumed = static_cast<int>(pos);
}

// ParseSpecChar into `spec`, which is empty on entry.
void ParseSpecCharInto(std::string_view text, TSpecChar& spec) noexcept {
  if (text.size() < 2 || text[0] != '\\') return;
  switch (text[1]) {
    case 'F': return ParseFont(text, spec);
    case 'L': return ParseLineOrFrame(text, TSpecKind::skLine, spec);
    case 'R': return ParseLineOrFrame(text, TSpecKind::skFrame, spec);
    case 'P':
      if (text.size() < 3) return;
      if (text[2] == 'B') return ParseParagraphBegin(text, spec);
      if (text[2] == 'E') {
        spec.Kind = TSpecKind::skParagraphEnd;
        spec.Consumed = 3;
      }
      return;
    default: return;
  }
}

void DrawSpec(const TSpecChar& spec, TCanvas& canvas, double scale) {
  if (!(scale > 0)) scale = 1.0;
  auto px = [scale](int mm) { return RoundPixel(MilimeterToPixel(mm) / scale); };
  int x1 = px(spec.Values[0]), y1 = px(spec.Values[1]);
  int x2 = px(spec.Values[2]), y2 = px(spec.Values[3]);
  if (spec.Kind == TSpecKind::skLine) {
    canvas.Line({x1, y1}, {x2, y2}, clBlack, spec.Values[4]);
  } else {
    const TPoint outline[] = {{x1, y1}, {x2, y1}, {x2, y2}, {x1, y2}, {x1, y1}};
    canvas.Polyline(outline, clBlack, spec.Values[4]);
  }
}

}  // namespace

// ---- font code byte --------------------------------------------------------------------------

const char* FontFamilyName(int family) noexcept {
  switch (family) {
    case 0: return msg::SQoFontArial;
    case 1:
    case 15: return msg::SQoFontCourierNew;
    case 2: return msg::SQoFontTimesNewRoman;
    default: return nullptr;
  }
}

void CalcFont(TFont& font, int code, int size) {
  code &= 0xFF;
  if (code == kDefaultFontCode) {
    font.SetFace(msg::SQoFontCourierNew, kDefaultFontSize, 0);
    return;
  }
  const char* name = FontFamilyName(code >> 4);
  font.SetFace(name ? std::string_view(name) : std::string_view(font.Name()),
               size > 0 ? size : font.Size(), static_cast<TFontStyles>(code & 0x0F));
}

void SetFont(TPrinterModel& printer, int code, int size, TCanvas* canvas) {
  TFont& font = printer.Font();
  CalcFont(font, code, size);
  if (canvas) canvas->SelectFont(font);
}

// ---- units -----------------------------------------------------------------------------------

int RoundPixel(double value) noexcept {
  if (std::isnan(value)) return 0;
  constexpr double lo = std::numeric_limits<int>::min();
  constexpr double hi = std::numeric_limits<int>::max();
  return static_cast<int>(std::clamp(std::nearbyint(value), lo, hi));
}

int MilimeterToPixel(double mm) noexcept {
  return RoundPixel(mm * EffectivePrinterDPI() / 25.4);
}

// ---- control sequences -----------------------------------------------------------------------

TSpecChar ParseSpecChar(std::string_view text) noexcept {
  TSpecChar spec;
  ParseSpecCharInto(text, spec);
  return spec;
}

int CalcSpecChar(TPrinterModel& printer, std::string_view text, bool draw, TCanvas* canvas,
                 double scale, int& fontCode, int& fontSize, int& paraLeft, int& paraRight) {
  TSpecChar spec;
  ParseSpecCharInto(text, spec);
  switch (spec.Kind) {
    case TSpecKind::skFont:
      fontCode = spec.Values[0] & 0xFF;
      if (spec.Values[1] > 0) fontSize = spec.Values[1];
      if (draw) SetFont(printer, fontCode, fontSize, canvas);
      break;
    case TSpecKind::skLine:
    case TSpecKind::skFrame:
      if (draw && canvas) DrawSpec(spec, *canvas, scale);
      break;
    case TSpecKind::skParagraphBegin:
      if (spec.HasIndents) {
        paraLeft = MilimeterToPixel(spec.Values[0]);
        paraRight = MilimeterToPixel(spec.Values[1]);
      }
      break;
    case TSpecKind::skParagraphEnd:
    case TSpecKind::skNone: break;
  }
  return spec.Consumed;
}

// ---- measuring -------------------------------------------------------------------------------

TLineMetrics CalcFontMetrics(TPrinterModel& printer, std::string_view text, int& fontCode,
                             int& fontSize, int maxWidth, bool wrap) {
  TLineMetrics metrics;
  const TFont& font = printer.Font();
  int scratchLeft = 0, scratchRight = 0;
  auto spec = [&](std::size_t pos, std::size_t end) {
    return static_cast<std::size_t>(CalcSpecChar(printer, text.substr(pos, end - pos), true,
                                                 nullptr, 1.0, fontCode, fontSize, scratchLeft,
                                                 scratchRight));
  };
  std::size_t end = text.size();

  if (!wrap) {
    // Every visible character is one line of text in the font in force: the height is the
    // largest font height that some visible character is set in.
    std::size_t pos = 0;
    while (pos < end) {
      std::size_t slash = text.find('\\', pos);
      if (slash == std::string_view::npos) {
        metrics.Height = std::max(metrics.Height, font.Height());
        break;
      }
      if (slash > pos) metrics.Height = std::max(metrics.Height, font.Height());
      std::size_t consumed = spec(slash, end);
      if (consumed == 0) metrics.Height = std::max(metrics.Height, font.Height());
      pos = slash + std::max<std::size_t>(consumed, 1);
    }
    return metrics;
  }

  while (end > 0 && text[end - 1] == ' ') --end;
  std::int64_t width = 0;
  std::size_t pos = 0;
  while (pos < end) {
    if (text[pos] == '\\') {
      if (std::size_t consumed = spec(pos, end)) {
        pos += consumed;
        continue;
      }
    }
    // A run of visible characters up to the next backslash, all in the font in force.
    const std::uint16_t* latin = font.LatinWidths();
    std::size_t runEnd = text.find('\\', pos + 1);
    if (runEnd > end) runEnd = end;
    metrics.Height = std::max(metrics.Height, font.Height());
    while (pos < runEnd) {
      if (latin != nullptr) {
        pos = AddCachedWidths(latin, font.FixedPitchWidth(), text, pos, runEnd, maxWidth, width);
        if (pos == runEnd) break;
      }
      // A character the cached table does not hold, or one that does not fit.
      const std::size_t start = pos;
      const int w = font.CharWidth(NextCodePoint(text, pos));
      if (width + w > maxWidth) {
        std::size_t blank = text.rfind(' ', start);
        std::size_t rest = blank == std::string_view::npos ? start : blank + 1;
        if (rest == 0) rest = pos;  // nothing fits: the first character goes on this line anyway
        metrics.Remainder = text.substr(rest);
        metrics.Width = static_cast<int>(width);
        return metrics;
      }
      width += w;
    }
  }
  metrics.Width = static_cast<int>(width);
  return metrics;
}

// ---- paragraphs ------------------------------------------------------------------------------

int CountGaps(std::string_view text) noexcept {
  std::size_t end = text.size();
  while (end > 0 && text[end - 1] == ' ') --end;
  int gaps = 0;
  bool seenText = false, inBlanks = false;
  for (std::size_t pos = 0; pos < end;) {
    if (text[pos] == '\\') {
      if (int consumed = ParseSpecChar(text.substr(pos, end - pos)).Consumed) {
        pos += consumed;
        continue;
      }
    }
    if (text[pos] == ' ') {
      inBlanks = seenText;
    } else {
      if (inBlanks) ++gaps;
      inBlanks = false;
      seenText = true;
    }
    ++pos;
  }
  return gaps;
}

TJustification CalcJustification(std::string_view text, int available) noexcept {
  if (available <= 0) return {};
  int gaps = CountGaps(text);
  if (gaps < 2) return {};
  return {available / gaps, available % gaps};
}

}  // namespace bexlo
