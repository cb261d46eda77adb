#include "widgets/states/state_forms.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/data_source.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "grid/grid_state_store.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/exceptions.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/entry/dic_button.h"
#include "widgets/grid/search_grid.h"
#include "widgets/states/state_editor.h"

namespace bexlo {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// Shows only the title column of a state list, as "Description".
void ShowTitleOnly(TDataSet* ds) {
  for (TField* f : ds->Fields()) {
    const bool title = SameText(f->FieldName(), "GR_GRD_CMT");
    f->SetVisible(title);
    if (title) {
      f->SetDisplayLabel(msg::SQoSaveStateDescription);
      f->SetDisplayWidth(kGridStateNameLength);
    }
  }
}

}  // namespace

std::string StateChoiceSQL() {
  return "SELECT * FROM SYS_GRIDS\nWHERE\nGR_GRD_NAM = :GrdName AND\nGR_APP_NAM = :AppName\nORDER BY GR_GRD_CMT";
}

void SetStateChoiceParams(TQuery& query, const std::string& group) {
  query.ParamByName("GrdName")->SetAsString(group);
  query.ParamByName("AppName")->SetAsString(ApplicationName);
}

// ---- TSaveGridForm --------------------------------------------------------------------------------

TSaveGridForm::TSaveGridForm(std::string databaseName, std::string group, QWidget* parent)
    : QDialog(parent), database_(std::move(databaseName)), group_(std::move(group)) {
  setWindowTitle(Q(msg::SQoSaveStateCaption));
  auto* prompt = new QLabel(Q(msg::SQoSaveStateTitle), this);
  title_ = new QLineEdit(this);
  title_->setMaxLength(kGridStateNameLength);
  prompt->setBuddy(title_);
  // The titles the group has, to overwrite one of them.
  auto* dic = new TDicButton(this);
  dic->setToolTip(Q(msg::SQoSaveStateDicTitle));
  dic->SetLinkEdit(title_);
  dic->SetDatabaseName(database_);
  dic->GridSQL().SetText(StateChoiceSQL());
  dic->FieldMap().SetText(std::string("GR_GRD_CMT = ") + msg::SQoSaveStateDescription);
  dic->SetRefField("GR_GRD_CMT");
  dic->SetFormTitle(msg::SQoSaveStateDicTitle);
  dic->SetTitleRows(1);
  dic->OnSetParams = [group = group_](QObject*, TQuery* query) { SetStateChoiceParams(*query, group); };
  dic->setFixedHeight(title_->sizeHint().height());
  dic_ = dic;

  auto* row = new QHBoxLayout;
  row->setSpacing(2);
  row->addWidget(title_, 1);
  row->addWidget(dic_);

  auto* buttons = new QDialogButtonBox(this);
  save_ = buttons->addButton(Q(msg::SQoSaveStateSave), QDialogButtonBox::AcceptRole);
  buttons->addButton(Q(msg::SQoStateCancel), QDialogButtonBox::RejectRole);
  save_->setDefault(true);
  connect(save_, &QPushButton::clicked, this, &TSaveGridForm::Save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(prompt);
  layout->addLayout(row);
  layout->addSpacing(8);
  layout->addWidget(buttons);
  setMinimumWidth(380);
  title_->setFocus();
}

TSaveGridForm::~TSaveGridForm() = default;

std::string TSaveGridForm::Title() const { return Trim(title_->text().toStdString()); }

void TSaveGridForm::Save() {
  try {
    const std::string title = Title();
    if (title.empty()) throw Exception(msg::SQoStateNameEmpty);
    if (OnSave) OnSave(title);
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    title_->setFocus();
    return;
  }
  accept();
}

// ---- TChoiceGridForm ------------------------------------------------------------------------------

TChoiceGridForm::TChoiceGridForm(std::string databaseName, std::string group, QWidget* parent)
    : QDialog(parent), database_(std::move(databaseName)), group_(std::move(group)) {
  setWindowTitle(Q(msg::SQoChoiceStateCaption));
  query_ = std::make_unique<TQuery>();
  query_->SetDatabaseName(database_);
  query_->SetSQLText(StateChoiceSQL());
  query_->AfterOpen = ShowTitleOnly;
  source_ = std::make_unique<TDataSource>();
  source_->SetDataSet(query_.get());

  grid_ = new TSearchDBGrid(this);
  grid_->setObjectName(QStringLiteral("Grid"));
  grid_->SetTitleRows(1);
  grid_->SetOptions(grid_->Options() | dgRowSelect | dgAlwaysShowSelection);
  grid_->SetReadOnly(true);
  grid_->SetDataSource(source_.get());
  grid_->OnDblClick = [this](QObject*) { Choose(); };
  grid_->installEventFilter(this);

  auto* buttons = new QDialogButtonBox(this);
  choose_ = buttons->addButton(Q(msg::SQoChoiceStateChoose), QDialogButtonBox::AcceptRole);
  editor_ = buttons->addButton(Q(msg::SQoChoiceStateEditor), QDialogButtonBox::ActionRole);
  exit_ = buttons->addButton(Q(msg::SQoChoiceStateExit), QDialogButtonBox::RejectRole);
  choose_->setDefault(true);
  editor_->setEnabled(UseGridStateEdit);
  connect(choose_, &QPushButton::clicked, this, &TChoiceGridForm::Choose);
  connect(editor_, &QPushButton::clicked, this, &TChoiceGridForm::OpenEditor);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_, 1);
  layout->addWidget(buttons);
  resize(420, 340);
  grid_->setFocus();
}

TChoiceGridForm::~TChoiceGridForm() {
  grid_->SetDataSource(nullptr);
  query_->Close();
}

void TChoiceGridForm::OpenList() {
  query_->Close();
  SetStateChoiceParams(*query_, group_);
  query_->Open();
}

std::string TChoiceGridForm::CurrentTitle() const {
  if (!query_->Active() || query_->IsEmpty()) return {};
  return query_->FieldByName("GR_GRD_CMT")->AsString();
}

void TChoiceGridForm::Choose() {
  const std::string title = CurrentTitle();
  if (title.empty()) return;
  chosen_ = title;
  accept();
}

void TChoiceGridForm::DeleteCurrent() {
  if (!UseGridStateEdit) return;
  const std::string title = CurrentTitle();
  if (title.empty()) return;
  if (MessageDlg(Format(msg::SQoStateDelete, title), TMsgDlgType::mtWarning, mbYesNoCancel) != mrYes) return;
  try {
    TGridStateStore(database_).Delete(group_, title);
    OpenList();
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

void TChoiceGridForm::OpenEditor() {
  if (!UseGridStateEdit) return;
  try {
    TChoiceEditGrdForm editor(database_, group_, this);
    editor.OpenList();
    editor.exec();
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
  try {
    OpenList();
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

bool TChoiceGridForm::eventFilter(QObject* watched, QEvent* event) {
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers mods = key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
      DeleteCurrent();
      return true;
    }
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && mods == Qt::NoModifier) {
      Choose();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace bexlo
