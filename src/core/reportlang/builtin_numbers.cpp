// Built-in functions on numbers: truncation and rounding, numbers to text with a picture, and
// amounts in words.
#include <cmath>

#include "reportlang/builtin_handlers.h"
#include "util/convert.h"
#include "util/format_settings.h"
#include "util/rounding.h"
#include "util/xu_coder.h"

namespace bexlo::builtin {

void FnTrunc(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(std::trunc(Arg(params, 0).GetNumber()));
}

void FnRound(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(Rd0(Arg(params, 0).GetNumber()));
}

void FnRd2(TCustomReport&, TParamList& params, TReportVar& result) {
  result.SetNumber(Rd2(Arg(params, 0).GetNumber()));
}

namespace {

// A picture of Ext2Str read into its parts: prefixes "#" (zero gives "0"), "$" (currency
// format), "=" (fixed with "-" for the point and "=" for an all-zero fraction), then the precision.
struct TPicture {
  bool zeroAsDigit = false;
  bool currency = false;
  bool equalsStyle = false;
  int precision = 0;
};

TPicture ReadPicture(std::string_view text) {
  TPicture picture;
  auto take = [&text](char prefix) {
    if (text.empty() || text.front() != prefix) return false;
    text.remove_prefix(1);
    return true;
  };
  picture.zeroAsDigit = take('#');
  picture.currency = take('$');
  picture.equalsStyle = take('=');
  picture.precision = StrToInt(text);
  return picture;
}

}  // namespace

// Ext2Str(x, picture, digits): a NUMBER picture is the precision of the general format; a STRING
// picture is read by ReadPicture.
void FnExt2Str(TCustomReport&, TParamList& params, TReportVar& result) {
  const double x = Arg(params, 0).GetNumber();
  const int digits = TruncToInt(Arg(params, 2).GetNumber());
  const TReportVar& pictureArg = Arg(params, 1);
  if (pictureArg.VarType() == vtFloat) {
    result.SetString(FloatToStrF(x, ffGeneral, TruncToInt(pictureArg.GetNumber()), digits));
    return;
  }
  const TPicture picture = ReadPicture(pictureArg.GetString());
  if (picture.zeroAsDigit && x == 0) {
    result.SetString("0");
    return;
  }
  if (!picture.equalsStyle) {
    result.SetString(FloatToStrF(x, picture.currency ? ffCurrency : ffGeneral, picture.precision, digits));
    return;
  }
  TFormatSettings settings = FormatSettings();
  settings.DecimalSeparator = "-";
  std::string text = FloatToStrF(x, ffFixed, picture.precision, digits, settings);
  if (digits >= 1 && digits <= 18) {  // FloatToStrF writes at most 18 decimals
    const std::string zeroFraction = "-" + std::string(static_cast<std::size_t>(digits), '0');
    if (text.ends_with(zeroFraction)) text.replace(text.size() - zeroFraction.size(), zeroFraction.size(), "=");
  }
  result.SetString(text);
}

// Ext2Money(x [, flags]): flags bit 1 leaves the currency words out, bits 2 and 4 spell the
// cents (bit 4 in words, otherwise as digits); without any of them the cents are spelled only
// when there are some. A too large amount leaves the result UNDEFINED.
void FnExt2Money(TCustomReport&, TParamList& params, TReportVar& result) {
  const double x = Arg(params, 0).GetNumber();
  const int flags = HasArg(params, 1) ? TruncToInt(Arg(params, 1).GetNumber()) : 0;
  TXuCoder coder;
  coder.OnlyValue = (flags & 1) != 0;
  coder.TrailCmt = (flags & (2 | 4)) != 0;
  coder.KopeikaAsDigit = (flags & 4) == 0;
  coder.TrailPoint = false;
  if ((flags & (1 | 2 | 4)) == 0 && Rd2(std::fabs(x - Fr0(x))) > 0) coder.TrailCmt = true;
  coder.SetValue(x);
  if (coder.Valid()) result.SetString(coder.Text());
}

}  // namespace bexlo::builtin
