#include "output/canvas.h"

namespace bexlo {

void TCanvas::SelectFont(const TFont& font) {
  if (font.Name() == font_.Name() && font.Size() == font_.Size() && font.Style() == font_.Style())
    return;
  font_.AssignFace(font);
  FontChanged();
}

void TCanvas::SetPixelsPerInch(int ppi) {
  if (ppi == font_.PixelsPerInch()) return;
  font_.SetPixelsPerInch(ppi);
  FontChanged();
}

}  // namespace bexlo
