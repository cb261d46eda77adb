#include "widgets/grid/grid_windows.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "db/data_source.h"
#include "db/database.h"
#include "db/dialect.h"
#include "db/field.h"
#include "db/query.h"
#include "grid/grid_labels.h"
#include "grid/record_count.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/grid/grid_popup_menu.h"
#include "widgets/grid/search_grid.h"

namespace bexlo {

// ---- TGridMemoForm --------------------------------------------------------------------------------

TGridMemoForm::TGridMemoForm(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QString::fromUtf8(msg::SPuMemoCaption));
  memo_ = new QPlainTextEdit(this);
  memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
  memo_->setReadOnly(true);

  auto* buttons = new QDialogButtonBox(this);
  auto* print = buttons->addButton(QString::fromUtf8(msg::SPuMemoPrint), QDialogButtonBox::ActionRole);
  auto* save = buttons->addButton(QString::fromUtf8(msg::SPuMemoSave), QDialogButtonBox::ActionRole);
  plan_button_ = buttons->addButton(QString::fromUtf8(msg::SPuMemoPlan), QDialogButtonBox::ActionRole);
  auto* cancel = buttons->addButton(QString::fromUtf8(msg::SPuMemoCancel), QDialogButtonBox::RejectRole);
  cancel->setDefault(true);
  plan_button_->hide();
  connect(print, &QPushButton::clicked, this, &TGridMemoForm::Print);
  connect(save, &QPushButton::clicked, this, [this] { Save(); });
  connect(plan_button_, &QPushButton::clicked, this, &TGridMemoForm::ExplainPlan);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(memo_);
  layout->addWidget(buttons);
  resize(560, 380);
}

TGridMemoForm::~TGridMemoForm() = default;

QStringList TGridMemoForm::Items() const {
  QString text = memo_->toPlainText();
  if (text.isEmpty()) return {};
  return text.split(QLatin1Char('\n'));
}

void TGridMemoForm::SetItems(const QStringList& lines) { memo_->setPlainText(lines.join(QLatin1Char('\n'))); }

void TGridMemoForm::Add(const QString& line) { memo_->appendPlainText(line); }

void TGridMemoForm::SetPlanVisible(bool visible) { plan_button_->setVisible(visible); }

void TGridMemoForm::Print() {
  QPrinter printer;
  QPrintDialog dialog(&printer, this);
  if (dialog.exec() != QDialog::Accepted) return;
  memo_->document()->print(&printer);
}

bool TGridMemoForm::Save() {
  const std::optional<std::string> name = UserInteraction().SaveFileDialog(
      msg::SPuMemoSaveTitle, msg::SPuMemoSaveFilter, "", "", "txt");
  if (!name) return false;
  QSaveFile file(QString::fromStdString(*name));
  QByteArray data = memo_->toPlainText().toUtf8();
  if (!data.isEmpty()) data.append('\n');
  if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.commit()) {
    MessageDlg(Format(msg::SFCreateError, *name, file.errorString().toStdString()), TMsgDlgType::mtError, mbOK);
    return false;
  }
  return true;
}

void TGridMemoForm::ExplainPlan() {
  TSQLPlanForm form(this);
  form.DatabaseName = DatabaseName;
  try {
    form.SetSQL(memo_->toPlainText().toStdString());
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return;
  }
  form.exec();
}

// ---- TSQLPlanForm ------------------------------------------------------------------------------------

TSQLPlanForm::TSQLPlanForm(QWidget* parent)
    : QDialog(parent), query_(std::make_unique<TQuery>()), source_(std::make_unique<TDataSource>()) {
  setWindowTitle(QString::fromUtf8(msg::SPuPlanCaption));
  source_->SetDataSet(query_.get());
  grid_ = new TSearchDBGrid(this);
  grid_->SetSearchInUse(false);
  grid_->SetTitleRows(1);
  grid_->SetDataSource(source_.get());
  auto* buttons = new QDialogButtonBox(this);
  auto* exit = buttons->addButton(QString::fromUtf8(msg::SPuPlanExit), QDialogButtonBox::AcceptRole);
  exit->setDefault(true);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(grid_);
  layout->addWidget(buttons);
  resize(640, 360);
}

TSQLPlanForm::~TSQLPlanForm() {
  grid_->SetDataSource(nullptr);
  query_->Close();
}

void TSQLPlanForm::SetSQL(const std::string& sql) {
  query_->Close();
  query_->SetDatabaseName(DatabaseName);
  TDatabase& db = query_->OpenDatabase();
  // The plan as an indented tree, one row per step, read through the engine's own statement.
  const std::vector<std::string> lines = db.ExplainPlan(sql);
  std::string text = "select column1 as QueryPlan from (values ";
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += ", ";
    text += "(" + db.Dialect().QuoteString(lines[i]) + ")";
  }
  if (lines.empty()) text += "('')";
  text += ") as plan_rows";
  query_->SetParamCheck(false);
  query_->SetSQLText(text);
  query_->Open();
  if (grid_->Columns().Count() > 0) grid_->Columns().Items(0)->SetWidth(std::max(grid_->width() - 40, 560));
}

// ---- the hook routines -----------------------------------------------------------------------------

std::unique_ptr<TGridMemoForm> CreateExcerptForm(TUCustomDBGrid* grid) {
  TDataSet* ds = grid->ActiveDataSet();
  if (ds == nullptr) return nullptr;
  std::vector<TExcerptColumn> columns;
  for (int i = 0; i < grid->Columns().Count(); ++i) {
    TUColumn* c = grid->Columns().Items(i);
    TExcerptColumn e;
    e.Caption = c->Title().Caption().toStdString();
    e.Width = c->Width();
    if (TField* f = c->Field()) e.DisplayText = f->DisplayText();
    columns.push_back(std::move(e));
  }
  auto form = std::make_unique<TGridMemoForm>(grid->window());
  QStringList lines;
  for (const std::string& line : ExcerptLines(columns, grid->TitleRows(), grid->FormatByWidth())) {
    lines << QString::fromStdString(line);
  }
  form->SetItems(lines);
  return form;
}

std::unique_ptr<TGridMemoForm> CreateMemoForm(TUCustomDBGrid* grid) {
  TDataSet* ds = grid->ActiveDataSet();
  TField* field = grid->SelectedField();
  if (ds == nullptr || field == nullptr || field->DataType() != ftMemo || field->IsNull()) return nullptr;
  auto form = std::make_unique<TGridMemoForm>(grid->window());
  form->setWindowTitle(QString::fromStdString(field->DisplayLabel()));
  QString text = QString::fromStdString(field->AsString());
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  form->SetItems(text.split(QLatin1Char('\n')));
  form->Memo()->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  return form;
}

std::string GridRecordCountText(TUCustomDBGrid* grid) {
  TDataSet* ds = grid->ActiveDataSet();
  TField* field = grid->SelectedField();
  if (ds == nullptr || field == nullptr) return {};
  return RecordCountMessage(CountRecords(*ds, field));
}

void GridShowMemo(TUCustomDBGrid* grid) {
  if (auto form = CreateMemoForm(grid)) form->exec();
}

void GridShowData(TUCustomDBGrid* grid) {
  if (auto form = CreateExcerptForm(grid)) form->exec();
}

void GridShowRecordCount(TUCustomDBGrid* grid) {
  std::string text;
  try {
    text = GridRecordCountText(grid);
  } catch (const std::exception& e) {
    MessageDlg(e.what(), TMsgDlgType::mtError, mbOK);
    return;
  }
  if (!text.empty()) MessageDlg(text, TMsgDlgType::mtInformation, mbOK);
}

namespace {
TPopupMenu* GridPopupMenuHook() { return SharedGridPopupMenu(); }
}  // namespace

void InstallGridHooks() {
  DBGrid_ShowMemo = GridShowMemo;
  DBGrid_ShowData = GridShowData;
  DBGrid_ShowRecordCount = GridShowRecordCount;
  DBGrid_PopupMenu = GridPopupMenuHook;
}

}  // namespace bexlo
