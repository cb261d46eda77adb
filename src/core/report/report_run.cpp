// The report run: the record walk, groups, headers and footers, totals, the clean-up with the
// FileName rename, the post-passes and the copy settings.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <exception>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "db/dataset.h"
#include "db/query.h"
#include "report/output_stream.h"
#include "report/post_passes.h"
#include "report/qo_report.h"
#include "report/report_line.h"
#include "reportlang/commands.h"
#include "util/datetime.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/ui_services.h"

namespace bexlo {

namespace {

// Outputs being written by running reports. A nested report (an included sub-report) whose
// output name is one of them writes beside it instead of over it.
std::set<std::string>& OpenOutputs() {
  static std::set<std::string> outputs;
  return outputs;
}

// The registry's key of a path: "a/./b.prn" and "a/b.prn" are one file.
std::string OutputKey(const std::string& path) { return std::filesystem::path(path).lexically_normal().string(); }

bool OutputInUse(const std::string& path) { return OpenOutputs().count(OutputKey(path)) != 0; }

std::string FreeOutputPath(const std::string& path) {
  if (!OutputInUse(path)) return path;
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash);
  const std::string stem = hasExt ? path.substr(0, dot) : path;
  const std::string ext = hasExt ? path.substr(dot) : std::string();
  for (int n = 1;; ++n) {
    std::string candidate = stem + "." + std::to_string(n) + ext;
    if (!OutputInUse(candidate)) return candidate;
  }
}

// Reports running at once: a nested report runs inside the field that prints it.
constexpr int kMaxRunDepth = 64;
int& RunDepth() {
  static int depth = 0;
  return depth;
}

// How a field's value reaches its variable.
enum class TLoadKind { lkString, lkNumber, lkBoolean, lkDate, lkMemo };

bool LoadKindOf(TFieldType type, TLoadKind& kind) {
  switch (type) {
    case ftString: kind = TLoadKind::lkString; return true;
    case ftSmallint: case ftInteger: case ftWord: case ftFloat: case ftCurrency:
    case ftBCD: case ftAutoInc:
      kind = TLoadKind::lkNumber;
      return true;
    case ftBoolean: kind = TLoadKind::lkBoolean; return true;
    case ftDate: case ftTime: case ftDateTime: kind = TLoadKind::lkDate; return true;
    case ftMemo: kind = TLoadKind::lkMemo; return true;
    default: return false;
  }
}

// A NUMBER variable's value; absent or of another type: not found.
bool NumberVar(TCustomReport& report, std::string_view name, double& value) {
  TReportVar* var = report.GetVarByName(name);
  if (!var || var->VarType() != vtFloat) return false;
  value = var->GetNumber();
  return true;
}

int TruncToInt(double value) {
  if (!(value > -2147483648.0 && value < 2147483648.0)) return value > 0 ? 2147483647 : 0;
  return static_cast<int>(std::trunc(value));
}

}  // namespace

class TQoReport::Run {
 public:
  explicit Run(TQoReport& report) : r(report) {}

  void Execute() {
    if (!r.page_num_ || !r.rec_num_ || !r.line_num_) throw Exception(Format(msg::SQoNotPrepared, "Execute"));
    // A report printed inside its own run, or a chain of reports that include one another,
    // ends with an error instead of recursing without end.
    if (r.running_) throw Exception(Format(msg::SQoReportRunning, "Execute"));
    if (RunDepth() >= kMaxRunDepth) throw Exception(msg::SQoNestedTooDeep);
    struct Running {
      bool& flag;
      explicit Running(bool& f) : flag(f) {
        flag = true;
        ++RunDepth();
      }
      ~Running() {
        flag = false;
        --RunDepth();
      }
    } running(r.running_);
    r.ResetOutputState();
    r.page_num_->SetNumber(1);
    r.rec_num_->SetNumber(0);
    r.line_num_->SetNumber(0);
    if (TReportVar* v = r.GetVarByName("CurDate")) v->SetDate(Date());
    if (TReportVar* v = r.GetVarByName("CurTime")) v->SetDate(Time());
    TReportVar* fileName = r.GetVarByName("FileName");
    r.PrintName = fileName ? fileName->GetString() : std::string();
    path = ExpandOutputPath(r.PrintName);
    if (path.empty()) return;
    if (OutputInUse(path)) {
      path = FreeOutputPath(path);
      r.PrintName = path;
      if (fileName) fileName->SetString(path);
    }
    try {
      TReportVar* append = r.GetVarByName("FileAppendMode");
      const bool appending = append && append->VarType() == vtBoolean && append->GetBoolean() && FileExists(path);
      // The run writes beside its output and puts it in place only when it succeeds: a failure
      // half way keeps the earlier output whole.
      r.output_ = TOutputStream::CreateBeside(path, appending);
      OpenOutputs().insert(OutputKey(path));
      registered = true;
      registered_path = path;
      Bind();
      Walk();
      r.FlushParagraphCarry();
    } catch (...) {
      CleanUp(std::current_exception());
      throw;  // CleanUp rethrows; this is not reached
    }
    CleanUp(nullptr);
  }

 private:
  struct TBinding {
    TField* Field;
    TReportVar* Var;
    TLoadKind Kind;
  };

  // Looks up once what the walk reads for every record.
  void Bind() {
    data_set = r.GetDataSet();
    if (data_set && data_set->Active()) {
      for (int i = 0; i < data_set->FieldCount(); ++i) {
        TField* field = data_set->Fields(i);
        TLoadKind kind;
        if (!field || !LoadKindOf(field->DataType(), kind)) continue;
        if (TReportVar* var = r.GetVarByName(field->FieldName())) bindings.push_back({field, var, kind});
      }
    }
    for (int n = 1; n <= kMaxGroupLevel; ++n) {
      const std::string suffix = std::to_string(n);
      if (n >= 2) groups[n] = r.GetVarByName("GROUP" + suffix);
      need_footer[n] = r.GetVarByName("NEEDFOOTER" + suffix);
    }
    // Fields that total: those of the page footer and of every group footer.
    auto collect = [&](const TListPool* lines) {
      if (!lines) return;
      for (int i = 0; i < lines->Count(); ++i) {
        auto* line = static_cast<TReportLine*>(lines->Get(i));
        for (int f = 0; f < line->FieldCount(); ++f) totals.push_back(line->Field(f));
      }
    };
    collect(r.sections_[rtPageFooter].get());
    for (int n = 1; n <= kMaxGroupLevel; ++n) collect(r.footers_[n].get());
  }

  void Walk() {
    double endReport = 0;
    if (r.OneRecord()) {
      ProcessRecord();
    } else if (data_set && !(NumberVar(r, "EndReport", endReport) && endReport > 0)) {
      if (!data_set->Active()) return;  // nothing to walk, and no report end
      unidirectional = data_set->IsUniDirectional();
      if (!unidirectional) {
        bookmark = data_set->GetBookmark();
        has_bookmark = true;
      }
      data_set->DisableControls();
      controls_disabled = true;
      if (!unidirectional) data_set->First();
      while (!data_set->Eof()) {
        ProcessRecord();
        data_set->Next();
        CountRecord();
      }
    } else if (r.OnEndReport && r.OnSetValues) {
      while (!r.OnEndReport(&r)) {
        ProcessRecord();
        CountRecord();
      }
    } else {
      return;
    }
    if (r.OnProgress) r.OnProgress(static_cast<int>(r.rec_num_->GetNumber()), static_cast<int>(r.page_num_->GetNumber()));
    ReportEnd();
  }

  // The user-break check every 1001 records.
  void CountRecord() {
    if (++processed % 1001 != 0) return;
    if (r.OnProgress) r.OnProgress(static_cast<int>(r.rec_num_->GetNumber()), static_cast<int>(r.page_num_->GetNumber()));
    if (BreakRequested()) throw Exception(msg::SQoInterruptByUser);
  }

  void LoadRecord() {
    for (const TBinding& b : bindings) {
      switch (b.Kind) {
        case TLoadKind::lkString: b.Var->SetString(b.Field->AsString()); break;
        case TLoadKind::lkNumber: b.Var->SetNumber(b.Field->AsFloat()); break;
        case TLoadKind::lkBoolean: b.Var->SetBoolean(b.Field->AsBoolean()); break;
        case TLoadKind::lkDate: b.Var->SetDate(b.Field->AsDateTime()); break;
        case TLoadKind::lkMemo:
          memo.SetText(b.Field->AsString());
          b.Var->SetList(memo);
          break;
      }
    }
    if (r.OnSetValues) r.OnSetValues(&r);
  }

  bool FilteredOut() const { return r.filtr_ && !r.filtr_->GetBoolean(); }

  void ProcessRecord() {
    LoadRecord();
    const bool started = (r.state_ & rsDataStarted) != 0;
    bool filtered = false;
    if (!started) {
      if (!(r.state_ & rsHeaderScriptDone)) {
        r.state_ |= rsHeaderScriptDone;
        r.RunCommands(r.header_script_.get());
      }
      r.RunCommands(r.record_script_.get());
      if (FilteredOut()) return;
      r.PrintSection(rtReportHeader);
      Headers(2);
    } else {
      r.RunCommands(r.record_script_.get());
      filtered = FilteredOut();
      // Group changes close and reopen their levels, also for a record that is filtered out.
      int changed = 0;
      for (int n = 2; n <= kMaxGroupLevel && changed == 0; ++n) {
        if (groups[n] && groups[n]->Changed()) changed = n;
      }
      if (changed != 0) {
        for (int n = changed; n <= kMaxGroupLevel; ++n) r.RunCommands(r.footer_scripts_[n].get());
        Footers(changed);
        Headers(changed);
      }
    }
    if (filtered) return;
    r.rec_num_->SetNumber(r.rec_num_->GetNumber() + 1);
    r.state_ |= rsInDetail;
    if (r.state_ & rsPageTop) {
      r.state_ &= ~rsPageTop;
    } else {
      r.state_ = static_cast<std::uint16_t>((r.state_ | rsNoBreak) & ~rsInDetail);
      r.PrintSection(rtRecordHeader);
      r.state_ = static_cast<std::uint16_t>((r.state_ | rsInDetail) & ~rsNoBreak);
    }
    r.PrintSection(rtDetail);
    r.state_ &= ~rsInDetail;
    for (TReportField* field : totals) field->Accumulate();
    r.RunCommands(r.post_record_script_.get());
    r.state_ |= rsDataStarted;
  }

  // Footers of the levels from..16, innermost first.
  void Footers(int from) {
    r.state_ |= rsInFooter;
    for (int n = kMaxGroupLevel; n >= from; --n) {
      TListPool* lines = r.footers_[n].get();
      if (!r.HasLines(lines)) continue;
      TReportVar* need = need_footer[n];
      if (need && need->GetNumber() <= 0) {
        for (int i = 0; i < lines->Count(); ++i) {
          auto* line = static_cast<TReportLine*>(lines->Get(i));
          for (int f = 0; f < line->FieldCount(); ++f) line->Field(f)->Total = 0;
        }
      } else {
        r.PrintLines(lines);
      }
    }
    r.state_ &= ~rsInFooter;
  }

  // Group headers of the levels from..16, outermost first.
  void Headers(int from) {
    r.state_ |= rsInHeader;
    for (int n = std::max(from, 2); n <= kMaxGroupLevel; ++n) r.PrintLines(r.headers_[n].get());
    r.state_ &= ~rsInHeader;
  }

  void ReportEnd() {
    if (!(r.state_ & rsDataStarted)) return;
    r.state_ |= rsEnding;
    for (int n = 1; n <= kMaxGroupLevel; ++n) r.RunCommands(r.footer_scripts_[n].get());
    Footers(1);
    if (!(r.state_ & rsPageFooterPrinted)) r.PrintSection(rtPageFooter);
    r.PrintSection(rtReportFooter);
  }

  // Runs every step of the clean-up; the first error (the run's own when there is one) leaves
  // at the end.
  void CleanUp(std::exception_ptr error) {
    auto step = [&](auto&& body) {
      try {
        body();
      } catch (...) {
        if (!error) error = std::current_exception();
      }
    };
    step([&] {
      if (controls_disabled) {
        controls_disabled = false;
        data_set->EnableControls();
      }
      if (has_bookmark) {
        has_bookmark = false;
        if (!unidirectional && data_set->Active()) data_set->GotoBookmark(bookmark);
        data_set->FreeBookmark(bookmark);
      }
    });
    bool outputExists = false;
    step([&] {
      if (!r.output_) return;
      std::unique_ptr<TOutputStream> output = std::move(r.output_);
      // A failed run loses nothing: what it wrote is removed and the earlier output stays.
      if (error) {
        output->Discard();
        return;
      }
      // The FileName a script may have changed names the output's final place.
      std::string target = path;
      TReportVar* fileName = r.GetVarByName("FileName");
      if (fileName && fileName->VarType() == vtString) {
        const std::string named = ExpandOutputPath(fileName->GetString());
        if (!named.empty()) target = named;
      }
      if (output->Size() == 0) {
        // An empty output is no output: nothing is written and an earlier file of the name is
        // removed (only a regular file, never a device).
        output->Discard();
        struct stat st {};
        if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) ::unlink(path.c_str());
        return;
      }
      if (!output->WritesBeside()) {
        output->Close();
        outputExists = true;
        if (target != path && ::rename(path.c_str(), target.c_str()) == 0) {
          r.PrintName = target;
          path = target;
        }
        return;
      }
      // The output goes straight to a new name a script gave it; when that fails it takes the
      // name it was begun under.
      output->Commit(target, path);
      if (output->Path() == target) {
        r.PrintName = target;
        path = target;
      }
      outputExists = true;
    });
    r.output_.reset();
    if (registered) OpenOutputs().erase(OutputKey(registered_path));
    r.template_query_.reset();
    step([&] {
      double pageSize = 0;
      if (!outputExists || !NumberVar(r, "PageSize", pageSize) || pageSize <= 0) return;
      const bool hasCols = r.GetVarByName("PageCols") != nullptr;
      double pageCols = 0;
      if (!hasCols) {
        double mode = 1;
        const bool unconditional = NumberVar(r, "Break2Mode", mode) && mode == 0;
        PairPages(path, TruncToInt(pageSize), !unconditional);
      } else if (NumberVar(r, "PageCols", pageCols) && pageCols > 0) {
        ArrangeColumns(path, TruncToInt(pageSize), TruncToInt(pageCols));
      }
    });
    step([&] {
      double copies = 0;
      if (NumberVar(r, "Copies", copies) && copies > 0) r.SetCopies(TruncToInt(copies));
      TReportVar* copyMode = r.GetVarByName("CopyMode");
      if (copyMode && copyMode->VarType() == vtBoolean) r.SetCopyMode(copyMode->GetBoolean());
    });
    if (error) std::rethrow_exception(error);
  }

  TQoReport& r;
  std::string path;
  bool registered = false;
  std::string registered_path;
  TDataSet* data_set = nullptr;
  bool unidirectional = false;
  bool has_bookmark = false;
  bool controls_disabled = false;
  TBookmark bookmark;
  long processed = 0;
  std::vector<TBinding> bindings;
  std::array<TReportVar*, kMaxGroupLevel + 1> groups{};
  std::array<TReportVar*, kMaxGroupLevel + 1> need_footer{};
  std::vector<TReportField*> totals;
  TStringList memo;
};

void TQoReport::Execute() { Run(*this).Execute(); }

}  // namespace bexlo
