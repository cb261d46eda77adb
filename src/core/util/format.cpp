#include "util/format.h"

#include <charconv>

#include "util/convert.h"
#include "util/exceptions.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {
namespace {

// The formatter's state while it walks one pattern.
class Formatter {
 public:
  Formatter(const TFormatSettings& settings, std::string_view pattern,
            std::span<const TVarRec> args)
      : settings_(settings), pattern_(pattern), args_(args) {}

  std::string Run() {
    std::string out;
    out.reserve(pattern_.size() + 16 * args_.size());
    std::string piece;
    while (pos_ < pattern_.size()) {
      const std::size_t percent = pattern_.find('%', pos_);
      if (percent == std::string_view::npos) {
        out.append(pattern_.substr(pos_));
        break;
      }
      out.append(pattern_.substr(pos_, percent - pos_));
      pos_ = percent + 1;
      if (pos_ < pattern_.size() && pattern_[pos_] == '%') {
        out += '%';
        ++pos_;
        continue;
      }
      piece.clear();
      FormatOne(out, piece);
    }
    return out;
  }

 private:
  [[noreturn]] void Fail(const char* message) const {
    // The classic message quotes the start of the pattern, at most 31 characters.
    const std::string_view shown = pattern_.substr(0, Utf8Offset(pattern_, 31));
    throw EConvertError(Format(message, RepairUtf8(shown)));
  }

  const TVarRec& NextArgument() {
    if (argIndex_ >= args_.size()) Fail(msg::SArgumentMissing);
    return args_[argIndex_++];
  }

  // A number of the specifier: digits, or "*" taking an integer argument. Returns false when
  // neither is there.
  bool ReadNumber(std::int64_t& value) {
    if (pos_ >= pattern_.size()) return false;
    if (pattern_[pos_] == '*') {
      ++pos_;
      const TVarRec& arg = NextArgument();
      if (arg.kind == TVarRec::Kind::Integer) {
        value = arg.integer;
      } else if (arg.kind == TVarRec::Kind::Unsigned && arg.unsignedValue <= kFormatMaxWidth) {
        value = static_cast<std::int64_t>(arg.unsignedValue);
      } else {
        Fail(msg::SInvalidFormat);
      }
      if (value > kFormatMaxWidth || value < -kFormatMaxWidth) Fail(msg::SInvalidFormat);
      return true;
    }
    if (pattern_[pos_] < '0' || pattern_[pos_] > '9') return false;
    value = 0;
    while (pos_ < pattern_.size() && pattern_[pos_] >= '0' && pattern_[pos_] <= '9') {
      value = value * 10 + (pattern_[pos_++] - '0');
      if (value > kFormatMaxWidth) Fail(msg::SInvalidFormat);
    }
    return true;
  }

  void FormatOne(std::string& out, std::string& piece) {
    std::int64_t number = 0;
    bool haveNumber = ReadNumber(number);
    if (haveNumber && pos_ < pattern_.size() && pattern_[pos_] == ':') {
      ++pos_;
      if (number < 0) Fail(msg::SInvalidFormat);
      argIndex_ = static_cast<std::size_t>(number);
      haveNumber = false;
    }
    bool leftJustify = false;
    if (!haveNumber && pos_ < pattern_.size() && pattern_[pos_] == '-') {
      leftJustify = true;
      ++pos_;
    }
    if (!haveNumber) haveNumber = ReadNumber(number);
    std::int64_t width = haveNumber ? number : 0;
    if (width < 0) {  // "*" gave a negative width: left-justify, as printf does
      leftJustify = true;
      width = -width;
    }
    std::int64_t precision = -1;
    if (pos_ < pattern_.size() && pattern_[pos_] == '.') {
      ++pos_;
      if (!ReadNumber(precision)) precision = 0;
      if (precision < 0) precision = -1;
    }
    if (pos_ >= pattern_.size()) Fail(msg::SInvalidFormat);
    const char type = pattern_[pos_++];
    const TVarRec& arg = NextArgument();
    FormatArgument(piece, type, arg, static_cast<int>(precision));
    Pad(out, piece, static_cast<std::size_t>(width), leftJustify);
  }

  void FormatArgument(std::string& piece, char type, const TVarRec& arg, int precision) {
    using Kind = TVarRec::Kind;
    switch (type | 0x20) {  // either case
      case 'd':
        if (arg.kind == Kind::Integer) {
          AppendInteger(piece, arg.integer < 0, Magnitude(arg.integer), 10, precision);
        } else if (arg.kind == Kind::Unsigned) {
          AppendInteger(piece, false, arg.unsignedValue, 10, precision);
        } else {
          Fail(msg::SInvalidFormat);
        }
        return;
      case 'u':
      case 'x':
        if (arg.kind == Kind::Integer) {
          AppendInteger(piece, false, static_cast<std::uint64_t>(arg.integer), (type | 0x20) == 'x' ? 16 : 10, precision);
        } else if (arg.kind == Kind::Unsigned) {
          AppendInteger(piece, false, arg.unsignedValue, (type | 0x20) == 'x' ? 16 : 10, precision);
        } else {
          Fail(msg::SInvalidFormat);
        }
        return;
      case 'e': FloatArgument(piece, arg, ffExponent, precision < 0 ? 15 : precision, 3); return;
      case 'f': FloatArgument(piece, arg, ffFixed, 18, precision < 0 ? 2 : precision); return;
      case 'g': FloatArgument(piece, arg, ffGeneral, precision < 0 ? 15 : precision, 3); return;
      case 'n': FloatArgument(piece, arg, ffNumber, 18, precision < 0 ? 2 : precision); return;
      case 'm':
        FloatArgument(piece, arg, ffCurrency, 18,
                      precision < 0 ? settings_.CurrencyDecimals : precision);
        return;
      case 's':
        if (arg.kind == Kind::String) {
          piece.append(precision < 0 ? arg.string
                                     : arg.string.substr(0, Utf8Offset(arg.string, precision)));
        } else if (arg.kind == Kind::Char) {
          if (precision != 0) Utf8Append(piece, arg.character);
        } else {
          Fail(msg::SInvalidFormat);
        }
        return;
      case 'p':
        if (arg.kind != Kind::Pointer) Fail(msg::SInvalidFormat);
        AppendInteger(piece, false, reinterpret_cast<std::uintptr_t>(arg.pointer), 16, 16);
        return;
      default:
        Fail(msg::SInvalidFormat);
    }
  }

  void FloatArgument(std::string& piece, const TVarRec& arg, TFloatFormat format, int precision,
                     int digits) {
    if (arg.kind != TVarRec::Kind::Float) Fail(msg::SInvalidFormat);
    AppendFloatToStrF(piece, arg.floating, format, precision, digits, settings_);
  }

  static std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? std::uint64_t(0) - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
  }

  // Digits of `magnitude` in `base` (upper-case hex), zero-padded to `minDigits`, after a sign.
  static void AppendInteger(std::string& piece, bool negative, std::uint64_t magnitude, int base,
                            int minDigits) {
    char buffer[24];
    char* end = std::to_chars(buffer, buffer + sizeof buffer, magnitude, base).ptr;
    for (char* p = buffer; p < end; ++p) {
      if (*p >= 'a') *p = static_cast<char>(*p - 32);
    }
    if (negative) piece += '-';
    const int length = static_cast<int>(end - buffer);
    if (minDigits > length) piece.append(minDigits - length, '0');
    piece.append(buffer, end);
  }

  static void Pad(std::string& out, const std::string& piece, std::size_t width, bool left) {
    const std::size_t length = width == 0 ? 0 : Utf8Length(piece);
    if (length >= width) {
      out += piece;
    } else if (left) {
      out += piece;
      out.append(width - length, ' ');
    } else {
      out.append(width - length, ' ');
      out += piece;
    }
  }

  const TFormatSettings& settings_;
  std::string_view pattern_;
  std::span<const TVarRec> args_;
  std::size_t pos_ = 0;
  std::size_t argIndex_ = 0;
};

}  // namespace

std::string Format(const TFormatSettings& settings, std::string_view pattern,
                   std::span<const TVarRec> args) {
  return Formatter(settings, pattern, args).Run();
}

std::string Format(std::string_view pattern, std::span<const TVarRec> args) {
  return Formatter(FormatSettings(), pattern, args).Run();
}

}  // namespace bexlo
