// Command-line options of bexlo-report and their parser. The parser only reads the arguments; it
// touches no file and no setting, so a wrong command line is reported before anything runs.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace bexlo::runner {

struct TRunOptions {
  std::string Template;                 // the template file
  std::string Database;                 // the report's DataBaseName
  std::string Query;                    // records to walk when the template has no SQL section
  std::string Out = "report.prn";       // the output file
  std::string TemplatesDir;             // where included templates are looked up; empty: the
                                        // template's own directory
  std::string Docx;                     // --docx: export the output to this .docx as well
  std::string OfficeFile;               // --office-file: where office documents are saved
  bool OneRecord = false;
  bool Landscape = false;
  bool SystemLocale = false;
  // --set NAME=VALUE and --set-text NAME=VALUE, in order.
  struct TSet {
    std::string Name;
    std::string Value;
    bool Text = false;  // --set-text: always a STRING
    bool operator==(const TSet&) const = default;
  };
  std::vector<TSet> Sets;
  // Printer model: paper ("a4", "letter" or WIDTHxHEIGHT in mm), resolution, margins in mm.
  std::optional<std::string> Paper;
  std::optional<int> Dpi;
  std::optional<double> MarginLeft, MarginTop, MarginRight, MarginBottom;
  // What happens to the output after the run (through the widget library; a run without them
  // starts no Qt application): the preview window, a PDF of it, printing it (an empty name: the
  // default printer).
  bool Preview = false;
  std::string Pdf;
  std::optional<std::string> PrintTo;
  bool ShowsOutput() const noexcept { return Preview || !Pdf.empty() || PrintTo.has_value(); }
};

// What the command line asks for.
struct TCommandLine {
  enum class TAction { Run, Help } Action = TAction::Run;
  TRunOptions Options;
};

// Parses argv[1..]; raises TUsageError with a one-line reason for a wrong command line.
TCommandLine ParseCommandLine(const std::vector<std::string>& args);

class TUsageError : public std::exception {
 public:
  explicit TUsageError(std::string reason) : reason_(std::move(reason)) {}
  const char* what() const noexcept override { return reason_.c_str(); }

 private:
  std::string reason_;
};

// The usage text printed for --help and after a usage error.
const char* UsageText();

// A paper option read: A4, Letter, or a custom size in mm (portrait width and height).
struct TPaperChoice {
  enum class TKind { A4, Letter, Custom } Kind = TKind::A4;
  double WidthMm = 0;
  double HeightMm = 0;
};
// Raises TUsageError for anything else.
TPaperChoice ParsePaper(const std::string& text);

}  // namespace bexlo::runner
