#include "widgets/states/state_editor.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
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
#include "widgets/grid/search_grid.h"

namespace bexlo {

namespace {

QString Q(const char* text) { return QString::fromUtf8(text); }
QString Q(const std::string& text) { return QString::fromStdString(text); }

QString JoinLines(const std::vector<std::string>& lines) {
  QStringList out;
  for (const std::string& l : lines) out << Q(l);
  return out.join(QLatin1Char('\n'));
}

// The lines of a memo; a trailing empty line (the last line break) is not a line of its own.
std::vector<std::string> MemoLines(const QPlainTextEdit* memo) {
  QString text = memo->toPlainText();
  std::vector<std::string> lines;
  if (text.isEmpty()) return lines;
  if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
  for (const QString& l : text.split(QLatin1Char('\n'))) lines.push_back(l.toStdString());
  return lines;
}

// The column of a list field: its label and width, and whether it shows.
struct TEditorColumn {
  const char* Field;
  const char* Label;
  int Width;
};
constexpr TEditorColumn kEditorColumns[] = {
    {"GR_GRD_NAM", msg::SQoStateColGroup, 24},   {"GR_GRD_CMT", msg::SQoStateColName, 24},
    {"GR_GRD_SRH", msg::SQoStateColSearch, 16},  {"GR_GRD_CHS", msg::SQoStateColMark, 12},
    {"GR_GRD_BLD", msg::SQoStateColBuild, 18},   {"GR_GRD_ORD", msg::SQoStateColOrder, 12},
};

}  // namespace

// ---- TGridEditForm ----------------------------------------------------------------------------------

TGridEditForm::TGridEditForm(std::string databaseName, QWidget* parent)
    : QDialog(parent), database_(std::move(databaseName)) {
  setWindowTitle(Q(msg::SQoStateEditorCaption));
  name_ = new QLineEdit(this);
  name_->setMaxLength(kGridStateNameLength);
  group_ = new QLineEdit(this);
  group_->setMaxLength(kGridStateNameLength);
  auto* pick = new QToolButton(this);
  pick->setText(QStringLiteral("+"));
  pick->setToolTip(Q(msg::SQoStateGroups));
  group_dic_ = pick;
  auto* groupRow = new QHBoxLayout;
  groupRow->setSpacing(2);
  groupRow->addWidget(group_, 1);
  groupRow->addWidget(group_dic_);

  auto* form = new QFormLayout;
  form->addRow(Q(msg::SQoStateName), name_);
  form->addRow(Q(msg::SQoStateGroup), groupRow);

  pages_ = new QTabWidget(this);
  const char* titles[4] = {msg::SQoStatePageSearch, msg::SQoStatePageMark, msg::SQoStatePageBuild,
                           msg::SQoStatePageOrder};
  for (int i = 0; i < 4; ++i) {
    memos_[i] = new QPlainTextEdit(pages_);
    memos_[i]->setLineWrapMode(QPlainTextEdit::NoWrap);
    memos_[i]->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memos_[i]->setTabChangesFocus(true);
    pages_->addTab(memos_[i], Q(titles[i]));
  }

  auto* buttons = new QDialogButtonBox(this);
  save_ = buttons->addButton(Q(msg::SQoSaveStateSave), QDialogButtonBox::AcceptRole);
  buttons->addButton(Q(msg::SQoStateCancel), QDialogButtonBox::RejectRole);
  save_->setDefault(true);
  connect(save_, &QPushButton::clicked, this, &TGridEditForm::Save);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(pages_, 1);
  layout->addWidget(buttons);
  resize(520, 400);
  name_->setFocus();
}

TGridEditForm::~TGridEditForm() = default;

bool TGridEditForm::EditState(const std::string& group, const std::string& title) {
  std::optional<TGridState> state = TGridStateStore(database_).Load(group, title);
  if (!state) return false;
  original_ = state;
  SetState(*state);
  loaded_ = State();
  return true;
}

void TGridEditForm::NewState(const std::string& group) {
  original_.reset();
  TGridState state;
  state.Group = group;
  SetState(state);
  loaded_ = State();
}

TGridState TGridEditForm::State() const {
  TGridState s;
  s.Title = Trim(name_->text().toStdString());
  s.Group = Trim(group_->text().toStdString());
  s.Search = MemoLines(memos_[0]);
  s.Choice = MemoLines(memos_[1]);
  s.Build = MemoLines(memos_[2]);
  s.Order = MemoLines(memos_[3]);
  return s;
}

void TGridEditForm::SetState(const TGridState& state) {
  name_->setText(Q(state.Title));
  group_->setText(Q(state.Group));
  memos_[0]->setPlainText(JoinLines(state.Search));
  memos_[1]->setPlainText(JoinLines(state.Choice));
  memos_[2]->setPlainText(JoinLines(state.Build));
  memos_[3]->setPlainText(JoinLines(state.Order));
}

bool TGridEditForm::Modified() const { return !(State() == loaded_); }

void TGridEditForm::Post() {
  const TGridState state = State();
  if (state.Title.empty()) {
    name_->setFocus();
    throw Exception(msg::SQoStateNameEmpty);
  }
  TGridStateStore store(database_);
  TDatabase* db = Session().OpenDatabase(database_);
  db->Atomic([&] {
    const bool renamed = !original_ || original_->Group != state.Group || original_->Title != state.Title;
    if (renamed && store.Load(state.Group, state.Title)) {
      throw Exception(Format(msg::SQoStateExists, state.Title, state.Group));
    }
    if (original_ && renamed) store.Delete(original_->Group, original_->Title);
    store.Save(state, true);
  });
  original_ = state;
  loaded_ = state;
}

void TGridEditForm::Save() {
  try {
    Post();
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return;
  }
  accept();
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
  resize(720, 420);
  grid_->setFocus();
}

TChoiceEditGrdForm::~TChoiceEditGrdForm() {
  grid_->SetDataSource(nullptr);
  query_->Close();
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
  TGridEditForm form(database_, this);
  if (insert) {
    form.NewState(group_);
  } else {
    const std::string title = CurrentTitle();
    if (title.empty()) return;
    if (!form.EditState(CurrentGroup(), title)) {
      OpenList();
      return;
    }
  }
  edit_form_ = &form;
  const int result = form.exec();
  edit_form_ = nullptr;
  if (result != QDialog::Accepted) return;
  const TGridState saved = form.State();
  OpenList();
  Locate(saved.Group, saved.Title);
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
    TGridStateStore(database_).Delete(CurrentGroup(), title);
    OpenList();
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
