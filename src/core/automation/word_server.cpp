// The built-in "Word.Application": an application object over TWordDocument documents.
#include <algorithm>
#include <array>
#include <cmath>

#include "automation/office_common.h"
#include "automation/word_document.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"

namespace bexlo {

namespace {

using office::BoolArg;
using office::IntArg;
using office::NumberArg;
using office::TAppState;
using office::TextOf;
using office::TDocumentCollection;
using office::TOfficeObject;

#define BEXLO_MEMBERS(object, ...)                                                              \
  static constexpr std::array<std::string_view, std::initializer_list<const char*>{__VA_ARGS__}.size()> \
      kNames{__VA_ARGS__};                                                                      \
  std::span<const std::string_view> MemberNames() const noexcept override { return kNames; }   \
  std::string_view ObjectName() const noexcept override { return object; }

// A document of the application: the model and its save state.
class TWordDoc : public office::TOfficeDocument {
 public:
  TWordDocument Model;
  void SaveTo(const std::string& path) override { Model.SaveToFile(path); }
};

class TWordObject : public TOfficeObject {
 public:
  TWordObject(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc)
      : TOfficeObject(std::move(app)), doc_(std::move(doc)) {}

 protected:
  TWordDocument& Model() const {
    if (doc_->Closed) Fail(msg::SOleDocumentClosed);
    return doc_->Model;
  }
  void Touch() const noexcept { doc_->Dirty = true; }
  const std::shared_ptr<TWordDoc>& Doc() const noexcept { return doc_; }

 private:
  std::shared_ptr<TWordDoc> doc_;
};

// ---- font of a range ---------------------------------------------------------------------------

class TWordRange;

class TWordFont : public TWordObject {
 public:
  TWordFont(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, DispatchPtr range, TWordPos* pos)
      : TWordObject(std::move(app), std::move(doc)), range_(std::move(range)), pos_(pos) {}
  BEXLO_MEMBERS("Font", "Name", "Size", "Bold", "Italic", "Underline", "StrikeThrough")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    TWordDocument& model = Model();
    if (!IsPut(kind)) {
      const TWordCharFormat& f = model.FormatAt(pos_->Start);
      switch (member) {
        case 0: Return(result, OleVariant::FromString(f.Name.empty() ? "Times New Roman" : f.Name)); break;
        case 1: Return(result, OleVariant::FromDouble(f.HalfPoints > 0 ? f.HalfPoints / 2.0 : 12.0)); break;
        case 2: Return(result, OleVariant::FromBoolean(f.Bold)); break;
        case 3: Return(result, OleVariant::FromBoolean(f.Italic)); break;
        case 4: Return(result, OleVariant::FromInteger(f.Underline ? 1 : 0)); break;
        default: Return(result, OleVariant::FromBoolean(f.Strike)); break;
      }
      return;
    }
    const OleVariant value = PutValue(args);
    Touch();
    using P = TWordDocument::TFontProperty;
    switch (member) {
      case 0: model.SetFontProperty(pos_->Start, pos_->End, P::fpName, TextOf(value), 0); break;
      case 1: {
        const double points = NumberArg(args, args.size() - 1);
        if (!(points >= 1 && points <= 1638)) Fail(msg::SOleBadArgument);
        model.SetFontProperty(pos_->Start, pos_->End, P::fpHalfPoints, {}, static_cast<int>(std::lround(points * 2)));
        break;
      }
      default: {
        const P property = member == 2 ? P::fpBold : member == 3 ? P::fpItalic : member == 4 ? P::fpUnderline : P::fpStrike;
        model.SetFontProperty(pos_->Start, pos_->End, property, {}, value.ToBoolean() ? 1 : 0);
        break;
      }
    }
  }

 private:
  DispatchPtr range_;  // keeps the range (and its live position) alive
  TWordPos* pos_;
};

// ---- range ------------------------------------------------------------------------------------

class TWordRange : public TWordObject {
 public:
  TWordRange(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, std::int64_t start, std::int64_t end)
      : TWordObject(std::move(app), std::move(doc)) {
    const std::int64_t length = Doc()->Model.Length();
    pos_.Start = std::clamp<std::int64_t>(std::min(start, end), 0, length);
    pos_.End = std::clamp<std::int64_t>(std::max(start, end), 0, length);
    Doc()->Model.Attach(&pos_);
  }
  ~TWordRange() override { Doc()->Model.Detach(&pos_); }
  // Points the range at [start, end) again (for a range object that nobody else holds).
  void Reset(std::int64_t start, std::int64_t end) noexcept {
    pos_.Start = start;
    pos_.End = end;
  }
  BEXLO_MEMBERS("Range", "Start", "End", "Text", "Font", "InsertAfter", "InsertBefore", "InsertParagraphAfter",
                "InsertBreak", "Collapse", "MoveEnd", "Tables", "Paragraphs")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override;

 private:
  // Inserts at `at` and makes the range cover the new text.
  void Cover(std::int64_t at, std::int64_t count) {
    pos_.Start = std::min(pos_.Start, at);
    pos_.End = std::max(pos_.End, at + count);
  }
  std::int64_t InsertPoint(std::int64_t pos) const { return std::min(pos, Model().Length() - 1); }

  TWordPos pos_;
};

// ---- tables -----------------------------------------------------------------------------------

class TWordTableObject;

class TWordCell : public TWordObject {
 public:
  TWordCell(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, TWordDocument::TTable* table, int row,
            int col)
      : TWordObject(std::move(app), std::move(doc)), table_(table), row_(row), col_(col) {}
  BEXLO_MEMBERS("Cell", "Range")

 protected:
  void Call(int, unsigned kind, std::span<OleVariant>, OleVariant* result) override;

 private:
  friend class TWordCellRange;
  TWordDocument::TTable* table_;
  int row_, col_;
};

// The range of one cell: Text writes the cell; everything else works on its positions.
class TWordCellRange : public TWordObject {
 public:
  TWordCellRange(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, TWordDocument::TTable* table,
                 int row, int col)
      : TWordObject(std::move(app), std::move(doc)), table_(table), row_(row), col_(col) {}
  BEXLO_MEMBERS("Range", "Text", "Font", "Start", "End")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    TWordDocument& model = Model();
    const std::int64_t start = model.CellStart(*table_, row_, col_);
    const std::int64_t end =
        start + static_cast<std::int64_t>(table_->Rows[static_cast<std::size_t>(row_)][static_cast<std::size_t>(col_)].Length);
    switch (member) {
      case 0:
        if (IsPut(kind)) {
          Touch();
          model.SetCellText(*table_, row_, col_, TextOf(PutValue(args)));
        } else {
          Return(result, OleVariant::FromString(model.CellText(*table_, row_, col_)));
        }
        break;
      case 1: {
        if (IsPut(kind)) ReadOnly(member);
        DispatchPtr range = MakeDispatch<TWordRange>(App(), Doc(), start, end);
        DispatchInvoke(*range, "Font", DISPATCH_PROPERTYGET, {}, result);
        break;
      }
      case 2:
        if (IsPut(kind)) ReadOnly(member);
        Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(start)));
        break;
      default:
        if (IsPut(kind)) ReadOnly(member);
        Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(end)));
        break;
    }
  }

 private:
  TWordDocument::TTable* table_;
  int row_, col_;
};

void TWordCell::Call(int, unsigned kind, std::span<OleVariant>, OleVariant* result) {
  if (IsPut(kind)) ReadOnly(0);
  Return(result, OleVariant::FromDispatch(MakeDispatch<TWordCellRange>(App(), Doc(), table_, row_, col_)));
}

class TWordRows : public TWordObject {
 public:
  TWordRows(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, TWordDocument::TTable* table)
      : TWordObject(std::move(app), std::move(doc)), table_(table) {}
  BEXLO_MEMBERS("Rows", "Add", "Count")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant>, OleVariant* result) override {
    if (IsPut(kind)) ReadOnly(member);
    if (member == 0) {
      Touch();
      Model().AddTableRow(*table_);
    }
    Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(table_->Rows.size())));
  }

 private:
  TWordDocument::TTable* table_;
};

class TWordColumns : public TWordObject {
 public:
  TWordColumns(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, TWordDocument::TTable* table)
      : TWordObject(std::move(app), std::move(doc)), table_(table) {}
  BEXLO_MEMBERS("Columns", "AutoFit", "Count")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant>, OleVariant* result) override {
    if (IsPut(kind)) ReadOnly(member);
    if (member == 0) {
      Touch();
      table_->AutoFit = true;
    } else {
      Return(result, OleVariant::FromInteger(table_->Columns));
    }
  }

 private:
  TWordDocument::TTable* table_;
};

class TWordTableObject : public TWordObject {
 public:
  TWordTableObject(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, TWordDocument::TTable* table)
      : TWordObject(std::move(app), std::move(doc)), table_(table) {}
  BEXLO_MEMBERS("Table", "Cell", "Rows", "Columns")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind)) ReadOnly(member);
    Model();
    switch (member) {
      case 0: {
        const long long row = IntArg(args, 0);
        const long long col = IntArg(args, 1);
        if (row < 1 || row > static_cast<long long>(table_->Rows.size()) || col < 1 || col > table_->Columns)
          Fail(Format(msg::SOleBadIndex, std::to_string(row) + ", " + std::to_string(col)));
        Return(result, OleVariant::FromDispatch(MakeDispatch<TWordCell>(App(), Doc(), table_, static_cast<int>(row - 1),
                                                                         static_cast<int>(col - 1))));
        break;
      }
      case 1: Return(result, OleVariant::FromDispatch(MakeDispatch<TWordRows>(App(), Doc(), table_))); break;
      default: Return(result, OleVariant::FromDispatch(MakeDispatch<TWordColumns>(App(), Doc(), table_))); break;
    }
  }

 private:
  TWordDocument::TTable* table_;
};

// The tables of a document (or, called with an index, one of them).
class TWordTables : public TWordObject {
 public:
  using TWordObject::TWordObject;
  BEXLO_MEMBERS("Tables", "Add", "Count", "Item")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind)) ReadOnly(member);
    TWordDocument& model = Model();
    switch (member) {
      case 0: {
        Require(args, 3);
        const OleVariant where = args[0].Deref();
        if (where.BaseType() != OleVariant::varDispatch || !where.AsDispatch()) OleCheck(DISP_E_TYPEMISMATCH);
        OleVariant start;
        DispatchInvoke(*where.AsDispatch(), "Start", DISPATCH_PROPERTYGET, {}, &start);
        const long long rows = IntArg(args, 1);
        const long long cols = IntArg(args, 2);
        if (rows < 1 || rows > 32767 || cols < 1 || cols > 63) Fail(msg::SOleBadArgument);
        Touch();
        TWordDocument::TTable* table =
            model.AddTable(static_cast<std::int64_t>(start.ToDouble()), static_cast<int>(rows), static_cast<int>(cols));
        Return(result, OleVariant::FromDispatch(MakeDispatch<TWordTableObject>(App(), Doc(), table)));
        break;
      }
      case 1: Return(result, OleVariant::FromInteger(model.TableCount())); break;
      default: {
        const long long index = IntArg(args, 0);
        TWordDocument::TTable* table = index >= 1 && index <= model.TableCount() ? model.Table(static_cast<int>(index - 1)) : nullptr;
        if (!table) Fail(Format(msg::SOleBadIndex, std::to_string(index)));
        Return(result, OleVariant::FromDispatch(MakeDispatch<TWordTableObject>(App(), Doc(), table)));
        break;
      }
    }
  }
};

DispatchPtr MakeParagraphs(const std::shared_ptr<TAppState>& app, const std::shared_ptr<TWordDoc>& doc);

void TWordRange::Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) {
  TWordDocument& model = Model();
  const bool put = IsPut(kind);
  switch (member) {
    case 0:  // Start
    case 1:  // End
      if (put) {
        const std::int64_t v = std::clamp<std::int64_t>(IntArg(args, args.size() - 1), 0, model.Length());
        (member == 0 ? pos_.Start : pos_.End) = v;
        if (pos_.Start > pos_.End) (member == 0 ? pos_.End : pos_.Start) = v;
      } else {
        Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(member == 0 ? pos_.Start : pos_.End)));
      }
      break;
    case 2:  // Text
      if (put) {
        const std::string text = TextOf(PutValue(args));
        Touch();
        model.Delete(pos_.Start, pos_.End);
        const std::int64_t at = InsertPoint(pos_.Start);
        const std::int64_t n = model.InsertText(at, text);
        pos_.Start = at;
        pos_.End = at + n;
      } else {
        Return(result, OleVariant::FromString(model.Text(pos_.Start, pos_.End)));
      }
      break;
    case 3:  // Font
      if (put) ReadOnly(member);
      Return(result, OleVariant::FromDispatch(MakeDispatch<TWordFont>(App(), Doc(), DispatchPtr(this), &pos_)));
      break;
    case 4:    // InsertAfter
    case 5: {  // InsertBefore
      Require(args, 1);
      const std::string text = TextOf(args[0]);
      Touch();
      const std::int64_t at = InsertPoint(member == 4 ? pos_.End : pos_.Start);
      Cover(at, model.InsertText(at, text));
      break;
    }
    case 6: {  // InsertParagraphAfter
      Touch();
      const std::int64_t at = InsertPoint(pos_.End);
      Cover(at, model.InsertParagraph(at));
      break;
    }
    case 7: {  // InsertBreak([type]): page break (7, the default) or line break (6, 11)
      const long long type = args.empty() || args[0].Deref().IsEmpty() ? 7 : IntArg(args, 0);
      Touch();
      model.Delete(pos_.Start, pos_.End);
      const std::int64_t at = InsertPoint(pos_.Start);
      const std::int64_t n = type == 6 || type == 11 ? model.InsertText(at, "\v") : model.InsertPageBreak(at);
      pos_.Start = pos_.End = at + n;
      break;
    }
    case 8: {  // Collapse([direction]): 1 start (the default), 0 end
      const long long direction = args.empty() || args[0].Deref().IsEmpty() ? 1 : IntArg(args, 0);
      if (direction == 0) pos_.Start = pos_.End;
      else pos_.End = pos_.Start;
      break;
    }
    case 9: {  // MoveEnd([unit, [count]]): by characters, one by default
      const long long count = args.size() >= 2 && !args[1].Deref().IsEmpty() ? IntArg(args, 1) : 1;
      const std::int64_t before = pos_.End;
      pos_.End = std::clamp<std::int64_t>(pos_.End + count, pos_.Start, model.Length());
      Return(result, OleVariant::FromInteger(static_cast<std::int32_t>(pos_.End - before)));
      break;
    }
    case 10:  // Tables
      if (put) ReadOnly(member);
      Return(result, OleVariant::FromDispatch(MakeDispatch<TWordTables>(App(), Doc())));
      break;
    default:  // Paragraphs: its Count is the document's
      if (put) ReadOnly(member);
      Return(result, OleVariant::FromDispatch(MakeParagraphs(App(), Doc())));
      break;
  }
}

// ---- document -------------------------------------------------------------------------------

class TWordSimple : public TWordObject {  // ActiveWindow, Paragraphs
 public:
  TWordSimple(std::shared_ptr<TAppState> app, std::shared_ptr<TWordDoc> doc, bool window)
      : TWordObject(std::move(app), std::move(doc)), window_(window) {}
  BEXLO_MEMBERS("Window", "WindowState", "Count", "Visible")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (!window_ && member != 1) Fail(Format(msg::SOleNoMember, ServerName(), "Paragraphs", kNames[static_cast<std::size_t>(member)]));
    if (window_ && member == 1) Fail(Format(msg::SOleNoMember, ServerName(), "Window", kNames[1]));
    if (member == 1) {
      if (IsPut(kind)) ReadOnly(member);
      Return(result, OleVariant::FromInteger(Model().ParagraphCount()));
      return;
    }
    if (IsPut(kind)) {
      if (member == 0) state_ = static_cast<int>(IntArg(args, args.size() - 1));
    } else {
      Return(result, member == 0 ? OleVariant::FromInteger(state_) : OleVariant::FromBoolean(true));
    }
  }

 private:
  bool window_;
  int state_ = 0;
};

DispatchPtr MakeParagraphs(const std::shared_ptr<TAppState>& app, const std::shared_ptr<TWordDoc>& doc) {
  return MakeDispatch<TWordSimple>(app, doc, false);
}

class TWordPageSetup : public TWordObject {
 public:
  using TWordObject::TWordObject;
  BEXLO_MEMBERS("PageSetup", "Orientation", "LeftMargin", "RightMargin", "TopMargin", "BottomMargin", "PageWidth",
                "PageHeight")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    TWordDocument& m = Model();
    double* fields[] = {nullptr, &m.LeftMargin, &m.RightMargin, &m.TopMargin, &m.BottomMargin, &m.PageWidth, &m.PageHeight};
    if (!IsPut(kind)) {
      Return(result, member == 0 ? OleVariant::FromInteger(m.Landscape ? 1 : 0)
                                 : OleVariant::FromDouble(*fields[member]));
      return;
    }
    Touch();
    if (member == 0) {
      // Turning the page swaps its width and height.
      const bool landscape = IntArg(args, args.size() - 1) == 1;
      if (landscape != m.Landscape) std::swap(m.PageWidth, m.PageHeight);
      m.Landscape = landscape;
      return;
    }
    const double points = NumberArg(args, args.size() - 1);
    if (!(points >= 0 && points <= 1584)) Fail(msg::SOleBadArgument);
    *fields[member] = points;
  }
};

class TWordDocumentObject : public TWordObject {
 public:
  using TWordObject::TWordObject;

 private:
  DispatchPtr content_;

 public:
  BEXLO_MEMBERS("Document", "Content", "Range", "Tables", "PageSetup", "ActiveWindow", "UndoClear", "SaveAs", "Close",
                "Paragraphs", "FullName", "Name", "Saved")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind) && member != 11) ReadOnly(member);
    TWordDocument& model = Model();
    switch (member) {
      case 0:
        // The whole document; the range handed out last is reused when nobody holds it any more.
        if (content_ && content_->RefCount() == 1) static_cast<TWordRange*>(content_.get())->Reset(0, model.Length());
        else content_ = MakeDispatch<TWordRange>(App(), Doc(), 0, model.Length());
        Return(result, OleVariant::FromDispatch(content_));
        break;
      case 1: {
        const std::int64_t start = args.size() >= 1 && !args[0].Deref().IsEmpty() ? IntArg(args, 0) : 0;
        const std::int64_t end = args.size() >= 2 && !args[1].Deref().IsEmpty() ? IntArg(args, 1) : model.Length();
        Return(result, OleVariant::FromDispatch(MakeDispatch<TWordRange>(App(), Doc(), start, end)));
        break;
      }
      case 2:
        if (!args.empty()) {  // Tables(i)
          OleVariant item;
          DispatchPtr tables = MakeDispatch<TWordTables>(App(), Doc());
          DispatchInvoke(*tables, "Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result ? result : &item);
        } else {
          Return(result, OleVariant::FromDispatch(MakeDispatch<TWordTables>(App(), Doc())));
        }
        break;
      case 3: Return(result, OleVariant::FromDispatch(MakeDispatch<TWordPageSetup>(App(), Doc()))); break;
      case 4: Return(result, OleVariant::FromDispatch(MakeDispatch<TWordSimple>(App(), Doc(), true))); break;
      case 5: break;  // UndoClear: nothing is kept to undo
      case 6: {       // SaveAs(name)
        Require(args, 1);
        const std::string path = TextOf(args[0]);
        if (path.empty()) Fail(msg::SOleBadArgument);
        Doc()->SaveTo(path);
        Doc()->SavedPath = path;
        Doc()->Dirty = false;
        break;
      }
      case 7: Doc()->Closed = true; break;
      case 8: Return(result, OleVariant::FromDispatch(MakeDispatch<TWordSimple>(App(), Doc(), false))); break;
      case 9: Return(result, OleVariant::FromString(Doc()->SavedPath)); break;
      case 10: {
        const std::string& path = Doc()->SavedPath;
        Return(result, OleVariant::FromString(path.substr(path.find_last_of('/') + 1)));
        break;
      }
      default:
        if (IsPut(kind)) Doc()->Dirty = !PutValue(args).ToBoolean();
        else Return(result, OleVariant::FromBoolean(!Doc()->Dirty));
        break;
    }
  }
};

class TWordDocuments : public TDocumentCollection<TWordDocumentObject, TWordDoc> {
 public:
  using TDocumentCollection::TDocumentCollection;
  BEXLO_MEMBERS("Documents", "Add", "Count", "Item")

 protected:
  std::shared_ptr<TWordDoc> NewDocument() const override { return std::make_shared<TWordDoc>(); }
};

class TWordOptions : public TOfficeObject {
 public:
  using TOfficeObject::TOfficeObject;
  BEXLO_MEMBERS("Options", "Pagination")

 protected:
  void Call(int, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    if (IsPut(kind)) pagination_ = PutValue(args).ToBoolean();
    else Return(result, OleVariant::FromBoolean(pagination_));
  }

 private:
  bool pagination_ = true;
};

class TWordApplication : public TOfficeObject {
 public:
  explicit TWordApplication(std::shared_ptr<TAppState> app)
      : TOfficeObject(app), documents_(MakeDispatch<TWordDocuments>(app)), options_(MakeDispatch<TWordOptions>(app)) {}
  BEXLO_MEMBERS("Application", "Application", "Documents", "ActiveDocument", "Options", "Visible", "ScreenUpdating",
                "ScreenRefresh", "Quit", "Name")

 protected:
  void Call(int member, unsigned kind, std::span<OleVariant> args, OleVariant* result) override {
    const bool put = IsPut(kind);
    if (put && member != 4 && member != 5) ReadOnly(member);
    switch (member) {
      case 0: Return(result, OleVariant::FromDispatch(DispatchPtr(this))); break;
      case 1:
        if (!args.empty()) DispatchInvoke(*documents_, "Item", DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, result);
        else Return(result, OleVariant::FromDispatch(documents_));
        break;
      case 2: {
        auto& docs = App()->Documents;
        std::erase_if(docs, [](const auto& d) { return d->Closed; });
        if (docs.empty()) Fail(Format(msg::SOleBadIndex, "1"));
        Return(result, OleVariant::FromDispatch(
                           MakeDispatch<TWordDocumentObject>(App(), std::static_pointer_cast<TWordDoc>(docs.back()))));
        break;
      }
      case 3: Return(result, OleVariant::FromDispatch(options_)); break;
      case 4:
        if (put) {
          const bool visible = PutValue(args).ToBoolean();
          App()->Visible = visible;
          if (visible) App()->SaveChanged();
        } else {
          Return(result, OleVariant::FromBoolean(App()->Visible));
        }
        break;
      case 5:
        if (put) App()->ScreenUpdating = PutValue(args).ToBoolean();
        else Return(result, OleVariant::FromBoolean(App()->ScreenUpdating));
        break;
      case 6: break;  // ScreenRefresh: nothing to draw
      case 7:         // Quit: the documents are dropped unsaved, the instance goes away
        App()->Alive = false;
        App()->Documents.clear();
        RevokeActiveObject(WordClassId());
        break;
      default: Return(result, OleVariant::FromString("Bexlo Word")); break;
    }
  }

 private:
  DispatchPtr documents_;
  DispatchPtr options_;
};

}  // namespace

TGUID WordClassId() { return StringToGUID("{000209FF-0000-0000-C000-000000000046}"); }

DispatchPtr CreateWordApplication() {
  return office::StartOfficeApplication<TWordApplication>(kWordProgId, ".docx", WordClassId());
}

}  // namespace bexlo
