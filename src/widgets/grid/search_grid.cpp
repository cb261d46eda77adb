#include "widgets/grid/search_grid.h"

#include <QKeyEvent>

#include "db/data_source.h"
#include "db/query.h"
#include "grid/search_input.h"
#include "grid/search_sql.h"
#include "util/hooks.h"
#include "util/text.h"
#include "util/ui_services.h"

namespace bexlo {

TSearchDBGrid::TSearchDBGrid(QWidget* parent)
    : TUDBGrid(parent),
      builder_list_(std::make_unique<TStringList>()),
      choice_filter_(std::make_unique<TStringList>()) {
  search_timer_ = new QTimer(this);
  search_timer_->setInterval(kSearchDelay);
  connect(search_timer_, &QTimer::timeout, this, &TSearchDBGrid::SearchTimerTick);
}

TSearchDBGrid::~TSearchDBGrid() = default;

TQuery* TSearchDBGrid::Query() const { return dynamic_cast<TQuery*>(DataSet()); }

char TSearchDBGrid::GetFieldType(std::string_view fieldName) const { return bexlo::GetFieldType(DataSet(), fieldName); }

QColor TSearchDBGrid::IndicatorCornerColor() const {
  if (!(Options() & dgIndicator)) return {};
  if (locked_) return QColor(Qt::red);
  if (choice_filter_->Count() > 0) return QColor(Qt::blue);
  if (builder_list_->Count() > 0) return QColor(Qt::green);
  return {};
}

// ---- typing -------------------------------------------------------------------------------------

void TSearchDBGrid::KeyPress(const QString& text) {
  if (SwallowFlag()) {
    SetSwallowFlag(false);
    return;
  }
  TQuery* query = Query();
  if (query == nullptr || !query->Active() || !SearchInUse() || EditorMode()) return;
  search_timer_->stop();
  TUColumn* column = SelectedColumn();
  if (column == nullptr || column->FieldName().empty()) return;
  const std::string field = column->FieldName();
  const char kind = GetFieldType(field);
  if (kind == fkSearchUnknown) return;
  const int line = SearchList().IndexOfName(field);
  const std::string value = SearchCellText(line >= 0 ? SearchList().ValueFromIndex(line) : std::string());
  std::optional<std::string> next;
  if (text == QLatin1String("\b")) {
    next = SearchCellBackspace(kind, value);
  } else {
    next = SearchCellTypeChar(kind, value, text.toStdString());
  }
  if (!next) return;
  if (line >= 0) SearchList().SetValueFromIndex(line, *next);
  else SearchList().Add(field + "=" + *next);
  LayoutChanged();
  search_timer_->start();
}

void TSearchDBGrid::SearchTimerTick() {
  if (locked_) return;  // the timer keeps running until the lock is lifted
  search_timer_->stop();
  ApplySearchNow(true);
}

void TSearchDBGrid::ApplySearchNow(bool force) {
  TQuery* query = Query();
  if (query == nullptr) return;
  try {
    ApplySearch(*query, SearchList(), false, force);
  } catch (const std::exception& e) {
    // The search list keeps the value: the next keystroke tries again.
    ReportError(e);
  }
  LayoutChanged();
}

void TSearchDBGrid::ChangeLockSearch() {
  locked_ = !locked_;
  LayoutChanged();
}

void TSearchDBGrid::ReLoad(bool force) {
  locked_ = false;
  search_timer_->stop();
  ApplySearchNow(force);
}

void TSearchDBGrid::BuildChoice() {
  TQuery* query = Query();
  if (query == nullptr || !query->Active()) return;
  try {
    bexlo::BuildChoice(*query, ChoiceList(), ChoiceInvert(), *choice_filter_);
  } catch (const std::exception& e) {
    ReportError(e);
  }
  LayoutChanged();
}

void TSearchDBGrid::SetReloadInterval(int milliseconds) {
  milliseconds = std::clamp(milliseconds, 0, 65535);
  if (milliseconds == reload_interval_) return;
  reload_interval_ = milliseconds;
  if (milliseconds == 0) {
    delete reload_timer_;
    reload_timer_ = nullptr;
    return;
  }
  if (reload_timer_ == nullptr) {
    reload_timer_ = new QTimer(this);
    connect(reload_timer_, &QTimer::timeout, this, &TSearchDBGrid::ReloadTimerTick);
  }
  reload_timer_->setInterval(milliseconds);
  reload_timer_->start();
}

void TSearchDBGrid::ReloadTimerTick() {
  if (reload_timer_ == nullptr) return;
  reload_timer_->stop();
  ReLoad(true);
  if (reload_timer_ != nullptr) reload_timer_->start();
}

void TSearchDBGrid::LoadState() {
  if (DBGrid_LoadState != nullptr) DBGrid_LoadState(this);
}
void TSearchDBGrid::SaveState() {
  if (DBGrid_SaveState != nullptr) DBGrid_SaveState(this);
}
void TSearchDBGrid::ClearState(bool confirm, bool reopen) {
  if (DBGrid_ClearState != nullptr) DBGrid_ClearState(this, confirm, reopen);
}
void TSearchDBGrid::BuildWhere() {
  if (DBGrid_BuildWhere == nullptr) return;
  // The builder has restored the query's text when it failed to reopen; its error is reported
  // here, as a choice filter's is (nothing may leave a key or menu handler by an exception).
  try {
    DBGrid_BuildWhere(this, true, "", "");
  } catch (const std::exception& e) {
    ReportError(e);
  }
}

bool TSearchDBGrid::HandleKey(QKeyEvent* event) {
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  bool handled = true;
  if (event->key() == Qt::Key_F3) {
    if (mods & Qt::ControlModifier) ClearState(true, true);
    else if (mods & Qt::ShiftModifier) SaveState();
    else LoadState();
  } else if (event->key() == Qt::Key_F9) {
    if (mods & Qt::ControlModifier) BuildWhere();
    else if (mods & Qt::AltModifier) BuildChoice();
    else ChangeLockSearch();
  } else {
    handled = false;
  }
  return TUDBGrid::HandleKey(event) || handled;
}

// ---- TSearchEdit --------------------------------------------------------------------------------

TSearchEdit::TSearchEdit(QWidget* parent) : QLineEdit(parent) {
  timer_ = new QTimer(this);
  timer_->setSingleShot(true);
  connect(timer_, &QTimer::timeout, this, &TSearchEdit::Search);
  connect(this, &QLineEdit::textChanged, this, &TSearchEdit::TextChanged);
}

void TSearchEdit::SetInterval(int milliseconds) {
  interval_ = std::max(0, milliseconds);
  timer_->setInterval(interval_);
}

void TSearchEdit::TextChanged() {
  timer_->stop();
  if (interval_ == 0) Search();
  else timer_->start();
}

void TSearchEdit::Search() {
  timer_->stop();
  if (data_source_ == nullptr || DataField.empty()) return;
  auto* query = dynamic_cast<TQuery*>(data_source_->DataSet());
  if (query == nullptr) return;
  try {
    const std::string result = SearchPrim(query->SQLText(), DataFormat, text().toStdString(), UpperCase(DataField),
                                          DataLeft, DataRight, false);
    if (result.empty()) return;
    ReloadQuery(*query, result, false, QueryReload, nullptr);
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

}  // namespace bexlo
