#include "runner_options.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

namespace bexlo::runner {

const char* UsageText() {
  return R"(usage: bexlo-report run TEMPLATE [options]
       bexlo-report --help

Runs a report template and writes its output file.

options:
  --database NAME      database of the report: an SQLite file, sqlite:PATH, a PostgreSQL
                       connection string or URI, or a directory (its local tables)
  --query SQL          a query on that database whose records the report walks when the
                       template has no SQL section; its :NAME parameters take --set values
  --out FILE           the output file (default: report.prn in the current directory)
  --docx FILE          also export the output to a word-processor document FILE (.docx), as
                       the preview's Export does
  --office-file FILE   where the spreadsheets and documents the template makes through
                       OpenOLE ... CloseOLE are saved (the document's extension replaces
                       FILE's; default: the output file's name with that extension)
  --one-record         print the current record only (OneRecord); a template that reads
                       no records (no SQL section, no --query) prints only with it
  --set NAME=VALUE     a report variable: a NUMBER when VALUE reads as a number with "." as
                       decimal point, else a STRING (repeatable)
  --set-text NAME=VALUE
                       a report variable that is always a STRING, as written: use it for
                       codes with leading zeros (postal codes, account numbers: 0171)
  --landscape          landscape pages
  --paper PAPER        a4 (default), letter, or WIDTHxHEIGHT in millimetres (e.g. 100x150)
  --dpi N              printer resolution in dots per inch (default 300)
  --margins MM         page margins in millimetres: one value for all four sides, or
                       LEFT,TOP,RIGHT,BOTTOM (default 5)
  --templates DIR      where included sub-reports are found (default: the directory of
                       TEMPLATE): Include('GROUP', 'NAME') reads DIR/GROUP/NAME.fmt, or
                       DIR/NAME.fmt when GROUP is empty
  --system-locale      number and date formats of the user's locale instead of the fixed
                       default ("." decimals, dd/mm/yyyy dates)

after the run (without a display the PDF and printing use Qt's offscreen platform):
  --preview            open the preview window on the output
  --pdf FILE           write the output as a PDF file
  --print [PRINTER]    print the output on PRINTER (default: the default printer)

environment: SOURCE_DATE_EPOCH (seconds since 1970-01-01 UTC), when set, is the date and time
the report prints as CurDate and CurTime, so that a run can be repeated byte for byte.

exit status: 0 success, 1 the report failed, 2 wrong usage
)";
}

namespace {

bool ReadDouble(std::string_view text, double& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end && std::isfinite(value);
}

bool ReadInt(std::string_view text, int& value) {
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

double ReadMargin(std::string_view text) {
  double value = 0;
  if (!ReadDouble(text, value) || value < 0 || value > 1000)
    throw TUsageError("--margins: not a margin in millimetres: " + std::string(text));
  return value;
}

void ParseMargins(const std::string& text, TRunOptions& options) {
  std::vector<std::string_view> parts;
  std::string_view rest = text;
  for (;;) {
    const std::size_t comma = rest.find(',');
    parts.push_back(rest.substr(0, comma));
    if (comma == std::string_view::npos) break;
    rest.remove_prefix(comma + 1);
  }
  if (parts.size() == 1) {
    const double all = ReadMargin(parts[0]);
    options.MarginLeft = options.MarginTop = options.MarginRight = options.MarginBottom = all;
  } else if (parts.size() == 4) {
    options.MarginLeft = ReadMargin(parts[0]);
    options.MarginTop = ReadMargin(parts[1]);
    options.MarginRight = ReadMargin(parts[2]);
    options.MarginBottom = ReadMargin(parts[3]);
  } else {
    throw TUsageError("--margins: give one value or LEFT,TOP,RIGHT,BOTTOM");
  }
}

// A valid variable name: a letter or "_" first, then letters, digits and "_" (ASCII or any
// byte of a multi-byte UTF-8 letter).
bool IsVariableName(std::string_view name) {
  if (name.empty()) return false;
  auto letter = [](unsigned char c) { return c >= 0x80 || c == '_' || std::isalpha(c); };
  if (!letter(static_cast<unsigned char>(name[0]))) return false;
  for (unsigned char c : name)
    if (!letter(c) && !std::isdigit(c)) return false;
  return true;
}

}  // namespace

TPaperChoice ParsePaper(const std::string& text) {
  TPaperChoice paper;
  std::string lower;
  for (unsigned char c : text) lower += static_cast<char>(std::tolower(c));
  if (lower == "a4") return paper;
  if (lower == "letter") {
    paper.Kind = TPaperChoice::TKind::Letter;
    return paper;
  }
  const std::size_t x = lower.find('x');
  double width = 0, height = 0;
  if (x == std::string::npos || !ReadDouble(std::string_view(lower).substr(0, x), width) ||
      !ReadDouble(std::string_view(lower).substr(x + 1), height) || width < 10 || height < 10 ||
      width > 10000 || height > 10000)
    throw TUsageError("--paper: expected a4, letter or WIDTHxHEIGHT in millimetres (10 to 10000): " + text);
  paper.Kind = TPaperChoice::TKind::Custom;
  paper.WidthMm = width;
  paper.HeightMm = height;
  return paper;
}

TCommandLine ParseCommandLine(const std::vector<std::string>& args) {
  TCommandLine line;
  if (args.empty()) throw TUsageError("no command given");
  if (args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
    line.Action = TCommandLine::TAction::Help;
    return line;
  }
  if (args[0] != "run") throw TUsageError("unknown command: " + args[0]);

  TRunOptions& o = line.Options;
  bool haveTemplate = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    std::string arg = args[i];
    std::optional<std::string> inlineValue;
    if (arg.starts_with("--")) {
      if (const std::size_t eq = arg.find('='); eq != std::string::npos) {
        inlineValue = arg.substr(eq + 1);
        arg.erase(eq);
      }
    }
    auto value = [&]() -> std::string {
      if (inlineValue) return *inlineValue;
      if (i + 1 >= args.size()) throw TUsageError(arg + " needs a value");
      return args[++i];
    };
    auto flag = [&]() {
      if (inlineValue) throw TUsageError(arg + " takes no value");
      return true;
    };

    if (arg == "--database") {
      o.Database = value();
    } else if (arg == "--query") {
      o.Query = value();
    } else if (arg == "--out") {
      o.Out = value();
      if (o.Out.empty()) throw TUsageError("--out needs a file name");
    } else if (arg == "--docx") {
      o.Docx = value();
      if (o.Docx.empty()) throw TUsageError("--docx needs a file name");
    } else if (arg == "--office-file") {
      o.OfficeFile = value();
      if (o.OfficeFile.empty()) throw TUsageError("--office-file needs a file name");
    } else if (arg == "--templates") {
      o.TemplatesDir = value();
    } else if (arg == "--one-record") {
      o.OneRecord = flag();
    } else if (arg == "--landscape") {
      o.Landscape = flag();
    } else if (arg == "--system-locale") {
      o.SystemLocale = flag();
    } else if (arg == "--set" || arg == "--set-text") {
      const std::string assignment = value();
      const std::size_t eq = assignment.find('=');
      const std::string name = assignment.substr(0, eq);
      if (eq == std::string::npos || !IsVariableName(name))
        throw TUsageError(arg + ": expected NAME=VALUE with a variable name: " + assignment);
      o.Sets.push_back({name, assignment.substr(eq + 1), arg == "--set-text"});
    } else if (arg == "--paper") {
      o.Paper = value();
      ParsePaper(*o.Paper);
    } else if (arg == "--dpi") {
      int dpi = 0;
      const std::string text = value();
      if (!ReadInt(text, dpi) || dpi < 50 || dpi > 9600)
        throw TUsageError("--dpi: expected a resolution from 50 to 9600: " + text);
      o.Dpi = dpi;
    } else if (arg == "--margins") {
      ParseMargins(value(), o);
    } else if (arg == "--preview") {
      o.Preview = flag();
    } else if (arg == "--pdf") {
      o.Pdf = value();
      if (o.Pdf.empty()) throw TUsageError("--pdf needs a file name");
    } else if (arg == "--print") {
      // The printer name is optional: --print=NAME, or the next word once the template is known.
      if (inlineValue) o.PrintTo = *inlineValue;
      else if (haveTemplate && i + 1 < args.size() && !args[i + 1].starts_with("-")) o.PrintTo = args[++i];
      else o.PrintTo = std::string();
    } else if (arg.starts_with("-") && arg != "-") {
      throw TUsageError("unknown option: " + arg);
    } else if (!haveTemplate) {
      o.Template = arg;
      haveTemplate = true;
    } else {
      throw TUsageError("more than one template given: " + arg);
    }
  }
  if (!haveTemplate) throw TUsageError("no template given");
  return line;
}

}  // namespace bexlo::runner
