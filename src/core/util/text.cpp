#include "util/text.h"

#include <iconv.h>
#include <utf8proc.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <utility>

#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {
namespace {

inline unsigned char Byte(std::string_view s, std::size_t i) { return static_cast<unsigned char>(s[i]); }
inline bool IsContinuation(unsigned char b) { return (b & 0xC0) == 0x80; }

// Length (2..4) of the well-formed multi-byte sequence starting at s[pos], or 0 when the bytes
// there do not form one (the lead byte then counts as a malformed character of its own).
std::size_t SequenceLength(std::string_view s, std::size_t pos) noexcept {
  const unsigned char b0 = Byte(s, pos);
  const std::size_t left = s.size() - pos;
  auto in = [&](std::size_t i, unsigned char lo, unsigned char hi) {
    return i < left && Byte(s, pos + i) >= lo && Byte(s, pos + i) <= hi;
  };
  if (b0 >= 0xC2 && b0 <= 0xDF) return in(1, 0x80, 0xBF) ? 2 : 0;
  if (b0 >= 0xE0 && b0 <= 0xEF) {
    const unsigned char lo = b0 == 0xE0 ? 0xA0 : 0x80;  // no overlongs
    const unsigned char hi = b0 == 0xED ? 0x9F : 0xBF;  // no surrogates
    return in(1, lo, hi) && in(2, 0x80, 0xBF) ? 3 : 0;
  }
  if (b0 >= 0xF0 && b0 <= 0xF4) {
    const unsigned char lo = b0 == 0xF0 ? 0x90 : 0x80;
    const unsigned char hi = b0 == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
    return in(1, lo, hi) && in(2, 0x80, 0xBF) && in(3, 0x80, 0xBF) ? 4 : 0;
  }
  return 0;
}

// Bytes taken by the character at s[pos]: the sequence length, or 1 for ASCII and malformed bytes.
inline std::size_t CharLength(std::string_view s, std::size_t pos) noexcept {
  if (Byte(s, pos) < 0x80) return 1;
  const std::size_t n = SequenceLength(s, pos);
  return n ? n : 1;
}

char32_t DecodeSequence(std::string_view s, std::size_t pos, std::size_t length) noexcept {
  const unsigned char b0 = Byte(s, pos);
  switch (length) {
    case 2: return (char32_t(b0 & 0x1F) << 6) | (Byte(s, pos + 1) & 0x3F);
    case 3:
      return (char32_t(b0 & 0x0F) << 12) | (char32_t(Byte(s, pos + 1) & 0x3F) << 6) |
             (Byte(s, pos + 2) & 0x3F);
    default:
      return (char32_t(b0 & 0x07) << 18) | (char32_t(Byte(s, pos + 1) & 0x3F) << 12) |
             (char32_t(Byte(s, pos + 2) & 0x3F) << 6) | (Byte(s, pos + 3) & 0x3F);
  }
}

// Applies a code-point mapping to every well-formed character, keeping malformed bytes.
template <class Map>
std::string MapCodePoints(std::string_view s, Map map) {
  std::string out;
  out.reserve(s.size());
  std::size_t pos = 0;
  while (pos < s.size()) {
    const unsigned char b = Byte(s, pos);
    if (b < 0x80) {
      Utf8Append(out, map(b));
      ++pos;
      continue;
    }
    const std::size_t n = SequenceLength(s, pos);
    if (n == 0) {
      out.push_back(static_cast<char>(b));
      ++pos;
      continue;
    }
    Utf8Append(out, map(DecodeSequence(s, pos, n)));
    pos += n;
  }
  return out;
}

// A comparison key for the character at pos: the upper case of its lower case (so that letters
// with several upper-case forms, like the theta symbol, still match), or a value above the
// Unicode range for a malformed byte (so different malformed bytes stay different).
char32_t NextCompareKey(std::string_view s, std::size_t& pos) noexcept {
  const unsigned char b = Byte(s, pos);
  if (b < 0x80) {
    ++pos;
    return (b >= 'a' && b <= 'z') ? b - 32 : b;
  }
  const std::size_t n = SequenceLength(s, pos);
  if (n == 0) {
    ++pos;
    return 0x110000 + b;
  }
  const char32_t cp = DecodeSequence(s, pos, n);
  pos += n;
  return UpperCaseChar(LowerCaseChar(cp));
}

inline bool IsTrimmed(char c) { return static_cast<unsigned char>(c) <= 32; }

// One iconv descriptor per conversion direction and thread, opened on first use.
class IconvCache {
 public:
  ~IconvCache() {
    for (auto& [key, cd] : open_) iconv_close(cd);
  }
  // Returns nullptr when iconv does not know one of the code pages.
  iconv_t Get(const std::string& to, const std::string& from) {
    auto key = std::make_pair(to, from);
    auto it = open_.find(key);
    if (it != open_.end()) return it->second;
    iconv_t cd = iconv_open(to.c_str(), from.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return nullptr;
    open_.emplace(std::move(key), cd);
    return cd;
  }

 private:
  std::map<std::pair<std::string, std::string>, iconv_t> open_;
};

iconv_t OpenConverter(std::string_view to, std::string_view from, std::string_view named) {
  thread_local IconvCache cache;
  iconv_t cd = cache.Get(std::string(to), std::string(from));
  if (!cd) throw EConvertError(Format(msg::SUnknownCodePage, named));
  iconv(cd, nullptr, nullptr, nullptr, nullptr);  // reset the shift state
  return cd;
}

// Runs iconv over `in`; at each input position iconv rejects, `onInvalid(pos)` appends the
// substitute to `out` and returns how many input bytes to skip.
template <class OnInvalid>
std::string RunIconv(iconv_t cd, std::string_view in, OnInvalid onInvalid) {
  std::string out;
  std::size_t pos = 0;
  char buffer[4096];
  auto drain = [&](char* end) { out.append(buffer, end); };
  while (true) {
    char* inPtr = const_cast<char*>(in.data() + pos);
    std::size_t inLeft = in.size() - pos;
    char* outPtr = buffer;
    std::size_t outLeft = sizeof buffer;
    const std::size_t rc = pos < in.size() ? iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft)
                                           : iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    const int error = errno;
    drain(outPtr);
    const bool flushing = pos >= in.size();
    pos = in.size() - inLeft;
    if (rc != static_cast<std::size_t>(-1)) {
      if (flushing) break;
      continue;  // all input taken; flush the shift state next
    }
    if (error == E2BIG) continue;
    if (flushing) break;
    pos += onInvalid(out, pos);  // EILSEQ, or EINVAL for a sequence cut off at the end
  }
  return out;
}

}  // namespace

// ---- code points -----------------------------------------------------------------------------------

char32_t Utf8Decode(std::string_view s, std::size_t& pos) noexcept {
  const unsigned char b = Byte(s, pos);
  if (b < 0x80) {
    ++pos;
    return b;
  }
  const std::size_t n = SequenceLength(s, pos);
  if (n == 0) {
    ++pos;
    return kReplacementChar;
  }
  const char32_t cp = DecodeSequence(s, pos, n);
  pos += n;
  return cp;
}

void Utf8Append(std::string& out, char32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
    return;
  }
  if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = kReplacementChar;
  char bytes[4];
  std::size_t n;
  if (cp < 0x800) {
    bytes[0] = static_cast<char>(0xC0 | (cp >> 6));
    n = 2;
  } else if (cp < 0x10000) {
    bytes[0] = static_cast<char>(0xE0 | (cp >> 12));
    bytes[1] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    n = 3;
  } else {
    bytes[0] = static_cast<char>(0xF0 | (cp >> 18));
    bytes[1] = static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    bytes[2] = static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    n = 4;
  }
  bytes[n - 1] = static_cast<char>(0x80 | (cp & 0x3F));
  out.append(bytes, n);
}

std::string Utf8Encode(char32_t cp) {
  std::string out;
  Utf8Append(out, cp);
  return out;
}

std::u32string Utf8ToUtf32(std::string_view s) {
  std::u32string out;
  out.reserve(s.size());
  for (std::size_t pos = 0; pos < s.size();) out.push_back(Utf8Decode(s, pos));
  return out;
}

std::string Utf32ToUtf8(std::u32string_view s) {
  std::string out;
  out.reserve(s.size());
  for (char32_t cp : s) Utf8Append(out, cp);
  return out;
}

// ---- counting and positions ----------------------------------------------------------------------

std::size_t Utf8Length(std::string_view s) noexcept {
  std::size_t count = 0;
  for (std::size_t pos = 0; pos < s.size(); pos += CharLength(s, pos)) ++count;
  return count;
}

std::size_t Utf8Offset(std::string_view s, std::size_t index) noexcept {
  std::size_t pos = 0;
  for (; index > 0 && pos < s.size(); --index) pos += CharLength(s, pos);
  return pos;
}

std::size_t Utf8FloorBoundary(std::string_view s, std::size_t byteIndex) noexcept {
  if (byteIndex >= s.size()) return s.size();
  if (!IsContinuation(Byte(s, byteIndex))) return byteIndex;
  // A continuation byte: find the lead at most three bytes back and see whether its sequence
  // covers byteIndex; otherwise the byte is a stray one and a character of its own.
  std::size_t lead = byteIndex;
  while (lead > 0 && byteIndex - lead < 3 && IsContinuation(Byte(s, lead))) --lead;
  if (IsContinuation(Byte(s, lead))) return byteIndex;
  const std::size_t n = SequenceLength(s, lead);
  return (n != 0 && lead + n > byteIndex) ? lead : byteIndex;
}

std::string Utf8Copy(std::string_view s, std::int64_t index, std::int64_t count) {
  if (index < 1) index = 1;
  if (count <= 0) return {};
  const std::size_t start = Utf8Offset(s, static_cast<std::size_t>(index - 1));
  if (start >= s.size()) return {};
  const std::size_t length = Utf8Offset(s.substr(start), static_cast<std::size_t>(count));
  return std::string(s.substr(start, length));
}

std::size_t Utf8Pos(std::string_view sub, std::string_view s) noexcept {
  if (sub.empty()) return 0;
  std::size_t from = 0;
  while (true) {
    const std::size_t at = s.find(sub, from);
    if (at == std::string_view::npos) return 0;
    if (Utf8FloorBoundary(s, at) == at) return Utf8Length(s.substr(0, at)) + 1;
    from = at + 1;  // a match inside a character does not count
  }
}

void Utf8Delete(std::string& s, std::int64_t index, std::int64_t count) {
  if (index < 1 || count <= 0) return;
  const std::size_t start = Utf8Offset(s, static_cast<std::size_t>(index - 1));
  if (start >= s.size()) return;
  const std::size_t length =
      Utf8Offset(std::string_view(s).substr(start), static_cast<std::size_t>(count));
  s.erase(start, length);
}

void Utf8Insert(std::string_view sub, std::string& s, std::int64_t index) {
  if (index < 1) index = 1;
  const std::size_t at = Utf8Offset(s, static_cast<std::size_t>(index - 1));
  s.insert(at, sub);
}

// ---- validity ------------------------------------------------------------------------------------

bool IsValidUtf8(std::string_view s) noexcept {
  std::size_t pos = 0;
  while (pos < s.size()) {
    if (Byte(s, pos) < 0x80) {
      ++pos;
      continue;
    }
    const std::size_t n = SequenceLength(s, pos);
    if (n == 0) return false;
    pos += n;
  }
  return true;
}

std::string RepairUtf8(std::string_view s) {
  if (IsValidUtf8(s)) return std::string(s);
  std::string out;
  out.reserve(s.size() + 8);
  for (std::size_t pos = 0; pos < s.size();) Utf8Append(out, Utf8Decode(s, pos));
  return out;
}

// ---- case ----------------------------------------------------------------------------------------

char32_t UpperCaseChar(char32_t cp) noexcept {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') ? cp - 32 : cp;
  // Sharp s keeps its form, as the classic upper-case tables did, rather than becoming U+1E9E.
  if (cp > 0x10FFFF || cp == 0xDF) return cp;
  return static_cast<char32_t>(utf8proc_toupper(static_cast<utf8proc_int32_t>(cp)));
}

char32_t LowerCaseChar(char32_t cp) noexcept {
  if (cp < 0x80) return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
  if (cp > 0x10FFFF) return cp;
  return static_cast<char32_t>(utf8proc_tolower(static_cast<utf8proc_int32_t>(cp)));
}

std::string UpperCase(std::string_view s) { return MapCodePoints(s, UpperCaseChar); }
std::string LowerCase(std::string_view s) { return MapCodePoints(s, LowerCaseChar); }

std::string AsciiUpperCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return out;
}

std::string AsciiLowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// ---- trimming and comparison ---------------------------------------------------------------------

std::string_view TrimView(std::string_view s) noexcept {
  std::size_t begin = 0, end = s.size();
  while (begin < end && IsTrimmed(s[begin])) ++begin;
  while (end > begin && IsTrimmed(s[end - 1])) --end;
  return s.substr(begin, end - begin);
}

std::string Trim(std::string_view s) { return std::string(TrimView(s)); }

std::string TrimLeft(std::string_view s) {
  std::size_t begin = 0;
  while (begin < s.size() && IsTrimmed(s[begin])) ++begin;
  return std::string(s.substr(begin));
}

std::string TrimRight(std::string_view s) {
  std::size_t end = s.size();
  while (end > 0 && IsTrimmed(s[end - 1])) --end;
  return std::string(s.substr(0, end));
}

int CompareStr(std::string_view a, std::string_view b) noexcept {
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareText(std::string_view a, std::string_view b) noexcept {
  std::size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    const char32_t x = NextCompareKey(a, i);
    const char32_t y = NextCompareKey(b, j);
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool SameText(std::string_view a, std::string_view b) noexcept { return CompareText(a, b) == 0; }

// ---- character classes ---------------------------------------------------------------------------

bool IsLetter(char32_t cp) noexcept {
  if (cp < 0x80) return (cp >= 'a' && cp <= 'z') || (cp >= 'A' && cp <= 'Z');
  if (cp > 0x10FFFF) return false;
  switch (utf8proc_category(static_cast<utf8proc_int32_t>(cp))) {
    case UTF8PROC_CATEGORY_LU:
    case UTF8PROC_CATEGORY_LL:
    case UTF8PROC_CATEGORY_LT:
    case UTF8PROC_CATEGORY_LM:
    case UTF8PROC_CATEGORY_LO:
      return true;
    default:
      return false;
  }
}

// ---- code pages ----------------------------------------------------------------------------------

std::string ConvertFromUtf8(std::string_view s, std::string_view codepage) {
  iconv_t cd = OpenConverter(codepage, "UTF-8", codepage);
  return RunIconv(cd, s, [&](std::string& out, std::size_t pos) -> std::size_t {
    out.push_back('?');
    return CharLength(s, pos);
  });
}

std::string ConvertToUtf8(std::string_view s, std::string_view codepage) {
  iconv_t cd = OpenConverter("UTF-8", codepage, codepage);
  return RunIconv(cd, s, [&](std::string& out, std::size_t) -> std::size_t {
    Utf8Append(out, kReplacementChar);
    return 1;
  });
}

}  // namespace bexlo
