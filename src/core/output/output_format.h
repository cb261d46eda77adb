// The report output file: its lines, its control sequences and the measuring routines that the
// writer (the report run) and every reader (viewer, printing, export) share, so that both lay a
// file out identically.
//
// Bytes: UTF-8 text, lines ended by CR LF. A reader splits on CR alone; one LF right after a CR
// belongs to no line; a CR as the last byte ends the file. Of each line a reader keeps at most
// kMaxDisplayLine bytes for display (cut at a character boundary); measuring sees the whole line.
// A line starting with "^" begins a new page. Control sequences, anywhere in a line:
//   \F<code>:<size>             font code byte and size in points (0-2 digits; none or 0 keeps it)
//   \L<x1>:<y1>:<x2>:<y2>:<w>   black line in mm from the printable area's corner, pen w pixels
//   \R<x1>:<y1>:<x2>:<y2>:<w>   black rectangle outline, the same fields
//   \PB<left>:<right>           paragraph begin with indents in mm (right: 0-6 digits, none = 0)
//   \PB                         paragraph begin keeping the indents in force
//   \PE                         paragraph end
// "<n>:" is an integer (blanks and control characters around it ignored, optional sign) ended by
// a colon; a backslash that does not begin a valid sequence is an ordinary character.
//
// Font code byte: bits 0-3 style (bold 1, italic 2, underline 4, strike-out 8), bits 4-7
// family (0 Arial, 1 and 15 Courier New, 2 Times New Roman, others keep the face). Code 255 is
// the default font, Courier New 10 pt regular, whatever size is given. Files start in it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "output/canvas.h"
#include "output/page_model.h"
#include "output/printer_model.h"
#include "util/text.h"

namespace bexlo {

inline constexpr char kPageBreakMark = '^';
inline constexpr std::size_t kMaxDisplayLine = 2000;
inline constexpr int kDefaultFontCode = 255;
inline constexpr int kDefaultFontSize = 10;

// ---- font code byte ------------------------------------------------------------------------

// The code byte for a family (0..15) and style bits.
constexpr int MakeFontCode(int family, TFontStyles style) noexcept {
  return ((family & 0x0F) << 4) | (style & 0x0F);
}
// The face name of a family, nullptr when the family has none.
const char* FontFamilyName(int family) noexcept;

// Computes the font of (code, size) on `font`: size set when above 0; face name set from the
// family when it has one; style from the style bits. Code 255: Courier New 10 pt, no style.
void CalcFont(TFont& font, int code, int size);
// CalcFont on the printer canvas's font, then, when a canvas is given, the canvas takes the
// printer font's name, size and style.
void SetFont(TPrinterModel& printer, int code, int size, TCanvas* canvas);

// ---- units ---------------------------------------------------------------------------------

// Round(mm x PrinterDPI / 25.4), halves to even, saturated to the int range.
int MilimeterToPixel(double mm) noexcept;
// Round(value) halves to even (the classic Round), saturated to the int range; NaN gives 0.
int RoundPixel(double value) noexcept;

// ---- control sequences ---------------------------------------------------------------------

enum class TSpecKind { skNone, skFont, skLine, skFrame, skParagraphBegin, skParagraphEnd };

// A control sequence as written. Values: skFont code, size (0 = keep); skLine/skFrame x1, y1,
// x2, y2 (mm), pen width; skParagraphBegin left, right (mm) when HasIndents.
struct TSpecChar {
  TSpecKind Kind = TSpecKind::skNone;
  int Consumed = 0;  // bytes the sequence takes, 0 when `text` does not begin one
  int Values[5] = {0, 0, 0, 0, 0};
  bool HasIndents = false;
};

// Parses the sequence at the start of `text` (which begins with the backslash).
TSpecChar ParseSpecChar(std::string_view text) noexcept;

// Evaluates the sequence at the start of `text` and returns the bytes it consumed (0: not a
// sequence). \F updates fontCode and fontSize and, when drawing, applies the font (SetFont);
// \L and \R draw on `canvas` when drawing and a canvas is given, at Round(MilimeterToPixel(v) /
// scale), pen width unscaled; \PB stores its indents in printer pixels in paraLeft, paraRight.
int CalcSpecChar(TPrinterModel& printer, std::string_view text, bool draw, TCanvas* canvas,
                 double scale, int& fontCode, int& fontSize, int& paraLeft, int& paraRight);

// ---- measuring -----------------------------------------------------------------------------

struct TLineMetrics {
  int Height = 0;  // printer pixels; 0 for a line of control sequences only
  int Width = 0;   // printer pixels, measured only with the wrap flag
  // With the wrap flag, the part of the input that does not fit (a view into it), starting
  // after the last blank before the overflowing character, or at that character when the line
  // has no blank before it; empty when everything fits. It is never the whole input, so a
  // writer that carries the remainder to the next line always makes progress.
  std::string_view Remainder;
};

// Measures one line in printer pixels with the printer's canvas font, starting in (fontCode,
// fontSize) and leaving them as the line's \F sequences set them. With the wrap flag, trailing
// blanks do not count, widths are summed character by character and the line is cut where the
// sum exceeds maxWidth.
TLineMetrics CalcFontMetrics(TPrinterModel& printer, std::string_view text, int& fontCode,
                             int& fontSize, int maxWidth, bool wrap);

// ---- paragraphs ----------------------------------------------------------------------------

// Number of gaps of a line: runs of blanks between two non-blanks, with trailing blanks and
// control sequences left out.
int CountGaps(std::string_view text) noexcept;

struct TJustification {
  int GapWidth = 0;   // added to every gap
  int Remainder = 0;  // added to the first gap as well
};
// Spreads `available` printer pixels over the gaps of `text`: nothing with fewer than two gaps
// or when nothing is available.
TJustification CalcJustification(std::string_view text, int available) noexcept;

// ---- lines of a file -----------------------------------------------------------------------

// Calls onLine(start, length) for every line of `data` in order (CR splits, an LF right after
// a CR is skipped, a final CR adds no empty line).
template <class F>
void SplitOutputLines(std::string_view data, F&& onLine) {
  const char* base = data.data();
  std::size_t size = data.size();
  std::size_t pos = 0;
  while (pos < size) {
    const void* cr = std::memchr(base + pos, '\r', size - pos);
    std::size_t end = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - base) : size;
    onLine(pos, end - pos);
    pos = end + 1;
    if (pos < size && base[pos] == '\n') ++pos;
  }
}

// The number of bytes of `line` a reader displays: at most kMaxDisplayLine, never splitting a
// UTF-8 sequence.
inline std::size_t DisplayLength(std::string_view line) noexcept {
  return line.size() <= kMaxDisplayLine ? line.size() : Utf8FloorBoundary(line, kMaxDisplayLine);
}

}  // namespace bexlo
