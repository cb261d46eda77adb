// TPrinterModel: the printer as core code sees it: paper, orientation, resolution, margins,
// copies, and the font of the printer canvas that all output measuring is done with. The page
// width and height of the output model are its printable area in printer pixels.
//
// The resolution is the library-wide setting PrinterDPI (300 while it is unset or not positive,
// at most 9600). Paper sizes and margins are in millimetres; margins are those of the page as
// printed (after orientation) and default to 5 mm each. The printable width and height are
// Round((paper side - both margins) x DPI / 25.4), at least one pixel.
//
// Printer() is the process-wide printer the report run and the viewer use by default.
#pragma once

#include "output/font.h"

namespace bexlo {

enum class TPrinterOrientation { poPortrait, poLandscape };
enum class TPaperSize { psA4, psLetter, psCustom };

// PrinterDPI as the output model uses it: 300 when unset, clamped to 1..9600.
int EffectivePrinterDPI() noexcept;

class TPrinterModel {
 public:
  static constexpr double kDefaultMargin = 5.0;
  static constexpr double kMaxPaperSide = 10000.0;  // mm

  TPaperSize Paper() const noexcept { return paper_; }
  // A4 (210 x 297 mm) or Letter (215.9 x 279.4 mm); psCustom keeps the current custom size.
  void SetPaper(TPaperSize paper) noexcept;
  // A custom paper, portrait width and height in mm, each clamped to 1..kMaxPaperSide.
  void SetCustomPaper(double widthMm, double heightMm) noexcept;
  // The paper's sides as printed (landscape swaps them).
  double PaperWidthMm() const noexcept;
  double PaperHeightMm() const noexcept;

  TPrinterOrientation Orientation() const noexcept { return orientation_; }
  void SetOrientation(TPrinterOrientation orientation) noexcept { orientation_ = orientation; }

  // Margins in mm, negative values taken as 0.
  double LeftMargin() const noexcept { return left_; }
  double TopMargin() const noexcept { return top_; }
  double RightMargin() const noexcept { return right_; }
  double BottomMargin() const noexcept { return bottom_; }
  void SetMargins(double left, double top, double right, double bottom) noexcept;

  int DPI() const noexcept { return EffectivePrinterDPI(); }
  int PageWidth() const noexcept;
  int PageHeight() const noexcept;

  int Copies() const noexcept { return copies_; }
  void SetCopies(int copies) noexcept { copies_ = copies < 1 ? 1 : copies; }

  // The printer canvas's font, always at the printer's resolution.
  TFont& Font() noexcept;

 private:
  TPaperSize paper_ = TPaperSize::psA4;
  double width_ = 210.0;
  double height_ = 297.0;
  TPrinterOrientation orientation_ = TPrinterOrientation::poPortrait;
  double left_ = kDefaultMargin;
  double top_ = kDefaultMargin;
  double right_ = kDefaultMargin;
  double bottom_ = kDefaultMargin;
  int copies_ = 1;
  TFont font_;
};

TPrinterModel& Printer();

}  // namespace bexlo
