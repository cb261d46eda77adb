#include "grid/grid_labels.h"

#include <algorithm>

#include "util/settings.h"
#include "util/text.h"

namespace bexlo {

std::string GetLabelLine(bool byWidth, std::string_view caption, int width, int level) {
  if (!byWidth) return GetLabelLine(caption, level);
  if (width < 1 || level < 0) return {};
  return Utf8Copy(caption, static_cast<std::int64_t>(level) * width + 1, width);
}

int TitleCharsPerLine(int captionLength, int cellWidth, int captionTextWidth, int margin) {
  const long long room = static_cast<long long>(captionTextWidth) + margin;
  if (room <= 0) return 0;
  return static_cast<int>(static_cast<long long>(captionLength) * cellWidth / room);
}

std::vector<std::string> TitleLines(std::string_view caption, bool formatByWidth, int charsPerLine,
                                    int maxLines) {
  std::vector<std::string> lines;
  std::string_view rest = caption;
  while (static_cast<int>(lines.size()) < maxLines && !rest.empty()) {
    std::size_t cut;
    std::size_t skip = 0;
    if (!formatByWidth) {
      cut = rest.find('|');
      if (cut == std::string_view::npos) cut = rest.size();
      else skip = 1;
    } else {
      cut = charsPerLine < 1 ? rest.size() : Utf8Offset(rest, static_cast<std::size_t>(charsPerLine));
    }
    lines.emplace_back(rest.substr(0, cut));
    rest.remove_prefix(std::min(rest.size(), cut + skip));
  }
  return lines;
}

std::vector<std::string> ExcerptLines(const std::vector<TExcerptColumn>& columns, int titleRows,
                                      bool formatByWidth) {
  std::size_t labelWidth = 0;
  for (const TExcerptColumn& c : columns) {
    for (int level = 0; level < titleRows; ++level) {
      labelWidth = std::max(labelWidth,
                            Utf8Length(GetLabelLine(formatByWidth, c.Caption, c.Width, level)));
    }
  }
  std::vector<std::string> out;
  for (const TExcerptColumn& c : columns) {
    // The title lines the grid shows; the last one is the label.
    std::string label;
    for (int level = 0; level < titleRows; ++level) {
      std::string line = GetLabelLine(formatByWidth, c.Caption, c.Width, level);
      if (line.empty()) break;
      if (!label.empty()) out.push_back(std::move(label));
      label = std::move(line);
    }
    const std::size_t length = Utf8Length(label);
    if (length < labelWidth + 1) label.append(labelWidth + 1 - length, ' ');
    out.push_back(label + c.DisplayText);
  }
  return out;
}

}  // namespace bexlo
