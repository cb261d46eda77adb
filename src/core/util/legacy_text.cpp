#include "util/legacy_text.h"

#include "util/text.h"

namespace bexlo {

namespace {

std::string& CodePage() {
  static std::string codepage = "CP1251";
  return codepage;
}

}  // namespace

bool IsLegacyText(std::string_view bytes) noexcept { return !IsValidUtf8(bytes); }

std::string DecodeLegacyText(std::string_view bytes) {
  if (IsValidUtf8(bytes)) return std::string(bytes);
  return ConvertToUtf8(bytes, CodePage());
}

const std::string& LegacyCodePage() noexcept { return CodePage(); }

void SetLegacyCodePage(std::string_view codepage) {
  ConvertToUtf8("A", codepage);  // raises for a code page iconv does not know
  CodePage() = std::string(codepage);
}

}  // namespace bexlo
