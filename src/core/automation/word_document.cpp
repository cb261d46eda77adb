#include "automation/word_document.h"

#include <zip.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "automation/file_beside.h"
#include "output/font.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

constexpr char32_t kTab = U'\t';
constexpr char32_t kLineBreak = U'\v';
constexpr char32_t kPageBreak = U'\f';

// The text as the document keeps it: UTF-8 repaired, control characters other than TAB, VT and
// FF dropped, CR/LF turned into `newline` (0 drops them). Returns the characters kept.
std::int64_t Clean(std::string_view text, char32_t newline, std::string& out) {
  // Most text is printable ASCII and is taken as it is.
  std::size_t i = 0;
  while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x20 && static_cast<unsigned char>(text[i]) < 0x7F) ++i;
  out.assign(text.data(), i);
  if (i == text.size()) return static_cast<std::int64_t>(i);
  out.reserve(text.size());
  std::int64_t count = static_cast<std::int64_t>(i);
  while (i < text.size()) {
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    if (byte >= 0x20 && byte < 0x7F) {  // the common case, ASCII printable
      out += static_cast<char>(byte);
      ++count;
      ++i;
      continue;
    }
    char32_t cp = Utf8Decode(text, i);
    if (cp == U'\r' || cp == U'\n') {
      if (cp == U'\r' && i < text.size() && text[i] == '\n') ++i;
      if (newline == 0) continue;
      cp = newline;
    } else if ((cp < 0x20 && cp != kTab && cp != kLineBreak && cp != kPageBreak) || cp == 0x7F ||
               cp == 0xFFFE || cp == 0xFFFF) {
      continue;
    }
    Utf8Append(out, cp);
    ++count;
  }
  return count;
}

// Byte offset of character `index` in a run's text (ASCII runs need no scan).
std::size_t ByteOffset(const TWordDocument::TRun& run, std::int64_t index) {
  if (static_cast<std::int64_t>(run.Text.size()) == run.Length) return static_cast<std::size_t>(index);
  return Utf8Offset(run.Text, static_cast<std::size_t>(index));
}

// Splits the paragraph's runs so that a run boundary falls at `offset`; returns the index of the
// run that starts there (Runs.size() at the end).
std::size_t SplitAt(TWordDocument::TParagraph& para, std::int64_t offset) {
  std::int64_t at = 0;
  for (std::size_t i = 0; i < para.Runs.size(); ++i) {
    TWordDocument::TRun& run = para.Runs[i];
    if (offset == at) return i;
    if (offset < at + run.Length) {
      const std::int64_t k = offset - at;
      const std::size_t byte = ByteOffset(run, k);
      TWordDocument::TRun tail{run.Text.substr(byte), run.Length - k, run.Format};
      run.Text.erase(byte);
      run.Length = k;
      para.Runs.insert(para.Runs.begin() + static_cast<std::ptrdiff_t>(i + 1), std::move(tail));
      return i + 1;
    }
    at += run.Length;
  }
  return para.Runs.size();
}

void MergeRuns(TWordDocument::TParagraph& para) {
  std::vector<TWordDocument::TRun>& runs = para.Runs;
  std::size_t out = 0;
  for (std::size_t i = 0; i < runs.size(); ++i) {
    if (runs[i].Length == 0) continue;
    if (out > 0 && runs[out - 1].Format == runs[i].Format) {
      runs[out - 1].Text += runs[i].Text;
      runs[out - 1].Length += runs[i].Length;
    } else {
      if (out != i) runs[out] = std::move(runs[i]);
      ++out;
    }
  }
  runs.resize(out);
}

void DeleteText(TWordDocument::TParagraph& para, std::int64_t from, std::int64_t to) {
  if (to <= from) return;
  const std::size_t first = SplitAt(para, from);
  const std::size_t last = SplitAt(para, to);
  para.Runs.erase(para.Runs.begin() + static_cast<std::ptrdiff_t>(first),
                  para.Runs.begin() + static_cast<std::ptrdiff_t>(last));
  para.Length -= to - from;
  MergeRuns(para);
}

std::int64_t CellLength(const TWordDocument::TParagraph& cell) { return cell.Length + 1; }

std::int64_t TableLength(const TWordDocument::TTable& table) {
  std::int64_t length = 0;
  for (const auto& row : table.Rows) {
    for (const auto& cell : row) length += CellLength(cell);
    length += 1;
  }
  return length;
}

}  // namespace

TWordDocument::TWordDocument() {
  formats_.emplace_back();
  blocks_.emplace_back();
  length_ = 1;
}

TWordDocument::~TWordDocument() = default;

int TWordDocument::ParagraphCount() const noexcept {
  int count = 0;
  for (const TBlock& block : blocks_) {
    if (!block.Table) {
      ++count;
    } else {
      for (const auto& row : block.Table->Rows) count += static_cast<int>(row.size());
    }
  }
  return count;
}

std::uint32_t TWordDocument::Intern(const TWordCharFormat& format) {
  for (std::size_t i = 0; i < formats_.size(); ++i)
    if (formats_[i] == format) return static_cast<std::uint32_t>(i);
  formats_.push_back(format);
  return static_cast<std::uint32_t>(formats_.size() - 1);
}

std::int64_t TWordDocument::Clamp(std::int64_t pos) const noexcept {
  return std::clamp<std::int64_t>(pos, 0, length_ - 1);
}

std::int64_t TWordDocument::BlockLength(const TBlock& block) const noexcept {
  return block.Table ? TableLength(*block.Table) : block.Paragraph.Length + 1;
}

void TWordDocument::Invalidate(std::size_t block) noexcept { valid_starts_ = std::min(valid_starts_, block); }

void TWordDocument::EnsureStarts() const {
  if (valid_starts_ >= blocks_.size() && starts_.size() == blocks_.size()) return;
  starts_.resize(blocks_.size());
  std::size_t i = std::min(valid_starts_, blocks_.size());
  std::int64_t at = i == 0 ? 0 : starts_[i - 1] + BlockLength(blocks_[i - 1]);
  for (; i < blocks_.size(); ++i) {
    starts_[i] = at;
    at += BlockLength(blocks_[i]);
  }
  valid_starts_ = blocks_.size();
}

TWordDocument::TLocation TWordDocument::Locate(std::int64_t pos) const {
  pos = Clamp(pos);
  EnsureStarts();
  TLocation at;
  if (pos >= starts_.back()) {  // the last block, where a growing document is written
    at.Block = starts_.size() - 1;
  } else {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
    at.Block = static_cast<std::size_t>(it - starts_.begin()) - 1;
  }
  std::int64_t rel = pos - starts_[at.Block];
  const TBlock& block = blocks_[at.Block];
  if (!block.Table) {
    at.Offset = rel;
    return at;
  }
  const TTable& table = *block.Table;
  for (std::size_t r = 0; r < table.Rows.size(); ++r) {
    const auto& row = table.Rows[r];
    for (std::size_t c = 0; c < row.size(); ++c) {
      if (rel < CellLength(row[c])) {
        at.Row = static_cast<int>(r);
        at.Col = static_cast<int>(c);
        at.Offset = rel;
        return at;
      }
      rel -= CellLength(row[c]);
    }
    if (rel == 0) {  // the row's mark: the end of its last cell
      at.Row = static_cast<int>(r);
      at.Col = static_cast<int>(row.size()) - 1;
      at.Offset = row.back().Length;
      return at;
    }
    rel -= 1;
  }
  at.Row = at.Col = -1;  // not reached: the position lies inside the block
  return at;
}

TWordDocument::TParagraph& TWordDocument::ParagraphAt(const TLocation& at) {
  TBlock& block = blocks_[at.Block];
  if (!block.Table) return block.Paragraph;
  return block.Table->Rows[static_cast<std::size_t>(at.Row)][static_cast<std::size_t>(at.Col)];
}

void TWordDocument::Shift(std::int64_t pos, std::int64_t delta) noexcept {
  for (TWordPos* live : live_) {
    if (delta > 0) {
      if (live->Start > pos) live->Start += delta;
      if (live->End > pos) live->End += delta;
    } else {
      const std::int64_t end = pos - delta;  // deleted [pos, end)
      auto move = [&](std::int64_t& p) {
        if (p >= end) p += delta;
        else if (p > pos) p = pos;
      };
      move(live->Start);
      move(live->End);
    }
  }
}

void TWordDocument::Grow(std::size_t block, std::int64_t delta) noexcept {
  length_ += delta;
  Invalidate(block + 1);
}

std::int64_t TWordDocument::InsertInto(TParagraph& para, std::int64_t offset, std::string_view text, bool inCell) {
  std::string clean;
  const std::int64_t count = Clean(text, inCell ? kLineBreak : 0, clean);
  if (count == 0) return 0;
  offset = std::clamp<std::int64_t>(offset, 0, para.Length);
  if (offset == 0) {  // at the paragraph's start: the format of its mark
    if (!para.Runs.empty() && para.Runs.front().Format == para.MarkFormat) {
      para.Runs.front().Text.insert(0, clean);
      para.Runs.front().Length += count;
    } else {
      para.Runs.insert(para.Runs.begin(), TRun{std::move(clean), count, para.MarkFormat});
    }
  } else if (offset == para.Length) {  // appending: the last run's format
    para.Runs.back().Text += clean;
    para.Runs.back().Length += count;
  } else {
    // Inside the paragraph: into the run that holds the character before.
    std::int64_t at = 0;
    for (TRun& run : para.Runs) {
      if (offset <= at + run.Length) {
        run.Text.insert(ByteOffset(run, offset - at), clean);
        run.Length += count;
        break;
      }
      at += run.Length;
    }
  }
  para.Length += count;
  return count;
}

std::int64_t TWordDocument::InsertText(std::int64_t pos, std::string_view text) {
  pos = Clamp(pos);
  std::int64_t inserted = 0;
  std::size_t i = 0;
  while (i <= text.size()) {
    std::size_t stop = i;
    while (stop < text.size() && text[stop] != '\r' && text[stop] != '\n') ++stop;
    if (stop == text.size()) stop = std::string_view::npos;
    const std::string_view piece = text.substr(i, stop == std::string_view::npos ? std::string_view::npos : stop - i);
    if (!piece.empty()) {
      const TLocation at = Locate(pos);
      const std::int64_t n = InsertInto(ParagraphAt(at), at.Offset, piece, at.Row >= 0);
      Shift(pos, n);
      Grow(at.Block, n);
      pos += n;
      inserted += n;
    }
    if (stop == std::string_view::npos) break;
    i = stop + 1;
    if (text[stop] == '\r' && i < text.size() && text[i] == '\n') ++i;
    const std::int64_t n = InsertParagraph(pos);
    pos += n;
    inserted += n;
  }
  return inserted;
}

std::int64_t TWordDocument::InsertParagraph(std::int64_t pos) {
  pos = Clamp(pos);
  const TLocation at = Locate(pos);
  if (at.Row >= 0) {  // a cell holds one paragraph: a line break instead
    const std::int64_t n = InsertInto(ParagraphAt(at), at.Offset, "\v", true);
    Shift(pos, n);
    Grow(at.Block, n);
    return n;
  }
  TParagraph& para = blocks_[at.Block].Paragraph;
  const std::size_t split = SplitAt(para, at.Offset);
  TBlock second;
  second.Paragraph.MarkFormat = para.MarkFormat;
  second.Paragraph.Runs.assign(std::make_move_iterator(para.Runs.begin() + static_cast<std::ptrdiff_t>(split)),
                               std::make_move_iterator(para.Runs.end()));
  para.Runs.erase(para.Runs.begin() + static_cast<std::ptrdiff_t>(split), para.Runs.end());
  second.Paragraph.Length = para.Length - at.Offset;
  para.Length = at.Offset;
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at.Block + 1), std::move(second));
  Shift(pos, 1);
  length_ += 1;
  Invalidate(at.Block);
  return 1;
}

std::int64_t TWordDocument::InsertPageBreak(std::int64_t pos) {
  pos = Clamp(pos);
  const TLocation at = Locate(pos);
  TParagraph& para = ParagraphAt(at);
  // A break is a character of its own run (the format of the text before it).
  const std::int64_t n = InsertInto(para, at.Offset, "\f", at.Row >= 0);
  Shift(pos, n);
  Grow(at.Block, n);
  return n;
}

void TWordDocument::Delete(std::int64_t start, std::int64_t end) {
  start = std::max<std::int64_t>(start, 0);
  end = std::min(end, length_ - 1);  // the final mark stays
  if (end <= start) return;
  EnsureStarts();
  const std::int64_t before = length_;
  // Blocks from the last one touched back to the first, so that earlier positions hold.
  std::size_t b = Locate(end - 1).Block + 1;
  while (b-- > 0) {
    const std::int64_t bs = starts_[b];
    const std::int64_t blen = BlockLength(blocks_[b]);
    if (bs + blen <= start) break;
    TBlock& block = blocks_[b];
    if (!block.Table) {
      TParagraph& para = block.Paragraph;
      const std::int64_t from = std::max(start, bs) - bs;
      const std::int64_t to = std::min(end, bs + blen) - bs;
      const std::int64_t length = para.Length;
      DeleteText(para, from, std::min(to, length));
      if (to > length && b + 1 < blocks_.size() && !blocks_[b + 1].Table) {
        // The mark goes: the next paragraph joins this one.
        TParagraph next = std::move(blocks_[b + 1].Paragraph);
        for (TRun& run : next.Runs) para.Runs.push_back(std::move(run));
        para.Length += next.Length;
        para.MarkFormat = next.MarkFormat;
        MergeRuns(para);
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b + 1));
      }
    } else {
      std::int64_t at = bs;
      for (auto& row : block.Table->Rows) {
        for (auto& cell : row) {
          const std::int64_t cs = at;
          at += CellLength(cell);
          const std::int64_t from = std::max(start, cs) - cs;
          const std::int64_t to = std::min(end, cs + cell.Length) - cs;
          if (from < to) DeleteText(cell, from, to);
        }
        at += 1;
      }
    }
    Invalidate(b);
  }
  valid_starts_ = 0;
  length_ = 0;
  for (const TBlock& block : blocks_) length_ += BlockLength(block);
  Shift(start, length_ - before);
}

std::string TWordDocument::Text(std::int64_t start, std::int64_t end) const {
  start = std::max<std::int64_t>(start, 0);
  end = std::min(end, length_);
  std::string out;
  if (end <= start) return out;
  EnsureStarts();
  std::int64_t pos = 0;
  auto emitPara = [&](const TParagraph& para, const char* mark) {
    for (const TRun& run : para.Runs) {
      if (pos + run.Length > start && pos < end) {
        const std::int64_t from = std::max(start, pos) - pos;
        const std::int64_t to = std::min(end, pos + run.Length) - pos;
        const std::size_t b0 = ByteOffset(run, from);
        const std::size_t b1 = ByteOffset(run, to);
        out.append(run.Text, b0, b1 - b0);
      }
      pos += run.Length;
    }
    if (pos >= start && pos < end) out += mark;
    pos += 1;
  };
  for (std::size_t b = Locate(start).Block; b < blocks_.size() && starts_[b] < end; ++b) {
    pos = starts_[b];
    const TBlock& block = blocks_[b];
    if (!block.Table) {
      emitPara(block.Paragraph, "\r");
      continue;
    }
    for (const auto& row : block.Table->Rows) {
      for (const auto& cell : row) emitPara(cell, "\a");
      if (pos >= start && pos < end) out += "\r\a";
      pos += 1;
    }
  }
  return out;
}

void TWordDocument::ChangeFormatImpl(std::int64_t start, std::int64_t end,
                                     const std::function<std::uint32_t(std::uint32_t)>& derive) {
  start = std::max<std::int64_t>(start, 0);
  end = std::min(end, length_);
  if (end <= start) return;
  EnsureStarts();
  // Formats already derived in this call (a range seldom holds more than a few formats).
  std::array<std::pair<std::uint32_t, std::uint32_t>, 8> done;
  std::size_t doneCount = 0;
  auto changed = [&](std::uint32_t old) {
    for (std::size_t i = 0; i < doneCount; ++i)
      if (done[i].first == old) return done[i].second;
    const std::uint32_t to = derive(old);
    if (doneCount < done.size()) done[doneCount++] = {old, to};
    return to;
  };
  auto changePara = [&](TParagraph& para, std::int64_t ps) {
    const std::int64_t from = std::max(start, ps) - ps;
    const std::int64_t to = std::min(end, ps + para.Length + 1) - ps;
    if (to <= from) return;
    const std::int64_t textTo = std::min(to, para.Length);
    // Runs that already have the format stay as they are: no split, no merge.
    bool differs = false;
    std::int64_t at = 0;
    for (const TRun& run : para.Runs) {
      if (at >= textTo) break;
      if (at + run.Length > from && changed(run.Format) != run.Format) {
        differs = true;
        break;
      }
      at += run.Length;
    }
    if (from < textTo && differs) {
      const std::size_t first = SplitAt(para, from);
      const std::size_t last = SplitAt(para, textTo);
      for (std::size_t i = first; i < last; ++i) para.Runs[i].Format = changed(para.Runs[i].Format);
      MergeRuns(para);
    }
    if (to > para.Length) para.MarkFormat = changed(para.MarkFormat);
  };
  for (std::size_t b = Locate(start).Block; b < blocks_.size() && starts_[b] < end; ++b) {
    TBlock& block = blocks_[b];
    if (!block.Table) {
      changePara(block.Paragraph, starts_[b]);
      continue;
    }
    std::int64_t at = starts_[b];
    for (auto& row : block.Table->Rows) {
      for (auto& cell : row) {
        changePara(cell, at);
        at += CellLength(cell);
      }
      at += 1;
    }
  }
}

void TWordDocument::SetFontProperty(std::int64_t start, std::int64_t end, TFontProperty property,
                                    std::string_view name, int value) {
  if (property == TFontProperty::fpName) {
    const auto it = std::find(face_names_.begin(), face_names_.end(), name);
    value = static_cast<int>(it - face_names_.begin());
    if (it == face_names_.end()) face_names_.emplace_back(name);
  }
  const std::uint64_t key = static_cast<std::uint64_t>(static_cast<std::uint8_t>(property)) << 32 |
                            static_cast<std::uint32_t>(value);
  ChangeFormatImpl(start, end, [&](std::uint32_t old) {
    const std::uint64_t full = key | static_cast<std::uint64_t>(old) << 36;
    if (const auto it = derived_.find(full); it != derived_.end()) return it->second;
    TWordCharFormat format = formats_[old];
    switch (property) {
      case TFontProperty::fpName: format.Name = face_names_[static_cast<std::size_t>(value)]; break;
      case TFontProperty::fpHalfPoints: format.HalfPoints = value; break;
      case TFontProperty::fpBold: format.Bold = value != 0; break;
      case TFontProperty::fpItalic: format.Italic = value != 0; break;
      case TFontProperty::fpUnderline: format.Underline = value != 0; break;
      case TFontProperty::fpStrike: format.Strike = value != 0; break;
    }
    const std::uint32_t to = Intern(format);
    derived_.emplace(full, to);
    return to;
  });
}

const TWordCharFormat& TWordDocument::FormatAt(std::int64_t pos) const {
  const TLocation at = Locate(pos);
  const TBlock& block = blocks_[at.Block];
  const TParagraph& para =
      block.Table ? block.Table->Rows[static_cast<std::size_t>(at.Row)][static_cast<std::size_t>(at.Col)]
                  : block.Paragraph;
  std::int64_t p = 0;
  for (const TRun& run : para.Runs) {
    if (at.Offset < p + run.Length) return formats_[run.Format];
    p += run.Length;
  }
  return formats_[para.MarkFormat];
}

// ---- tables ------------------------------------------------------------------------------------

TWordDocument::TTable* TWordDocument::AddTable(std::int64_t pos, int rows, int cols) {
  rows = std::clamp(rows, 1, 32767);
  cols = std::clamp(cols, 1, 63);
  pos = Clamp(pos);
  TLocation at = Locate(pos);
  std::size_t before;  // the table goes in front of this block
  if (at.Row >= 0) {
    // Inside a table: after it, with an empty paragraph between the two.
    EnsureStarts();
    const std::int64_t after = starts_[at.Block] + BlockLength(blocks_[at.Block]);
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(at.Block + 1), TBlock{});
    Shift(after, 1);
    length_ += 1;
    Invalidate(at.Block);
    before = at.Block + 1;
    pos = after;
  } else if (at.Offset == 0) {
    before = at.Block;
  } else {
    InsertParagraph(pos);
    before = at.Block + 1;
    pos += 1;
  }
  auto table = std::make_unique<TTable>();
  table->Columns = cols;
  table->Rows.assign(static_cast<std::size_t>(rows), std::vector<TParagraph>(static_cast<std::size_t>(cols)));
  TTable* result = table.get();
  tables_.push_back(std::move(table));
  TBlock block;
  block.Table = result;
  blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(before), std::move(block));
  const std::int64_t added = TableLength(*result);
  Shift(pos - 1, added);  // positions from pos on move behind the table
  length_ += added;
  Invalidate(before);
  return result;
}

TWordDocument::TTable* TWordDocument::Table(int index) const noexcept {
  if (index < 0) return nullptr;
  for (const TBlock& block : blocks_) {
    if (block.Table && index-- == 0) return block.Table;
  }
  return nullptr;
}

namespace {
std::size_t BlockOf(const std::vector<TWordDocument::TBlock>& blocks, const TWordDocument::TTable& table) {
  // Tables are usually near the end of a growing document: search from there.
  for (std::size_t i = blocks.size(); i-- > 0;)
    if (blocks[i].Table == &table) return i;
  return blocks.size();
}
}  // namespace

void TWordDocument::AddTableRow(TTable& table) {
  const std::size_t b = BlockOf(blocks_, table);
  if (b == blocks_.size()) return;
  EnsureStarts();
  const std::int64_t end = starts_[b] + BlockLength(blocks_[b]);
  table.Rows.emplace_back(static_cast<std::size_t>(table.Columns));
  Shift(end - 1, table.Columns + 1);
  Grow(b, table.Columns + 1);
}

void TWordDocument::SetCellText(TTable& table, int row, int col, std::string_view text) {
  const std::size_t b = BlockOf(blocks_, table);
  if (b == blocks_.size() || row < 0 || col < 0 || static_cast<std::size_t>(row) >= table.Rows.size() ||
      col >= table.Columns)
    return;
  EnsureStarts();
  const std::int64_t end = starts_[b] + BlockLength(blocks_[b]);
  TParagraph& cell = table.Rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
  const std::int64_t old = cell.Length;
  // The new text keeps the format the cell's text had.
  const std::uint32_t format = cell.Runs.empty() ? 0 : cell.Runs.front().Format;
  cell.Runs.clear();
  cell.Length = 0;
  InsertInto(cell, 0, text, true);
  if (!cell.Runs.empty()) cell.Runs.front().Format = format;
  const std::int64_t delta = cell.Length - old;
  Shift(end - 1, delta);  // positions behind the table
  Grow(b, delta);
}

std::string TWordDocument::CellText(const TTable& table, int row, int col) const {
  std::string out;
  if (row < 0 || col < 0 || static_cast<std::size_t>(row) >= table.Rows.size() || col >= table.Columns) return out;
  for (const TRun& run : table.Rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)].Runs) out += run.Text;
  return out;
}

std::int64_t TWordDocument::CellStart(const TTable& table, int row, int col) const {
  const std::size_t b = BlockOf(blocks_, table);
  if (b == blocks_.size()) return 0;
  EnsureStarts();
  std::int64_t at = starts_[b];
  for (std::size_t r = 0; r < table.Rows.size(); ++r) {
    for (std::size_t c = 0; c < table.Rows[r].size(); ++c) {
      if (static_cast<int>(r) == row && static_cast<int>(c) == col) return at;
      at += CellLength(table.Rows[r][c]);
    }
    at += 1;
  }
  return at;
}

void TWordDocument::Attach(TWordPos* pos) { live_.push_back(pos); }

void TWordDocument::Detach(TWordPos* pos) noexcept {
  const auto it = std::find(live_.begin(), live_.end(), pos);
  if (it != live_.end()) {
    *it = live_.back();
    live_.pop_back();
  }
}

// ---- writing -------------------------------------------------------------------------------------

namespace {

constexpr const char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr const char kWordNs[] = "http://schemas.openxmlformats.org/wordprocessingml/2006/main";

// The faces the three families of the output are set in.
std::string_view DocumentFace(std::string_view name) {
  if (SameText(name, "Arial")) return "Liberation Sans";
  if (SameText(name, "Courier New")) return "Liberation Mono";
  if (SameText(name, "Times New Roman")) return "Liberation Serif";
  return name;
}

void AppendEscaped(std::string& out, std::string_view text) {
  std::size_t from = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char* entity = nullptr;
    switch (text[i]) {
      case '&': entity = "&amp;"; break;
      case '<': entity = "&lt;"; break;
      case '>': entity = "&gt;"; break;
      case '"': entity = "&quot;"; break;
      default: continue;
    }
    out.append(text, from, i - from);
    out += entity;
    from = i + 1;
  }
  out.append(text, from, text.size() - from);
}

std::string RunProperties(const TWordCharFormat& f) {
  std::string out;
  if (!f.Name.empty()) {
    std::string face;
    AppendEscaped(face, DocumentFace(f.Name));
    out += "<w:rFonts w:ascii=\"" + face + "\" w:hAnsi=\"" + face + "\" w:eastAsia=\"" + face + "\" w:cs=\"" + face + "\"/>";
  }
  if (f.Bold) out += "<w:b/><w:bCs/>";
  if (f.Italic) out += "<w:i/><w:iCs/>";
  if (f.Strike) out += "<w:strike/>";
  if (f.HalfPoints > 0) {
    const std::string size = std::to_string(f.HalfPoints);
    out += "<w:sz w:val=\"" + size + "\"/><w:szCs w:val=\"" + size + "\"/>";
  }
  if (f.Underline) out += "<w:u w:val=\"single\"/>";
  return out.empty() ? out : "<w:rPr>" + out + "</w:rPr>";
}

void AppendRunText(std::string& out, std::string_view text) {
  std::size_t from = 0;
  bool open = false;
  auto flush = [&](std::size_t to) {
    if (to > from) {
      if (!open) out += "<w:t xml:space=\"preserve\">";
      open = true;
      AppendEscaped(out, text.substr(from, to - from));
    }
  };
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\t' && c != '\v' && c != '\f') continue;
    flush(i);
    if (open) out += "</w:t>";
    open = false;
    out += c == '\t' ? "<w:tab/>" : c == '\v' ? "<w:br/>" : "<w:br w:type=\"page\"/>";
    from = i + 1;
  }
  flush(text.size());
  if (open) out += "</w:t>";
}

// The number of page breaks that end the paragraph's text.
std::int64_t TrailingPageBreaks(const TWordDocument::TParagraph& para) {
  std::int64_t n = 0;
  for (auto run = para.Runs.rbegin(); run != para.Runs.rend(); ++run) {
    const std::size_t last = run->Text.find_last_not_of('\f');
    if (last != std::string::npos) return n + static_cast<std::int64_t>(run->Text.size() - last - 1);
    n += static_cast<std::int64_t>(run->Text.size());
  }
  return n;
}

// The paragraph without its last `count` characters, which are page breaks (one byte each).
TWordDocument::TParagraph WithoutTrailing(const TWordDocument::TParagraph& para, std::int64_t count) {
  TWordDocument::TParagraph out = para;
  while (count > 0 && !out.Runs.empty()) {
    TWordDocument::TRun& run = out.Runs.back();
    const std::int64_t take = std::min<std::int64_t>(count, static_cast<std::int64_t>(run.Text.size()));
    run.Text.resize(run.Text.size() - static_cast<std::size_t>(take));
    run.Length -= take;
    out.Length -= take;
    count -= take;
    if (run.Text.empty()) out.Runs.pop_back();
  }
  return out;
}

int Twips(double points) { return static_cast<int>(std::lround(points * 20.0)); }

}  // namespace

std::string TWordDocument::StylesXml() {
  std::string out = kXmlHead;
  out += "<w:styles xmlns:w=\"";
  out += kWordNs;
  out +=
      "\"><w:docDefaults><w:rPrDefault><w:rPr><w:rFonts w:ascii=\"Liberation Serif\" "
      "w:hAnsi=\"Liberation Serif\" w:eastAsia=\"Liberation Serif\" w:cs=\"Liberation Serif\"/>"
      "<w:sz w:val=\"24\"/><w:szCs w:val=\"24\"/><w:lang w:val=\"en-US\"/></w:rPr></w:rPrDefault>"
      "<w:pPrDefault><w:pPr><w:spacing w:before=\"0\" w:after=\"0\" w:line=\"240\" w:lineRule=\"auto\"/>"
      "</w:pPr></w:pPrDefault></w:docDefaults>"
      "<w:style w:type=\"paragraph\" w:default=\"1\" w:styleId=\"Normal\"><w:name w:val=\"Normal\"/>"
      "<w:qFormat/></w:style>"
      "<w:style w:type=\"table\" w:default=\"1\" w:styleId=\"TableNormal\"><w:name w:val=\"Normal Table\"/>"
      "<w:tblPr><w:tblInd w:w=\"0\" w:type=\"dxa\"/><w:tblCellMar><w:top w:w=\"0\" w:type=\"dxa\"/>"
      "<w:left w:w=\"108\" w:type=\"dxa\"/><w:bottom w:w=\"0\" w:type=\"dxa\"/>"
      "<w:right w:w=\"108\" w:type=\"dxa\"/></w:tblCellMar></w:tblPr></w:style></w:styles>";
  return out;
}

std::string TWordDocument::DocumentXml() const {
  std::vector<std::string> props;
  props.reserve(formats_.size());
  for (const TWordCharFormat& format : formats_) props.push_back(RunProperties(format));

  const double textWidth = std::max(72.0, PageWidth - LeftMargin - RightMargin);

  // The size of the text, so that the document is built in one allocation.
  std::size_t estimate = 2048;
  auto estimatePara = [&](const TParagraph& para) {
    std::size_t size = 64 + props[para.MarkFormat].size();
    for (const TRun& run : para.Runs) size += 64 + props[run.Format].size() + run.Text.size() + run.Text.size() / 8;
    return size;
  };
  for (const TBlock& block : blocks_) {
    if (!block.Table) {
      estimate += estimatePara(block.Paragraph);
      continue;
    }
    estimate += 1024;
    for (const auto& row : block.Table->Rows)
      for (const auto& cell : row) estimate += 128 + estimatePara(cell);
  }
  std::string out;
  out.reserve(estimate);
  out += kXmlHead;
  out += "<w:document xmlns:w=\"";
  out += kWordNs;
  out += "\"><w:body>";

  auto writePara = [&](const TParagraph& para, bool breakBefore) {
    out += "<w:p>";
    // The mark's format gives an empty paragraph its height; a paragraph with text is as high as
    // its text, as the output's line is.
    const bool markFormat = para.MarkFormat != 0 && para.Runs.empty();
    if (breakBefore || markFormat) {
      out += "<w:pPr>";
      if (breakBefore) out += "<w:pageBreakBefore/>";
      if (markFormat) out += props[para.MarkFormat];
      out += "</w:pPr>";
    }
    for (const TRun& run : para.Runs) {
      out += "<w:r>";
      out += props[run.Format];
      AppendRunText(out, run.Text);
      out += "</w:r>";
    }
    out += "</w:p>";
  };

  bool breakBefore = false;
  for (std::size_t b = 0; b < blocks_.size(); ++b) {
    const TBlock& block = blocks_[b];
    if (!block.Table) {
      // Page breaks that end a paragraph become a break before the next paragraph, so that the
      // new page does not begin with the empty rest of this one; a paragraph of nothing but
      // breaks is left out.
      const std::int64_t breaks = b + 1 < blocks_.size() && !blocks_[b + 1].Table ? TrailingPageBreaks(block.Paragraph) : 0;
      if (breaks == 0) {
        writePara(block.Paragraph, breakBefore);
      } else if (breaks < block.Paragraph.Length) {
        writePara(WithoutTrailing(block.Paragraph, breaks), breakBefore);
      }
      breakBefore = breaks > 0 || (breakBefore && breaks == block.Paragraph.Length);
      continue;
    }
    const TTable& table = *block.Table;
    // Column widths in twips: fitted to the widest text of each column when asked, else equal.
    std::vector<double> widths(static_cast<std::size_t>(table.Columns), textWidth / table.Columns);
    if (table.AutoFit) {
      TFont font;
      font.SetPixelsPerInch(1440);
      double total = 0;
      for (int c = 0; c < table.Columns; ++c) {
        double widest = 0;
        for (const auto& row : table.Rows) {
          double width = 0;
          for (const TRun& run : row[static_cast<std::size_t>(c)].Runs) {
            const TWordCharFormat& f = formats_[run.Format];
            const int points = f.HalfPoints > 0 ? (f.HalfPoints + 1) / 2 : 12;
            const TFontStyles style = static_cast<TFontStyles>((f.Bold ? fsBold : 0) | (f.Italic ? fsItalic : 0));
            font.SetFace(f.Name.empty() ? std::string_view("Times New Roman") : std::string_view(f.Name), points, style);
            width += static_cast<double>(font.TextWidth(run.Text)) / 20.0;
          }
          widest = std::max(widest, width);
        }
        widths[static_cast<std::size_t>(c)] = widest + 2 * 5.4 + 2.0;  // cell margins and borders
        total += widths[static_cast<std::size_t>(c)];
      }
      if (total > textWidth)
        for (double& w : widths) w = w * textWidth / total;
    }
    out += "<w:tbl><w:tblPr><w:tblW w:w=\"0\" w:type=\"auto\"/><w:tblBorders>";
    for (const char* side : {"top", "left", "bottom", "right", "insideH", "insideV"}) {
      out += "<w:";
      out += side;
      out += " w:val=\"single\" w:sz=\"4\" w:space=\"0\" w:color=\"000000\"/>";
    }
    out += "</w:tblBorders><w:tblLayout w:type=\"";
    out += table.AutoFit ? "autofit" : "fixed";
    out += "\"/></w:tblPr><w:tblGrid>";
    for (double w : widths) out += "<w:gridCol w:w=\"" + std::to_string(Twips(w)) + "\"/>";
    out += "</w:tblGrid>";
    for (const auto& row : table.Rows) {
      out += "<w:tr>";
      for (std::size_t c = 0; c < row.size(); ++c) {
        out += "<w:tc><w:tcPr><w:tcW w:w=\"" + std::to_string(Twips(widths[c])) + "\" w:type=\"dxa\"/></w:tcPr>";
        writePara(row[c], false);
        out += "</w:tc>";
      }
      out += "</w:tr>";
    }
    out += "</w:tbl>";
  }

  out += "<w:sectPr><w:pgSz w:w=\"" + std::to_string(Twips(PageWidth)) + "\" w:h=\"" +
         std::to_string(Twips(PageHeight)) + "\"";
  if (Landscape) out += " w:orient=\"landscape\"";
  out += "/><w:pgMar w:top=\"" + std::to_string(Twips(TopMargin)) + "\" w:right=\"" +
         std::to_string(Twips(RightMargin)) + "\" w:bottom=\"" + std::to_string(Twips(BottomMargin)) +
         "\" w:left=\"" + std::to_string(Twips(LeftMargin)) +
         "\" w:header=\"0\" w:footer=\"0\" w:gutter=\"0\"/></w:sectPr></w:body></w:document>";
  return out;
}

namespace {

constexpr const char kContentTypes[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
    "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
    "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
    "<Override PartName=\"/word/document.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml\"/>"
    "<Override PartName=\"/word/styles.xml\" "
    "ContentType=\"application/vnd.openxmlformats-officedocument.wordprocessingml.styles+xml\"/>"
    "</Types>";

constexpr const char kPackageRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
    "Target=\"word/document.xml\"/></Relationships>";

constexpr const char kDocumentRels[] =
    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
    "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
    "<Relationship Id=\"rId1\" "
    "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles\" "
    "Target=\"styles.xml\"/></Relationships>";

[[noreturn]] void ZipFailed(zip_error_t* error) {
  const std::string text = zip_error_strerror(error);
  throw EOleError(text);
}

}  // namespace

std::string ZipPackage(const std::vector<std::pair<std::string, std::string>>& parts) {
  zip_error_t error;
  zip_error_init(&error);
  zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
  if (!buffer) ZipFailed(&error);
  zip_t* archive = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
  if (!archive) {
    zip_source_free(buffer);
    ZipFailed(&error);
  }
  zip_source_keep(buffer);
  auto fail = [&](zip_error_t* e) {
    const std::string text = zip_error_strerror(e);
    zip_discard(archive);
    zip_source_free(buffer);
    throw EOleError(text);
  };
  for (const auto& [name, data] : parts) {
    zip_source_t* part = zip_source_buffer(archive, data.data(), data.size(), 0);
    if (!part) fail(zip_get_error(archive));
    if (zip_file_add(archive, name.c_str(), part, ZIP_FL_ENC_UTF_8) < 0) {
      zip_source_free(part);
      fail(zip_get_error(archive));
    }
  }
  if (zip_close(archive) != 0) fail(zip_get_error(archive));
  std::string out;
  zip_stat_t stat;
  if (zip_source_stat(buffer, &stat) != 0 || zip_source_open(buffer) != 0) {
    zip_source_free(buffer);
    throw EOleError("zip");
  }
  out.resize(static_cast<std::size_t>(stat.size));
  const zip_int64_t n = zip_source_read(buffer, out.data(), stat.size);
  zip_source_close(buffer);
  zip_source_free(buffer);
  if (n < 0 || static_cast<zip_uint64_t>(n) != stat.size) throw EOleError("zip");
  return out;
}

std::string TWordDocument::SaveToMemory() const {
  return ZipPackage({{"[Content_Types].xml", kContentTypes},
                     {"_rels/.rels", kPackageRels},
                     {"word/_rels/document.xml.rels", kDocumentRels},
                     {"word/document.xml", DocumentXml()},
                     {"word/styles.xml", StylesXml()}});
}

void TWordDocument::SaveToFile(const std::string& path) const {
  // The package is written by libzip straight into the file beside the target.
  std::vector<std::pair<std::string, std::string>> parts;
  parts.emplace_back("[Content_Types].xml", kContentTypes);
  parts.emplace_back("_rels/.rels", kPackageRels);
  parts.emplace_back("word/_rels/document.xml.rels", kDocumentRels);
  parts.emplace_back("word/document.xml", DocumentXml());
  parts.emplace_back("word/styles.xml", StylesXml());
  WriteFileBesideWith(path, [&](const std::string& temporary) -> std::string {
    int code = 0;
    zip_t* archive = zip_open(temporary.c_str(), ZIP_TRUNCATE, &code);
    if (!archive) {
      zip_error_t error;
      zip_error_init_with_code(&error, code);
      std::string text = zip_error_strerror(&error);
      zip_error_fini(&error);
      return text;
    }
    for (const auto& [name, data] : parts) {
      zip_source_t* part = zip_source_buffer(archive, data.data(), data.size(), 0);
      if (!part || zip_file_add(archive, name.c_str(), part, ZIP_FL_ENC_UTF_8) < 0) {
        if (part) zip_source_free(part);
        std::string text = zip_strerror(archive);
        zip_discard(archive);
        return text;
      }
    }
    if (zip_close(archive) != 0) {
      std::string text = zip_strerror(archive);
      zip_discard(archive);
      return text;
    }
    return {};
  });
}

}  // namespace bexlo
