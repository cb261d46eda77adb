#include "widgets/entry/dic_button.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>

#include "db/field.h"
#include "db/query.h"
#include "entry/dic_lookup.h"
#include "util/exceptions.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/entry/dic_choice_form.h"
#include "widgets/grid/search_grid.h"

namespace bexlo {

struct TCustomDicButton::Private {
  QPointer<QLabel> label;
  QPointer<QLineEdit> edit;
  QObject* edit_object = nullptr;  // the edit box as the events name it
  QMetaObject::Connection edit_changed;
  QMetaObject::Connection edit_destroyed;
  QMetaObject::Connection label_destroyed;
  std::string ref_field;
  std::string text_field;
  TStringList field_map;
  TStringList grid_sql;
  TStringList label_sql;
  int title_rows = 2;
  std::string database_name;
  bool required = false;
  bool search_in_use = true;
  std::string form_title;
  int form_width = kDicFormWidth;
  int form_height = kDicFormHeight;
  TFieldType param_type = ftString;

  TDicLabelState state;
  bool typed_or_chosen = false;  // the next change of the edit text came from a key or the choice
  bool keypad_click = false;     // the keypad "+" is opening the choice
  bool default_font = true;      // the font was never changed
  bool setting_font = false;
};

namespace {

bool Blank(const TStringList& lines) { return Trim(lines.Text()).empty(); }

// Whether the widget or a parent below its window was hidden on purpose.
bool HiddenBelowWindow(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr && !w->isWindow(); w = w->parentWidget()) {
    if (w->isHidden() && w->testAttribute(Qt::WA_WState_ExplicitShowHide)) return true;
  }
  return false;
}

// A focus change inside the window (not a popup menu or another window taking the focus).
bool MovesWithinWindow(const QEvent* event) {
  const Qt::FocusReason reason = static_cast<const QFocusEvent*>(event)->reason();
  return reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason;
}

void ShowError(const std::exception& error) {
  if (dynamic_cast<const EAbort*>(&error) != nullptr) return;
  MessageDlg(error.what(), TMsgDlgType::mtError, mbOK);
}

}  // namespace

TCustomDicButton::TCustomDicButton(QWidget* parent) : QToolButton(parent), d(std::make_unique<Private>()) {
  setText(QStringLiteral("+"));
  d->setting_font = true;
  setFont(DefaultFont());
  d->setting_font = false;
  // Like a speed button it never takes the focus: clicking it leaves the edit box focused.
  setFocusPolicy(Qt::NoFocus);
  setToolButtonStyle(Qt::ToolButtonTextOnly);
  connect(this, &QToolButton::clicked, this, &TCustomDicButton::Clicked);
}

TCustomDicButton::~TCustomDicButton() {
  SetLinkEdit(nullptr);
  SetLinkLabel(nullptr);
}

QFont TCustomDicButton::DefaultFont() {
  QFont font(QStringLiteral("Arial"), 19, QFont::Bold);
  font.setStyleHint(QFont::SansSerif);
  return font;
}

// ---- properties ----------------------------------------------------------------------------------------

QLabel* TCustomDicButton::LinkLabel() const { return d->label; }

void TCustomDicButton::SetLinkLabel(QLabel* label) {
  if (d->label == label) return;
  disconnect(d->label_destroyed);
  d->label = label;
  if (label != nullptr) {
    d->label_destroyed = connect(label, &QObject::destroyed, this, &TCustomDicButton::LabelDestroyed);
  }
}

QLineEdit* TCustomDicButton::LinkEdit() const { return d->edit; }

void TCustomDicButton::SetLinkEdit(QLineEdit* edit) {
  if (d->edit == edit) return;
  if (d->edit != nullptr) d->edit->removeEventFilter(this);
  disconnect(d->edit_changed);
  disconnect(d->edit_destroyed);
  d->edit = edit;
  d->edit_object = edit;
  if (edit != nullptr) {
    edit->installEventFilter(this);
    updateGeometry();
    d->edit_changed = connect(edit, &QLineEdit::textChanged, this, [this] {
      try {
        EditChange();
      } catch (const std::exception& e) {
        // The change may come from code that is itself in the middle of something: the message
        // waits for the event loop.
        const std::string text = e.what();
        const bool silent = dynamic_cast<const EAbort*>(&e) != nullptr;
        if (!silent) {
          QMetaObject::invokeMethod(this, [text] { MessageDlg(text, TMsgDlgType::mtError, mbOK); },
                                    Qt::QueuedConnection);
        }
      }
    });
    d->edit_destroyed = connect(edit, &QObject::destroyed, this, &TCustomDicButton::EditDestroyed);
  }
}

void TCustomDicButton::LabelDestroyed() {
  disconnect(d->label_destroyed);
  d->label = nullptr;
}

void TCustomDicButton::EditDestroyed() {
  disconnect(d->edit_changed);
  disconnect(d->edit_destroyed);
  d->edit = nullptr;
  d->edit_object = nullptr;
}

const std::string& TCustomDicButton::RefField() const { return d->ref_field; }
void TCustomDicButton::SetRefField(std::string name) { d->ref_field = std::move(name); }
const std::string& TCustomDicButton::TextField() const { return d->text_field; }
void TCustomDicButton::SetTextField(std::string name) { d->text_field = std::move(name); }

TStringList& TCustomDicButton::FieldMap() { return d->field_map; }
const TStringList& TCustomDicButton::FieldMap() const { return d->field_map; }
void TCustomDicButton::SetFieldMap(const TStrings& lines) { d->field_map.Assign(&lines); }
TStringList& TCustomDicButton::GridSQL() { return d->grid_sql; }
const TStringList& TCustomDicButton::GridSQL() const { return d->grid_sql; }
void TCustomDicButton::SetGridSQL(const TStrings& lines) { d->grid_sql.Assign(&lines); }
TStringList& TCustomDicButton::LabelSQL() { return d->label_sql; }
const TStringList& TCustomDicButton::LabelSQL() const { return d->label_sql; }
void TCustomDicButton::SetLabelSQL(const TStrings& lines) { d->label_sql.Assign(&lines); }

int TCustomDicButton::TitleRows() const { return d->title_rows; }
void TCustomDicButton::SetTitleRows(int rows) {
  if (rows < 0) throw EListError(msg::SGridIndexOutOfRange);
  d->title_rows = rows;
}

const std::string& TCustomDicButton::DatabaseName() const { return d->database_name; }
void TCustomDicButton::SetDatabaseName(std::string name) { d->database_name = std::move(name); }
bool TCustomDicButton::Required() const { return d->required; }
void TCustomDicButton::SetRequired(bool value) { d->required = value; }
bool TCustomDicButton::SearchInUse() const { return d->search_in_use; }
void TCustomDicButton::SetSearchInUse(bool value) { d->search_in_use = value; }
const std::string& TCustomDicButton::FormTitle() const { return d->form_title; }
void TCustomDicButton::SetFormTitle(std::string title) { d->form_title = std::move(title); }
int TCustomDicButton::FormWidth() const { return d->form_width; }
void TCustomDicButton::SetFormWidth(int width) { d->form_width = ClampDicFormSize(width); }
int TCustomDicButton::FormHeight() const { return d->form_height; }
void TCustomDicButton::SetFormHeight(int height) { d->form_height = ClampDicFormSize(height); }
TFieldType TCustomDicButton::ParamType() const { return d->param_type; }
void TCustomDicButton::SetParamType(TFieldType type) { d->param_type = type; }

bool TCustomDicButton::IsCaptionStored() const { return text() != QStringLiteral("+"); }
bool TCustomDicButton::IsFontStored() const { return !d->default_font; }

QSize TCustomDicButton::sizeHint() const {
  if (d->edit == nullptr) return QToolButton::sizeHint();
  const int side = d->edit->sizeHint().height();
  return {side, side};
}

void TCustomDicButton::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange && !d->setting_font) d->default_font = false;
  QToolButton::changeEvent(event);
}

// ---- operations ----------------------------------------------------------------------------------------

std::string TCustomDicButton::GetLast(const std::string& text) const { return text; }

void TCustomDicButton::SetQueryParams(TQuery& query, const std::string& text) {
  SetDicQueryParam(query, text, d->param_type);
  if (OnSetParams) OnSetParams(this, &query);
}

void TCustomDicButton::GetQueryParams(TDataSet* dataSet) {
  if (OnGetParams) OnGetParams(this, dataSet);
}

void TCustomDicButton::GetLabelValue(TDataSet* query, const std::string& text, std::string& result) {
  result = text;
  if (OnLinkLabelChanged) OnLinkLabelChanged(this, query, result);
}

std::string TCustomDicButton::GetText() const {
  return d->edit != nullptr ? d->edit->text().toStdString() : std::string();
}

void TCustomDicButton::SetText(const std::string& text) {
  d->state.SetLastCode(GetLast(text));
  if (d->edit != nullptr) d->edit->setText(QString::fromStdString(text));
}

const std::string& TCustomDicButton::LastCode() const { return d->state.LastCode(); }
bool TCustomDicButton::LastCodeFound() const { return d->state.Found(); }

void TCustomDicButton::RefreshLabel() {
  QLabel* label = d->label;
  if (label == nullptr || d->database_name.empty() || Blank(d->label_sql)) return;
  if (HiddenBelowWindow(label)) return;

  TQuery query;
  query.SetDatabaseName(d->database_name);
  query.SetSQLText(d->label_sql.Text());
  query.Prepare();
  const std::string code = GetText();
  const std::string last = GetLast(code);
  // Until the query answers, the code counts as not found (a code that does not even convert to
  // the parameter's type is not a valid one).
  d->state.Read(last, false);
  SetQueryParams(query, code);
  query.Open();
  GetQueryParams(&query);
  const bool found = !query.IsEmpty();
  std::string description = msg::SQoDicNotFound;
  if (found && query.Fields().Count() > 0) description = query.Fields()[0]->DisplayText();
  d->state.Read(last, found);
  std::string shown;
  GetLabelValue(&query, description, shown);
  label->setText(QString::fromStdString(shown));
  if (OnLinkEditChanged) {
    std::string text = code;
    OnLinkEditChanged(this, text);
    if (text != code) SetText(text);
  }
}

bool TCustomDicButton::ChoiceFromDic() {
  if (Blank(d->grid_sql) || d->database_name.empty()) return false;
  d->typed_or_chosen = true;
  struct ClearFlag {
    bool& flag;
    ~ClearFlag() { flag = false; }
  } clear{d->typed_or_chosen};

  TDicChoiceForm form(window());
  form.Grid()->SetSearchInUse(d->search_in_use);
  if (!d->form_title.empty()) form.setWindowTitle(QString::fromStdString(d->form_title));
  if (d->form_width != 0 && d->form_height != 0) form.resize(d->form_width, d->form_height);
  form.Grid()->SetTitleRows(d->title_rows);
  TQuery& query = *form.Query();
  query.SetDatabaseName(d->database_name);
  query.SetSQLText(d->grid_sql.Text());
  form.SetFieldMap(&d->field_map);
  query.Prepare();
  if (OnSetParams) OnSetParams(this, &query);
  query.Open();
  if (TDicChoiceForm::Execute(form) != QDialog::Accepted) return false;
  // "Choose" on an empty list chooses nothing.
  if (!query.Active() || query.IsEmpty()) return false;

  GetQueryParams(&query);
  if (!d->ref_field.empty() && d->edit != nullptr) {
    std::string text = query.FieldByName(d->ref_field)->DisplayText();
    if (OnLinkEditChanged) OnLinkEditChanged(this, text);
    SetText(text);
    d->state.Read(GetLast(text), true);
    d->edit->end(false);
  }
  if (!d->text_field.empty() && d->label != nullptr) {
    std::string shown;
    GetLabelValue(&query, query.FieldByName(d->text_field)->DisplayText(), shown);
    d->label->setText(QString::fromStdString(shown));
  }
  return true;
}

void TCustomDicButton::Clicked() {
  try {
    ChoiceFromDic();
  } catch (const std::exception& e) {
    ShowError(e);
  }
}

void TCustomDicButton::KeypadPlus() {
  if (d->keypad_click) return;  // a "+" arriving while the choice it opened is still up
  d->keypad_click = true;
  struct ClearFlag {
    bool& flag;
    ~ClearFlag() { flag = false; }
  } clear{d->keypad_click};
  click();
}

// ---- the linked edit box -----------------------------------------------------------------------------

void TCustomDicButton::EditEnter() {
  if (d->state.NeedsRefresh(TDicEditEvent::deEnter, GetLast(GetText()), d->typed_or_chosen)) RefreshLabel();
}

void TCustomDicButton::EditChange() {
  const bool typed = d->typed_or_chosen;
  d->typed_or_chosen = false;
  if (d->state.NeedsRefresh(TDicEditEvent::deChange, GetLast(GetText()), typed)) RefreshLabel();
}

void TCustomDicButton::EditExit() {
  if (d->state.NeedsRefresh(TDicEditEvent::deExit, GetLast(GetText()), d->typed_or_chosen)) RefreshLabel();
  if (d->state.RefuseExit(d->required)) throw Exception(msg::SQoDicInvalidValue);
}

template <typename F>
void TCustomDicButton::Guarded(F&& handler) {
  try {
    handler();
  } catch (const std::exception& e) {
    if (dynamic_cast<const EAbort*>(&e) != nullptr) return;
    // A refused exit takes the focus back; the message waits for the focus change in progress to
    // end (and is dropped when the window has closed meanwhile).
    const std::string text = e.what();
    const bool refocus = d->required && !d->state.Found();
    QMetaObject::invokeMethod(
        this,
        [this, text, refocus] {
          QLineEdit* edit = d->edit;
          if (edit == nullptr || !edit->window()->isVisible()) return;
          if (refocus) edit->setFocus(Qt::OtherFocusReason);
          MessageDlg(text, TMsgDlgType::mtError, mbOK);
        },
        Qt::QueuedConnection);
  }
}

bool TCustomDicButton::eventFilter(QObject* watched, QEvent* event) {
  // qobject_cast, not the typed pointer: while the edit box is being destroyed it is no longer a
  // QLineEdit, and its last events are not the button's to handle.
  if (watched != d->edit_object || qobject_cast<QLineEdit*>(watched) == nullptr) {
    return QToolButton::eventFilter(watched, event);
  }
  switch (event->type()) {
    case QEvent::KeyPress: {
      auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() == Qt::Key_Plus && (key->modifiers() & Qt::KeypadModifier)) {
        // The keypad "+" opens the choice; the event is taken, so no "+" is typed.
        d->typed_or_chosen = true;
        try {
          KeypadPlus();
        } catch (const std::exception& e) {
          ShowError(e);
        }
        d->typed_or_chosen = false;
        return true;
      }
      // A key that edits the text: the change it causes reads no description.
      if (!key->text().isEmpty() || key->key() == Qt::Key_Backspace || key->key() == Qt::Key_Delete) {
        d->typed_or_chosen = true;
      }
      break;
    }
    case QEvent::KeyRelease:
      // A key that changed nothing (Backspace at the start) leaves no stale flag behind.
      d->typed_or_chosen = false;
      break;
    case QEvent::FocusIn:
      if (MovesWithinWindow(event)) Guarded([this] { EditEnter(); });
      break;
    case QEvent::FocusOut:
      if (MovesWithinWindow(event) && d->edit->isVisible()) Guarded([this] { EditExit(); });
      break;
    default: break;
  }
  return QToolButton::eventFilter(watched, event);
}

// ---- Assign ------------------------------------------------------------------------------------------

void TCustomDicButton::Assign(const TCustomDicButton* source) {
  if (source == this) return;
  if (source != nullptr) {
    SetLinkLabel(source->LinkLabel());
    SetLinkEdit(source->LinkEdit());
    d->ref_field = source->d->ref_field;
    d->text_field = source->d->text_field;
    d->field_map.Assign(&source->d->field_map);
    d->grid_sql.Assign(&source->d->grid_sql);
    d->label_sql.Assign(&source->d->label_sql);
    d->title_rows = source->d->title_rows;
    d->database_name = source->d->database_name;
    d->required = source->d->required;
    OnLinkEditChanged = source->OnLinkEditChanged;
    OnLinkLabelChanged = source->OnLinkLabelChanged;
    OnGetParams = source->OnGetParams;
    OnSetParams = source->OnSetParams;
    d->search_in_use = source->d->search_in_use;
    d->form_title = source->d->form_title;
    d->form_width = source->d->form_width;
    d->form_height = source->d->form_height;
    d->param_type = source->d->param_type;
    return;
  }
  SetLinkLabel(nullptr);
  SetLinkEdit(nullptr);
  d->ref_field.clear();
  d->text_field.clear();
  d->field_map.Clear();
  d->grid_sql.Clear();
  d->label_sql.Clear();
  d->title_rows = 2;
  d->database_name.clear();
  d->required = false;
  OnLinkEditChanged = nullptr;
  OnLinkLabelChanged = nullptr;
  OnGetParams = nullptr;
  OnSetParams = nullptr;
  d->search_in_use = false;
  d->form_title.clear();
  d->form_width = kDicFormMinSize;
  d->form_height = kDicFormMinSize;
  d->param_type = ftString;
}

}  // namespace bexlo
