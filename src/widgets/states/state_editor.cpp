#include "widgets/states/state_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "db/data_source.h"
#include "db/database.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "grid/grid_state_file.h"
#include "grid/grid_state_store.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/entry/db_edit_link.h"
#include "widgets/entry/dic_button.h"
#include "widgets/entry/record_link_widgets.h"
#include "widgets/grid/search_grid.h"

namespace bexlo {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }

// The column of a list field: its label and width, and whether it shows.
struct TEditorColumn {
  const char* Field;
  const char* Label;
  int Width;
};
constexpr TEditorColumn kEditorColumns[] = {
    {"GR_GRD_NAM", msg::SQoStateColGroup, 20},   {"GR_GRD_CMT", msg::SQoStateColName, 20},
    {"GR_GRD_SRH", msg::SQoStateColSearch, 14},  {"GR_GRD_CHS", msg::SQoStateColMark, 8},
    {"GR_GRD_BLD", msg::SQoStateColBuild, 14},   {"GR_GRD_ORD", msg::SQoStateColOrder, 10},
};

}  // namespace

// ---- TGridEditForm ----------------------------------------------------------------------------------

TGridEditForm::TGridEditForm(std::string databaseName, std::string group, QWidget* parent)
    : QDialog(parent), database_(std::move(databaseName)), group_(std::move(group)) {
  setWindowTitle(Q(msg::SQoStateEditorCaption));
  query_ = std::make_unique<TQuery>();
  query_->SetDatabaseName(database_);
  query_->SetSQLText(RowSQL());
  query_->SetRequestLive(true);
  // A new state starts in the editor's group, under the application's key.
  query_->OnNewRecord = [this](TDataSet* ds) {
    ds->FieldByName("GR_APP_NAM")->SetAsString(ApplicationName);
    ds->FieldByName("GR_GRD_NAM")->SetAsString(group_);
  };
  query_->AfterOpen = [this](TDataSet* ds) {
    // The name is checked before posting, with the message of a state without a name.
    ds->FieldByName("GR_GRD_CMT")->Required = false;
    old_group_ = ds->IsEmpty() ? std::string() : ds->FieldByName("GR_GRD_NAM")->AsString();
    old_title_ = ds->IsEmpty() ? std::string() : ds->FieldByName("GR_GRD_CMT")->AsString();
  };
  query_->BeforePost = [this](TDataSet*) { CheckRow(); };
  query_->AfterPost = [this](TDataSet* ds) {
    old_group_ = ds->FieldByName("GR_GRD_NAM")->AsString();
    old_title_ = ds->FieldByName("GR_GRD_CMT")->AsString();
  };
  source_ = std::make_unique<TDataSource>();
  source_->SetDataSet(query_.get());

  name_ = new QLineEdit(this);
  name_->setMaxLength(kGridStateNameLength);
  group_edit_ = new QLineEdit(this);
  group_edit_->setMaxLength(kGridStateNameLength);
  new TDBEditLink(name_, source_.get(), "GR_GRD_CMT");
  new TDBEditLink(group_edit_, source_.get(), "GR_GRD_NAM");

  // The groups the application has states in.
  group_dic_ = new TDicButton(this);
  group_dic_->setToolTip(Q(msg::SQoStateGroups));
  group_dic_->SetLinkEdit(group_edit_);
  group_dic_->SetDatabaseName(database_);
  group_dic_->GridSQL().SetText("SELECT DISTINCT GR_GRD_NAM FROM SYS_GRIDS\nWHERE GR_APP_NAM = :AppNam");
  group_dic_->FieldMap().SetText(std::string("GR_GRD_NAM = ") + msg::SQoStateColGroup);
  group_dic_->SetRefField("GR_GRD_NAM");
  group_dic_->SetFormTitle(msg::SQoStateGroups);
  group_dic_->SetTitleRows(1);
  group_dic_->OnSetParams = [](QObject*, TQuery* query) { query->ParamByName("AppNam")->SetAsString(ApplicationName); };
  group_dic_->setFixedHeight(group_edit_->sizeHint().height());
  auto* groupRow = new QHBoxLayout;
  groupRow->setSpacing(2);
  groupRow->addWidget(group_edit_, 1);
  groupRow->addWidget(group_dic_);

  auto* form = new QFormLayout;
  form->addRow(Q(msg::SQoStateName), name_);
  form->addRow(Q(msg::SQoStateGroup), groupRow);

  pages_ = new QTabWidget(this);
  const char* titles[4] = {msg::SQoStatePageSearch, msg::SQoStatePageMark, msg::SQoStatePageBuild,
                           msg::SQoStatePageOrder};
  const char* fields[4] = {"GR_GRD_SRH", "GR_GRD_CHS", "GR_GRD_BLD", "GR_GRD_ORD"};
  for (int i = 0; i < 4; ++i) {
    memos_[i] = new QPlainTextEdit(pages_);
    memos_[i]->setLineWrapMode(QPlainTextEdit::NoWrap);
    memos_[i]->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memos_[i]->setTabChangesFocus(true);
    new TDBEditLink(memos_[i], source_.get(), fields[i]);
    pages_->addTab(memos_[i], Q(titles[i]));
  }

  auto* buttons = new QDialogButtonBox(this);
  save_ = buttons->addButton(Q(msg::SQoSaveStateSave), QDialogButtonBox::AcceptRole);
  buttons->addButton(Q(msg::SQoStateCancel), QDialogButtonBox::RejectRole);
  save_->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(pages_, 1);
  layout->addWidget(buttons);
  resize(520, 400);

  // The record link: the key of the list's row goes into the row statement's parameters.
  link_ = new TPtDBLink(this);
  link_->SetQuery(query_.get());
  link_->SetUniqueField("AppNam, GrdNam, GrdCmt");
  link_->SetFirstEdit(name_);
  link_->OnSetParam = [this](TPtDBLink*, TQuery* list) {
    if (list == nullptr) return;
    query_->ParamByName("AppNam")->SetAsString(list->FieldByName("GR_APP_NAM")->AsString());
    query_->ParamByName("GrdNam")->SetAsString(list->FieldByName("GR_GRD_NAM")->AsString());
    query_->ParamByName("GrdCmt")->SetAsString(list->FieldByName("GR_GRD_CMT")->AsString());
  };
}

TGridEditForm::~TGridEditForm() {
  link_->SetQuery(nullptr);
  query_->Close();
}

std::string TGridEditForm::RowSQL() {
  return "SELECT * FROM SYS_GRIDS\nWHERE\nGR_APP_NAM = :AppNam AND\nGR_GRD_NAM = :GrdNam AND\nGR_GRD_CMT = :GrdCmt";
}

bool TGridEditForm::Inserting() const { return query_->State() == dsInsert; }

void TGridEditForm::CheckRow() {
  const std::string title = query_->FieldByName("GR_GRD_CMT")->AsString();
  const std::string group = query_->FieldByName("GR_GRD_NAM")->AsString();
  if (Trim(title).empty()) {
    name_->setFocus();
    throw Exception(msg::SQoStateNameEmpty);
  }
  const bool newKey = Inserting() || group != old_group_ || title != old_title_;
  if (newKey && TGridStateStore(database_).Load(group, title)) {
    name_->setFocus();
    throw Exception(Format(msg::SQoStateExists, title, group));
  }
}

// ---- TChoiceEditGrdForm -------------------------------------------------------------------------------

TChoiceEditGrdForm::TChoiceEditGrdForm(std::string databaseName, std::string group, QWidget* parent)
    : QDialog(parent), database_(std::move(databaseName)), group_(std::move(group)) {
  setWindowTitle(Q(msg::SQoStateEditorCaption));
  query_ = std::make_unique<TQuery>();
  query_->SetDatabaseName(database_);
  query_->SetSQLText(ListSQL());
  query_->AfterOpen = [this](TDataSet*) { DressFields(); };
  source_ = std::make_unique<TDataSource>();
  source_->SetDataSet(query_.get());

  grid_ = new TSearchDBGrid(this);
  grid_->setObjectName(QStringLiteral("Grid"));
  grid_->SetTitleRows(2);
  grid_->SetReadOnly(true);
  grid_->SetOptions(grid_->Options() | dgRowSelect | dgAlwaysShowSelection);
  grid_->SetDataSource(source_.get());
  grid_->OnDblClick = [this](QObject*) { EditCurrent(); };
  grid_->installEventFilter(this);

  edit_form_ = new TGridEditForm(database_, group_, this);
  form_link_ = new TPtFormLink(this);
  form_link_->SetForm(edit_form_);

  all_groups_ = new QCheckBox(Q(msg::SQoStateAllGroups), this);
  connect(all_groups_, &QCheckBox::toggled, this, [this] {
    try {
      OpenList();
    } catch (const std::exception& e) {
      MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    }
  });
  progress_ = new QProgressBar(this);
  progress_->setTextVisible(true);
  progress_->hide();

  auto* buttons = new QVBoxLayout;
  auto add = [&](const char* text) {
    auto* b = new QPushButton(Q(text), this);
    b->setAutoDefault(false);
    buttons->addWidget(b);
    return b;
  };
  edit_ = add(msg::SQoStateEdit);
  add_ = add(msg::SQoStateAdd);
  delete_ = add(msg::SQoStateDeleteButton);
  buttons->addSpacing(12);
  to_disk_ = add(msg::SQoStateToDisk);
  from_disk_ = add(msg::SQoStateFromDisk);
  buttons->addStretch(1);
  exit_ = add(msg::SQoChoiceStateExit);
  connect(edit_, &QPushButton::clicked, this, &TChoiceEditGrdForm::EditCurrent);
  connect(add_, &QPushButton::clicked, this, &TChoiceEditGrdForm::AddState);
  connect(delete_, &QPushButton::clicked, this, &TChoiceEditGrdForm::DeleteCurrent);
  connect(to_disk_, &QPushButton::clicked, this, &TChoiceEditGrdForm::ToDisk);
  connect(from_disk_, &QPushButton::clicked, this, &TChoiceEditGrdForm::FromDisk);
  connect(exit_, &QPushButton::clicked, this, &QDialog::reject);

  auto* left = new QVBoxLayout;
  left->addWidget(grid_, 1);
  left->addWidget(progress_);
  left->addWidget(all_groups_);
  auto* layout = new QHBoxLayout(this);
  layout->addLayout(left, 1);
  layout->addLayout(buttons);
  resize(780, 420);
  grid_->setFocus();
}

TChoiceEditGrdForm::~TChoiceEditGrdForm() {
  form_link_->SetForm(nullptr);
  delete edit_form_;
  grid_->SetDataSource(nullptr);
  query_->Close();
}

bool TChoiceEditGrdForm::eventFilter(QObject* watched, QEvent* event) {
  // Enter on the list edits the current state, as a double click does.
  if (watched == grid_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier) {
      EditCurrent();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

std::string TChoiceEditGrdForm::ListSQL() {
  // The group is matched as a LIKE pattern with "\" as escape: a group name's own "_" (every
  // group has one) matches only itself; "%" lists every group.
  return "SELECT * FROM SYS_GRIDS\nWHERE\nGR_APP_NAM = :AppNam AND\nGR_GRD_NAM LIKE :GrdNam ESCAPE '\\'\n"
         "ORDER BY GR_GRD_NAM, GR_GRD_CMT";
}

void TChoiceEditGrdForm::OpenList() {
  std::string pattern = "%";
  if (!all_groups_->isChecked()) {
    pattern.clear();
    for (char c : group_) {
      if (c == '%' || c == '_' || c == '\\') pattern += '\\';
      pattern += c;
    }
  }
  query_->Close();
  query_->ParamByName("AppNam")->SetAsString(ApplicationName);
  query_->ParamByName("GrdNam")->SetAsString(pattern);
  query_->Open();
}

void TChoiceEditGrdForm::DressFields() {
  for (TField* f : query_->Fields()) {
    f->SetVisible(false);
    for (const TEditorColumn& c : kEditorColumns) {
      if (!SameText(f->FieldName(), c.Field)) continue;
      f->SetDisplayLabel(c.Label);
      f->SetDisplayWidth(c.Width);
      f->SetVisible(std::string_view(c.Field) != "GR_GRD_NAM" || all_groups_->isChecked());
    }
  }
}

std::string TChoiceEditGrdForm::CurrentGroup() const {
  if (!query_->Active() || query_->IsEmpty()) return {};
  return query_->FieldByName("GR_GRD_NAM")->AsString();
}

std::string TChoiceEditGrdForm::CurrentTitle() const {
  if (!query_->Active() || query_->IsEmpty()) return {};
  return query_->FieldByName("GR_GRD_CMT")->AsString();
}

bool TChoiceEditGrdForm::Locate(const std::string& group, const std::string& title) {
  if (!query_->Active()) return false;
  return query_->Locate("GR_GRD_NAM;GR_GRD_CMT", {Variant(group), Variant(title)});
}

void TChoiceEditGrdForm::RunEditForm(bool insert) {
  if (!insert && CurrentTitle().empty()) return;
  if (insert) form_link_->Insert(source_.get());
  else form_link_->Edit(source_.get());
  if (!form_link_->Saved()) return;
  // The list was reopened on the remembered row; a renamed or new state is found by its key.
  TQuery& row = *edit_form_->Query();
  if (!row.Active() || row.IsEmpty()) return;
  const std::string group = row.FieldByName("GR_GRD_NAM")->AsString();
  const std::string title = row.FieldByName("GR_GRD_CMT")->AsString();
  if (CurrentGroup() != group || CurrentTitle() != title) {
    if (!Locate(group, title)) {
      OpenList();
      Locate(group, title);
    }
  }
}

void TChoiceEditGrdForm::EditCurrent() {
  try {
    RunEditForm(false);
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

void TChoiceEditGrdForm::AddState() {
  try {
    RunEditForm(true);
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

void TChoiceEditGrdForm::DeleteCurrent() {
  const std::string title = CurrentTitle();
  if (title.empty()) return;
  if (MessageDlg(msg::SQoStateSureDelete, TMsgDlgType::mtConfirmation, mbYesNoCancel) != mrYes) return;
  try {
    form_link_->Delete(source_.get());
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

std::vector<TGridState> TChoiceEditGrdForm::ListedStates() {
  std::vector<TGridState> states = TGridStateStore(database_).List("%");
  if (!all_groups_->isChecked()) {
    std::erase_if(states, [this](const TGridState& s) { return s.Group != group_; });
  }
  return states;
}

void TChoiceEditGrdForm::ToDisk() {
  if (MessageDlg(msg::SQoStateSureToDisk, TMsgDlgType::mtWarning, mbYesNoCancel) != mrYes) return;
  std::string dir;
  if (!GetPath(dir)) return;
  try {
    ExportGridStates(dir, ListedStates());
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

void TChoiceEditGrdForm::FromDisk() {
  if (MessageDlg(msg::SQoStateSureFromDisk, TMsgDlgType::mtWarning, mbYesNoCancel) != mrYes) return;
  std::string dir;
  if (!GetPath(dir)) return;
  progress_->setRange(0, 1);
  progress_->setValue(0);
  progress_->show();
  try {
    TGridStateStore(database_).Import(dir, [this](int done, int total) {
      progress_->setRange(0, std::max(total, 1));
      progress_->setValue(done);
    });
  } catch (const std::exception& e) {
    progress_->hide();
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
  progress_->hide();
  try {
    OpenList();
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
  }
}

}  // namespace bexlo
