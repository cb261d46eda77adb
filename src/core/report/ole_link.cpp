#include "report/ole_link.h"

#include <array>
#include <initializer_list>
#include <new>

#include "automation/office_servers.h"
#include "automation/ole_registry.h"
#include "output/output_format.h"
#include "output/printer_model.h"
#include "reportlang/custom_report.h"
#include "reportlang/report_var.h"
#include "reportlang/var_list.h"
#include "util/exceptions.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/ui_services.h"

namespace bexlo {

namespace {

// One cached application per kind, shared by every link; released at exit.
std::array<DispatchPtr, 2>& Applications() {
  static std::array<DispatchPtr, 2> applications;
  return applications;
}

const char* ProgIdOf(TOLELink::TKind kind) { return kind == TOLELink::okExcel ? kExcelProgId : kWordProgId; }

// Late-bound calls: a property get, a method call (with a result), a property put.
OleVariant Invoke(const DispatchPtr& object, std::string_view member, unsigned kind, std::span<OleVariant> args) {
  if (!object) throw EOleError(msg::SOleUnavailable);
  OleVariant result;
  DispatchInvoke(*object, member, kind, args, (kind & DISPATCH_PROPERTYPUT) ? nullptr : &result);
  return result;
}

OleVariant Get(const DispatchPtr& object, std::string_view member) {
  return Invoke(object, member, DISPATCH_PROPERTYGET, {});
}
OleVariant Call(const DispatchPtr& object, std::string_view member) {
  return Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
}
template <class... Args>
OleVariant Call(const DispatchPtr& object, std::string_view member, Args&&... values) {
  OleVariant args[] = {std::forward<Args>(values)...};
  return Invoke(object, member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}
void Put(const DispatchPtr& object, std::string_view member, OleVariant value) {
  Invoke(object, member, DISPATCH_PROPERTYPUT, std::span<OleVariant>(&value, 1));
}
DispatchPtr Object(const OleVariant& value) {
  if (value.BaseType() != OleVariant::varDispatch) throw EOleError(msg::SOleTypeMismatch);
  return value.AsDispatch();
}

OleVariant Number(double v) { return OleVariant::FromDouble(v); }
OleVariant Text(std::string_view s) { return OleVariant::FromString(std::string(s)); }
OleVariant Bool(bool b) { return OleVariant::FromBoolean(b); }

// Sets OfficeSourceName for the duration of a call.
class TSourceNameScope {
 public:
  explicit TSourceNameScope(const std::string& name) : previous_(OfficeSourceName) {
    if (!name.empty()) OfficeSourceName = name;
  }
  ~TSourceNameScope() { OfficeSourceName = previous_; }

 private:
  std::string previous_;
};

}  // namespace

template <class F>
void TOLELink::Guarded(F&& action) {
  std::string message;
  try {
    action();
    return;
  } catch (const EAbort&) {
    throw;
  } catch (const Exception& e) {
    message = e.Message();
  } catch (const std::bad_alloc&) {
    message = "Out of memory";
  }
  Applications()[kind_].reset();
  MessageDlg(msg::SQoOLEError + message, TMsgDlgType::mtError, mbOK);
  throw EAbort();
}

TOLELink::TOLELink(TObject* owner, std::string_view kind) : owner_(owner) {
  if (kind == "EXCEL") kind_ = okExcel;
  else if (kind == "WORD") kind_ = okWord;
  else throw Exception(msg::SQoOLEIncorrectType);
  if (auto* report = dynamic_cast<TCustomReport*>(owner)) SourceName = report->PrintName;
  Guarded([&] {
    DispatchPtr& cached = Applications()[kind_];
    if (!cached) {
      try {
        cached = GetActiveOleObject(ProgIdOf(kind_));
      } catch (const Exception&) {
        // no running instance: a new one is started
      }
    }
    if (!cached) cached = CreateOleObject(ProgIdOf(kind_));
    application_ = Object(Get(cached, "Application"));
    if (kind_ == okWord) {
      Put(application_, "ScreenUpdating", Bool(false));
      Put(Object(Get(cached, "Options")), "Pagination", Bool(false));
    }
  });
  row_ = 1;
}

TOLELink::~TOLELink() = default;

DispatchPtr TOLELink::CachedApplication(TKind kind) { return Applications()[kind]; }

void TOLELink::ReleaseApplications() noexcept {
  for (DispatchPtr& app : Applications()) app.reset();
}

void TOLELink::AddDoc() {
  Guarded([&] {
    if (kind_ == okExcel) {
      document_ = Object(Call(Object(Get(application_, "Workbooks")), "Add", Number(1)));
    } else {
      document_ = Object(Call(Object(Get(application_, "Documents")), "Add"));
    }
  });
  NewRange();
}

void TOLELink::NewRange() {
  if (kind_ != okWord) return;
  Guarded([&] {
    const double e = Get(Object(Get(document_, "Content")), "End").ToDouble();
    range_ = Object(Call(document_, "Range", Number(e - 1), Number(e)));
    range_font_ = Object(Get(range_, "Font"));
  });
}

void TOLELink::AddVars(TParamList& vars) {
  AddDoc();
  const int n = vars.Count() - 1;
  Guarded([&] {
    if (kind_ == okExcel) {
      const DispatchPtr sheets = Object(Get(document_, "Sheets"));
      if (Get(sheets, "Count").ToDouble() == 0) sheet_ = Object(Call(sheets, "Add"));
      else sheet_ = Object(Call(document_, "Sheets", Number(1)));
    } else {
      sheet_ = Object(Call(Object(Get(document_, "Tables")), "Add", OleVariant::FromDispatch(range_),
                           Number(1), Number(n)));
    }
  });
  for (int i = 1; i <= n; ++i) {
    TReportVar* var = vars.Get(i);
    if (!var) continue;
    columns_.push_back(var);
    Columns(i - 1, Text(var->Hint().empty() ? var->Name() : var->Hint()));
  }
  ++row_;
}

void TOLELink::Columns(int index, const OleVariant& value) {
  Guarded([&] {
    if (kind_ == okExcel) {
      const DispatchPtr cell = Object(Call(sheet_, "Cells", Number(row_), Number(index + 1)));
      if (value.BaseType() == OleVariant::varOleStr) Put(cell, "NumberFormat", Text("@"));
      Put(cell, "Value", value);
    } else {
      const DispatchPtr cell = Object(Call(sheet_, "Cell", Number(row_), Number(index + 1)));
      Put(Object(Get(cell, "Range")), "Text", value);
    }
  });
}

void TOLELink::AddRecord() {
  if (kind_ == okWord) {
    Guarded([&] {
      Call(document_, "UndoClear");
      Call(Object(Get(sheet_, "Rows")), "Add");
    });
  }
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    TReportVar& var = *columns_[i];
    OleVariant value;
    switch (var.VarType()) {
      case vtFloat: value = OleVariant::FromDouble(var.GetNumber()); break;
      case vtString: value = OleVariant::FromString(var.GetString()); break;
      case vtDate: value = OleVariant::FromDate(var.GetDate()); break;
      case vtBoolean: value = OleVariant::FromBoolean(var.GetBoolean()); break;
      case vtMemo: {
        std::string text = var.GetList()->Text();
        std::erase(text, '\r');
        value = OleVariant::FromString(std::move(text));
        break;
      }
      default: continue;
    }
    Columns(static_cast<int>(i), value);
  }
  ++row_;
}

void TOLELink::Close() {
  Guarded([&] {
    if (kind_ == okWord) {
      if (sheet_) Call(Object(Get(sheet_, "Columns")), "AutoFit");
      Call(document_, "UndoClear");
      Put(Object(Get(document_, "ActiveWindow")), "WindowState", Number(1));
      Put(Object(Get(Applications()[kind_], "Options")), "Pagination", Bool(true));
      Call(application_, "ScreenRefresh");
    }
    Put(application_, "ScreenUpdating", Bool(true));
    const TSourceNameScope source(SourceName);
    Put(application_, "Visible", Bool(true));
  });
}

void TOLELink::ApplyPendingFont() {
  if (!font_) font_ = std::make_unique<TFont>();
  CalcFont(*font_, pending_code_, pending_size_);
  if (kind_ != okWord) return;
  const TFontStyles style = font_->Style();
  Put(range_font_, "Name", Text(font_->Name()));
  Put(range_font_, "Size", Number(font_->Size()));
  Put(range_font_, "Bold", Bool((style & fsBold) != 0));
  Put(range_font_, "Italic", Bool((style & fsItalic) != 0));
  Put(range_font_, "Underline", Bool((style & fsUnderline) != 0));
  Put(range_font_, "StrikeThrough", Bool((style & fsStrikeOut) != 0));
}

void TOLELink::SetFont(int fontCode, int fontSize) {
  if (pending_code_ != 0) {
    Guarded([&] { ApplyPendingFont(); });
    NewRange();
  }
  pending_code_ = fontCode;
  pending_size_ = fontSize;
}

void TOLELink::NewPage() {
  if (kind_ != okWord) return;
  Guarded([&] {
    Call(range_, "Collapse", Number(0));
    Call(range_, "InsertBreak");
  });
}

void TOLELink::InsertText(std::string_view text) {
  if (kind_ != okWord) return;
  Guarded([&] { Call(range_, "InsertAfter", Text(text)); });
}

void TOLELink::NewParagraph() {
  if (row_ != 1) {
    if (kind_ == okWord) {
      Guarded([&] {
        Call(document_, "UndoClear");
        Call(range_, "MoveEnd");
        Call(range_, "InsertParagraphAfter");
      });
    }
    SetFont(pending_code_, pending_size_);
  }
  ++row_;
}

void TOLELink::InsertLine(std::string_view text, int fontCode, int fontSize) {
  if (text.empty()) {
    NewParagraph();
    return;
  }
  bool first = true;
  auto insert = [&](std::string_view piece) {
    if (piece.empty()) return;
    if (first) NewParagraph();
    first = false;
    InsertText(piece);
  };
  int left = 0, right = 0;
  std::size_t start = 0;  // the first byte not yet inserted
  std::size_t search = 0;
  for (;;) {
    const std::size_t slash = text.find('\\', search);
    if (slash == std::string_view::npos) break;
    const int consumed = CalcSpecChar(Printer(), text.substr(slash), false, nullptr, 1.0, fontCode, fontSize, left, right);
    if (consumed <= 0) {
      // Not a sequence: the backslash stays in the text, as the viewer shows it.
      search = slash + 1;
      continue;
    }
    insert(text.substr(start, slash - start));
    SetFont(fontCode, fontSize);
    start = search = slash + static_cast<std::size_t>(consumed);
  }
  insert(text.substr(start));
}

void TOLELink::SetPrinterOrientation(int orientation) {
  if (kind_ != okWord) return;
  Guarded([&] {
    const DispatchPtr setup = Object(Get(document_, "PageSetup"));
    Put(setup, "Orientation", Number(orientation));
    const bool landscape = orientation == 1;
    Put(setup, "LeftMargin", Number(landscape ? 14.4 : 18.0));
    Put(setup, "RightMargin", Number(landscape ? 16.55 : 19.8));
    Put(setup, "TopMargin", Number(landscape ? 13.2 : 18.0));
    Put(setup, "BottomMargin", Number(landscape ? 14.25 : 21.35));
  });
}

}  // namespace bexlo
