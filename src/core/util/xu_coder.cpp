#include "util/xu_coder.h"

#include "util/exceptions.h"
#include "util/messages.h"
#include "util/num_letter.h"
#include "util/text.h"

namespace bexlo {

void TXuCoder::SetValue(double v) {
  value_ = v;
  Recompute();
  Change();
}

void TXuCoder::Change() {
  if (OnChange) OnChange(this);
}

void TXuCoder::Recompute() {
  std::string words;
  if (DoubleToWords(value_, words, TrailCmt, KopeikaAsDigit, OnlyValue)) {
    switch (UpDnStyle) {
      case udAllDn: words = LowerCase(words); break;
      case udAllUp: words = UpperCase(words); break;
      case udFirstChUp: words = WinFirstCharUpCase(words); break;
      case udEachWordUp: WinEachWordFirstCharUpCaseSt(words); break;
    }
    if (TrailPoint) words += '.';
    text_ = std::move(words);
    valid_ = true;
    return;
  }
  text_ = ErrorDef ? msg::SXuTalkTooLarge + words : ErrorCmt;
  valid_ = false;
  if (ExcRaise) throw Exception(text_);
}

}  // namespace bexlo
