#include "util/legacy_text.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "util/text.h"

namespace bexlo {

namespace {

std::string& CodePage() {
  static std::string codepage = "CP1251";
  return codepage;
}

}  // namespace

namespace {

// The end of the run of ASCII and well-formed two-byte sequences (U+0080 to U+07FF: Latin,
// Greek, Cyrillic ...) that starts at p, sixteen bytes a step; every byte before it is valid
// UTF-8 on its own. It stops at a block that holds anything else (a longer sequence, a stray
// byte) or a sequence cut by the block's end, at a character start, for the full check.
const char* SkipShortSequences(const char* p, const char* end) noexcept {
#if defined(__SSE2__)
  // Signed bytes: leads 0xC2..0xDF are -62..-33, continuations 0x80..0xBF are -128..-65.
  const __m128i leadLow = _mm_set1_epi8(-63), leadHigh = _mm_set1_epi8(-32);
  const __m128i contHigh = _mm_set1_epi8(-64);
  unsigned carry = 0;  // the last block ended with a lead byte
  while (end - p >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    // No shortcut for all-ASCII blocks: text mixes them with others, and the branch would be
    // mispredicted more often than the checks below cost.
    const unsigned high = static_cast<unsigned>(_mm_movemask_epi8(x));
    const unsigned lead = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_and_si128(_mm_cmpgt_epi8(x, leadLow), _mm_cmplt_epi8(x, leadHigh))));
    const unsigned cont = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmplt_epi8(x, contHigh)));
    // Every high byte is a lead or a continuation, and the continuations are exactly the bytes
    // after a lead.
    if ((lead | cont) != high || cont != (((lead << 1) | carry) & 0xFFFFu)) break;
    carry = lead >> 15;
    p += 16;
  }
  if (carry != 0) --p;  // back to the lead byte of the cut sequence
#else
  (void)end;
#endif
  return p;
}

}  // namespace

bool IsLegacyText(std::string_view bytes) noexcept {
  // Fast runs of ASCII and two-byte sequences; each run of other bytes is checked as UTF-8 on
  // its own (no multi-byte sequence holds an ASCII byte, so the runs can be judged apart).
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    p = SkipShortSequences(p, end);
    while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
    if (p == end) break;
    // Two-byte sequences inline; anything else by the full check.
    while (end - p >= 2 && static_cast<unsigned char>(p[0]) >= 0xC2 && static_cast<unsigned char>(p[0]) < 0xE0 &&
           (static_cast<unsigned char>(p[1]) & 0xC0) == 0x80)
      p += 2;
    if (p == end || static_cast<unsigned char>(*p) < 0x80) continue;
    const char* run = p;
    while (p < end && static_cast<unsigned char>(*p) >= 0x80) ++p;
    if (!IsValidUtf8(std::string_view(run, static_cast<std::size_t>(p - run)))) return true;
  }
  return false;
}

std::string DecodeLegacyText(std::string_view bytes) {
  if (!IsLegacyText(bytes)) return std::string(bytes);
  return ConvertToUtf8(bytes, CodePage());
}

const std::string& LegacyCodePage() noexcept { return CodePage(); }

void SetLegacyCodePage(std::string_view codepage) {
  ConvertToUtf8("A", codepage);  // raises for a code page iconv does not know
  CodePage() = std::string(codepage);
}

}  // namespace bexlo
