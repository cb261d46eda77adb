// A printed template line and its fields.
//
// TReportLine holds the line's text with one "@" at the place of each field reference and the
// fields in order; the reader also keeps the literal pieces between the fields and whether the
// line ends in "\N" (its output joins the next output of the same line).
//
// TReportField turns the current value of its report variable into padded text: the choice of
// value in footers (current, previous, total, count), number, date and string formats, and the
// spreading of wrapped strings, memos, nested reports and group lists over several output lines.
// Names that are not variables refer to the report's Invalid variable and print "!" characters.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "util/list_pool.h"

namespace bexlo {

class TCustomReport;
class TReportVar;
class TBlob;
class TGroupVar;

// Flags of a field (the format marks of the template).
enum TReportFieldFlag : int {
  rfRight = 1,       // "-": pad on the left
  rfZero = 2,        // "0": pad with "0"
  rfPrevious = 4,    // decimals + 100: the value before the current record
  rfCurrency = 8,    // "$": currency format (set with rfRight)
  rfCenter = 16,     // "+"
  rfCount = 32,      // decimals + 200: footers count records
  rfBareZero = 64,   // "#": 0 prints as "0"
  rfDash = 128,      // "=": "-" as decimal separator, an all-zero fraction as "="
  rfCurrent = 256,   // decimals + 300: footers print the current value
  rfGeneral = 512,   // "G": general format
};

// What the run tells a field about the moment it prints.
struct TFieldContext {
  bool InFooter = false;   // group footers or the page footer are printing
  bool Ending = false;     // the report end
  const TReportVar* LineNum = nullptr;  // the LineNum variable (always its current value)
  const TReportVar* Invalid = nullptr;  // the Invalid variable
};

class TReportField : public TObject {
 public:
  explicit TReportField(TReportVar* var) : Var(var) {}
  std::string_view ClassName() const noexcept override { return "TReportField"; }

  double Total = 0;        // running footer total; reading it in a footer resets it
  TReportVar* Var;         // the value source, not owned
  int Width = 0;           // characters; 0 = no padding
  int Decimals = 0;        // numbers: digits after the point; strings: non-zero wraps
  int Flags = 0;           // TReportFieldFlag bits
  int LinesLeft = 0;       // output lines still to come in this printing of the line
  int LineIndex = 0;       // index of the next output line
  bool FormFeed = false;   // the variable is FORMFEED: the field ends the line and breaks the page

  // Before each printing of the line: how many output lines the field spans (runs a nested
  // report, wraps a string, counts memo lines or group values). Sets LinesLeft and LineIndex.
  int LineCount(const TFieldContext& context);
  // Appends the field's text for the current repetition, padded to Width, then advances.
  void FormatTo(std::string& out, const TFieldContext& context);
  // The same as a new string.
  std::string Format(const TFieldContext& context);

  // Adds the record's contribution to the footer total (1 with rfCount, else the value unless
  // rfPrevious); only for NUMBER variables.
  void Accumulate();

 private:
  bool UsesFooterValue(const TFieldContext& context) const noexcept;
  void AppendValue(std::string& out, const TFieldContext& context);
  void AppendNumber(std::string& out, double value) const;
  void AppendLineOf(std::string& out, const TReportVar* cell, bool old) const;

  std::vector<std::string> wrapped_;  // the wrapped string of this printing
};

// Number, date and string texts as fields print them (exposed for SQL substitution and tests).
void AppendFieldNumber(std::string& out, double value, int width, int decimals, int flags);
void AppendFieldDate(std::string& out, double value);
// Splits text into lines of at most `width` characters at break characters (blank ! * + , - . /
// : ; ? \ |, a non-blank one not between two digits), or at `width` when there is none.
std::vector<std::string> WrapFieldText(std::string_view text, int width);
// Appends `text` padded to width: rfRight on the left, else rfCenter both sides (the odd blank
// on the right), else on the right; rfZero pads with "0". A longer text is not cut.
void AppendPadded(std::string& out, std::string_view text, int width, int flags);

class TReportLine : public TObject {
 public:
  // Parses a template line: field references resolved through report (names that are not
  // variables go to `invalid`); a trailing "\N" (either case) after the last field is removed and
  // remembered in JoinNext.
  TReportLine(std::string_view templateText, TCustomReport& report, TReportVar* invalid);
  std::string_view ClassName() const noexcept override { return "TReportLine"; }

  std::string Text;                     // one "@" per field
  std::unique_ptr<TListPool> Fields;    // TReportField, or null when the line has none
  std::vector<std::string> Pieces;      // literal text around the fields (fields + 1 pieces)
  bool JoinNext = false;                // the line ended in "\N"
  bool BlankWithoutFields = false;      // the text without the "@" marks is blank

  int FieldCount() const noexcept { return Fields ? Fields->Count() : 0; }
  // No range check: 0 <= index < FieldCount().
  TReportField* Field(int index) const { return static_cast<TReportField*>(Fields->List()[index]); }
};

}  // namespace bexlo
