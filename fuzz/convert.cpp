// Fuzzes the readers of outside text: number and date parsing, and FormatDateTime / FormatFloat
// with the text as pattern. The first byte picks the settings; conversions may only fail with
// EConvertError, and what they accept must survive a round trip.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "util/convert.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/text.h"

namespace {

const bexlo::TFormatSettings& Settings(std::uint8_t choice) {
  static const bexlo::TFormatSettings plain = bexlo::DefaultFormatSettings();
  static const bexlo::TFormatSettings continental = [] {
    bexlo::TFormatSettings fs = bexlo::DefaultFormatSettings();
    fs.DecimalSeparator = ",";
    fs.ThousandSeparator = "\xE2\x80\xAF";  // narrow no-break space
    fs.DateSeparator = ".";
    fs.ShortDateFormat = "yyyy/mm/dd";
    fs.LongTimeFormat = "h:nn:ss ampm";
    fs.CurrencyString = "₽";
    fs.CurrencyFormat = 3;
    fs.NegCurrFormat = 15;
    fs.TwoDigitYearCenturyWindow = 0;
    return fs;
  }();
  return choice & 1 ? continental : plain;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace bexlo;
  if (size == 0) return 0;
  const TFormatSettings& fs = Settings(data[0]);
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  double number;
  if (TryStrToFloat(text, number, fs) && std::isfinite(number)) {
    Check(StrToFloat(FloatToStrF(number, ffGeneral, 17, 0, fs), fs) == number);
  }
  std::int64_t integer;
  if (TryStrToInt64(text, integer)) Check(StrToInt64(IntToStr(integer)) == integer);
  int small;
  (void)TryStrToInt(text, small);

  TDateTime when;
  if (TryStrToDateTime(text, when, fs)) {
    TDateTime back;
    Check(TryStrToDateTime(DateTimeToStr(when, fs), back, fs));
  }
  (void)TryStrToDate(text, when, fs);
  (void)TryStrToTime(text, when, fs);
  (void)TryIsoToDateTime(text, when);
  try {
    StrToDateTime(text, fs);
  } catch (const EConvertError&) {
  }

  const std::string formatted = FormatDateTime(text, 45000.123456, fs) + FormatDateTime(text, -1.75, fs);
  const std::string picture = FormatFloat(text, -1234567.891, fs) + FormatFloat(text, 0.0, fs) +
                              FormatFloat(text, 1e-300, fs) + FormatFloat(text, 9.99e17, fs);
  (void)formatted;
  (void)picture;

  // Text routines on the same bytes.
  const std::string repaired = RepairUtf8(text);
  Check(IsValidUtf8(repaired));
  Check(Utf8Length(UpperCase(text)) == Utf8Length(text));
  Check(SameText(LowerCase(repaired), repaired) && SameText(repaired, UpperCase(repaired)));
  for (std::size_t i = 0; i <= text.size(); ++i) Check(Utf8FloorBoundary(text, i) <= i);
  (void)ConvertFromUtf8(text, "CP866");
  (void)ConvertToUtf8(text, "CP1251");
  return 0;
}
