// The writer's side of the output file: control sequences exactly as readers parse them, and
// lines in the stored byte form. The report run builds its lines with these, and measures them
// with CalcFontMetrics (output_format.h), so writer and readers cannot drift apart.
#pragma once

#include <string>
#include <string_view>

namespace bexlo {

inline constexpr std::string_view kParagraphBeginKeep = "\\PB";  // keeps the indents in force
inline constexpr std::string_view kParagraphEnd = "\\PE";
inline constexpr std::string_view kLineEnd = "\r\n";

// "\F<code>:<size>"; size is 0..99 (0 keeps the size in force and is written as "\F<code>:").
std::string FontSequence(int code, int size);
// "\L<x1>:<y1>:<x2>:<y2>:<w>", coordinates in mm, pen width 0..9999 pixels.
std::string LineSequence(int x1, int y1, int x2, int y2, int penWidth);
// "\R<x1>:<y1>:<x2>:<y2>:<w>", a rectangle outline with the same fields.
std::string FrameSequence(int x1, int y1, int x2, int y2, int penWidth);
// "\PB<left>:<right>", indents in mm; right is 0..999999.
std::string ParagraphBeginSequence(int leftMm, int rightMm);

// Appends `text` as one stored line: an empty text becomes a single blank; then CR LF.
void AppendOutputLine(std::string& out, std::string_view text);

}  // namespace bexlo
