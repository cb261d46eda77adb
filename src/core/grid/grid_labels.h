// Multi-line titles of grid columns and the record excerpt built from them.
//
// A column caption holds its lines separated by "|" ("List of|search"). With FormatByWidth the
// grid cuts the caption into slices of equal character counts instead. Counts are Unicode code
// points; a UTF-8 sequence is never split.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bexlo {

// Line `level` (0 = first) of a column caption. Without byWidth: the level-th "|"-separated line
// (empty past the last). With byWidth: the slice of `width` characters that starts at character
// level * width (empty past the end, and for a width below 1).
std::string GetLabelLine(bool byWidth, std::string_view caption, int width, int level);

// How many characters a title line holds when captions are cut by width: caption length x cell
// width / (caption text width + margin); 0 or less means "the whole remainder on one line".
int TitleCharsPerLine(int captionLength, int cellWidth, int captionTextWidth, int margin);

// The lines a title cell draws, at most maxLines: without formatByWidth the caption's
// "|"-separated lines; with it slices of charsPerLine characters (the whole remainder as the last
// line when charsPerLine < 1).
std::vector<std::string> TitleLines(std::string_view caption, bool formatByWidth, int charsPerLine,
                                    int maxLines);

// One column of the excerpt: its title caption and width (for the by-width lines) and the
// display text of its field in the current record (empty when the column has no field).
struct TExcerptColumn {
  std::string Caption;
  int Width = 0;
  std::string DisplayText;
};

// The excerpt of the current record, one block per column. With titleRows T > 0 the label width
// W is the longest title line of all columns over levels 0 to T-1. Of a column's title lines up to
// level T-1 (as far as they are not empty) the last is the label and the others stand on lines of
// their own; the block ends with the label padded with blanks to W + 1 characters and the display
// text. With T < 1 the label is empty. So with T = 1 every column gives exactly one line.
std::vector<std::string> ExcerptLines(const std::vector<TExcerptColumn>& columns, int titleRows,
                                      bool formatByWidth);

}  // namespace bexlo
