// TWordDocument: the in-memory document of the built-in word-processor server, and its writer to
// an OOXML .docx file.
//
// The document is a list of blocks: paragraphs (runs of text with a character format each, and
// a paragraph mark with a format of its own) and tables (rows of cells, each cell one paragraph).
// Positions are counted in characters the way the word processor counts them: every paragraph is
// its text plus one mark, a table is every cell's text plus one mark per cell and one per row, a
// page break is one character. The document always ends with a paragraph; Length() is the
// position after its mark, and an insertion there goes in front of that final mark.
//
// Text inserted into a paragraph takes the format of the character before it in the paragraph,
// or at the paragraph's start the format of the paragraph's mark, as in the word processor. A CR or LF in inserted text starts a
// new paragraph (CR LF counts once); inside a table cell it becomes a line break. TAB is a tab,
// VT a line break, FF a page break; other control characters are dropped, and bytes that are not
// UTF-8 are replaced.
//
// Ranges that live across edits register a TWordPos pair with the document, which moves them
// as text is inserted or deleted before them.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace bexlo {

struct TWordCharFormat {
  std::string Name;         // face name; empty: the document's default
  int HalfPoints = 0;       // size in half points; 0: the default
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strike = false;
  friend bool operator==(const TWordCharFormat&, const TWordCharFormat&) = default;
};

// A live position pair kept up to date by the document (see above).
struct TWordPos {
  std::int64_t Start = 0;
  std::int64_t End = 0;
};

class TWordDocument {
 public:
  struct TRun {
    std::string Text;      // UTF-8, control characters already mapped (\t, \v, \f kept)
    std::int64_t Length;   // characters
    std::uint32_t Format;  // index into Formats()
  };
  struct TParagraph {
    std::vector<TRun> Runs;
    std::int64_t Length = 0;  // characters, the mark not counted
    std::uint32_t MarkFormat = 0;
  };
  struct TTable {
    int Columns = 0;
    std::vector<std::vector<TParagraph>> Rows;
    bool AutoFit = false;
  };

  TWordDocument();
  ~TWordDocument();
  TWordDocument(const TWordDocument&) = delete;
  TWordDocument& operator=(const TWordDocument&) = delete;

  // ---- content -------------------------------------------------------------------------------
  std::int64_t Length() const noexcept { return length_; }
  int ParagraphCount() const noexcept;
  // Inserts UTF-8 text at pos (clamped into the document); returns the characters inserted.
  std::int64_t InsertText(std::int64_t pos, std::string_view text);
  // Inserts a paragraph mark (1 character) or a page break (1 character) at pos.
  std::int64_t InsertParagraph(std::int64_t pos);
  std::int64_t InsertPageBreak(std::int64_t pos);
  // Deletes the characters of [start, end): text and marks of paragraphs (joining them); cell
  // text of tables (tables themselves stay); the final mark stays.
  void Delete(std::int64_t start, std::int64_t end);
  // The text of [start, end): paragraph marks as CR, cell marks as BEL, row marks as CR BEL.
  std::string Text(std::int64_t start, std::int64_t end) const;

  // Applies `change` to the format of every character (paragraph marks included) in [start, end).
  template <class F>
  void ChangeFormat(std::int64_t start, std::int64_t end, F change) {
    ChangeFormatImpl(start, end, [&](std::uint32_t old) {
      TWordCharFormat format = formats_[old];
      change(format);
      return Intern(format);
    });
  }
  // One property of the font, as the server's Font object sets it: a face name, a size in half
  // points, or a style flag (0 or 1). Formats derived this way are remembered, so that setting
  // the same property again costs a lookup.
  enum class TFontProperty : std::uint8_t { fpName, fpHalfPoints, fpBold, fpItalic, fpUnderline, fpStrike };
  void SetFontProperty(std::int64_t start, std::int64_t end, TFontProperty property, std::string_view name, int value);
  // The format of the character at pos (of the final mark at the end).
  const TWordCharFormat& FormatAt(std::int64_t pos) const;
  const std::vector<TWordCharFormat>& Formats() const noexcept { return formats_; }

  // ---- tables --------------------------------------------------------------------------------
  // Inserts a table of rows x cols empty cells at pos (a paragraph holding pos is split there);
  // returns it. Tables live as long as the document.
  TTable* AddTable(std::int64_t pos, int rows, int cols);
  int TableCount() const noexcept { return static_cast<int>(tables_.size()); }
  TTable* Table(int index) const noexcept;  // 0-based, in document order; null when out of range
  void AddTableRow(TTable& table);
  // Cell text put: replaces the cell's text (CR/LF become line breaks).
  void SetCellText(TTable& table, int row, int col, std::string_view text);
  std::string CellText(const TTable& table, int row, int col) const;
  // Position of a cell's first character and of its mark.
  std::int64_t CellStart(const TTable& table, int row, int col) const;

  // ---- page setup (points) -------------------------------------------------------------------
  bool Landscape = false;
  double PageWidth = 595.3;   // A4 portrait
  double PageHeight = 841.9;
  double LeftMargin = 90.0;   // the word processor's defaults
  double RightMargin = 90.0;
  double TopMargin = 72.0;
  double BottomMargin = 72.0;

  // ---- live ranges ---------------------------------------------------------------------------
  void Attach(TWordPos* pos);
  void Detach(TWordPos* pos) noexcept;

  // ---- writing -------------------------------------------------------------------------------
  // The parts of the package: word/document.xml and word/styles.xml.
  std::string DocumentXml() const;
  static std::string StylesXml();
  // The whole .docx package in memory.
  std::string SaveToMemory() const;
  // Writes the .docx beside `path` and renames it into place; raises EOleError with the reason
  // (nothing is left under `path`, an earlier file there stays) on failure.
  void SaveToFile(const std::string& path) const;

  // The block structure, for tests.
  struct TBlock {
    TParagraph Paragraph;
    TTable* Table = nullptr;  // non-null: a table block
  };
  const std::vector<TBlock>& Blocks() const noexcept { return blocks_; }

 private:
  struct TLocation {
    std::size_t Block = 0;
    int Row = -1;  // table cell, or -1 for a paragraph
    int Col = -1;
    std::int64_t Offset = 0;  // in the paragraph or cell; its length means "at the mark"
  };

  std::uint32_t Intern(const TWordCharFormat& format);
  // Gives every character of [start, end) the format derive(its format).
  void ChangeFormatImpl(std::int64_t start, std::int64_t end, const std::function<std::uint32_t(std::uint32_t)>& derive);
  std::int64_t Clamp(std::int64_t pos) const noexcept;
  void EnsureStarts() const;
  void Invalidate(std::size_t block) noexcept;
  std::int64_t BlockLength(const TBlock& block) const noexcept;
  TLocation Locate(std::int64_t pos) const;
  TParagraph& ParagraphAt(const TLocation& at);
  std::int64_t InsertInto(TParagraph& para, std::int64_t offset, std::string_view text, bool inCell);
  void Shift(std::int64_t pos, std::int64_t delta) noexcept;
  void Grow(std::size_t block, std::int64_t delta) noexcept;

  std::vector<TBlock> blocks_;
  std::vector<std::unique_ptr<TTable>> tables_;  // owned, in creation order
  std::vector<TWordCharFormat> formats_;         // [0] = default
  std::unordered_map<std::uint64_t, std::uint32_t> derived_;  // (format, property, value) -> format
  std::vector<std::string> face_names_;          // face names set so far, by index
  std::int64_t length_ = 0;
  mutable std::vector<std::int64_t> starts_;
  mutable std::size_t valid_starts_ = 0;
  std::vector<TWordPos*> live_;
};

// A zip package of (name, data) parts, deflated, in memory; EOleError with libzip's reason on
// failure.
std::string ZipPackage(const std::vector<std::pair<std::string, std::string>>& parts);

}  // namespace bexlo
