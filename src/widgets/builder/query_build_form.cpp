#include "widgets/builder/query_build_form.h"

#include <QComboBox>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QKeyEvent>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "db/query.h"
#include "grid/search_sql.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/grid/grid_windows.h"
#include "widgets/grid/search_grid.h"

namespace bexlo {

namespace {

QString Q(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }
std::string S(const QString& s) { return s.toStdString(); }

// A small square button for the composing arrows.
QPushButton* ArrowButton(const char* text, const char* hint, QWidget* parent) {
  auto* b = new QPushButton(Q(text), parent);
  b->setToolTip(Q(hint));
  b->setFixedWidth(std::max(40, b->fontMetrics().horizontalAdvance(Q(text)) + 24));
  return b;
}

QLabel* Caption(const char* text, QWidget* buddy, QWidget* parent) {
  auto* l = new QLabel(Q(text), parent);
  l->setBuddy(buddy);
  return l;
}

QStringList ToQt(const TStrings& lines) {
  QStringList out;
  out.reserve(lines.Count());
  for (int i = 0; i < lines.Count(); ++i) out << Q(lines.Strings(i));
  return out;
}

}  // namespace

TBuilderModalRunner& BuilderModalRunner() {
  static TBuilderModalRunner runner;
  return runner;
}

int ExecBuilderDialog(QDialog& dialog) {
  // A copy: the runner may replace itself while a window it runs opens another.
  if (const TBuilderModalRunner runner = BuilderModalRunner()) return runner(dialog);
  return dialog.exec();
}

// ---- TValuesListForm --------------------------------------------------------------------------------

TValuesListForm::TValuesListForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(Q(msg::SQoBuilderValues));
  memo_ = new QPlainTextEdit(this);
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setTabChangesFocus(true);

  // The file buttons on the left, the closing ones on the right.
  auto* load = new QPushButton(Q(msg::SQoValuesLoad), this);
  auto* save = new QPushButton(Q(msg::SQoValuesSave), this);
  auto* ok = new QPushButton(Q(msg::SQoValuesOK), this);
  auto* cancel = new QPushButton(Q(msg::SQoBuilderCancel), this);
  ok->setDefault(true);
  connect(load, &QPushButton::clicked, this, [this] { Load(); });
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* row = new QHBoxLayout;
  row->addWidget(load);
  row->addWidget(save);
  row->addStretch();
  row->addWidget(ok);
  row->addWidget(cancel);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(memo_);
  layout->addLayout(row);
  resize(360, 320);
}

std::vector<std::string> TValuesListForm::Lines() const {
  std::vector<std::string> lines;
  const QString text = memo_->toPlainText();
  if (text.isEmpty()) return lines;
  for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(S(line));
  while (!lines.empty() && TrimView(lines.back()).empty()) lines.pop_back();
  return lines;
}

void TValuesListForm::SetLines(const std::vector<std::string>& lines) {
  QStringList out;
  for (const std::string& line : lines) out << Q(line);
  memo_->setPlainText(out.join(QLatin1Char('\n')));
}

bool TValuesListForm::Load() {
  std::optional<std::string> name =
      UserInteraction().OpenFileDialog(msg::SQoValuesLoadTitle, msg::SQoValuesFilter, "", true);
  if (!name) return false;
  // A name typed without its extension means the file with the default one.
  if (!QFileInfo::exists(Q(*name)) && QFileInfo::exists(Q(*name + "." + msg::SQoValuesExt))) {
    *name += std::string(".") + msg::SQoValuesExt;
  }
  TStringList lines;
  try {
    lines.LoadFromFile(*name);
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return false;
  }
  memo_->setPlainText(ToQt(lines).join(QLatin1Char('\n')));
  return true;
}

bool TValuesListForm::Save() {
  const std::optional<std::string> name =
      UserInteraction().SaveFileDialog(msg::SQoValuesSaveTitle, msg::SQoValuesFilter, "", "", msg::SQoValuesExt);
  if (!name) return false;
  if (QFileInfo::exists(Q(*name)) &&
      MessageDlg(Format(msg::SQoOverwriteFile, *name), TMsgDlgType::mtConfirmation, mbYesNoCancel) != mrYes) {
    return false;
  }
  TStringList lines;
  for (const std::string& line : Lines()) lines.Add(line);
  const std::string text = lines.Text();
  // Written beside the file and renamed into place: a failure keeps the earlier file.
  QSaveFile file(Q(*name));
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text.data(), static_cast<qint64>(text.size())) != static_cast<qint64>(text.size()) ||
      !file.commit()) {
    MessageDlg(Format(msg::SFCreateError, *name, S(file.errorString())), TMsgDlgType::mtError, mbOK);
    return false;
  }
  return true;
}

// ---- TQueryBuildForm --------------------------------------------------------------------------------

TQueryBuildForm::TQueryBuildForm(QWidget* parent)
    : QDialog(parent), saved_hook_(DBGrid_BuildWhere) {
  DBGrid_BuildWhere = hook_defaults::DBGrid_BuildWhere;
  setWindowTitle(Q(msg::SQoBuilderCaption));

  pages_ = new QTabWidget(this);
  pages_->addTab(BuildConditionsPage(), Q(msg::SQoBuilderConditions));
  pages_->addTab(BuildOrderPage(), Q(msg::SQoBuilderOrder));

  // "Save" on the left, "Execute" and Cancel on the right.
  save_ = new QPushButton(Q(msg::SQoBuilderSave), this);
  execute_ = new QPushButton(Q(msg::SQoBuilderExecute), this);
  cancel_ = new QPushButton(Q(msg::SQoBuilderCancel), this);
  execute_->setDefault(true);
  auto* buttons = new QHBoxLayout;
  buttons->addWidget(save_);
  buttons->addStretch();
  buttons->addWidget(execute_);
  buttons->addWidget(cancel_);
  // Enter anywhere in the window executes; the composing buttons are pressed with Space.
  for (QPushButton* b : findChildren<QPushButton*>()) b->setAutoDefault(b == execute_);
  connect(save_, &QPushButton::clicked, this, &TQueryBuildForm::ShowQueryText);
  connect(execute_, &QPushButton::clicked, this, &TQueryBuildForm::Execute);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(pages_);
  layout->addLayout(buttons);

  // Tab order, as a condition is composed: field, "+", operator, "<", value; then the rest of the
  // conditions page, the order page and the window's buttons. The field list has the focus first.
  QWidget* const chain[] = {pages_,        fields_,     add_,          operators_,   add_operator_, value_,
                            values_,       add_field_,  or_,           conditions_,  delete_,       clear_,
                            order_fields_, order_add_,  order_,        direction_,   order_delete_, order_clear_,
                            save_,         execute_,    cancel_};
  for (std::size_t i = 1; i < std::size(chain); ++i) setTabOrder(chain[i - 1], chain[i]);
  fields_->setFocus();
  // Delete on a list deletes its selected line.
  conditions_->installEventFilter(this);
  order_->installEventFilter(this);
  resize(720, 460);
  UpdateButtons();
}

TQueryBuildForm::~TQueryBuildForm() { DBGrid_BuildWhere = saved_hook_; }

bool TQueryBuildForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && (watched == conditions_ || watched == order_)) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Delete && key->modifiers() == Qt::NoModifier) {
      if (watched == conditions_) {
        if (delete_->isEnabled()) DeleteCondition();
      } else if (order_delete_->isEnabled()) {
        DeleteOrder();
      }
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

QWidget* TQueryBuildForm::BuildConditionsPage() {
  auto* page = new QWidget(this);
  conditions_ = new QListWidget(page);
  fields_ = new QListWidget(page);
  operators_ = new QListWidget(page);
  for (int op = 0; op < kBuilderOperatorCount; ++op) {
    auto* item = new QListWidgetItem(Q(TrimView(BuilderOperatorShown(op))), operators_);
    item->setData(Qt::UserRole, op);
  }
  operators_->setCurrentRow(0);
  fields_->setMinimumWidth(150);
  operators_->setFixedWidth(operators_->sizeHintForColumn(0) + 2 * operators_->frameWidth() + 24);

  add_ = ArrowButton(msg::SQoBuilderAdd, msg::SQoBuilderAddHint, page);
  add_operator_ = ArrowButton(msg::SQoBuilderAddOperator, msg::SQoBuilderOperatorHint, page);
  add_field_ = ArrowButton(msg::SQoBuilderAddField, msg::SQoBuilderFieldHint, page);
  or_ = ArrowButton(msg::SQoBuilderOr, msg::SQoBuilderOrHint, page);
  auto* arrows = new QVBoxLayout;
  arrows->addStretch();
  for (QPushButton* b : {add_, add_operator_, add_field_, or_}) arrows->addWidget(b);
  arrows->addStretch();

  value_ = new QLineEdit(page);
  value_label_ = Caption(msg::SQoBuilderValue, value_, page);
  values_ = new QPushButton(Q(msg::SQoBuilderValues), page);
  delete_ = new QPushButton(Q(msg::SQoBuilderDelete), page);
  clear_ = new QPushButton(Q(msg::SQoBuilderClear), page);

  auto* grid = new QGridLayout(page);
  grid->addWidget(Caption(msg::SQoBuilderConditionList, conditions_, page), 0, 0);
  grid->addWidget(Caption(msg::SQoBuilderFields, fields_, page), 0, 2);
  grid->addWidget(Caption(msg::SQoBuilderOperators, operators_, page), 0, 3);
  grid->addWidget(conditions_, 1, 0);
  grid->addLayout(arrows, 1, 1);
  grid->addWidget(fields_, 1, 2);
  grid->addWidget(operators_, 1, 3);
  auto* valueRow = new QHBoxLayout;
  valueRow->addWidget(value_label_);
  valueRow->addWidget(value_, 1);
  valueRow->addSpacing(12);
  valueRow->addWidget(values_);
  valueRow->addWidget(delete_);
  valueRow->addWidget(clear_);
  grid->addLayout(valueRow, 2, 0, 1, 4);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(2, 2);

  connect(conditions_, &QListWidget::currentRowChanged, this, [this] { ConditionSelected(); });
  connect(fields_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  connect(operators_, &QListWidget::currentRowChanged, this, [this] { UpdateButtons(); });
  connect(fields_, &QListWidget::itemDoubleClicked, this, [this] { AddField(); });
  connect(operators_, &QListWidget::itemDoubleClicked, this, [this] { AddOperator(); });
  connect(value_, &QLineEdit::textEdited, this, &TQueryBuildForm::ValueTyped);
  connect(add_, &QPushButton::clicked, this, &TQueryBuildForm::AddField);
  connect(add_operator_, &QPushButton::clicked, this, &TQueryBuildForm::AddOperator);
  connect(add_field_, &QPushButton::clicked, this, &TQueryBuildForm::AddFieldValue);
  connect(or_, &QPushButton::clicked, this, &TQueryBuildForm::AddOr);
  connect(values_, &QPushButton::clicked, this, &TQueryBuildForm::EditValues);
  connect(delete_, &QPushButton::clicked, this, &TQueryBuildForm::DeleteCondition);
  connect(clear_, &QPushButton::clicked, this, &TQueryBuildForm::ClearConditions);
  return page;
}

QWidget* TQueryBuildForm::BuildOrderPage() {
  auto* page = new QWidget(this);
  order_ = new QListWidget(page);
  order_fields_ = new QListWidget(page);
  order_fields_->setMinimumWidth(150);
  order_add_ = ArrowButton(msg::SQoBuilderAdd, msg::SQoBuilderOrderAddHint, page);
  direction_ = new QComboBox(page);
  direction_->addItem(Q(msg::SQoOnIncrease));
  direction_->addItem(Q(msg::SQoOnDecrease));
  order_delete_ = new QPushButton(Q(msg::SQoBuilderDelete), page);
  order_clear_ = new QPushButton(Q(msg::SQoBuilderClear), page);

  auto* arrows = new QVBoxLayout;
  arrows->addStretch();
  arrows->addWidget(order_add_);
  arrows->addStretch();

  auto* grid = new QGridLayout(page);
  grid->addWidget(Caption(msg::SQoBuilderOrderList, order_, page), 0, 0);
  grid->addWidget(Caption(msg::SQoBuilderFields, order_fields_, page), 0, 2);
  grid->addWidget(order_, 1, 0);
  grid->addLayout(arrows, 1, 1);
  grid->addWidget(order_fields_, 1, 2);
  auto* row = new QHBoxLayout;
  row->addWidget(Caption(msg::SQoBuilderDirection, direction_, page));
  row->addWidget(direction_);
  row->addStretch();
  row->addWidget(order_delete_);
  row->addWidget(order_clear_);
  grid->addLayout(row, 2, 0, 1, 3);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(2, 2);

  connect(order_, &QListWidget::currentRowChanged, this, [this] { OrderSelected(); });
  connect(order_fields_, &QListWidget::itemDoubleClicked, this, [this] { AddOrderField(); });
  connect(order_add_, &QPushButton::clicked, this, &TQueryBuildForm::AddOrderField);
  connect(direction_, &QComboBox::currentIndexChanged, this, [this](int index) {
    if (!refreshing_) SetDirection(index == 1);
  });
  connect(order_delete_, &QPushButton::clicked, this, &TQueryBuildForm::DeleteOrder);
  connect(order_clear_, &QPushButton::clicked, this, &TQueryBuildForm::ClearOrder);
  return page;
}

// ---- lists ------------------------------------------------------------------------------------------

void TQueryBuildForm::SetQuery(TQuery* query) {
  if (query == query_) return;
  query_ = query;
  if (query == nullptr) {
    builder_.SetFields({});
  } else {
    builder_.SetQuery(*query);
  }
  fields_->clear();
  order_fields_->clear();
  for (const TBuilderField& f : builder_.Fields()) {
    fields_->addItem(Q(f.Label));
    order_fields_->addItem(Q(f.Label));
  }
  UpdateButtons();
}

void TQueryBuildForm::SetListBox(const TStrings& lines) {
  builder_.SetListBox(lines);
  RefreshConditions(builder_.Conditions().Count() > 0 ? 0 : -1);
}

void TQueryBuildForm::SetOrderBox() {
  builder_.SetOrderBox(query_ != nullptr ? query_->SQLText() : std::string());
  RefreshOrder(builder_.OrderLines().Count() > 0 ? 0 : -1);
}

void TQueryBuildForm::SelectFirst() {
  if (builder_.Conditions().Count() > 0) Select(0);
  if (builder_.OrderLines().Count() > 0) SelectOrder(0);
  if (fields_->count() > 0) fields_->setCurrentRow(0);
  if (order_fields_->count() > 0) order_fields_->setCurrentRow(0);
}

int TQueryBuildForm::Selected() const {
  const int row = conditions_->currentRow();
  return row >= 0 && row < builder_.Conditions().Count() ? row : -1;
}

void TQueryBuildForm::Select(int index) { conditions_->setCurrentRow(index); }

int TQueryBuildForm::SelectedOrder() const {
  const int row = order_->currentRow();
  return row >= 0 && row < builder_.OrderLines().Count() ? row : -1;
}

void TQueryBuildForm::SelectOrder(int index) { order_->setCurrentRow(index); }

void TQueryBuildForm::RefreshConditions(int select) {
  refreshing_ = true;
  conditions_->clear();
  conditions_->addItems(ToQt(builder_.Conditions()));
  const int count = conditions_->count();
  conditions_->setCurrentRow(count == 0 ? -1 : std::clamp(select, 0, count - 1));
  conditions_->setEnabled(!builder_.RawMode());
  refreshing_ = false;
  ConditionSelected();
}

void TQueryBuildForm::RefreshOrder(int select) {
  refreshing_ = true;
  order_->clear();
  order_->addItems(ToQt(builder_.OrderLines()));
  const int count = order_->count();
  order_->setCurrentRow(count == 0 ? -1 : std::clamp(select, 0, count - 1));
  refreshing_ = false;
  OrderSelected();
}

void TQueryBuildForm::ConditionSelected() {
  if (refreshing_) return;
  value_->setText(Q(builder_.GetEdit(Selected())));
  UpdateButtons();
}

void TQueryBuildForm::OrderSelected() {
  if (refreshing_) return;
  const int sel = SelectedOrder();
  if (sel >= 0) {
    const std::string& line = builder_.OrderLines().Strings(sel);
    const std::size_t comma = line.find(',');
    const bool descending =
        comma != std::string::npos && TrimView(std::string_view(line).substr(comma + 1)) == msg::SQoOnDecrease;
    refreshing_ = true;
    direction_->setCurrentIndex(descending ? 1 : 0);
    refreshing_ = false;
  }
  UpdateButtons();
}

void TQueryBuildForm::UpdateButtons() {
  const bool raw = builder_.RawMode();
  const int sel = Selected();
  for (QPushButton* b : {add_, add_operator_, add_field_, or_}) b->setEnabled(!raw);
  const bool editable = builder_.ValueEditable(sel);
  value_->setEnabled(editable);
  value_label_->setEnabled(editable);
  values_->setEnabled(builder_.ListEditable(sel));
  delete_->setEnabled(!raw && sel >= 0);
  clear_->setEnabled(!raw && builder_.Conditions().Count() > 0);
  const int orderSel = SelectedOrder();
  direction_->setEnabled(orderSel >= 0);
  order_delete_->setEnabled(orderSel >= 0);
  order_clear_->setEnabled(builder_.OrderLines().Count() > 0);
}

// ---- composing --------------------------------------------------------------------------------------

void TQueryBuildForm::AddField() {
  QListWidgetItem* item = fields_->currentItem();
  const int index = item != nullptr ? builder_.AddCondition(S(item->text())) : -1;
  if (index < 0) {
    Beep();
    return;
  }
  RefreshConditions(index);
}

void TQueryBuildForm::AddOperator() {
  const int sel = Selected();
  const int op = operators_->currentRow();
  if (!builder_.AddOperator(sel, op)) {
    Beep();
    return;
  }
  RefreshConditions(sel);
  if (value_->isEnabled()) value_->setFocus();
}

void TQueryBuildForm::AddFieldValue() {
  QListWidgetItem* item = fields_->currentItem();
  const int sel = Selected();
  if (item == nullptr || !builder_.SetFieldValue(sel, S(item->text()))) {
    Beep();
    return;
  }
  RefreshConditions(sel);
}

void TQueryBuildForm::AddOr() {
  if (!builder_.AddOr()) {
    Beep();
    return;
  }
  RefreshConditions(0);
}

void TQueryBuildForm::ValueTyped(const QString& text) {
  const int sel = Selected();
  if (sel < 0 || !builder_.ValueEditable(sel)) return;
  builder_.SetEdit(sel, S(text));
  if (QListWidgetItem* item = conditions_->item(sel)) item->setText(Q(builder_.Conditions().Strings(sel)));
}

void TQueryBuildForm::EditValues() {
  const int sel = Selected();
  if (!builder_.ListEditable(sel)) return;
  TValuesListForm form(this);
  form.SetLines(builder_.GetValueList(sel));
  if (ExecBuilderDialog(form) != QDialog::Accepted) return;
  const std::vector<std::string> lines = form.Lines();
  if (lines.empty()) return;
  builder_.SetValueList(sel, lines);
  RefreshConditions(sel);
}

void TQueryBuildForm::DeleteCondition() {
  const int sel = Selected();
  if (sel < 0 || builder_.RawMode()) return;
  builder_.DeleteCondition(sel);
  RefreshConditions(sel);
}

void TQueryBuildForm::ClearConditions() {
  if (builder_.RawMode() || builder_.Conditions().Count() == 0) return;
  if (MessageDlg(msg::SQoAreYouSure, TMsgDlgType::mtWarning, mbYesNoCancel) != mrYes) return;
  builder_.Conditions().Clear();
  RefreshConditions(-1);
}

std::unique_ptr<TGridMemoForm> TQueryBuildForm::CreateQueryTextForm() {
  auto form = std::make_unique<TGridMemoForm>(this);
  if (query_ != nullptr) form->SetItems(ToQt(query_->SQL()));
  form->SetPlanVisible(true);
  if (query_ != nullptr) form->DatabaseName = query_->DatabaseName();
  return form;
}

void TQueryBuildForm::ShowQueryText() {
  std::unique_ptr<TGridMemoForm> form = CreateQueryTextForm();
  ExecBuilderDialog(*form);
}

// ---- ordering ---------------------------------------------------------------------------------------

void TQueryBuildForm::AddOrderField() {
  QListWidgetItem* item = order_fields_->currentItem();
  const int index = item != nullptr ? builder_.AddOrder(S(item->text())) : -1;
  if (index < 0) {
    Beep();
    return;
  }
  RefreshOrder(index);
}

void TQueryBuildForm::SetDirection(bool descending) {
  const int sel = SelectedOrder();
  if (sel < 0) return;
  builder_.SetOrderDirection(sel, descending);
  RefreshOrder(sel);
}

void TQueryBuildForm::DeleteOrder() {
  const int sel = SelectedOrder();
  if (sel < 0) return;
  builder_.OrderLines().Delete(sel);
  RefreshOrder(sel);
}

void TQueryBuildForm::ClearOrder() {
  if (builder_.OrderLines().Count() == 0) return;
  if (MessageDlg(msg::SQoAreYouSure, TMsgDlgType::mtWarning, mbYesNoCancel) != mrYes) return;
  builder_.OrderLines().Clear();
  RefreshOrder(-1);
}

void TQueryBuildForm::Execute() {
  const int sel = Selected();
  try {
    builder_.SetWhereList(where_);
  } catch (const std::exception& e) {
    // Lines without an operator or a value were dropped on the way; the rest stays to be mended.
    RefreshConditions(sel);
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return;
  }
  RefreshConditions(sel);
  accept();
}

// ---- the hook routine -------------------------------------------------------------------------------

void BuilderBuildWhere(TUCustomDBGrid* grid, bool showDialog, const std::string& orderText,
                       const std::string& queryText) {
  auto* searchGrid = dynamic_cast<TSearchDBGrid*>(grid);
  if (searchGrid == nullptr) return;
  TQuery* query = searchGrid->Query();
  if (query == nullptr) return;
  if (!showDialog) {
    RunQueryBuilder(*query, searchGrid->BuilderList(), searchGrid->BuilderOrder(), orderText, queryText, false);
    searchGrid->LayoutChanged();
    return;
  }

  TQueryBuildForm form(searchGrid->window());
  form.SetQuery(query);
  form.SetListBox(searchGrid->BuilderList());
  form.SetOrderBox();
  form.SelectFirst();
  if (ExecBuilderDialog(form) != QDialog::Accepted) return;

  const std::string before = query->SQLText();
  TBuilderOrderState order = searchGrid->BuilderOrder();
  const std::string text =
      BuilderQueryText(form.Builder(), queryText.empty() ? before : queryText, form.SetOrderText(), order);
  try {
    ReloadQuery(*query, text, false, true, nullptr);
  } catch (...) {
    MessageDlg(msg::SDsQueryMistake, TMsgDlgType::mtError, mbOK);
    try {
      ReloadQuery(*query, before, false, true, nullptr);
    } catch (...) {
      // The caller hears of the error of the new text.
    }
    searchGrid->LayoutChanged();
    throw;
  }
  searchGrid->BuilderOrder() = order;
  searchGrid->BuilderList().Assign(&form.Builder().Conditions());
  searchGrid->LayoutChanged();
}

void InstallQueryBuilder() { DBGrid_BuildWhere = BuilderBuildWhere; }

}  // namespace bexlo
