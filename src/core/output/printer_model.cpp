#include "output/printer_model.h"

#include <algorithm>
#include <cmath>

#include "util/settings.h"

namespace bexlo {

namespace {

int PrintableSide(double paperMm, double marginA, double marginB, int dpi) noexcept {
  double pixels = std::nearbyint((paperMm - marginA - marginB) * dpi / 25.4);
  return pixels < 1 ? 1 : static_cast<int>(pixels);
}

}  // namespace

int EffectivePrinterDPI() noexcept {
  if (PrinterDPI <= 0) return 300;
  return std::min<int>(PrinterDPI, TFont::kMaxPixelsPerInch);
}

void TPrinterModel::SetPaper(TPaperSize paper) noexcept {
  paper_ = paper;
  if (paper == TPaperSize::psA4) {
    width_ = 210.0;
    height_ = 297.0;
  } else if (paper == TPaperSize::psLetter) {
    width_ = 215.9;
    height_ = 279.4;
  }
}

void TPrinterModel::SetCustomPaper(double widthMm, double heightMm) noexcept {
  auto side = [](double mm) { return std::isnan(mm) ? 1.0 : std::clamp(mm, 1.0, kMaxPaperSide); };
  paper_ = TPaperSize::psCustom;
  width_ = side(widthMm);
  height_ = side(heightMm);
}

double TPrinterModel::PaperWidthMm() const noexcept {
  return orientation_ == TPrinterOrientation::poLandscape ? height_ : width_;
}

double TPrinterModel::PaperHeightMm() const noexcept {
  return orientation_ == TPrinterOrientation::poLandscape ? width_ : height_;
}

void TPrinterModel::SetMargins(double left, double top, double right, double bottom) noexcept {
  auto margin = [](double mm) { return std::isnan(mm) ? 0.0 : std::clamp(mm, 0.0, kMaxPaperSide); };
  left_ = margin(left);
  top_ = margin(top);
  right_ = margin(right);
  bottom_ = margin(bottom);
}

int TPrinterModel::PageWidth() const noexcept {
  return PrintableSide(PaperWidthMm(), left_, right_, DPI());
}

int TPrinterModel::PageHeight() const noexcept {
  return PrintableSide(PaperHeightMm(), top_, bottom_, DPI());
}

TFont& TPrinterModel::Font() noexcept {
  font_.SetPixelsPerInch(DPI());
  return font_;
}

TPrinterModel& Printer() {
  static TPrinterModel printer;
  return printer;
}

}  // namespace bexlo
