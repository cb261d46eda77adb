// The built-in "Excel.Application": workbooks of sheets of cells kept in memory, written as .xlsx
// through libxlsxwriter in its constant-memory mode (rows go to disk one by one as they are
// written, so saving adds little to the memory the cells take).
#include <xlsxwriter.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <map>

#include "automation/file_beside.h"
#include "automation/office_common.h"
#include "util/convert.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/format_settings.h"
#include "util/messages.h"
#include "util/text.h"

namespace bexlo {

namespace {

using office::IntArg;
using office::TAppState;
using office::TextOf;
using office::TDocumentCollection;
using office::TOfficeObject;

#define BEXLO_MEMBERS(object, ...)                                                              \
  static constexpr std::array<std::string_view, std::initializer_list<const char*>{__VA_ARGS__}.size()> \
      kNames{__VA_ARGS__};                                                                      \
  std::span<const std::string_view> MemberNames() const noexcept override { return kNames; }   \
  std::string_view ObjectName() const noexcept override { return object; }

constexpr long long kMaxRows = LXW_ROW_MAX;
constexpr long long kMaxCols = LXW_COL_MAX;
constexpr std::size_t kMaxCellText = 32767;  // characters a cell holds

// ---- the model ----------------------------------------------------------------------------------

enum class TCellKind : std::uint8_t { Empty, Number, Date, Text, Boolean };

struct TCell {
  double Number = 0;           // number, date, boolean (0/1)
  std::uint32_t Text = 0;      // index into the workbook's strings
  std::uint16_t NumFormat = 0; // index into the workbook's number formats; 0 General
  TCellKind Kind = TCellKind::Empty;
  bool Bold = false;
};

struct TSheetData {
  std::string Name;
  std::vector<std::vector<TCell>> Rows;  // [row - 1][col - 1]
  bool AutoFit = false;

  TCell& At(long long row, long long col) {
    if (Rows.size() < static_cast<std::size_t>(row)) Rows.resize(static_cast<std::size_t>(row));
    auto& cells = Rows[static_cast<std::size_t>(row - 1)];
    if (cells.size() < static_cast<std::size_t>(col)) cells.resize(static_cast<std::size_t>(col));
    return cells[static_cast<std::size_t>(col - 1)];
  }
  const TCell* Find(long long row, long long col) const {
    if (static_cast<std::size_t>(row) > Rows.size()) return nullptr;
    const auto& cells = Rows[static_cast<std::size_t>(row - 1)];
    return static_cast<std::size_t>(col) > cells.size() ? nullptr : &cells[static_cast<std::size_t>(col - 1)];
  }
};

class TWorkbookData : public office::TOfficeDocument {
 public:
  TWorkbookData() {
    NumFormats.emplace_back("General");
    Strings.emplace_back();
  }
  std::vector<std::shared_ptr<TSheetData>> Sheets;
  std::vector<std::string> NumFormats;  // [0] General
  std::vector<std::string> Strings;     // [0] empty

  std::uint16_t NumFormatIndex(const std::string& code) {
    for (std::size_t i = 0; i < NumFormats.size(); ++i)
      if (NumFormats[i] == code) return static_cast<std::uint16_t>(i);
    if (NumFormats.size() >= 60000) OleCheck(DISP_E_TYPEMISMATCH);
    NumFormats.push_back(code);
    return static_cast<std::uint16_t>(NumFormats.size() - 1);
  }
  std::shared_ptr<TSheetData> AddSheet() {
    auto sheet = std::make_shared<TSheetData>();
    sheet->Name = "Sheet" + std::to_string(Sheets.size() + 1);
    Sheets.push_back(sheet);
    return sheet;
  }

  void SaveTo(const std::string& path) override;
};

// The default format of a date: the short date format, with the time when the value has one.
std::string DateFormatCode(bool withTime) {
  std::string code = FormatSettings().ShortDateFormat;
  if (code.empty()) code = "dd/mm/yyyy";
  if (withTime) code += " hh:mm:ss";
  return code;
}

// A sheet name the file format accepts: no []:*?/\, at most 31 characters.
std::string SheetName(const std::string& name) {
  std::string out;
  std::size_t count = 0;
  for (std::size_t i = 0; i < name.size() && count < LXW_SHEETNAME_MAX;) {
    const std::size_t from = i;
    const char32_t cp = Utf8Decode(name, i);
    ++count;
    if (cp < 0x20 || std::u32string_view(U"[]:*?/\\").find(cp) != std::u32string_view::npos) out += '_';
    else out.append(name, from, i - from);
  }
  if (!out.empty() && (out.front() == '\'' || out.back() == '\'')) out = "_" + out + "_";
  return out;
}

void TWorkbookData::SaveTo(const std::string& path) {
  WriteFileBesideWith(path, [&](const std::string& temporary) -> std::string {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(temporary.c_str(), &options);
    if (!book) return "cannot create the workbook";
    std::map<std::pair<std::string, bool>, lxw_format*> formats;
    auto format = [&](const std::string& code, bool bold) -> lxw_format* {
      if (code == "General" && !bold) return nullptr;
      lxw_format*& f = formats[{code, bold}];
      if (!f) {
        f = workbook_add_format(book);
        if (code != "General") format_set_num_format(f, code.c_str());
        if (bold) format_set_bold(f);
      }
      return f;
    };
    const std::string dateCode = DateFormatCode(false);
    const std::string dateTimeCode = DateFormatCode(true);
    // The format of each number format (by index), bold or not, made when first used; then the
    // two default date formats.
    std::vector<lxw_format*> byIndex(2 * (NumFormats.size() + 2), nullptr);
    std::vector<bool> made(byIndex.size(), false);
    auto indexed = [&](std::size_t index, bool bold) -> lxw_format* {
      const std::size_t slot = 2 * index + (bold ? 1 : 0);
      if (!made[slot]) {
        const std::string& code = index < NumFormats.size() ? NumFormats[index]
                                  : index == NumFormats.size() ? dateCode : dateTimeCode;
        byIndex[slot] = format(code, bold);
        made[slot] = true;
      }
      return byIndex[slot];
    };
    lxw_error error = LXW_NO_ERROR;
    int number = 0;
    for (const auto& sheet : Sheets) {
      ++number;
      std::string name = SheetName(sheet->Name);
      lxw_worksheet* ws = name.empty() ? nullptr : workbook_add_worksheet(book, name.c_str());
      if (!ws) ws = workbook_add_worksheet(book, ("Sheet" + std::to_string(number)).c_str());
      if (!ws) ws = workbook_add_worksheet(book, nullptr);
      if (!ws) {
        workbook_close(book);
        return "cannot add a sheet";
      }
      // Numbers and dates widen their column to fit, as the spreadsheet application does when
      // they are entered; text does so only when the columns were auto-fitted.
      {
        std::vector<double> widths;
        for (const auto& row : sheet->Rows) {
          if (widths.size() < row.size()) widths.resize(row.size(), 0);
          for (std::size_t c = 0; c < row.size(); ++c) {
            const TCell& cell = row[c];
            double chars = 0;
            switch (cell.Kind) {
              case TCellKind::Text:
                if (sheet->AutoFit) chars = static_cast<double>(Utf8Length(Strings[cell.Text]));
                break;
              case TCellKind::Number: chars = static_cast<double>(FloatToStr(cell.Number).size()); break;
              case TCellKind::Date:
                chars = static_cast<double>(
                    (cell.NumFormat != 0 ? NumFormats[cell.NumFormat]
                     : cell.Number != std::floor(cell.Number) ? dateTimeCode : dateCode).size());
                break;
              case TCellKind::Boolean: chars = 5; break;
              case TCellKind::Empty: break;
            }
            widths[c] = std::max(widths[c], chars * (cell.Bold ? 1.1 : 1.0));
          }
        }
        constexpr double kDefaultWidth = 8.43;
        for (std::size_t c = 0; c < widths.size(); ++c)
          if (widths[c] > 0 && (sheet->AutoFit || widths[c] + 1.5 > kDefaultWidth))
            worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), std::min(255.0, widths[c] + 1.5), nullptr);
      }
      for (std::size_t r = 0; r < sheet->Rows.size() && error == LXW_NO_ERROR; ++r) {
        const auto& row = sheet->Rows[r];
        for (std::size_t c = 0; c < row.size(); ++c) {
          const TCell& cell = row[c];
          const lxw_row_t rr = static_cast<lxw_row_t>(r);
          const lxw_col_t cc = static_cast<lxw_col_t>(c);
          lxw_format* const f = indexed(cell.NumFormat, cell.Bold);
          switch (cell.Kind) {
            case TCellKind::Empty:
              if (cell.NumFormat != 0 || cell.Bold) error = worksheet_write_blank(ws, rr, cc, f);
              break;
            case TCellKind::Number:
              error = worksheet_write_number(ws, rr, cc, cell.Number, f);
              break;
            case TCellKind::Date: {
              const bool time = cell.Number != std::floor(cell.Number);
              lxw_format* const date =
                  cell.NumFormat != 0 ? f : indexed(NumFormats.size() + (time ? 1 : 0), cell.Bold);
              error = worksheet_write_number(ws, rr, cc, cell.Number, date);
              break;
            }
            case TCellKind::Text:
              error = worksheet_write_string(ws, rr, cc, Strings[cell.Text].c_str(), f);
              break;
            case TCellKind::Boolean:
              error = worksheet_write_boolean(ws, rr, cc, cell.Number != 0 ? 1 : 0, f);
              break;
          }
          if (error != LXW_NO_ERROR) break;
        }
      }
      if (error != LXW_NO_ERROR) break;
    }
    const lxw_error closed = workbook_close(book);
    if (error == LXW_NO_ERROR) error = closed;
    return error == LXW_NO_ERROR ? std::string() : std::string(lxw_strerror(error));
  });
}

// ---- objects --------------------------------------------------------------------------------------

class TExcelObject : public TOfficeObject {
 public:
  TExcelObject(std::shared_ptr<TAppState> app, std::shared_ptr<TWorkbookData> book)
      : TOfficeObject(std::move(app)), book_(std::move(book)) {}

 protected:
  TWorkbookData& Book() const {
    if (book_->Closed) Fail(msg::SOleDocumentClosed);
    return *book_;
  }
  const std::shared_ptr<TWorkbookData>& BookPtr() const noexcept { return book_; }

 private:
  std::shared_ptr<TWorkbookData> book_;
};

class TExcelCell;

class TExcelFont : public TExcelObject {
 public:
  TExcelFont(std::shared_ptr<TAppState> app, std::shared_ptr<TWorkbookData> book, std::shared_ptr<TSheetData> sheet,
             long long row, long long col)
      : TExcelObject(std::move(app), std::move(book)), sheet_(std::move(sheet)), row_(row), col_(col) {}
  BEXLO_MEMBERS("Font", "Bold")

 protected:
  void Call(int, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    Book();
    if (IsPut(kind)) {
      sheet_->At(row_, col_).Bold = PutValue(args).ToBoolean();
      Book().Dirty = true;
    } else {
      const TCell* cell = sheet_->Find(row_, col_);
      Return(result, OleVariant::FromBoolean(cell && cell->Bold));
    }
  }

 private:
  std::shared_ptr<TSheetData> sheet_;
  long long row_, col_;
};

class TExcelCell : public TExcelObject {
 public:
  TExcelCell(std::shared_ptr<TAppState> app, std::shared_ptr<TWorkbookData> book, std::shared_ptr<TSheetData> sheet)
      : TExcelObject(std::move(app), std::move(book)), sheet_(std::move(sheet)) {}
  BEXLO_MEMBERS("Range", "Value", "NumberFormat", "Font", "Text", "Row", "Column")

  void Target(long long row, long long col) noexcept {
    row_ = row;
    col_ = col;
  }

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    TWorkbookData& book = Book();
    const bool put = IsPut(kind);
    switch (member) {
      case 0:
        if (put) Store(book, PutValue(args));
        else Return(result, Load(book));
        break;
      case 1:
        if (put) {
          sheet_->At(row_, col_).NumFormat = book.NumFormatIndex(TextOf(PutValue(args)));
          book.Dirty = true;
        } else {
          const TCell* cell = sheet_->Find(row_, col_);
          Return(result, OleVariant::FromString(book.NumFormats[cell ? cell->NumFormat : 0]));
        }
        break;
      case 2:
        if (put) ReadOnly(member);
        Return(result, OleVariant::FromDispatch(MakeDispatch<TExcelFont>(App(), BookPtr(), sheet_, row_, col_)));
        break;
      case 3: {
        if (put) ReadOnly(member);
        const OleVariant value = Load(book);
        Return(result, OleVariant::FromString(value.BaseType() == OleVariant::varOleStr ? value.AsString() : TextOf(value)));
        break;
      }
      default:
        if (put) ReadOnly(member);
        Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(member == 4 ? row_ : col_)));
        break;
    }
  }

 private:
  void Store(TWorkbookData& book, const OleVariant& value) {
    TCell& cell = sheet_->At(row_, col_);
    book.Dirty = true;
    switch (value.BaseType()) {
      case OleVariant::varEmpty:
      case OleVariant::varNull: cell.Kind = TCellKind::Empty; return;
      case OleVariant::varDate:
        cell.Kind = TCellKind::Date;
        cell.Number = value.AsDate();
        return;
      case OleVariant::varBoolean:
        cell.Kind = TCellKind::Boolean;
        cell.Number = value.AsBoolean() ? 1 : 0;
        return;
      case OleVariant::varOleStr: {
        const std::string& text = value.AsString();
        if (text.empty()) {
          cell.Kind = TCellKind::Empty;
          return;
        }
        // A cell that is not text-formatted reads numbers out of what it is given.
        double number = 0;
        if (book.NumFormats[cell.NumFormat] != "@" && TryStrToFloat(text, number) && std::isfinite(number)) {
          cell.Kind = TCellKind::Number;
          cell.Number = number;
          return;
        }
        std::string stored = IsValidUtf8(text) ? text : RepairUtf8(text);
        if (stored.size() > kMaxCellText) stored.resize(Utf8FloorBoundary(stored, Utf8Offset(stored, kMaxCellText)));
        if (cell.Kind == TCellKind::Text && cell.Text != 0) {
          book.Strings[cell.Text] = std::move(stored);  // the cell's own slot is reused
        } else {
          book.Strings.push_back(std::move(stored));
          cell.Text = static_cast<std::uint32_t>(book.Strings.size() - 1);
        }
        cell.Kind = TCellKind::Text;
        return;
      }
      case OleVariant::varDispatch: OleCheck(DISP_E_TYPEMISMATCH); return;
      default: {
        const double number = value.ToDouble();
        if (!std::isfinite(number)) OleCheck(DISP_E_TYPEMISMATCH);
        cell.Kind = TCellKind::Number;
        cell.Number = number;
        return;
      }
    }
  }

  OleVariant Load(const TWorkbookData& book) const {
    const TCell* cell = sheet_->Find(row_, col_);
    if (!cell) return {};
    switch (cell->Kind) {
      case TCellKind::Empty: return {};
      case TCellKind::Number: return OleVariant::FromDouble(cell->Number);
      case TCellKind::Date: return OleVariant::FromDate(cell->Number);
      case TCellKind::Boolean: return OleVariant::FromBoolean(cell->Number != 0);
      case TCellKind::Text: return OleVariant::FromString(book.Strings[cell->Text]);
    }
    return {};
  }

  std::shared_ptr<TSheetData> sheet_;
  long long row_ = 1, col_ = 1;
};

class TExcelColumns : public TExcelObject {
 public:
  TExcelColumns(std::shared_ptr<TAppState> app, std::shared_ptr<TWorkbookData> book, std::shared_ptr<TSheetData> sheet)
      : TExcelObject(std::move(app), std::move(book)), sheet_(std::move(sheet)) {}
  BEXLO_MEMBERS("Columns", "AutoFit")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant>, OleVariant*) override {
    if (IsPut(kind)) ReadOnly(member);
    Book().Dirty = true;
    sheet_->AutoFit = true;
  }

 private:
  std::shared_ptr<TSheetData> sheet_;
};

class TExcelSheet : public TExcelObject {
 public:
  TExcelSheet(std::shared_ptr<TAppState> app, std::shared_ptr<TWorkbookData> book, std::shared_ptr<TSheetData> sheet)
      : TExcelObject(std::move(app), std::move(book)), sheet_(std::move(sheet)) {}
  BEXLO_MEMBERS("Worksheet", "Cells", "Name", "Columns")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    Book();
    switch (member) {
      case 0: {
        if (IsPut(kind)) ReadOnly(member);
        const long long row = IntArg(args, 0);
        const long long col = IntArg(args, 1);
        if (row < 1 || row > kMaxRows || col < 1 || col > kMaxCols)
          Fail(Format(msg::SOleBadIndex, std::to_string(row) + ", " + std::to_string(col)));
        // The cell object handed out last is reused when nobody else holds it any more: a row of
        // a hundred thousand records then costs no allocation per cell.
        if (!spare_ || spare_->RefCount() != 1) spare_ = MakeDispatch<TExcelCell>(App(), BookPtr(), sheet_);
        static_cast<TExcelCell*>(spare_.get())->Target(row, col);
        Return(result, OleVariant::FromDispatch(spare_));
        break;
      }
      case 1:
        if (IsPut(kind)) {
          sheet_->Name = TextOf(PutValue(args));
          Book().Dirty = true;
        } else {
          Return(result, OleVariant::FromString(sheet_->Name));
        }
        break;
      default:
        if (IsPut(kind)) ReadOnly(member);
        Return(result, OleVariant::FromDispatch(MakeDispatch<TExcelColumns>(App(), BookPtr(), sheet_)));
        break;
    }
  }

 private:
  std::shared_ptr<TSheetData> sheet_;
  DispatchPtr spare_;
};

class TExcelSheets : public TExcelObject {
 public:
  using TExcelObject::TExcelObject;
  BEXLO_MEMBERS("Sheets", "Add", "Count", "Item")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind)) ReadOnly(member);
    TWorkbookData& book = Book();
    switch (member) {
      case 0:
        book.Dirty = true;
        Return(result, OleVariant::FromDispatch(MakeDispatch<TExcelSheet>(App(), BookPtr(), book.AddSheet())));
        break;
      case 1: Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(book.Sheets.size()))); break;
      default: Return(result, OleVariant::FromDispatch(Item(book, args))); break;
    }
  }

 public:
  // Sheets(i) / Sheets.Item(i) / Sheets('name').
  DispatchPtr Item(TWorkbookData& book, std::span<OleVariant> args) const {
    if (args.empty()) OleCheck(DISP_E_BADPARAMCOUNT);
    const OleVariant key = args[0].Deref();
    if (key.BaseType() == OleVariant::varOleStr) {
      for (const auto& sheet : book.Sheets)
        if (SameText(sheet->Name, key.AsString())) return MakeDispatch<TExcelSheet>(App(), BookPtr(), sheet);
      Fail(Format(msg::SOleBadIndex, key.AsString()));
    }
    const long long index = IntArg(args, 0);
    if (index < 1 || index > static_cast<long long>(book.Sheets.size())) Fail(Format(msg::SOleBadIndex, std::to_string(index)));
    return MakeDispatch<TExcelSheet>(App(), BookPtr(), book.Sheets[static_cast<std::size_t>(index - 1)]);
  }
};

class TExcelWorkbook : public TExcelObject {
 public:
  using TExcelObject::TExcelObject;
  BEXLO_MEMBERS("Workbook", "Sheets", "Worksheets", "ActiveSheet", "SaveAs", "Close", "FullName", "Name", "Saved")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind) && member != 7) ReadOnly(member);
    TWorkbookData& book = Book();
    switch (member) {
      case 0:
      case 1: {
        auto sheets = MakeDispatch<TExcelSheets>(App(), BookPtr());
        if (args.empty()) Return(result, OleVariant::FromDispatch(sheets));
        else Return(result, OleVariant::FromDispatch(static_cast<TExcelSheets*>(sheets.get())->Item(book, args)));
        break;
      }
      case 2:
        if (book.Sheets.empty()) book.AddSheet();
        Return(result, OleVariant::FromDispatch(MakeDispatch<TExcelSheet>(App(), BookPtr(), book.Sheets.front())));
        break;
      case 3: {
        Require(args, 1);
        const std::string path = TextOf(args[0]);
        if (path.empty()) Fail(msg::SOleBadArgument);
        book.SaveTo(path);
        book.SavedPath = path;
        book.Dirty = false;
        break;
      }
      case 4: book.Closed = true; break;
      case 5: Return(result, OleVariant::FromString(book.SavedPath)); break;
      case 6: Return(result, OleVariant::FromString(book.SavedPath.substr(book.SavedPath.find_last_of('/') + 1))); break;
      default:
        if (IsPut(kind)) book.Dirty = !PutValue(args).ToBoolean();
        else Return(result, OleVariant::FromBoolean(!book.Dirty));
        break;
    }
  }
};

class TExcelWorkbooks : public TDocumentCollection<TExcelWorkbook, TWorkbookData> {
 public:
  using TDocumentCollection::TDocumentCollection;
  BEXLO_MEMBERS("Workbooks", "Add", "Count", "Item")

 protected:
  // Add([template]): a workbook of one sheet.
  std::shared_ptr<TWorkbookData> NewDocument() const override {
    auto book = std::make_shared<TWorkbookData>();
    book->AddSheet();
    return book;
  }
};

class TExcelApplication : public TOfficeObject {
 public:
  explicit TExcelApplication(std::shared_ptr<TAppState> app)
      : TOfficeObject(app), workbooks_(MakeDispatch<TExcelWorkbooks>(app)) {}
  BEXLO_MEMBERS("Application", "Application", "Workbooks", "ActiveWorkbook", "ActiveSheet", "Cells", "Visible",
                "ScreenUpdating", "DisplayAlerts", "Quit", "Name")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    const bool put = IsPut(kind);
    if (put && member < 5) ReadOnly(member);
    switch (member) {
      case 0: Return(result, OleVariant::FromDispatch(DispatchPtr(this))); break;
      case 1:
        if (!args.empty()) DispatchInvoke(*workbooks_, "Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result);
        else Return(result, OleVariant::FromDispatch(workbooks_));
        break;
      case 2: Return(result, OleVariant::FromDispatch(MakeDispatch<TExcelWorkbook>(App(), ActiveBook()))); break;
      case 3:
      case 4: {
        OleVariant sheet;
        DispatchPtr book = MakeDispatch<TExcelWorkbook>(App(), ActiveBook());
        DispatchInvoke(*book, "ActiveSheet", DISPATCH_PROPERTYGET, {}, &sheet);
        if (member == 3) Return(result, sheet);
        else DispatchInvoke(*sheet.AsDispatch(), "Cells", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result);
        break;
      }
      case 5:
        if (put) {
          const bool visible = PutValue(args).ToBoolean();
          App()->Visible = visible;
          if (visible) App()->SaveChanged();
        } else {
          Return(result, OleVariant::FromBoolean(App()->Visible));
        }
        break;
      case 6:
        if (put) App()->ScreenUpdating = PutValue(args).ToBoolean();
        else Return(result, OleVariant::FromBoolean(App()->ScreenUpdating));
        break;
      case 7:
        if (!put) Return(result, OleVariant::FromBoolean(true));
        break;
      case 8:
        if (put) ReadOnly(member);
        App()->Alive = false;
        App()->Documents.clear();
        RevokeActiveObject(ExcelClassId());
        break;
      default:
        if (put) ReadOnly(member);
        Return(result, OleVariant::FromString("Bexlo Excel"));
        break;
    }
  }

 private:
  std::shared_ptr<TWorkbookData> ActiveBook() const {
    auto& books = App()->Documents;
    std::erase_if(books, [](const auto& d) { return d->Closed; });
    if (books.empty()) Fail(Format(msg::SOleBadIndex, "1"));
    return std::static_pointer_cast<TWorkbookData>(books.back());
  }

  DispatchPtr workbooks_;
};

}  // namespace

TGUID ExcelClassId() { return StringToGUID("{00024500-0000-0000-C000-000000000046}"); }

DispatchPtr CreateExcelApplication() {
  return office::StartOfficeApplication<TExcelApplication>(kExcelProgId, ".xlsx", ExcelClassId());
}

}  // namespace bexlo
