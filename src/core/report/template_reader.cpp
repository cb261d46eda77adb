// Reading a template: sections, printed lines, statement blocks, the VARS and SQL sections.
#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "db/db_error.h"
#include "db/query.h"
#include "output/output_format.h"
#include "report/qo_report.h"
#include "report/report_line.h"
#include "reportlang/commands.h"
#include "reportlang/parser.h"
#include "util/legacy_text.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

namespace {

enum class TSectionKind { skNone, skFooter, skHeader, skSql, skVars, skFiltr, skPostDetail, skStandard, skUnknown };

struct TSection {
  TSectionKind Kind = TSectionKind::skNone;
  int Level = 0;              // footer 1..16, header 2..16
  TReportType Type = rtDetail;  // standard sections
};

constexpr std::string_view kStandardNames[kReportTypeCount] = {"REPORTHEADER", "PAGEHEADER", "RECORDHEADER",
                                                               "PAGEFOOTER",   "DETAIL",     "REPORTFOOTER"};

// "FOOTER7" -> 7 for prefix "FOOTER"; 0 when the rest is not a whole number in 1..16.
int LevelAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) return 0;
  const std::string_view digits = name.substr(prefix.size());
  if (digits.size() > 2) return 0;
  int value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return 0;
    value = value * 10 + (c - '0');
  }
  return value >= 1 && value <= kMaxGroupLevel ? value : 0;
}

TSection SectionOf(std::string_view headerLine) {
  const std::string name = UpperCase(TrimView(headerLine)).substr(1);
  TSection section;
  if (int n = LevelAfter(name, "FOOTER"); n >= 1) {
    section.Kind = TSectionKind::skFooter;
    section.Level = n;
  } else if (int m = LevelAfter(name, "HEADER"); m >= 2) {
    section.Kind = TSectionKind::skHeader;
    section.Level = m;
  } else if (name == "SQL") {
    section.Kind = TSectionKind::skSql;
  } else if (name == "VARS") {
    section.Kind = TSectionKind::skVars;
  } else if (name == "FILTR") {
    section.Kind = TSectionKind::skFiltr;
  } else if (name == "POSTDETAIL") {
    section.Kind = TSectionKind::skPostDetail;
  } else {
    section.Kind = TSectionKind::skUnknown;
    for (int i = 0; i < kReportTypeCount; ++i) {
      if (name == kStandardNames[i]) {
        section.Kind = TSectionKind::skStandard;
        section.Type = static_cast<TReportType>(i);
      }
    }
  }
  return section;
}

// Whether a statement line continues on the next line: its trimmed text ends with an operator
// or a separator.
bool ContinuesStatement(char last) {
  switch (last) {
    case '*': case '+': case ',': case '-': case '/': case ';': case '=': case '|': case '}':
      return true;
    default:
      return false;
  }
}

// Replaces every `from` by `to`; the search resumes after the inserted text, so an alias whose
// replacement contains its own text ends.
void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  if (from.empty()) return;
  std::size_t pos = text.find(from);
  while (pos != std::string::npos) {
    text.replace(pos, from.size(), to);
    pos = text.find(from, pos + to.size());
  }
}

bool StartsWithGroup(std::string_view name) {
  return name.size() >= 5 && UpperCase(name.substr(0, 5)) == "GROUP";
}

}  // namespace

struct TQoReport::TemplateReader {
  explicit TemplateReader(TQoReport& report) : r(report) {}

  void Read() {
    // Page footer lines are measured from the default font.
    SetFont(*r.printer_, footer_font_code, footer_font_size, nullptr);
    const TStringList& lines = r.FormatSource();
    for (int i = 0; i < lines.Count(); ++i) {
      const std::string& line = lines.Get(i);
      Line(line);
      offset += static_cast<int>(Utf8Length(line)) + 2;
    }
    CloseSection();
  }

 private:
  void Line(const std::string& line) {
    const char first = line.empty() ? '\0' : line[0];
    if (first == '.') {
      CloseSection();
      section = SectionOf(line);
      if (section.Kind == TSectionKind::skSql) sql_seen = true;
      return;
    }
    if (first == '#') {
      std::string statement = line;
      statement[0] = ' ';
      AddToBlock(std::move(statement));
      return;
    }
    if (first == ';') {
      if (!block.empty()) block.emplace_back(Utf8Length(line), '\t');
      return;
    }
    TextLine(line);
  }

  // Appends a statement line to the pending block (starting one at this line when none is).
  void AddToBlock(std::string statement) {
    if (block.empty()) block_start = offset;
    const std::string_view trimmed = TrimView(statement);
    if (!trimmed.empty() && !ContinuesStatement(trimmed.back())) statement.push_back('\x01');
    block.push_back(std::move(statement));
  }

  void TextLine(const std::string& line) {
    CompileBlock();
    switch (section.Kind) {
      case TSectionKind::skVars:
      case TSectionKind::skFiltr:
        AddToBlock(line);
        break;
      case TSectionKind::skFooter:
        AddPrinted(r.footers_[section.Level], line);
        break;
      case TSectionKind::skHeader:
        AddPrinted(r.headers_[section.Level], line);
        break;
      case TSectionKind::skStandard: {
        AddPrinted(r.sections_[section.Type], line);
        if (section.Type == rtPageFooter) {
          // The page footer's room is taken off the printable height.
          const TLineMetrics m = CalcFontMetrics(*r.printer_, line, footer_font_code, footer_font_size, 0, false);
          r.page_height_ -= m.Height;
        }
        break;
      }
      case TSectionKind::skSql:
        SqlLine(line);
        break;
      default:
        break;
    }
  }

  TReportLine* AddPrinted(std::unique_ptr<TListPool>& list, const std::string& line) {
    std::string text = line;
    const TStringList& aliases = r.output_aliases_;
    for (int i = 0; i < aliases.Count(); ++i) {
      const std::string& entry = aliases.Get(i);
      const std::size_t sep = entry.find('\x01');
      if (sep == std::string::npos) continue;
      ReplaceAll(text, std::string_view(entry).substr(0, sep), std::string_view(entry).substr(sep + 1));
    }
    if (!list) list = std::make_unique<TListPool>();
    auto* printed = new TReportLine(text, r, r.invalid_);
    list->Add(printed);
    return printed;
  }

  // The command list that receives the current section's statements; null where they are
  // discarded.
  TCommandList* Target() {
    auto listOf = [](std::unique_ptr<TCommandList>& list) {
      if (!list) list = std::make_unique<TCommandList>();
      return list.get();
    };
    switch (section.Kind) {
      case TSectionKind::skFooter: return listOf(r.footer_scripts_[section.Level]);
      case TSectionKind::skVars: return listOf(r.vars_script_);
      case TSectionKind::skFiltr: return listOf(r.record_script_);
      case TSectionKind::skPostDetail: return listOf(r.post_record_script_);
      case TSectionKind::skStandard:
        if (section.Type == rtReportHeader) return listOf(r.header_script_);
        if (section.Type == rtDetail) return listOf(r.record_script_);
        return nullptr;
      default: return nullptr;
    }
  }

  void CompileBlock() {
    if (block.empty()) return;
    std::vector<std::string> lines;
    lines.swap(block);
    TCommandList* target = Target();
    if (!target) return;
    std::string source = "{";
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (i > 0) source += "\r\n";
      source += lines[i];
    }
    source += "}";
    // The "{" stands just before the block's first character.
    TQoReportParser parser(source, block_start - 1, &r.ParamList(), target, &r);
    try {
      parser.Compile();
    } catch (...) {
      r.ErrorPos = parser.Position() - 1;
      throw;
    }
  }

  void CloseSection() {
    CompileBlock();
    switch (section.Kind) {
      case TSectionKind::skVars: EndVars(); break;
      case TSectionKind::skSql: EndSql(); break;
      default: break;
    }
    section = TSection{};
  }

  // ---- VARS ----

  void EndVars() {
    TCommandList* vars = r.vars_script_.get();
    if (!vars || vars->Count() == 0) return;
    if (!vars_done) {
      vars_done = true;
      if (r.OnSetValues) r.OnSetValues(&r);
      r.RunCommands(vars);
    }
    if (TReportVar* v = r.GetVarByName("OneRecord")) r.SetOneRecord(v->GetBoolean());
    if (TReportVar* v = r.GetVarByName("OEMConvert")) r.SetOEMConvert(v->GetBoolean());
    if (TReportVar* v = r.GetVarByName("Orientation"); v && v->VarType() == vtString) {
      const std::string& text = v->GetString();
      if (!text.empty() && (text[0] == 'L' || text[0] == 'l'))
        r.SetOrientation(TPrinterOrientation::poLandscape);
      else if (!text.empty() && (text[0] == 'P' || text[0] == 'p'))
        r.SetOrientation(TPrinterOrientation::poPortrait);
    }
    MoveGroupAssignments(*vars);
  }

  // Group keys are recomputed for every record: each assignment to a GROUPn variable moves to
  // the per-record list together with the commands that compute the value it reads, so that a
  // key expression (Group2 = Copy(NAME, 1, 3)) is evaluated anew as well. Those are the commands
  // compiled after the statement's start in the template; when the start cannot be found, the
  // assignment before it that fills the value it reads.
  void MoveGroupAssignments(TCommandList& vars) {
    std::vector<int> moved;
    for (int i = 0; i < vars.Count(); ++i) {
      auto* assign = dynamic_cast<TAssignCmd*>(vars.Command(i));
      if (!assign || !StartsWithGroup(assign->Target()->Name())) continue;
      const int floor = moved.empty() ? 0 : moved.back() + 1;
      int first = i;
      const int start = StatementStart(assign->Position() - 1, assign->Target()->Name());
      if (start >= 0) {
        while (first > floor && vars.Command(first - 1)->Position() - 1 > start) --first;
      } else if (i > floor) {
        TCommand* before = vars.Command(i - 1);
        TReportVar* target = nullptr;
        if (auto* a = dynamic_cast<TAssignCmd*>(before)) target = a->Target();
        if (auto* c = dynamic_cast<TAssignConstCmd*>(before)) target = c->Target();
        if (target && target == assign->Source()) first = i - 1;
      }
      for (int k = first; k <= i; ++k) moved.push_back(k);
    }
    if (moved.empty()) return;
    if (!r.record_script_) r.record_script_ = std::make_unique<TCommandList>();
    for (int index : moved) {
      TCommand* command = vars.Command(index);
      vars.ClearPosition(index);
      r.record_script_->AddCommand(std::unique_ptr<TCommand>(command));
    }
    vars.Pack();
  }

  // The template offset of the assignment "name =" (or ":=") that ends before `before`: the last
  // such name in the text up to there that is not part of a longer name. -1 when there is none.
  int StatementStart(int before, const std::string& upperName) {
    if (text32.empty()) {
      for (int i = 0; i < r.FormatSource().Count(); ++i) {
        text32 += Utf8ToUtf32(r.FormatSource().Get(i));
        text32 += U"\r\n";
      }
    }
    const std::u32string name = Utf8ToUtf32(upperName);
    auto isNameChar = [](char32_t c) {
      return c == '_' || c == '@' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
             (c >= 0x80 && IsLetter(c));
    };
    const int size = static_cast<int>(text32.size());
    const int length = static_cast<int>(name.size());
    for (int k = std::min(before, size - length); k >= 0; --k) {
      bool same = true;
      for (int j = 0; j < length && same; ++j) same = UpperCaseChar(text32[static_cast<std::size_t>(k + j)]) == name[static_cast<std::size_t>(j)];
      if (!same || (k > 0 && isNameChar(text32[static_cast<std::size_t>(k - 1)]))) continue;
      int p = k + length;
      while (p < size && (text32[static_cast<std::size_t>(p)] == ' ' || text32[static_cast<std::size_t>(p)] == '\t')) ++p;
      if (p < size && (text32[static_cast<std::size_t>(p)] == '=' ||
                       (text32[static_cast<std::size_t>(p)] == ':' && p + 1 < size && text32[static_cast<std::size_t>(p + 1)] == '=')))
        return k;
    }
    return -1;
  }

  // ---- SQL ----

  void SqlLine(const std::string& line) {
    if (r.DataBaseName.empty() && !r.template_query_) return;
    if (!r.template_query_) {
      auto query = std::make_unique<TQuery>();
      if (TReportVar* db = r.GetVarByName("DatabaseName")) {
        r.DataBaseName = db->GetString();
        query->SetDatabaseName(r.DataBaseName);
      } else {
        query->SetDatabaseName(r.DataBaseName);
      }
      query->SetUniDirectional(true);
      r.template_query_ = std::move(query);
    }
    // References are replaced at once by the variables' current values.
    TReportLine parsed(line, r, r.invalid_);
    std::string text;
    TFieldContext context;
    context.LineNum = r.line_num_;
    context.Invalid = r.invalid_;
    for (int i = 0; i < parsed.FieldCount(); ++i) {
      text += parsed.Pieces[static_cast<std::size_t>(i)];
      TReportField* field = parsed.Field(i);
      field->LineCount(context);
      field->FormatTo(text, context);
    }
    text += parsed.Pieces.back();
    if (parsed.JoinNext) text.append(line, line.size() - 2, 2);
    if (r.template_query_->Active()) r.template_query_->Close();
    r.template_query_->SQL().Add(std::move(text));
    sql_line_offsets.push_back(offset);
  }

  void EndSql() {
    TQuery* query = r.template_query_.get();
    if (!query || !sql_seen) return;
    if (query->Active()) query->Close();
    try {
      query->Prepare();
      if (query->ParamCount() > 0) r.SetSQLParams(*query);
      query->Open();
    } catch (const EDBEngineError& e) {
      // The engine's error position, moved from the query text to the template.
      if (e.Offset() >= 0 && e.Statement() == query->SQLText()) r.ErrorPos = SqlErrorPos(*query, e.Offset());
      throw;
    }
    r.CreateFieldVars();
  }

  // The template offset of byte `at` of the query text (its lines joined by CR LF).
  int SqlErrorPos(TQuery& query, int at) const {
    const TStrings& lines = query.SQL();
    std::size_t start = 0;
    const auto target = static_cast<std::size_t>(at);
    for (int i = 0; i < lines.Count() && i < static_cast<int>(sql_line_offsets.size()); ++i) {
      const std::string& line = lines.Get(i);
      if (target < start + line.size() + 2 || i + 1 == lines.Count()) {
        const std::size_t column = std::min(target - std::min(target, start), line.size());
        return sql_line_offsets[static_cast<std::size_t>(i)] +
               static_cast<int>(Utf8Length(std::string_view(line).substr(0, column)));
      }
      start += line.size() + 2;
    }
    return sql_line_offsets.empty() ? -1 : sql_line_offsets.front();
  }

  TQoReport& r;
  TSection section;
  std::vector<std::string> block;  // the pending statement block
  int block_start = 0;             // its offset in the template
  int offset = 0;                  // offset of the current line (code points, lines count +2)
  bool vars_done = false;
  bool sql_seen = false;
  int footer_font_code = kDefaultFontCode;
  int footer_font_size = kDefaultFontSize;
  std::u32string text32;  // the template as code points, lines ended by CR LF (built on demand)
  std::vector<int> sql_line_offsets;  // template offset of each line of the query text
};

void TQoReport::ReadTemplate() {
  // A template written by the earlier system (stored or given in its legacy code page) is
  // decoded once, as a whole, before it is read.
  TStringList& source = FormatSource();
  bool legacy = false;
  for (int i = 0; i < source.Count() && !legacy; ++i) legacy = IsLegacyText(source.Get(i));
  if (legacy) source.SetText(DecodeLegacyText(source.Text()));
  TemplateReader(*this).Read();
}

}  // namespace bexlo
