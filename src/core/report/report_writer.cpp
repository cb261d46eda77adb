// Printing sections and lines, and the writer: paragraphs, page breaks and the output bytes.
#include <algorithm>

#include "output/output_format.h"
#include "output/output_writer.h"
#include "report/output_stream.h"
#include "report/qo_report.h"
#include "report/report_line.h"
#include "reportlang/report_var.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

// The part of `text` before `rest` (a view into it), without the blanks it ends with.
std::string_view FittingPart(std::string_view text, std::string_view rest) {
  std::size_t end = static_cast<std::size_t>(rest.data() - text.data());
  while (end > 0 && text[end - 1] == ' ') --end;
  return text.substr(0, end);
}

}  // namespace

bool TQoReport::HasLines(const TListPool* lines) const noexcept { return lines && lines->Count() > 0; }

void TQoReport::SyncPrinterFont() {
  TFont& font = printer_->Font();
  if (font_style_ < 0) {
    SetFont(*printer_, font_code_, font_size_, nullptr);
    return;
  }
  if (font.Size() == font_points_ && font.Style() == font_style_ && font.Name() == font_name_) return;
  font.SetName(font_name_);
  font.SetSize(font_points_);
  font.SetStyle(static_cast<TFontStyles>(font_style_));
}

void TQoReport::NotePrinterFont() {
  const TFont& font = printer_->Font();
  if (font.Size() == font_points_ && font.Style() == font_style_ && font.Name() == font_name_) return;
  font_name_ = font.Name();
  font_points_ = font.Size();
  font_style_ = font.Style();
}

void TQoReport::CountLine() {
  if (Counting()) line_num_->SetNumber(line_num_->GetNumber() + 1);
}

void TQoReport::PrintSection(TReportType type) {
  const TListPool* lines = sections_[type].get();
  if (type == rtReportHeader || type == rtPageHeader) state_ &= ~rsPageFooterPrinted;
  if (type != rtPageFooter) {
    PrintLines(lines);
    return;
  }
  const bool wasInFooter = (state_ & rsInFooter) != 0;
  const bool wasInPageFooter = in_page_footer_;
  state_ |= rsPageFooterPrinted | rsInFooter;
  in_page_footer_ = true;
  PrintLines(lines);
  in_page_footer_ = wasInPageFooter;
  if (!wasInFooter) state_ &= ~rsInFooter;
}

void TQoReport::PrintLines(const TListPool* lines) {
  if (!lines) return;
  for (int i = 0; i < lines->Count(); ++i) PrintLine(*static_cast<TReportLine*>(lines->Get(i)));
}

void TQoReport::PrintLine(TReportLine& line) {
  if (!line.Fields) {
    CountLine();
    WriteKeepingPageTop(line.Text);
    return;
  }
  TFieldContext context;
  context.InFooter = (state_ & rsInFooter) != 0;
  context.Ending = (state_ & rsEnding) != 0;
  context.LineNum = line_num_;
  context.Invalid = invalid_;
  const int fieldCount = line.FieldCount();
  int repetitions = 0;
  for (int i = 0; i < fieldCount; ++i) repetitions = std::max(repetitions, line.Field(i)->LineCount(context));
  if (repetitions == 0) {
    if (line.BlankWithoutFields) return;
    repetitions = 1;
  }
  // A page break inside this line prints other lines: each nesting level has its own buffer.
  if (static_cast<int>(line_buffers_.size()) <= print_depth_) line_buffers_.resize(print_depth_ + 1);
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  } depth(print_depth_);
  std::string out = std::move(line_buffers_[print_depth_ - 1]);
  out.clear();
  for (int rep = 0; rep < repetitions; ++rep) {
    CountLine();
    bool formFeed = false;
    for (int i = 0; i < fieldCount; ++i) {
      out += line.Pieces[static_cast<std::size_t>(i)];
      TReportField* field = line.Field(i);
      if (field->FormFeed) {
        formFeed = true;
        break;
      }
      field->FormatTo(out, context);
    }
    if (!formFeed) {
      out += line.Pieces.back();
      // "\N": the output continues in the next repetition. The last repetition writes what was
      // gathered rather than dropping it.
      if (line.JoinNext && rep + 1 < repetitions) continue;
    }
    const std::uint64_t breaksBefore = page_breaks_;
    const bool written = WriteKeepingPageTop(out);
    // A FORMFEED line breaks the page before the next written line. When it began a page
    // itself, only a page forced by the FORMFEED before it keeps the break (so consecutive
    // FORMFEED records each get their page); one that began a page because it did not fit has
    // just had its break.
    if (formFeed && written && (page_breaks_ == breaksBefore || last_break_forced_)) state_ |= rsForcedBreak;
    out.clear();
  }
  line_buffers_[print_depth_ - 1] = std::move(out);
}

bool TQoReport::WriteKeepingPageTop(std::string_view text) {
  // A page begun by a line printed outside the detail (a group footer or header, with fields
  // or without) is no page top for the next record: that record prints its record header.
  const bool topOrDetail = (state_ & (rsPageTop | rsInDetail)) != 0;
  const bool written = WriteText(text);
  if (!topOrDetail && (state_ & rsPageTop)) state_ &= ~rsPageTop;
  return written;
}

bool TQoReport::WriteText(std::string_view text) {
  // The text an open paragraph carries goes in front of the next line, whatever that line is.
  if ((state_ & rsInParagraph) && !(state_ & rsNoBreak) && !para_carry_.empty()) {
    std::string joined = std::move(para_carry_);
    para_carry_.clear();
    joined += ' ';
    joined += text;
    return WriteLine(joined);
  }
  return WriteLine(text);
}

void TQoReport::PutLine(std::string_view text) {
  if (!output_) throw Exception(Format(msg::SQoOutputNotOpen, "PutLine"));
  CountLine();
  WriteText(text);
}

void TQoReport::FlushParagraphCarry() {
  if (para_carry_.empty() || !output_) return;
  std::string carry = std::move(para_carry_);
  para_carry_.clear();
  PutOutputLine(carry);
}

bool TQoReport::WriteLine(std::string_view input) {
  // A "\PE" line that does not fit is written piece by piece; every piece is a view into input.
  std::string_view text = input.empty() ? std::string_view(" ") : input;
  for (;;) {
    if (const std::size_t pb = text.find("\\PB"); pb != std::string_view::npos) {
      const TSpecChar spec = ParseSpecChar(text.substr(pb));
      if (spec.HasIndents) {
        para_left_mm_ = spec.Values[0];
        para_right_mm_ = spec.Values[1];
        para_left_ = MilimeterToPixel(para_left_mm_);
        para_right_ = MilimeterToPixel(para_right_mm_);
      }
      state_ |= rsInParagraph;
    }
    const bool inParagraph = (state_ & rsInParagraph) != 0;
    const int maxWidth = page_width_ - para_left_ - para_right_;
    SyncPrinterFont();
    const TLineMetrics metrics = CalcFontMetrics(*printer_, text, font_code_, font_size_, maxWidth, inParagraph);
    NotePrinterFont();
    std::string_view line = text;
    bool more = false;
    if (inParagraph) {
      const bool ends = text.find("\\PE") != std::string_view::npos;
      if (ends && !metrics.Remainder.empty()) {
        line = FittingPart(text, metrics.Remainder);
        more = true;
      } else if (ends) {
        para_left_ = para_right_ = para_left_mm_ = para_right_mm_ = 0;
        state_ &= ~rsInParagraph;
      } else if (metrics.Remainder.empty()) {
        para_carry_.assign(text);
        return true;
      } else {
        std::string carry(metrics.Remainder);
        line = FittingPart(text, metrics.Remainder);
        para_carry_ = std::move(carry);
      }
    }
    const int height = metrics.Height;
    position_ += height;
    if ((state_ & rsNoBreak) && position_ >= page_height_) {
      position_ -= height;
      return false;
    }
    // The page footer's room is reserved: its lines never break the page (at the report end
    // they would otherwise push the last footer onto a page of its own).
    if (!in_page_break_ && !in_page_footer_ && (position_ >= page_height_ || (state_ & rsForcedBreak)))
      BreakPage(height);
    PutOutputLine(line);
    if (!more) {
      if (height == 0 && Counting()) line_num_->SetNumber(line_num_->GetNumber() - 1);
      return true;
    }
    text = metrics.Remainder;
  }
}

void TQoReport::PutOutputLine(std::string_view text) {
  if (!output_) throw Exception(Format(msg::SQoOutputNotOpen, "WriteLine"));
  if (OEMConvert() && !text.empty()) {
    output_->Write(ConvertFromUtf8(text, "CP866"));
  } else {
    output_->Write(text);
  }
  output_->Write(kLineEnd);
  at_line_start_ = true;
}

void TQoReport::WriteRaw(std::string_view bytes) {
  output_->Write(bytes);
  at_line_start_ = false;
}

void TQoReport::BreakPage(int lineHeight) {
  ++page_breaks_;
  last_break_forced_ = (state_ & rsForcedBreak) != 0;
  state_ &= ~rsForcedBreak;
  position_ = 0;
  constexpr std::uint16_t kKept = rsInDetail | rsInParagraph | rsInFooter;
  const std::uint16_t kept = state_ & kKept;
  state_ &= ~kKept;
  const bool ending = (state_ & rsEnding) != 0;
  const bool hasHeader = HasLines(sections_[rtPageHeader].get());
  const bool hasFooter = HasLines(sections_[rtPageFooter].get());
  // An open paragraph is closed before the page footer and reopened after the page header, so
  // that they are not justified with it; at the report end neither prints.
  const bool splitParagraph = (kept & rsInParagraph) && (hasHeader || hasFooter) && !ending;
  struct Guard {
    bool& flag;
    bool saved;
    explicit Guard(bool& f) : flag(f), saved(f) { flag = true; }
    ~Guard() { flag = saved; }
  } guard(in_page_break_);
  if (splitParagraph) WriteRaw(kParagraphEnd);
  if (!ending) PrintSection(rtPageFooter);
  page_num_->SetNumber(page_num_->GetNumber() + 1);
  position_ = 0;
  if (hasHeader) {
    // The page mark must be the first byte of a line.
    if (!at_line_start_) PutOutputLine("");
    WriteRaw("^");
    if (!ending) PrintSection(rtPageHeader);
  }
  if (splitParagraph) WriteRaw(ParagraphBeginSequence(para_left_mm_, para_right_mm_));
  position_ += lineHeight;
  state_ |= rsPageTop | kept;
}

}  // namespace bexlo
