// Format: the classic printf-like formatter.
//
// A specifier is "%" [index ":"] ["-"] [width] ["." precision] type, where index, width and
// precision may be "*" (taken from the argument list, which must hold an integer there). Types,
// in either case:
//   d  decimal integer; precision = minimum digits (zero-padded)      u  unsigned decimal integer
//   x  upper-case hex integer; precision = minimum digits             p  pointer, 16 hex digits
//   e  scientific float (precision = significant digits, default 15, exponent "E+000")
//   f  fixed float (precision = decimals, default 2)                  g  general float (default 15)
//   n  fixed float with thousands separators (default 2 decimals)
//   m  currency (default: the settings' CurrencyDecimals)
//   s  string or character; precision = maximum characters
// "%%" is a percent sign. An index sets the argument used for this specifier and the following
// ones. Width pads with blanks on the left, or on the right after "-"; widths count characters.
// A specifier without an argument, with an argument of the wrong kind, or malformed raises
// EConvertError ("Format '...' invalid or incompatible with argument", "No argument for format
// '...'"); the formatter never reads past the argument list. Widths and precisions above
// kFormatMaxWidth are malformed.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "util/format_settings.h"

namespace bexlo {

inline constexpr int kFormatMaxWidth = 65535;

// One argument of Format: an integer, unsigned integer, float, string, character or pointer. A
// string argument is a view: the text must outlive the call.
struct TVarRec {
  enum class Kind : std::uint8_t { Integer, Unsigned, Float, String, Char, Pointer };

  Kind kind;
  union {
    std::int64_t integer;
    std::uint64_t unsignedValue;
    double floating;
    char32_t character;
    const void* pointer;
  };
  std::string_view string;

  TVarRec(int v) : kind(Kind::Integer), integer(v) {}
  TVarRec(long v) : kind(Kind::Integer), integer(v) {}
  TVarRec(long long v) : kind(Kind::Integer), integer(v) {}
  TVarRec(short v) : kind(Kind::Integer), integer(v) {}
  TVarRec(unsigned v) : kind(Kind::Unsigned), unsignedValue(v) {}
  TVarRec(unsigned long v) : kind(Kind::Unsigned), unsignedValue(v) {}
  TVarRec(unsigned long long v) : kind(Kind::Unsigned), unsignedValue(v) {}
  TVarRec(unsigned short v) : kind(Kind::Unsigned), unsignedValue(v) {}
  TVarRec(double v) : kind(Kind::Float), floating(v) {}
  TVarRec(float v) : kind(Kind::Float), floating(v) {}
  TVarRec(long double v) : kind(Kind::Float), floating(static_cast<double>(v)) {}
  TVarRec(std::string_view v) : kind(Kind::String), integer(0), string(v) {}
  TVarRec(const std::string& v) : kind(Kind::String), integer(0), string(v) {}
  TVarRec(const char* v) : kind(Kind::String), integer(0), string(v ? v : "") {}
  TVarRec(char* v) : TVarRec(static_cast<const char*>(v)) {}
  TVarRec(char v) : kind(Kind::Char), character(static_cast<unsigned char>(v)) {}
  TVarRec(char32_t v) : kind(Kind::Char), character(v) {}
  template <class T>
    requires(!std::is_same_v<std::remove_cv_t<T>, char>)
  TVarRec(T* v) : kind(Kind::Pointer), pointer(v) {}
  TVarRec(std::nullptr_t) : kind(Kind::Pointer), pointer(nullptr) {}
  TVarRec(bool) = delete;  // booleans have no format type
};

// Formats with an argument list built at run time.
std::string Format(std::string_view pattern, std::span<const TVarRec> args);
std::string Format(const TFormatSettings& settings, std::string_view pattern,
                   std::span<const TVarRec> args);

// Formats with the given arguments: Format("%s: %d", name, count).
template <class... Args>
  requires(std::is_constructible_v<TVarRec, const Args&> && ...)
std::string Format(std::string_view pattern, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return Format(pattern, std::span<const TVarRec>());
  } else {
    const TVarRec list[] = {TVarRec(args)...};
    return Format(pattern, std::span<const TVarRec>(list));
  }
}

template <class... Args>
  requires(std::is_constructible_v<TVarRec, const Args&> && ...)
std::string Format(const TFormatSettings& settings, std::string_view pattern, const Args&... args) {
  if constexpr (sizeof...(Args) == 0) {
    return Format(settings, pattern, std::span<const TVarRec>());
  } else {
    const TVarRec list[] = {TVarRec(args)...};
    return Format(settings, pattern, std::span<const TVarRec>(list));
  }
}

}  // namespace bexlo
