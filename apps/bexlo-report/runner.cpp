#include "runner.h"

#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <system_error>

#include "automation/office_servers.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "output/printer_model.h"
#include "report/output_stream.h"
#include "report/office_export.h"
#include "report/qo_report.h"
#include "template_store.h"
#include "util/convert.h"
#include "util/exceptions.h"
#include "util/format_settings.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/ui_services.h"

namespace bexlo::runner {

namespace fs = std::filesystem;

TTextPosition PositionOfOffset(const TStrings& lines, int offset) {
  TTextPosition pos;
  long long start = 0;
  for (int i = 0; i < lines.Count(); ++i) {
    const long long length = static_cast<long long>(Utf8Length(lines.Get(i))) + 2;
    if (offset < start + length) {
      pos.Line = i + 1;
      pos.Column = static_cast<int>(offset - start) + 1;
      return pos;
    }
    start += length;
  }
  pos.Line = lines.Count() + 1;
  pos.Column = 1;
  return pos;
}

namespace {

// A scratch directory for the output of included reports, removed with the object.
class TScratchDir {
 public:
  TScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "bexlo-report-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
  }
  ~TScratchDir() {
    std::error_code error;
    if (!path_.empty()) fs::remove_all(path_, error);
  }
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// A --set value is a NUMBER when the whole text reads as a number with "." as decimal point;
// a --set-text value is always a STRING.
bool SetValueIsNumber(const TRunOptions::TSet& set, double& number) {
  return !set.Text && !TrimView(set.Value).empty() && TryStrToFloat(set.Value, number, DefaultFormatSettings());
}

void StoreSetValue(TReportVar& cell, const TRunOptions::TSet& set) {
  double number = 0;
  if (SetValueIsNumber(set, number))
    cell.SetNumber(number);
  else
    cell.SetString(set.Value);
}

void SetUpPrinter(const TRunOptions& o) {
  TPrinterModel& printer = Printer();
  if (o.Paper) {
    const TPaperChoice paper = ParsePaper(*o.Paper);
    switch (paper.Kind) {
      case TPaperChoice::TKind::A4: printer.SetPaper(TPaperSize::psA4); break;
      case TPaperChoice::TKind::Letter: printer.SetPaper(TPaperSize::psLetter); break;
      case TPaperChoice::TKind::Custom: printer.SetCustomPaper(paper.WidthMm, paper.HeightMm); break;
    }
  }
  if (o.MarginLeft)
    printer.SetMargins(*o.MarginLeft, *o.MarginTop, *o.MarginRight, *o.MarginBottom);
  if (o.Dpi) PrinterDPI = *o.Dpi;
}

// The moment SOURCE_DATE_EPOCH names (seconds since 1970-01-01 UTC), as a date-time; nothing when
// it is not set or not a whole number.
std::optional<double> FixedNow() {
  const char* text = std::getenv("SOURCE_DATE_EPOCH");
  std::int64_t seconds = 0;
  if (text == nullptr || !TryStrToInt64(text, seconds) || seconds < 0) return std::nullopt;
  return 25569.0 + static_cast<double>(seconds) / 86400.0;  // 25569: 1970-01-01
}

// Fills the --query's parameters from the --set values of the same names.
void FillQueryParams(TQuery& query, const TRunOptions& o) {
  for (int i = 0; i < query.ParamCount(); ++i) {
    TParam& param = *query.Params()[i];
    for (const TRunOptions::TSet& set : o.Sets) {
      if (!SameText(set.Name, param.Name())) continue;
      double number = 0;
      if (SetValueIsNumber(set, number))
        param.SetAsFloat(number);
      else
        param.SetAsString(set.Value);
    }
  }
}

// Without a window, messages meant for the user (the office link's errors) go to the error
// stream; questions keep their non-interactive answers.
class TConsoleInteraction : public TUserInteraction {
 public:
  explicit TConsoleInteraction(std::ostream& err) : err_(err), previous_(SetUserInteraction(this)) {}
  ~TConsoleInteraction() override { SetUserInteraction(previous_); }
  TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override {
    if (buttons != mbOK) return TUserInteraction::MessageDlg(text, type, buttons);
    err_ << (type == TMsgDlgType::mtError ? "error: " : "") << text << "\n";
    return mrOk;
  }

 private:
  std::ostream& err_;
  TUserInteraction* previous_;
};

}  // namespace

int RunReport(const TRunOptions& o, std::ostream& out, std::ostream& err) {
  if (o.SystemLocale) {
    if (!LoadFormatSettingsFromSystem()) err << "warning: the system locale cannot be loaded; using the default formats\n";
  } else {
    FormatSettings() = DefaultFormatSettings();
  }
  SetUpPrinter(o);

  TStringList lines;
  TScratchDir scratch;
  TQoReport report;
  TQuery query;
  const bool progress = isatty(STDERR_FILENO) != 0;
  TConsoleInteraction console(err);
  std::error_code pathError;
  if (!o.OfficeFile.empty()) OfficeFileName = fs::absolute(o.OfficeFile, pathError).string();
  bool progressShown = false;
  try {
    lines.LoadFromFile(o.Template);
    std::error_code error;
    const fs::path templatePath = fs::absolute(o.Template, error);
    SetTemplateStore(o.TemplatesDir.empty() ? templatePath.parent_path().string() : o.TemplatesDir,
                     scratch.Path());
    Report_GetFmtData = GetTemplateFile;

    report.SetFormatSource(lines);
    report.DataBaseName = o.Database;
    report.PrintName = fs::absolute(o.Out, error).string();
    report.SetOneRecord(o.OneRecord);
    report.SetOrientation(o.Landscape ? TPrinterOrientation::poLandscape : TPrinterOrientation::poPortrait);
    if (!o.Query.empty()) {
      query.SetDatabaseName(o.Database);
      query.SetSQLText(o.Query);
      query.SetUniDirectional(true);
      FillQueryParams(query, o);
      query.Open();
      report.SetDataSet(&query);
    }
    report.OnSetNames = [&](TObject*) {
      for (const TRunOptions::TSet& set : o.Sets) StoreSetValue(*report.AddVar(set.Name), set);
    };
    // A fixed SOURCE_DATE_EPOCH replaces the run's current date and time, so that a report
    // printed again gives the same bytes.
    const std::optional<double> now = FixedNow();
    report.OnSetValues = [&](TObject*) {
      for (const TRunOptions::TSet& set : o.Sets) StoreSetValue(*report.AddVar(set.Name), set);
      if (now) {
        report.AddVar("CURDATE")->SetDate(std::floor(*now));
        report.AddVar("CURTIME")->SetDate(*now - std::floor(*now));
      }
    };
    if (progress) {
      report.OnProgress = [&](int records, int pages) {
        err << "\r" << records << " records, " << pages << (pages == 1 ? " page " : " pages") << std::flush;
        progressShown = true;
      };
    }

    report.Prepare();
    report.Execute();
    if (progressShown) err << "\n";
    // A run that printed no record writes no output (and removes an earlier one).
    if (!FileExists(report.PrintName)) {
      out << msg::SNoOutputWritten << "\n";
      return 0;
    }
    out << report.PrintName << "\n";
    if (!o.Docx.empty()) {
      const std::string docx = fs::path(fs::absolute(o.Docx, pathError)).replace_extension(".docx").string();
      ExportOutputToDocx(report.PrintName, docx, report.Orientation());
      out << docx << "\n";
    }
    return 0;
  } catch (const EAbort&) {
    // The office link has shown its message; a silent abort says nothing more.
    if (progressShown) err << "\n";
    return 1;
  } catch (const Exception& e) {
    if (progressShown) err << "\n";
    err << "error: " << e.Message() << "\n";
    if (report.ErrorPos >= 0) {
      const TTextPosition pos = PositionOfOffset(lines, report.ErrorPos);
      err << "at line " << pos.Line << ", column " << pos.Column << " of " << o.Template << "\n";
    }
    return 1;
  }
}

}  // namespace bexlo::runner
