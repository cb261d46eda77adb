#include "output/viewer_find.h"

#include <algorithm>

#include "output/file_viewer_model.h"
#include "output/output_format.h"
#include "util/text.h"

namespace bexlo {

namespace {

void FoldCase(std::u32string& text) {
  for (char32_t& cp : text) cp = LowerCaseChar(cp);
}

// The first hit of needle in the shown text of line `index` starting at code point `from` and
// beginning before `before`; -1 when there is none.
int FindInLine(const TFileViewerModel& model, std::int64_t index, std::u32string_view needle,
               bool matchCase, int from, int before) {
  std::u32string shown = ShownLineText(model.LineText(index));
  if (shown.size() < needle.size() || from < 0 || static_cast<std::size_t>(from) >= shown.size()) return -1;
  if (!matchCase) FoldCase(shown);
  const std::size_t at = std::u32string_view(shown).find(needle, static_cast<std::size_t>(from));
  if (at == std::u32string_view::npos || static_cast<std::int64_t>(at) >= before) return -1;
  return static_cast<int>(at);
}

}  // namespace

std::u32string ShownLineText(std::string_view lineText) {
  std::u32string shown;
  shown.reserve(lineText.size());
  std::size_t pos = 0;
  while (pos < lineText.size()) {
    const unsigned char c = static_cast<unsigned char>(lineText[pos]);
    if (c == '\\') {
      const TSpecChar spec = ParseSpecChar(lineText.substr(pos));
      if (spec.Consumed > 0) {
        pos += static_cast<std::size_t>(spec.Consumed);
        continue;
      }
    }
    if (c < 0x80) {
      shown.push_back(c);
      ++pos;
    } else {
      shown.push_back(Utf8Decode(lineText, pos));
    }
  }
  return shown;
}

std::optional<TFindHit> FindText(const TFileViewerModel& model, std::string_view what,
                                 TFindPosition from, bool matchCase, bool wrap) {
  const std::int64_t count = model.LineCount();
  if (what.empty() || !model.IsLoaded() || count == 0) return std::nullopt;
  std::u32string needle = Utf8ToUtf32(what);
  if (!matchCase) FoldCase(needle);
  if (from.Line < 0 || from.Line >= count) from = {0, 0};
  if (from.Offset < 0) from.Offset = 0;

  auto hit = [&](std::int64_t line, int start, bool wrapped) {
    TFindHit result;
    result.Line = line;
    result.Page = model.GetPageNum(line);
    result.Start = start;
    result.Length = static_cast<int>(needle.size());
    result.Wrapped = wrapped;
    return result;
  };
  constexpr int kAnywhere = 1 << 30;
  for (std::int64_t line = from.Line; line < count; ++line) {
    const int start = FindInLine(model, line, needle, matchCase, line == from.Line ? from.Offset : 0, kAnywhere);
    if (start >= 0) return hit(line, start, false);
  }
  if (!wrap) return std::nullopt;
  for (std::int64_t line = 0; line <= from.Line; ++line) {
    // On the starting line only hits that begin before the starting position are new; a hit that
    // starts there would have been found by the first pass. Starting at offset 0 of line 0,
    // the first pass already covered everything.
    if (line == from.Line && from.Offset == 0) break;
    const int start = FindInLine(model, line, needle, matchCase, 0, line == from.Line ? from.Offset : kAnywhere);
    if (start >= 0) return hit(line, start, true);
  }
  return std::nullopt;
}

std::vector<TRect> HitRects(const TFileViewerModel& model, const TFindHit& hit) {
  std::vector<TRect> rects;
  if (!model.IsLoaded() || hit.Line < 0 || hit.Line >= model.LineCount() || hit.Length <= 0) return rects;

  std::vector<const TFragment*> parts;
  for (const TFragment& fragment : model.Fragments()) {
    if (fragment.LineIndex == hit.Line) parts.push_back(&fragment);
  }
  if (parts.empty()) return rects;
  std::stable_sort(parts.begin(), parts.end(), [](const TFragment* a, const TFragment* b) { return a->X < b->X; });

  // The painted text: the fragments left to right. Characters left of the scroll position were
  // skipped, so the painted text is a piece of the shown text starting `skipped` characters in.
  std::u32string painted;
  std::vector<std::size_t> starts;
  std::vector<std::u32string> texts;
  for (const TFragment* fragment : parts) {
    starts.push_back(painted.size());
    texts.push_back(Utf8ToUtf32(fragment->Text));
    painted += texts.back();
  }
  const std::u32string shown = ShownLineText(model.LineText(hit.Line));
  std::size_t skipped = 0;
  while (skipped < shown.size() && shown.compare(skipped, painted.size(), painted) != 0) ++skipped;
  if (skipped >= shown.size()) return rects;

  const std::size_t hitBegin = static_cast<std::size_t>(hit.Start);
  const std::size_t hitEnd = hitBegin + static_cast<std::size_t>(hit.Length);
  for (std::size_t i = 0; i < parts.size(); ++i) {
    const std::size_t begin = skipped + starts[i];
    const std::size_t end = begin + texts[i].size();
    const std::size_t lo = std::max(begin, hitBegin);
    const std::size_t hi = std::min(end, hitEnd);
    if (lo >= hi) continue;
    const TFragment& fragment = *parts[i];
    TFont screen;
    CalcFont(screen, fragment.FontCode, fragment.FontSize);
    TFont printer = screen;
    screen.SetPixelsPerInch(model.ScreenPixelsPerInch());
    printer.SetPixelsPerInch(model.Printer().DPI());
    auto offset = [&](std::size_t chars) -> int {
      const std::string prefix = Utf32ToUtf8(std::u32string_view(texts[i]).substr(0, chars));
      if (model.FitMode()) return RoundPixel(static_cast<double>(printer.TextWidth(prefix)) / model.Scale());
      return static_cast<int>(screen.TextWidth(prefix));
    };
    TRect rect;
    rect.Left = fragment.X + offset(lo - begin);
    rect.Right = fragment.X + offset(hi - begin);
    rect.Top = fragment.Y;
    rect.Bottom = fragment.Y + screen.Height();
    rects.push_back(rect);
  }
  return rects;
}

}  // namespace bexlo
