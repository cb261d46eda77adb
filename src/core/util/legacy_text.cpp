#include "util/legacy_text.h"

#include <cstdint>
#include <cstring>

#include "util/text.h"

namespace bexlo {

namespace {

std::string& CodePage() {
  static std::string codepage = "CP1251";
  return codepage;
}

}  // namespace

bool IsLegacyText(std::string_view bytes) noexcept {
  // ASCII eight bytes at a time; each run of other bytes is checked as UTF-8 on its own (no
  // multi-byte sequence holds an ASCII byte, so the runs can be judged apart).
  const char* p = bytes.data();
  const char* const end = p + bytes.size();
  while (p < end) {
    while (end - p >= 8) {
      std::uint64_t word;
      std::memcpy(&word, p, sizeof word);
      if (word & 0x8080808080808080u) break;
      p += 8;
    }
    while (p < end && static_cast<unsigned char>(*p) < 0x80) ++p;
    if (p == end) break;
    // Two-byte sequences (Latin-1, Cyrillic, Greek ...) inline; anything else by the full check.
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
