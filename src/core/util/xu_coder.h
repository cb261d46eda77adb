// TXuCoder: a non-visual component that writes an amount of money in words. Assigning a value
// (SetValue) produces its text with the chosen case, trailing point, cents handling and error
// behaviour; changing an option takes effect at the next SetValue.
#pragma once

#include <string>

#include "util/object.h"

namespace bexlo {

// Case of the coder's text.
enum TUpDnSet { udAllDn, udAllUp, udFirstChUp, udEachWordUp };

class TXuCoder : public TComponent {
 public:
  explicit TXuCoder(TComponent* owner = nullptr) : TComponent(owner) {}
  std::string_view ClassName() const noexcept override { return "TXuCoder"; }

  // Stores v (rounded to two decimals), writes its words into Text(), then calls Change().
  void SetValue(double v);
  double Value() const { return value_; }
  const std::string& Text() const { return text_; }
  // Whether the last SetValue produced the words (false: too large or nothing written).
  bool Valid() const { return valid_; }

  std::string ErrorCmt;             // the text on error when ErrorDef is off
  bool ErrorDef = true;             // on error: "Too large number: " and the words produced
  TUpDnSet UpDnStyle = udFirstChUp;
  bool ExcRaise = false;            // on error, also raise an Exception carrying the text
  bool TrailCmt = true;             // spell the cents (off: the integer part only)
  bool OnlyValue = false;           // leave the currency words out
  bool TrailPoint = true;           // end a successful text with "."
  bool KopeikaAsDigit = true;       // write the cents as two digits
  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  void Recompute();

  double value_ = 0;
  std::string text_;
  bool valid_ = false;
};

}  // namespace bexlo
