#include "widgets/entry/dic_choice_form.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QVBoxLayout>

#include "db/data_source.h"
#include "db/query.h"
#include "entry/dic_lookup.h"
#include "util/messages.h"
#include "util/strings.h"
#include "widgets/grid/search_grid.h"

namespace bexlo {
namespace {

// The choice window's grid: a double click chooses the row and nothing else (the grid's memo
// view stays on Ctrl+M).
class TDicChoiceGrid final : public TSearchDBGrid {
 public:
  using TSearchDBGrid::TSearchDBGrid;

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override {
    QTableView::mouseDoubleClickEvent(event);
    if (OnDblClick) OnDblClick(this);
  }
};

TDicChoiceForm::TModalRunner& Runner() {
  static TDicChoiceForm::TModalRunner runner;
  return runner;
}

constexpr int kPanelHeight = 41;
constexpr int kButtonWidth = 100;
constexpr int kButtonHeight = 25;
constexpr int kButtonGap = 115;  // from the left of "Choose" to the left of Cancel
constexpr int kButtonsSpan = 215;

}  // namespace

TDicChoiceForm::TDicChoiceForm(QWidget* parent)
    : QDialog(parent), query_(std::make_unique<TQuery>()), source_(std::make_unique<TDataSource>()) {
  setWindowTitle(QString::fromUtf8(msg::SQoDicCaption));
  source_->SetDataSet(query_.get());
  query_->AfterOpen = [this](TDataSet* dataSet) {
    if (has_field_map_) DataSetFieldMap(dataSet, field_map_);
  };

  grid_ = new TDicChoiceGrid(this);
  grid_->RptName = "sys";
  grid_->SetFixedCols(0);
  grid_->SetOptions(dgTitles | dgIndicator | dgColumnResize | dgColLines | dgRowLines | dgAlwaysShowSelection |
                    dgConfirmDelete | dgCancelOnExit);
  grid_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  grid_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  grid_->SetDataSource(source_.get());
  grid_->OnDblClick = [this](QObject*) { accept(); };

  panel_ = new QWidget(this);
  panel_->setFixedHeight(kPanelHeight);
  choose_ = new QPushButton(QString::fromUtf8(msg::SQoDicChoose), panel_);
  cancel_ = new QPushButton(QString::fromUtf8(msg::SQoDicCancel), panel_);
  for (QPushButton* b : {choose_, cancel_}) b->resize(kButtonWidth, kButtonHeight);
  choose_->setDefault(true);
  choose_->setAutoDefault(true);
  cancel_->setAutoDefault(false);
  connect(choose_, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(grid_, 1);
  layout->addWidget(panel_);
  setTabOrder(grid_, choose_);
  setTabOrder(choose_, cancel_);

  resize(kDicFormWidth, kDicFormHeight);
  PlaceButtons();
}

TDicChoiceForm::~TDicChoiceForm() {
  // The grid lets go of the data source before the query it shows goes away.
  grid_->SetDataSource(nullptr);
  query_->AfterOpen = nullptr;
  query_->Close();
}

void TDicChoiceForm::SetFieldMap(const TStrings* map) {
  has_field_map_ = map != nullptr;
  field_map_ = map != nullptr ? map->Text() : std::string();
}

void TDicChoiceForm::SetFieldMap(std::string_view mapText) {
  has_field_map_ = true;
  field_map_ = std::string(mapText);
}

void TDicChoiceForm::PlaceButtons() {
  const int left = (width() - kButtonsSpan) / 2;
  const int top = (kPanelHeight - kButtonHeight) / 2;
  choose_->move(left, top);
  cancel_->move(left + kButtonGap, top);
}

void TDicChoiceForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  PlaceButtons();
}

void TDicChoiceForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  grid_->setFocus(Qt::OtherFocusReason);
  if (placed_) return;
  placed_ = true;
  // Centred on the screen the window opens on.
  QScreen* screen = parentWidget() != nullptr ? parentWidget()->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width() / 2, height() / 2));
  }
}

int TDicChoiceForm::Execute(TDicChoiceForm& form) {
  if (Runner()) return Runner()(form);
  return form.exec();
}

TDicChoiceForm::TModalRunner TDicChoiceForm::SetModalRunner(TModalRunner runner) {
  TModalRunner previous = std::move(Runner());
  Runner() = std::move(runner);
  return previous;
}

// ---- the dictionary choice of report scripts ---------------------------------------------------------

void DicChoice(const TDicChoiceParams& params, Variant& result) {
  result = Variant();
  TDicChoiceForm form(QApplication::activeWindow());
  form.Grid()->SetSearchInUse(params.SearchInUse);
  if (params.TitleRows > 0) form.Grid()->SetTitleRows(params.TitleRows);
  TQuery& query = *form.Query();
  query.SetDatabaseName(params.DatabaseName);
  query.SetSQLText(params.SQL);
  form.SetFieldMap(params.FieldMap);
  query.Prepare();
  if (params.SetParams) params.SetParams(&query);
  query.Open();
  if (TDicChoiceForm::Execute(form) != QDialog::Accepted || params.ResultField.empty()) return;
  if (!query.Active() || query.IsEmpty()) return;
  result = DicResultValue(*query.FieldByName(params.ResultField));
}

void InstallDicButtonHook() { Report_DicButton = DicChoice; }

}  // namespace bexlo
