#include "output/output_writer.h"

#include <algorithm>

#include <fmt/format.h>

namespace bexlo {

namespace {

std::string Shape(char kind, int x1, int y1, int x2, int y2, int penWidth) {
  return fmt::format("\\{}{}:{}:{}:{}:{}", kind, x1, y1, x2, y2, std::clamp(penWidth, 0, 9999));
}

}  // namespace

std::string FontSequence(int code, int size) {
  size = std::clamp(size, 0, 99);
  return size == 0 ? fmt::format("\\F{}:", code) : fmt::format("\\F{}:{}", code, size);
}

std::string LineSequence(int x1, int y1, int x2, int y2, int penWidth) {
  return Shape('L', x1, y1, x2, y2, penWidth);
}

std::string FrameSequence(int x1, int y1, int x2, int y2, int penWidth) {
  return Shape('R', x1, y1, x2, y2, penWidth);
}

std::string ParagraphBeginSequence(int leftMm, int rightMm) {
  return fmt::format("\\PB{}:{}", leftMm, std::clamp(rightMm, 0, 999999));
}

void AppendOutputLine(std::string& out, std::string_view text) {
  out.append(text.empty() ? std::string_view(" ") : text);
  out.append(kLineEnd);
}

}  // namespace bexlo
