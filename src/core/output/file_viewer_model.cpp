#include "output/file_viewer_model.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "output/output_format.h"
#include "output/output_line_stream.h"
#include "util/exceptions.h"
#include "util/file_mapper.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/legacy_text.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/text.h"

namespace bexlo {

namespace fs = std::filesystem;

namespace {

std::uint32_t Pixels(int v) noexcept { return TLine::ClampPixels(v); }

// A name without a directory part lives in the application's directory.
std::string ResolveName(const std::string& name) {
  if (name.empty() || name.find('/') != std::string::npos) return name;
  return ApplicationDir + name;
}

bool MoveFile(const std::string& from, const std::string& to) {
  std::error_code ec;
  fs::rename(from, to, ec);
  if (ec == std::errc::cross_device_link) {
    ec.clear();
    fs::copy_file(from, to, fs::copy_options::overwrite_existing, ec);
    if (!ec) fs::remove(from, ec);
  }
  return !ec;
}

}  // namespace

TFileViewerModel::TFileViewerModel(TComponent* owner)
    : TComponent(owner), printer_(&bexlo::Printer()), mapper_(std::make_unique<TFileMapper>()) {
  screen_ppi_ = printer_->DPI();
}

TFileViewerModel::~TFileViewerModel() { Clear(); }

std::string TFileViewerModel::GetFileName() const { return ResolveName(file_name_); }

void TFileViewerModel::SetPrinter(TPrinterModel* printer) noexcept {
  printer_ = printer ? printer : &bexlo::Printer();
}

void TFileViewerModel::SetClientSize(int width, int height) noexcept {
  client_width_ = std::max(width, 0);
  client_height_ = std::max(height, 0);
}

void TFileViewerModel::Invalidate() {
  if (OnInvalidate) OnInvalidate(this);
}

void TFileViewerModel::ChangePage() {
  if (OnChangePage) OnChangePage(this);
}

// ---- loading ---------------------------------------------------------------------------------

namespace {

// Raised by the index of a file's own bytes at the first line that is not UTF-8: the file is
// in the legacy code page and is indexed from its decoded copy instead.
struct TNotUtf8 {};

}  // namespace



void TFileViewerModel::Clear() noexcept {
  mapper_->Close();
  decoded_.reset();
  loaded_ = false;
  lines_.clear();
  std::vector<TPage>().swap(pages_);
  std::vector<TFragment>().swap(fragments_);
}

void TFileViewerModel::LoadFile() {
  printer_->SetOrientation(orientation_);
  Zoom(30);
  horz_step_ = printer_->PageWidth() / 5;
  Clear();
  try {
    std::string name = GetFileName();
    std::error_code ec;
    if (name.empty() || !fs::exists(name, ec) || fs::is_directory(name, ec))
      throw EInOutError(msg::SQoNoViewInfo);
    mapper_->SetFileName("");
    mapper_->SetFileName(name);
    const std::string_view mapped(mapper_->GetBuffer(0), static_cast<std::size_t>(mapper_->FileSize()));
    // A file in the legacy code page is indexed from its decoded copy, and shown from it. The
    // index of its own bytes stops at the first line that is not UTF-8 (mostly the first line
    // with a letter outside ASCII).
    try {
      Index(name, mapped);
    } catch (const TNotUtf8&) {
      lines_.clear();
      decoded_ = std::make_shared<const std::string>(DecodeLegacyText(mapped));
      Index(name, *decoded_);
    }
    loaded_ = true;
  } catch (...) {
    Clear();
    throw;
  }
  // A reloaded file may be shorter than the one shown before.
  TMax max = GetMax();
  top_line_ = std::clamp<std::int64_t>(top_line_, 0, std::max<std::int64_t>(max.Top, 0));
  left_pos_ = static_cast<int>(std::clamp<std::int64_t>(left_pos_, 0, std::max<std::int64_t>(max.X, 0)));
  current_page_ = std::max(GetPageNum(top_line_), 0);
  ChangePage();
}

void TFileViewerModel::Index(const std::string& name, std::string_view mapped) {
  TPrinterModel& printer = *printer_;
  const int pageWidth = printer.PageWidth();
  SetFont(printer, kDefaultFontCode, 0, nullptr);
  const TFont& font = printer.Font();
  int code = kDefaultFontCode, size = 0;
  int left = 0, right = 0;
  std::uint8_t paragraph = 0;  // running paragraph flags
  TPageBuilder pages(printer.PageHeight());

  // Any line. `sequences`: the line holds a backslash, so it may hold control sequences.
  auto addAnyLine = [&](std::int64_t start, std::string_view text, bool sequences) {
    TLine line(start, DisplayLength(text), code, size, left, right);
    if (text.empty()) text = " ";
    if (text.front() == kPageBreakMark) {
      line.Flags |= lfPageBreak;
      text.remove_prefix(1);
    }
    if (sequences) {
      // The first \PB and whether any \PE occurs, in one pass over the backslashes.
      std::size_t pb = std::string_view::npos;
      bool pe = false;
      for (std::size_t at = text.find('\\'); at != std::string_view::npos; at = text.find('\\', at + 1)) {
        if (at + 2 >= text.size() || text[at + 1] != 'P') continue;
        if (text[at + 2] == 'B' && pb == std::string_view::npos) pb = at;
        if (text[at + 2] == 'E') pe = true;
      }
      if (pb != std::string_view::npos) {
        int scratchCode = code, scratchSize = size;
        CalcSpecChar(printer, text.substr(pb), false, nullptr, 1.0, scratchCode, scratchSize, left,
                     right);
        paragraph = lfInParagraph;
        line.SetIndents(left, right);
      }
      if (pe) {
        left = right = 0;
        paragraph |= lfParagraphEnd;
      }
    }
    line.Flags |= paragraph;
    const bool wrap = (line.Flags & lfInParagraph) != 0;
    if (!sequences && !wrap) {
      // Plain text in the font in force: what CalcFontMetrics finds, without walking it again.
      line.Height = Pixels(font.TextHeight(text));
    } else {
      TLineMetrics metrics = CalcFontMetrics(printer, text, code, size, pageWidth, wrap);
      line.Height = Pixels(metrics.Height);
      line.Width = Pixels(metrics.Width);
    }
    if (paragraph & lfParagraphEnd) paragraph = 0;
    lines_.push_back(line);
    pages.Add(line);
  };
  const bool checkUtf8 = !decoded_;
  auto addLine = [&](std::int64_t start, std::string_view text, bool sequences) {
    if (checkUtf8 && IsLegacyText(text)) throw TNotUtf8{};
    if (sequences || paragraph != 0 || text.empty() || text.front() == kPageBreakMark) {
      addAnyLine(start, text, sequences);
      return;
    }
    // Most lines: plain text outside paragraphs, one line of text in the font in force.
    TLine& line = lines_.emplace_back(start, DisplayLength(text), code, size, left, right);
    line.Height = Pixels(font.Height());
    pages.Add(line);
  };

  // A decoded legacy file is scanned in memory.
  int fd = decoded_ ? -1 : ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    detail::SplitMappedLines(mapped, 0, false, addLine);
  } else {
    // A view of its own when the file still has the mapped size, else the buffered reads.
    struct stat status {};
    const bool sameSize = ::fstat(fd, &status) == 0 && static_cast<std::uint64_t>(status.st_size) == mapped.size();
    TLineScanView view(fd, sameSize ? mapped.size() : 0);
    try {
      if (view.Mapped()) {
        view.ScanLines(addLine);
      } else {
        StreamOutputLines(fd, mapped, addLine, std::size_t{256} << 10);
      }
    } catch (...) {
      ::close(fd);
      throw;
    }
    ::close(fd);
  }
  pages_ = pages.Finish();
}

// ---- file operations -------------------------------------------------------------------------

bool TFileViewerModel::Rename(const std::string& newName) {
  std::string from = GetFileName();
  Clear();
  bool renamed = !newName.empty() && MoveFile(from, ResolveName(newName));
  if (renamed) file_name_ = newName;
  LoadFile();
  Invalidate();
  return renamed;
}

void TFileViewerModel::Edit() {
  Clear();
  Report_EditFile(GetFileName());
  LoadFile();
  Invalidate();
}

void TFileViewerModel::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Clear();
    file_name_.clear();
    current_page_ = 0;
    OnChangePage = nullptr;
    return;
  }
  const auto* other = dynamic_cast<const TFileViewerModel*>(source);
  if (other == nullptr) {
    TComponent::Assign(source);
    return;
  }
  if (other == this) return;
  Clear();
  file_name_ = other->file_name_;
  orientation_ = other->orientation_;
  left_pos_ = other->left_pos_;
  top_line_ = other->top_line_;
  horz_step_ = other->horz_step_;
  visible_lines_ = other->visible_lines_;
  current_page_ = other->current_page_;
  scale_ = other->scale_;
  fit_mode_ = other->fit_mode_;
  aligned_ = other->aligned_;
  screen_ppi_ = other->screen_ppi_;
  OnChangePage = other->OnChangePage;
  if (!other->loaded_) return;
  try {
    mapper_->SetFileName("");
    mapper_->SetFileName(other->mapper_->FileName());
  } catch (...) {
    Clear();
    throw;
  }
  lines_ = other->lines_;
  pages_ = other->pages_;
  decoded_ = other->decoded_;
  loaded_ = true;
}

// ---- index -----------------------------------------------------------------------------------

const TLine& TFileViewerModel::Lines(std::int64_t index) const {
  if (index < 0 || index >= LineCount()) throw EListError(Format(msg::SListIndexError, index));
  return lines_[static_cast<std::size_t>(index)];
}

const TPage& TFileViewerModel::Pages(int index) const {
  if (index < 0 || index >= GetPageCount()) throw EListError(Format(msg::SListIndexError, index));
  return pages_[static_cast<std::size_t>(index)];
}

std::string_view TFileViewerModel::LineText(std::int64_t index) const {
  const TLine& line = Lines(index);
  // The bounds check guards an index taken from a file that has changed since.
  const char* base = decoded_ ? decoded_->data() : mapper_->Opened() ? mapper_->GetBuffer(0) : nullptr;
  auto size = static_cast<std::uint64_t>(decoded_ ? decoded_->size() : mapper_->Opened() ? mapper_->FileSize() : 0);
  auto start = std::min<std::uint64_t>(static_cast<std::uint64_t>(line.Start), size);
  auto length = std::min<std::uint64_t>(line.Length, size - start);
  if (length == 0) return {};
  std::string_view text(base + start, length);
  if (text.front() == kPageBreakMark) text.remove_prefix(1);
  return text;
}

int TFileViewerModel::GetPageNum(std::int64_t line) const noexcept {
  auto it = std::lower_bound(pages_.begin(), pages_.end(), line,
                             [](const TPage& page, std::int64_t l) { return page.LastLine < l; });
  if (it == pages_.end() || it->FirstLine > line) return -1;
  return static_cast<int>(it - pages_.begin());
}

// ---- position, pages and zoom ----------------------------------------------------------------

void TFileViewerModel::SetPage(int n) {
  if (pages_.empty()) return;
  current_page_ = std::clamp(n, 0, GetPageCount() - 1);
  left_pos_ = 0;
  top_line_ = pages_[static_cast<std::size_t>(current_page_)].FirstLine;
  ChangePage();
  Invalidate();
}

TFileViewerModel::TMax TFileViewerModel::GetMax() const noexcept {
  TMax max;
  max.X = printer_->PageWidth() - static_cast<std::int64_t>(std::trunc(client_width_ * scale_));
  max.Top = lines_.empty() ? 0 : LineCount() - 2;
  return max;
}

void TFileViewerModel::SetCurrent(std::int64_t x, std::int64_t top) {
  TMax max = GetMax();
  top = std::max<std::int64_t>(std::min(top, max.Top), 0);
  x = std::max<std::int64_t>(std::min(x, max.X), 0);
  if (x == left_pos_ && top == top_line_) return;
  left_pos_ = static_cast<int>(x);
  top_line_ = top;
  Invalidate();
  int page = GetPageNum(top_line_);
  if (page >= 0 && page != current_page_) {
    current_page_ = page;
    ChangePage();
  }
}

void TFileViewerModel::KeyDown(TViewerKey key, bool ctrl) {
  TMax max = GetMax();
  TViewSteps steps{max.X, max.Top, horz_step_, visible_lines_};
  TViewPosition target = ViewerKeyTarget({left_pos_, top_line_}, key, ctrl, steps);
  SetCurrent(target.X, target.Top);
}

void TFileViewerModel::Scroll(TScrollBarKind bar, TScrollCode code, std::int64_t thumbPos) {
  TMax max = GetMax();
  if (bar == TScrollBarKind::sbHorizontal) {
    SetCurrent(ScrollTarget(left_pos_, code, thumbPos, horz_step_ / 10, horz_step_, max.X), top_line_);
  } else {
    SetCurrent(left_pos_, ScrollTarget(top_line_, code, thumbPos, 1, visible_lines_, max.Top));
  }
}

void TFileViewerModel::Zoom(int percent) {
  percent = std::max(percent, 1);
  const int dpi = printer_->DPI();
  aligned_ = true;
  fit_mode_ = false;
  scale_ = (dpi / 300.0) * (100.0 / percent);
  screen_ppi_ = 3 * percent;  // Trunc(dpi / Scale), without the rounding error of the division
  SetPage(current_page_);
  Invalidate();
}

TFitResult TFileViewerModel::FitToPage(int width, int height) {
  if (!aligned_ || width <= 0 || height <= 0) return {};
  const double pageWidth = printer_->PageWidth();
  const double pageHeight = printer_->PageHeight();
  const double rx = pageWidth / width;
  const double ry = pageHeight / height;
  TFitResult fit{.Done = true};
  if (ry < rx) {
    fit.ClientWidth = width;
    fit.ClientHeight = std::max(1, RoundPixel(pageHeight / rx));
    scale_ = pageHeight / fit.ClientHeight;
    fit.Top = (height - fit.ClientHeight) / 2;
  } else {
    fit.ClientHeight = height;
    fit.ClientWidth = std::max(1, RoundPixel(pageWidth / ry));
    scale_ = pageWidth / fit.ClientWidth;
    fit.Left = (width - fit.ClientWidth) / 2;
  }
  aligned_ = false;
  fit_mode_ = true;
  screen_ppi_ = std::max(1, RoundPixel(printer_->DPI() / scale_));
  SetClientSize(fit.ClientWidth, fit.ClientHeight);
  SetPage(current_page_);
  Invalidate();
  return fit;
}

// ---- drawing ---------------------------------------------------------------------------------

void TFileViewerModel::SelectLineFont(int code, int size, TCanvas* canvas) {
  // From the default font, so that a font that keeps the size or the face in force comes out
  // the same wherever drawing starts.
  SetFont(*printer_, kDefaultFontCode, 0, nullptr);
  SetFont(*printer_, code, size, canvas);
}

void TFileViewerModel::Paint(TCanvas& canvas) {
  const TRect clip = canvas.ClipRect();
  canvas.FillRect(clip, Color);
  if (!loaded_ || lines_.empty()) return;
  fragments_.clear();
  canvas.SetPixelsPerInch(screen_ppi_);
  const std::int64_t count = LineCount();
  top_line_ = std::clamp<std::int64_t>(top_line_, 0, count - 1);
  const TLine& top = lines_[static_cast<std::size_t>(top_line_)];
  SelectLineFont(top.FontCode, top.FontSize, &canvas);

  const TPage* page = (current_page_ >= 0 && current_page_ < GetPageCount())
                          ? &pages_[static_cast<std::size_t>(current_page_)]
                          : nullptr;
  auto rule = [&](int y) { canvas.Line({0, y}, {clip.Right, y}, clRed, 1); };
  std::int64_t drawn = 0;  // printer pixels
  std::int64_t passes = 0;
  for (std::int64_t i = top_line_;; ++i) {
    ++passes;
    const int y = RoundPixel(drawn / scale_);
    if (i >= count) {
      rule(y);  // the end of the file
      break;
    }
    const TLine& line = lines_[static_cast<std::size_t>(i)];
    DrawLine(canvas, 0, line, i, RoundPixel(line.Height / scale_), left_pos_, LineText(i), y);
    if (page && (i == page->FirstLine || i == page->LastLine + 1)) rule(y);
    drawn += line.Height;
    const std::int64_t next = i + 1 < count ? lines_[static_cast<std::size_t>(i + 1)].Height : 0;
    if ((drawn + next) / scale_ >= clip.Bottom) break;
  }
  visible_lines_ = passes;
  DrawFragments(canvas);
}

void TFileViewerModel::AddFragment(TFragment fragment, TCanvas& canvas, int topY, int lineHeight) {
  if (fragment.Text.empty()) return;
  fragment.SetPosition(fragment.X, topY + (lineHeight - canvas.TextHeight(fragment.Text)) / 2);
  fragments_.push_back(std::move(fragment));
}

void TFileViewerModel::DrawLine(TCanvas& canvas, int xOrigin, const TLine& line,
                                std::int64_t lineIndex, int lineHeight, int leftPos,
                                std::string_view lineText, int topY) {
  TPrinterModel& printer = *printer_;
  const TFont& printerFont = printer.Font();
  const bool paragraph = (line.Flags & lfInParagraph) != 0;
  std::string text(lineText);
  TJustification justification;
  if (paragraph) {
    text.erase(text.find_last_not_of(' ') + 1);
    if (!(line.Flags & lfParagraphEnd)) {
      const std::int64_t available =
          std::int64_t{printer.PageWidth()} - line.Width - line.LeftIndent - line.RightIndent;
      justification =
          CalcJustification(text, static_cast<int>(std::clamp<std::int64_t>(available, INT32_MIN, INT32_MAX)));
    }
  }
  const int right = canvas.ClipRect().Right;
  int code = line.FontCode, size = line.FontSize;
  int scratchLeft = 0, scratchRight = 0;
  std::int64_t px = std::int64_t{xOrigin} + line.LeftIndent;
  std::int64_t x = fit_mode_ ? RoundPixel(px / scale_) : xOrigin + RoundPixel(line.LeftIndent / scale_);
  TFragment fragment(lineIndex, code, size, x, topY);
  auto restart = [&] {
    AddFragment(std::move(fragment), canvas, topY, lineHeight);
    fragment = TFragment(lineIndex, code, size, x, topY);
  };
  std::size_t slashes = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\\'));
  bool seenText = false, inBlanks = false, firstGap = true;

  std::size_t pos = 0;
  while (pos < text.size()) {
    const char c = text[pos];
    if (c == '\\') {
      restart();
      std::string_view rest = std::string_view(text).substr(pos);
      if (int consumed = CalcSpecChar(printer, rest, true, &canvas, scale_, code, size, scratchLeft,
                                      scratchRight)) {
        text.erase(pos, static_cast<std::size_t>(consumed));
        --slashes;
        fragment = TFragment(lineIndex, code, size, x, topY);
        continue;
      }
    }
    std::size_t next = pos;
    const char32_t cp = static_cast<unsigned char>(c) < 0x80
                            ? (++next, static_cast<char32_t>(static_cast<unsigned char>(c)))
                            : Utf8Decode(text, next);
    const int w = printerFont.CharWidth(cp);
    auto advance = [&] {
      x = fit_mode_ ? RoundPixel((px + w) / scale_) : x + canvas.CharWidth(cp);
    };
    if (!paragraph) {
      if (px >= leftPos && !fit_mode_ && slashes == 0) {
        AddFragment(std::move(fragment), canvas, topY, lineHeight);
        TFragment rest(lineIndex, code, size, x, topY);
        rest.Text = text.substr(pos);
        AddFragment(std::move(rest), canvas, topY, lineHeight);
        return;
      }
    } else if (c == ' ') {
      inBlanks = seenText;
    } else {
      if (inBlanks) {
        const int added = justification.GapWidth + (firstGap ? justification.Remainder : 0);
        firstGap = false;
        px += added;
        x = fit_mode_ ? RoundPixel(px / scale_) : x + RoundPixel(added / scale_);
        restart();
      }
      inBlanks = false;
      seenText = true;
    }
    if (px >= leftPos) {
      fragment.Text.append(text, pos, next - pos);
      advance();
    }
    if (c == '\\') --slashes;
    px += w;
    pos = next;
    if (x > right && slashes == 0) break;
  }
  AddFragment(std::move(fragment), canvas, topY, lineHeight);
}

void TFileViewerModel::DrawFragments(TCanvas& canvas) {
  std::stable_sort(fragments_.begin(), fragments_.end(), [](const TFragment& a, const TFragment& b) {
    return a.FontCode != b.FontCode ? a.FontCode < b.FontCode : a.FontSize < b.FontSize;
  });
  const TFragment* previous = nullptr;
  for (const TFragment& fragment : fragments_) {
    if (!previous || fragment.FontCode != previous->FontCode || fragment.FontSize != previous->FontSize) {
      TFont font;
      CalcFont(font, fragment.FontCode, fragment.FontSize);
      canvas.SelectFont(font);
    }
    canvas.TextOut(fragment.X, fragment.Y, fragment.Text);
    previous = &fragment;
  }
}

void TFileViewerModel::Print(TPrintCanvas& target, int fromPage, int toPage) {
  printer_->SetOrientation(orientation_);
  if (!loaded_) return;
  fromPage = std::max(fromPage, 0);
  toPage = std::min(toPage, GetPageCount() - 1);
  const bool savedFit = fit_mode_;
  const double savedScale = scale_;
  target.BeginDoc();
  fit_mode_ = false;
  scale_ = 1.0;
  target.SetPixelsPerInch(printer_->DPI());
  try {
    for (int p = fromPage; p <= toPage; ++p) {
      const TPage& page = pages_[static_cast<std::size_t>(p)];
      fragments_.clear();
      int y = 0;
      for (std::int64_t i = page.FirstLine; i <= page.LastLine; ++i) {
        const TLine& line = lines_[static_cast<std::size_t>(i)];
        if (i == page.FirstLine) SelectLineFont(line.FontCode, line.FontSize, &target);
        DrawLine(target, 0, line, i, static_cast<int>(line.Height), 0, LineText(i), y);
        y += static_cast<int>(line.Height);
      }
      DrawFragments(target);
      if (p < toPage) target.NewPage();
    }
  } catch (...) {
    fit_mode_ = savedFit;
    scale_ = savedScale;
    target.EndDoc();
    throw;
  }
  fit_mode_ = savedFit;
  scale_ = savedScale;
  target.EndDoc();
}

void TFileViewerModel::Export(TExportTarget& target) const {
  if (!loaded_ || lines_.empty()) return;
  target.SetPrinterOrientation(orientation_);
  for (int p = 0; p < GetPageCount(); ++p) {
    const TPage& page = pages_[static_cast<std::size_t>(p)];
    for (std::int64_t i = page.FirstLine; i <= page.LastLine; ++i) {
      const TLine& line = lines_[static_cast<std::size_t>(i)];
      if (i == page.FirstLine) target.SetFont(line.FontCode, line.FontSize);
      target.InsertLine(LineText(i), line.FontCode, line.FontSize);
    }
    if (p + 1 < GetPageCount()) target.NewPage();
  }
  target.SetFont(0, 0);
}

}  // namespace bexlo
