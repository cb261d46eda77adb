#include "widgets/grid/db_grid.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <optional>

#include "db/data_source.h"
#include "db/dataset.h"
#include "db/field.h"
#include "grid/choice_list.h"
#include "grid/search_input.h"
#include "grid/search_sql.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/text.h"
#include "util/ui_services.h"
#include "widgets/grid/grid_headers.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/popup_menu.h"

namespace bexlo {

namespace {

constexpr int kMaxFixedCols = 7;

// Forwards the frozen view's mouse gestures to the grid (focus, double click, popup menu).
class FrozenFilter : public QObject {
 public:
  explicit FrozenFilter(TUCustomDBGrid* grid) : QObject(grid), grid_(grid) {}
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress: {
        grid_->setFocus(Qt::MouseFocusReason);
        auto* e = static_cast<QMouseEvent*>(event);
        TDataSet* ds = grid_->ActiveDataSet();
        if ((grid_->Options() & dgMultiSelect) && ds != nullptr && e->button() == Qt::LeftButton) {
          // A click on a frozen column selects records as on the others.
          const QModelIndex index = grid_->FrozenView()->indexAt(e->position().toPoint());
          if (!index.isValid()) break;
          if (index == grid_->currentIndex() && grid_->HasEllipsisButton(index.column()) &&
              TGridCellDelegate::EllipsisButtonRect(grid_->FrozenView()->visualRect(index))
                  .contains(e->position().toPoint())) {
            break;  // the button of the current cell
          }
          const int from = ds->CurrentIndex();
          grid_->setCurrentIndex(index);
          grid_->ClickSelect(index, e->modifiers(), from);
          return true;
        }
        break;
      }
      case QEvent::MouseButtonDblClick: grid_->ShowMemo(); return true;
      case QEvent::ContextMenu: {
        auto* e = static_cast<QContextMenuEvent*>(event);
        grid_->ShowPopupMenu(grid_->mapFromGlobal(e->globalPos()));
        return true;
      }
      default: break;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  TUCustomDBGrid* grid_;
};

}  // namespace

TUCustomDBGrid::TUCustomDBGrid(QWidget* parent)
    : QTableView(parent),
      link_(std::make_unique<TGridDataLink>(this)),
      columns_(this),
      search_list_(std::make_unique<TStringList>()),
      choice_list_(std::make_unique<TStringList>()),
      selected_rows_(std::make_unique<TUBookmarkList>([this] { return ActiveDataSet(); })) {
  selected_rows_->OnChange = [this] { SelectionChanged(); };
  choice_list_->SetCaseSensitive(true);
  choice_list_->OnChange = [this](TObject*) { ChoiceListChanged(); };
  search_list_->SetCaseSensitive(true);

  model_ = new TDBGridModel(this);
  title_header_ = new TGridTitleHeader(this, this);
  indicator_ = new TGridIndicatorHeader(this, this);
  setHorizontalHeader(title_header_);
  setVerticalHeader(indicator_);
  setModel(model_);
  setItemDelegate(new TGridCellDelegate(this, this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setWordWrap(false);
  setAlternatingRowColors(false);
  setCornerButtonEnabled(false);
  setTabKeyNavigation(true);
  corner_ = new TGridIndicatorCorner(this, this);

  connect(title_header_, &QHeaderView::sectionClicked, this, [this](int section) {
    if (OnTitleClick && section >= 0 && section < columns_.Count()) OnTitleClick(columns_.Items(section));
  });
  connect(title_header_, &QHeaderView::sectionResized, this, [this](int section, int, int size) {
    if (applying_widths_ || section < 0 || section >= columns_.Count()) return;
    applying_widths_ = true;
    columns_.Items(section)->SetWidth(size);
    if (frozen_ != nullptr) frozen_->setColumnWidth(section, size);
    applying_widths_ = false;
    UpdateFrozenGeometry();
  });
  connect(title_header_, &QHeaderView::sectionMoved, this, [this](int, int from, int to) {
    // The header only shows the drag: the columns' own order changes and the header's mapping
    // goes back to one column per section.
    title_header_->blockSignals(true);
    title_header_->moveSection(to, from);
    title_header_->blockSignals(false);
    MoveColumn(from, to);
  });
  connect(horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this](int value) {
    SnapHorizontalScroll(value);
    last_scroll_ = horizontalScrollBar()->value();
  });
  connect(this, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) {
    if (OnCellClick && index.column() < columns_.Count()) OnCellClick(columns_.Items(index.column()));
  });

  if (QMenu* menu = GridPopupMenu()) (void)menu;  // the shared menu exists from the first grid on
  SetOptions(options_);
  LayoutChanged();
}

TUCustomDBGrid::~TUCustomDBGrid() {
  // The frozen view's header and delegate call back into this grid: the view goes first, while
  // the grid is still whole (as a child it would be deleted by QWidget's destructor, after it).
  delete frozen_;
  frozen_ = nullptr;
  choice_matcher_.reset();
  choice_list_->OnChange = nullptr;
  selected_rows_->OnChange = nullptr;
  link_->SetDataSource(nullptr);
}

// ---- data -----------------------------------------------------------------------------------------

void TUCustomDBGrid::SetDataSource(TDataSource* source) {
  if (data_source_ == source) return;
  data_source_ = source;
  link_->SetDataSource(source);
  DataActiveChanged();
}

TDataSet* TUCustomDBGrid::DataSet() const { return data_source_ != nullptr ? data_source_->DataSet() : nullptr; }

TDataSet* TUCustomDBGrid::ActiveDataSet() const {
  TDataSet* ds = DataSet();
  return ds != nullptr && ds->Active() && link_->Active() ? ds : nullptr;
}

// ---- properties -----------------------------------------------------------------------------------

void TUCustomDBGrid::SetSearchInUse(bool value) {
  if (search_in_use_ == value) return;
  search_in_use_ = value;
  SetOptions(options_);
  LayoutChanged();
}

void TUCustomDBGrid::SetSearchColor(const QColor& color) {
  if (search_color_ == color) return;
  search_color_ = color;
  LayoutChanged();
}

void TUCustomDBGrid::SetTitleRows(int rows) {
  if (rows <= 0 || rows > 255 || rows == title_rows_) return;
  title_rows_ = rows;
  LayoutChanged();
}

void TUCustomDBGrid::SetFormatByWidth(bool value) {
  if (format_by_width_ == value) return;
  format_by_width_ = value;
  LayoutChanged();
}

void TUCustomDBGrid::SetChoiceColor(const QColor& color) {
  if (choice_color_ == color) return;
  choice_color_ = color;
  LayoutChanged();
}

void TUCustomDBGrid::SetChoiceInvert(bool value) {
  if (choice_invert_ == value) return;
  choice_invert_ = value;
  choice_matcher_.reset();
  LayoutChanged();
}

void TUCustomDBGrid::SetChoiceList(const TStrings& list) {
  choice_list_->OnChange = nullptr;
  choice_list_->Assign(&list);
  choice_list_->OnChange = [this](TObject*) { ChoiceListChanged(); };
  ChoiceListChanged();
}

void TUCustomDBGrid::ChoiceListChanged() {
  choice_matcher_.reset();
  LayoutChanged();
}

void TUCustomDBGrid::SetFixedCols(int n) {
  if (n == fixed_cols_) return;
  n = std::min(n, kMaxFixedCols);
  if (columns_.Count() > 0) n = std::min(n, columns_.Count() - 1);
  n = std::max(n, 0);
  fixed_cols_ = n;
  LayoutChanged();
}

void TUCustomDBGrid::SetOptions(TDBGridOptions options) {
  options_ = options;
  if (!(options_ & dgMultiSelect)) {
    selected_rows_->Clear();
    select_anchor_ = -1;
  }
  horizontalHeader()->setVisible(true);
  verticalHeader()->setVisible((options_ & dgIndicator) != 0);
  setShowGrid((options_ & (dgColLines | dgRowLines)) != 0);
  setTabKeyNavigation((options_ & dgTabs) != 0);
  horizontalHeader()->setSectionResizeMode((options_ & dgColumnResize) ? QHeaderView::Interactive
                                                                       : QHeaderView::Fixed);
  // Titles are dragged to move columns where they may be resized.
  title_header_->setSectionsMovable((options_ & dgColumnResize) != 0);
  setSelectionBehavior((options_ & dgRowSelect) ? SelectRows : SelectItems);
  setEditTriggers((options_ & dgEditing) ? (EditKeyPressed | AnyKeyPressed) : NoEditTriggers);
  LayoutChanged();
}

void TUCustomDBGrid::SetReadOnly(bool value) { read_only_ = value; }

QFont TUCustomDBGrid::TitleFont() const { return horizontalHeader()->font(); }

// ---- layout ------------------------------------------------------------------------------------------

int TUCustomDBGrid::TitleHeight() const {
  if (!(options_ & dgTitles)) return 0;
  int h = 0;
  if (columns_.Count() == 0) {
    h = QFontMetrics(TitleFont()).height() + 4;
  } else {
    for (int i = 0; i < columns_.Count(); ++i) {
      h = std::max(h, QFontMetrics(columns_.Items(i)->Title().Font()).height() + 4);
    }
  }
  return (h - 3) * title_rows_ + 3;
}

int TUCustomDBGrid::ScreenRows() const {
  const int rowHeight = std::max(1, verticalHeader()->defaultSectionSize());
  return std::max(1, viewport()->height() / rowHeight + 1);
}

int TUCustomDBGrid::SearchRowHeight() const {
  return search_in_use_ ? QFontMetrics(font()).height() + 8 : 0;
}

void TUCustomDBGrid::LayoutChanged() {
  const int rowHeight = QFontMetrics(font()).height() + 8;
  verticalHeader()->setMinimumSectionSize(std::min(rowHeight, 8));
  verticalHeader()->setDefaultSectionSize(rowHeight);
  horizontalHeader()->setFixedHeight(TitleHeight() + SearchRowHeight());
  horizontalHeader()->setVisible(horizontalHeader()->height() > 0);
  verticalHeader()->setFixedWidth(TGridIndicatorHeader::kWidth);

  const int frozen = fixed_cols_;
  if (frozen > 0 && frozen_ == nullptr) {
    frozen_ = new QTableView(this);
    frozen_->setObjectName(QStringLiteral("frozenColumns"));
    frozen_->setModel(model_);
    frozen_->setSelectionModel(selectionModel());
    frozen_->setItemDelegate(new TGridCellDelegate(this, frozen_));  // its own: editors report to their view
    frozen_->setHorizontalHeader(new TGridTitleHeader(this, frozen_));
    frozen_->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    frozen_->verticalHeader()->hide();
    frozen_->setFocusPolicy(Qt::NoFocus);
    frozen_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    frozen_->setVerticalScrollMode(verticalScrollMode());
    frozen_->setEditTriggers(NoEditTriggers);
    frozen_->setWordWrap(false);
    // A firmer line on the right edge shows where the frozen columns end.
    frozen_->setStyleSheet(QStringLiteral(
        "QTableView#frozenColumns { border: none; border-right: 2px solid palette(dark); }"));
    frozen_->viewport()->installEventFilter(new FrozenFilter(this));
    // The frozen view edits its own columns (edit()); when its editor closes, typing goes back
    // to the grid.
    connect(frozen_->itemDelegate(), &QAbstractItemDelegate::closeEditor, this, [this](QWidget* editor) {
      if (frozen_ != nullptr && editor != nullptr && frozen_->isAncestorOf(editor)) setFocus();
    });
    viewport()->stackUnder(frozen_);
    connect(frozen_->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, frozen_->verticalScrollBar(),
            &QAbstractSlider::setValue);
  }
  if (frozen_ != nullptr) {
    frozen_->setFont(font());
    frozen_->setShowGrid(showGrid());
    frozen_->verticalHeader()->setMinimumSectionSize(std::min(rowHeight, 8));
    frozen_->verticalHeader()->setDefaultSectionSize(rowHeight);
    frozen_->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    frozen_->horizontalHeader()->setVisible(horizontalHeader()->isVisible());
    for (int c = 0; c < model_->columnCount(); ++c) frozen_->setColumnHidden(c, c >= frozen);
    frozen_->setVisible(frozen > 0);
    frozen_->verticalScrollBar()->setValue(verticalScrollBar()->value());
  }
  ApplyColumnWidths();
  UpdateFrozenGeometry();
  horizontalHeader()->viewport()->update();
  if (frozen_ != nullptr) {
    frozen_->horizontalHeader()->viewport()->update();
    frozen_->viewport()->update();
  }
  model_->Repaint();
  viewport()->update();
  verticalHeader()->viewport()->update();
  corner_->update();
}

void TUCustomDBGrid::ApplyColumnWidths() {
  if (applying_widths_) return;
  applying_widths_ = true;
  const int n = std::min(columns_.Count(), model_->columnCount());
  for (int c = 0; c < n; ++c) {
    const int w = columns_.Items(c)->Width();
    if (columnWidth(c) != w) setColumnWidth(c, w);
    if (frozen_ != nullptr && frozen_->columnWidth(c) != w) frozen_->setColumnWidth(c, w);
  }
  applying_widths_ = false;
}

void TUCustomDBGrid::UpdateFrozenGeometry() {
  if (corner_ != nullptr) {
    corner_->setGeometry(frameWidth(), frameWidth(), verticalHeader()->isVisible() ? verticalHeader()->width() : 0,
                         horizontalHeader()->isVisible() ? horizontalHeader()->height() : 0);
    corner_->setVisible(verticalHeader()->isVisible() && horizontalHeader()->isVisible());
    corner_->raise();
  }
  if (frozen_ == nullptr || fixed_cols_ == 0) return;
  int width = 0;
  for (int c = 0; c < fixed_cols_ && c < model_->columnCount(); ++c) width += columnWidth(c);
  const int left = frameWidth() + (verticalHeader()->isVisible() ? verticalHeader()->width() : 0);
  frozen_->setGeometry(left, frameWidth(), width + 2, viewport()->height() + horizontalHeader()->height());
}

void TUCustomDBGrid::ColumnsChanged(TUColumn* column) {
  if (column != nullptr && model_->columnCount() == columns_.Count()) {
    const int c = column->Index();
    if (c >= 0) {
      ApplyColumnWidths();
      UpdateFrozenGeometry();
      horizontalHeader()->viewport()->update();
      model_->Repaint();
      return;
    }
  }
  choice_matcher_.reset();
  model_->Reset();
  if (fixed_cols_ > 0 && columns_.Count() > 0 && fixed_cols_ > columns_.Count() - 1) {
    fixed_cols_ = std::max(0, columns_.Count() - 1);
  }
  LayoutChanged();
  SyncCurrent();
}

void TUCustomDBGrid::resizeEvent(QResizeEvent* event) {
  QTableView::resizeEvent(event);
  UpdateFrozenGeometry();
}

void TUCustomDBGrid::updateGeometries() {
  QTableView::updateGeometries();
  if (fixed_cols_ > 0 && horizontalScrollBar()->maximum() > 0) {
    // With frozen columns the grid scrolls by whole columns: every scroll position puts an
    // unfrozen column right at the frozen edge, down to the last one.
    int max = 0;
    for (int c = fixed_cols_; c < model_->columnCount() - 1; ++c) max += columnWidth(c);
    horizontalScrollBar()->setRange(0, max);
  }
  UpdateFrozenGeometry();
}

void TUCustomDBGrid::SnapHorizontalScroll(int value) {
  if (fixed_cols_ == 0 || snapping_) return;
  int boundary = 0, snapped = 0;
  for (int c = fixed_cols_; c < model_->columnCount() && boundary <= value; ++c) {
    snapped = boundary;
    boundary += columnWidth(c);
  }
  if (snapped == value) return;
  snapping_ = true;
  // Moving right snaps forward to the next column, moving left back to the one before.
  horizontalScrollBar()->setValue(value > last_scroll_ && boundary <= horizontalScrollBar()->maximum() ? boundary
                                                                                                     : snapped);
  snapping_ = false;
}

void TUCustomDBGrid::changeEvent(QEvent* event) {
  QTableView::changeEvent(event);
  if (event->type() == QEvent::FontChange) LayoutChanged();
}

QModelIndex TUCustomDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
  QModelIndex current = QTableView::moveCursor(action, modifiers);
  if (frozen_ != nullptr && fixed_cols_ > 0 && current.isValid() && current.column() >= fixed_cols_) {
    const int frozenWidth = frozen_->width();
    const int x = visualRect(current).x();
    if (x < frozenWidth) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - frozenWidth);
  }
  return current;
}

void TUCustomDBGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || fixed_cols_ == 0 || index.column() >= fixed_cols_) {
    QTableView::scrollTo(index, hint);
    if (index.isValid() && fixed_cols_ > 0 && frozen_ != nullptr) {
      const int x = visualRect(index).x();
      if (x < frozen_->width()) horizontalScrollBar()->setValue(horizontalScrollBar()->value() + x - frozen_->width());
    }
    return;
  }
  // A frozen column never scrolls sideways; only the row is brought into view.
  int c = columnAt(frozen_ != nullptr ? frozen_->width() + 1 : 0);
  if (c < 0) c = index.column();
  QTableView::scrollTo(index.sibling(index.row(), c), hint);
}

// ---- fields and columns ----------------------------------------------------------------------------------

TField* TUCustomDBGrid::FindField(std::string_view name) const { return GridFindField(DataSet(), name); }

int TUCustomDBGrid::SelectedIndex() const {
  const QModelIndex i = currentIndex();
  if (i.isValid()) return i.column();
  if (columns_.Count() == 0) return -1;
  return std::min(selected_col_, columns_.Count() - 1);
}

void TUCustomDBGrid::SetSelectedIndex(int index) {
  if (index < 0 || index >= model_->columnCount()) return;
  TDataSet* ds = ActiveDataSet();
  int row = ds != nullptr ? ds->CurrentIndex() : currentIndex().row();
  selected_col_ = index;
  if (row < 0) row = 0;
  if (row >= model_->rowCount()) return;
  const QModelIndex i = model_->index(row, index);
  selectionModel()->setCurrentIndex(i, QItemSelectionModel::ClearAndSelect);
  scrollTo(i);
  horizontalHeader()->viewport()->update();
}

TUColumn* TUCustomDBGrid::SelectedColumn() const {
  const int i = SelectedIndex();
  return i >= 0 && i < columns_.Count() ? columns_.Items(i) : nullptr;
}

TField* TUCustomDBGrid::SelectedField() const {
  TUColumn* c = SelectedColumn();
  return c != nullptr ? c->Field() : nullptr;
}

QString TUCustomDBGrid::SearchText(int column) const {
  if (column < 0 || column >= columns_.Count()) return {};
  const std::string& name = columns_.Items(column)->FieldName();
  if (name.empty()) return {};
  const int i = search_list_->IndexOfName(name);
  if (i < 0) return {};
  return QString::fromStdString(SearchCellText(search_list_->ValueFromIndex(i)));
}

// ---- choice ----------------------------------------------------------------------------------------------

bool TUCustomDBGrid::IsCurrentRecordChosen() const {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr) return false;
  // The matcher reads the choice list once per change; cells ask it for their record.
  if (!choice_matcher_) choice_matcher_.emplace(*choice_list_, ds, choice_invert_);
  return choice_matcher_->IsChosen();
}

void TUCustomDBGrid::ToggleChoice(const std::string& fieldName) {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr) return;
  bexlo::ToggleChoice(*choice_list_, ds, fieldName);
}

void TUCustomDBGrid::AddChoice() {
  if (ActiveDataSet() == nullptr) return;
  ToggleChoice(data_field_);
  MoveToNextRecord();
}

void TUCustomDBGrid::AddSelectChoice() {
  if (ActiveDataSet() == nullptr) return;
  if (TUColumn* c = SelectedColumn()) ToggleChoice(c->FieldName());
  swallow_ = true;
}

void TUCustomDBGrid::InvertChoice() {
  SetChoiceInvert(!choice_invert_);
  swallow_ = true;
}

void TUCustomDBGrid::ClearChoice() {
  choice_list_->Clear();
  ChoiceListChanged();
  swallow_ = true;
}

// ---- search ----------------------------------------------------------------------------------------------

void TUCustomDBGrid::ClearSearch() {
  search_list_->BeginUpdate();
  for (int i = 0; i < search_list_->Count(); ++i) {
    if (search_list_->Get(i).find('=') != std::string::npos) {
      search_list_->Put(i, search_list_->Names(i) + "=^");
    }
  }
  search_list_->EndUpdate();
  LayoutChanged();
}

void TUCustomDBGrid::SearchRecord(bool prompt) {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr) return;
  std::string text = last_search_;
  if (prompt && !InputQuery(msg::SDsSearchCaption, msg::SDsSearchPrompt, text)) return;
  if (text.empty()) return;
  const bool next = text == last_search_;
  last_search_ = text;
  const std::string needle = UpperCase(text);
  try {
    ds->CheckBrowseMode();
  } catch (const std::exception& e) {
    ReportError(e);
    return;
  }
  ds->DisableControls();
  TBookmark saved = ds->GetBookmark();
  TField* hit = nullptr;
  try {
    if (next) ds->Next();
    else ds->First();
    while (!ds->Eof() && hit == nullptr) {
      for (TField* f : ds->Fields()) {
        if (UpperCase(f->DisplayText()).find(needle) != std::string::npos) {
          hit = f;
          break;
        }
      }
      if (hit == nullptr) ds->Next();
    }
    if (hit == nullptr) ds->GotoBookmark(saved);
  } catch (const std::exception& e) {
    ds->FreeBookmark(saved);
    ds->EnableControls();
    ReportError(e);
    return;
  }
  ds->FreeBookmark(saved);
  ds->EnableControls();
  if (hit != nullptr) {
    for (int c = 0; c < columns_.Count(); ++c) {
      if (columns_.Items(c)->Field() == hit) {
        SetSelectedIndex(c);
        break;
      }
    }
    SyncCurrent();
  } else {
    MessageDlg(Format(msg::SDsStringNotFound, text), TMsgDlgType::mtInformation, mbOK);
  }
}

// ---- commands through the hooks ------------------------------------------------------------------------

void TUCustomDBGrid::ShowMemo() {
  if (OnDblClick) OnDblClick(this);
  if (DBGrid_ShowMemo != nullptr) DBGrid_ShowMemo(this);
}
void TUCustomDBGrid::ShowData() {
  if (DBGrid_ShowData != nullptr) DBGrid_ShowData(this);
}
void TUCustomDBGrid::ShowRecordCount() {
  if (DBGrid_ShowRecordCount != nullptr) DBGrid_ShowRecordCount(this);
}
void TUCustomDBGrid::ShowReportList() {
  if (DBGrid_ShowReportList != nullptr) DBGrid_ShowReportList(this, true);
}
void TUCustomDBGrid::ReportExpert(bool expert) {
  if (DBGrid_ReportExpert != nullptr) DBGrid_ReportExpert(this, expert);
}

QMenu* TUCustomDBGrid::GridPopupMenu() const {
  if (popup_menu_ != nullptr) return popup_menu_;
  return DBGrid_PopupMenu != nullptr ? DBGrid_PopupMenu() : nullptr;
}

void TUCustomDBGrid::ShowPopupMenu(const QPoint& pos) {
  QMenu* menu = GridPopupMenu();
  if (menu == nullptr) return;
  const QPoint global = viewport()->mapToGlobal(pos - viewport()->pos());
  if (auto* popup = qobject_cast<TPopupMenu*>(menu)) {
    popup->SetPopupComponent(this);
    popup->Popup(global);
  } else {
    menu->popup(global);
  }
}

void TUCustomDBGrid::contextMenuEvent(QContextMenuEvent* event) {
  ShowPopupMenu(mapFromGlobal(event->globalPos()));
  event->accept();
}

void TUCustomDBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  QTableView::mouseDoubleClickEvent(event);
  ShowMemo();
}

void TUCustomDBGrid::ReportError(const std::exception& error) {
  MessageDlg(error.what(), TMsgDlgType::mtError, mbOK);
}

// ---- navigation -----------------------------------------------------------------------------------------

void TUCustomDBGrid::GoRecord(int index) {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr || index < 0) return;
  try {
    if (index != ds->CurrentIndex()) ds->MoveBy(index - ds->CurrentIndex());
  } catch (const std::exception& e) {
    ReportError(e);
  }
  SyncCurrent();
}

void TUCustomDBGrid::MoveToNextRecord() {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr) return;
  try {
    ds->Next();
    if (ds->Eof() && (options_ & dgEditing) && !read_only_ && ds->CanModify() && ds->State() == dsBrowse) {
      ds->Append();
    }
  } catch (const std::exception& e) {
    ReportError(e);
  }
  SyncCurrent();
}

void TUCustomDBGrid::InsertRecord() {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr || read_only_ || !ds->CanModify()) return;
  try {
    ds->Insert();
  } catch (const std::exception& e) {
    ReportError(e);
  }
  SyncCurrent();
}

void TUCustomDBGrid::DeleteRecord() {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr || read_only_ || !ds->CanModify() || ds->IsEmpty()) return;
  if ((options_ & dgConfirmDelete) &&
      MessageDlg(msg::SDsDeleteRecordQuestion, TMsgDlgType::mtConfirmation, mbOK | mbCancel) != mrOk) {
    return;
  }
  try {
    ds->Delete();
  } catch (const std::exception& e) {
    ReportError(e);
  }
  SyncCurrent();
}

void TUCustomDBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
  QTableView::currentChanged(current, previous);
  if (current.isValid()) selected_col_ = current.column();
  if (!syncing_ && current.isValid()) {
    TDataSet* ds = ActiveDataSet();
    if (ds != nullptr && current.row() != ds->CurrentIndex()) {
      syncing_ = true;
      try {
        ds->MoveBy(current.row() - ds->CurrentIndex());
      } catch (const std::exception& e) {
        syncing_ = false;
        ReportError(e);
        SyncCurrent();
        return;
      }
      syncing_ = false;
    }
  }
  if (current.column() != previous.column()) horizontalHeader()->viewport()->update();
  verticalHeader()->viewport()->update();
}

void TUCustomDBGrid::SyncCurrent() {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr || syncing_) return;
  const int row = ds->CurrentIndex();
  if (row >= model_->rowCount()) model_->SyncRows();
  if (row < 0 || row >= model_->rowCount()) return;
  int col = currentIndex().isValid() ? currentIndex().column() : selected_col_;
  if (col >= model_->columnCount()) col = model_->columnCount() - 1;
  if (col < 0) return;
  const QModelIndex target = model_->index(row, col);
  syncing_ = true;
  if (currentIndex() != target) selectionModel()->setCurrentIndex(target, QItemSelectionModel::ClearAndSelect);
  syncing_ = false;
  scrollTo(target);
  verticalHeader()->viewport()->update();
}

// ---- data set events --------------------------------------------------------------------------------------

void TUCustomDBGrid::DataActiveChanged() {
  choice_matcher_.reset();
  selected_rows_->Invalidate();
  select_anchor_ = -1;
  columns_.FieldsChanged();  // rebuilds mirrored columns and resets the model
  SyncCurrent();
}

void TUCustomDBGrid::DataSetChanged() {
  choice_matcher_.reset();
  // Posts, deletes and refreshes move records: indices are looked up again, gone ones dropped.
  selected_rows_->Invalidate();
  if (selected_rows_->Count() > 0 && ActiveDataSet() != nullptr) selected_rows_->Refresh();
  model_->SyncRows();
  SyncCurrent();
  viewport()->update();
}

void TUCustomDBGrid::DataSetScrolled() {
  TDataSet* ds = ActiveDataSet();
  if (ds != nullptr && ds->CurrentIndex() >= model_->rowCount()) model_->SyncRows();
  SyncCurrent();
}

void TUCustomDBGrid::DataRecordChanged() {
  TDataSet* ds = ActiveDataSet();
  if (ds == nullptr) return;
  const int row = ds->CurrentIndex();
  if (row >= 0 && row < model_->rowCount() && model_->columnCount() > 0) {
    emit model_->dataChanged(model_->index(row, 0), model_->index(row, model_->columnCount() - 1));
  }
}

void TUCustomDBGrid::DataEditingChanged() {
  TDataSet* ds = ActiveDataSet();
  if (ds != nullptr && ds->CurrentIndex() >= model_->rowCount()) model_->SyncRows();
  verticalHeader()->viewport()->update();
}

void TUCustomDBGrid::DataLayoutChanged() {
  choice_matcher_.reset();
  columns_.FieldsChanged();
}

void TUCustomDBGrid::focusOutEvent(QFocusEvent* event) { QTableView::focusOutEvent(event); }

// ---- keys -------------------------------------------------------------------------------------------------

bool TUCustomDBGrid::HandleKey(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  const bool keypad = (event->modifiers() & Qt::KeypadModifier) != 0;
  const bool ctrl = mods == Qt::ControlModifier, shift = mods == Qt::ShiftModifier, alt = mods == Qt::AltModifier;
  const bool plain = mods == Qt::NoModifier;
  TDataSet* ds = ActiveDataSet();

  if (keypad && plain && key == Qt::Key_Plus) { AddSelectChoice(); return true; }
  if (keypad && plain && key == Qt::Key_Asterisk) { InvertChoice(); return true; }
  if (keypad && plain && key == Qt::Key_Slash) { ClearChoice(); return true; }
  switch (key) {
    case Qt::Key_Insert:
      if (plain) { AddChoice(); return true; }
      if (ctrl) { InsertRecord(); return true; }
      return false;
    case Qt::Key_F7:
      if (plain) FreezeCol();
      else if (shift) UnFreezeCol();
      else if (alt) ReportExpert(false);
      else if (ctrl) ShowReportList();
      else return false;
      return true;
    case Qt::Key_F8:
      if (plain) ShowData();
      else if (ctrl) ShowRecordCount();
      else return false;
      return true;
    case Qt::Key_F:
    case Qt::Key_S:
      if (ctrl) { SearchRecord(true); return true; }
      return false;
    case Qt::Key_L:
      if (ctrl) { SearchRecord(false); return true; }
      return false;
    case Qt::Key_M:
      if (ctrl) { ShowMemo(); return true; }
      return false;
    case Qt::Key_F10:
      if (alt) { ShowPopupMenu(QPoint(0, 0)); return true; }
      return false;
    default: break;
  }
  if (ds == nullptr) return false;
  if ((options_ & dgMultiSelect) && HandleSelectionKey(event, ds)) return true;
  try {
    switch (key) {
      case Qt::Key_Home:
        if (ctrl) { ds->First(); SyncCurrent(); return true; }
        return false;
      case Qt::Key_End:
        if (ctrl) { ds->Last(); model_->SyncRows(); SyncCurrent(); return true; }
        return false;
      case Qt::Key_PageUp:
      case Qt::Key_Up:
        if (ctrl) { GoRecord(std::max(0, rowAt(0))); return true; }
        return false;
      case Qt::Key_PageDown:
      case Qt::Key_Down:
        if (ctrl) {
          // The last row shown whole.
          int last = rowAt(viewport()->height() - 1);
          if (last < 0) last = model_->rowCount() - 1;
          else if (last > 0 && visualRect(model_->index(last, 0)).bottom() >= viewport()->height()) --last;
          GoRecord(last);
          return true;
        }
        if (key == Qt::Key_Down && plain && ds->CurrentIndex() >= model_->rowCount() - 1) {
          MoveToNextRecord();
          return true;
        }
        return false;
      case Qt::Key_Left:
        if (ctrl) { SetSelectedIndex(0); return true; }
        return false;
      case Qt::Key_Right:
        if (ctrl) { SetSelectedIndex(model_->columnCount() - 1); return true; }
        return false;
      case Qt::Key_Delete:
        if (ctrl) { DeleteRecords(); return true; }
        return false;
      case Qt::Key_Escape:
        if (plain && (ds->State() == dsEdit || ds->State() == dsInsert)) {
          ds->Cancel();
          SyncCurrent();
          return true;
        }
        return false;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (ctrl && HasEllipsisButton(SelectedIndex())) {
          EditButtonClick();
          return true;
        }
        if (plain && (ds->State() == dsEdit || ds->State() == dsInsert)) {
          ds->Post();
          SyncCurrent();
          return true;
        }
        if (plain && (options_ & dgEditing) && currentIndex().isValid()) {
          edit(currentIndex());
          return true;
        }
        return false;
      default: return false;
    }
  } catch (const std::exception& e) {
    ReportError(e);
    SyncCurrent();
    return true;
  }
}

// ---- columns ------------------------------------------------------------------------------------------

bool TUCustomDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
  // A frozen column lies under the frozen view: its editor opens there, where it can be seen.
  if (frozen_ != nullptr && index.isValid() && index.column() < fixed_cols_ && trigger != NoEditTriggers &&
      state() != EditingState && (model_->flags(index) & Qt::ItemIsEditable)) {
    if (!frozen_->isVisible()) return false;
    frozen_->edit(index);
    // The editor takes the focus; a typed character that opened it is its first character.
    QWidget* editor = QApplication::focusWidget();
    if (trigger == AnyKeyPressed && event != nullptr && event->type() == QEvent::KeyPress && editor != nullptr &&
        frozen_->viewport()->isAncestorOf(editor)) {
      QApplication::sendEvent(editor, event);
    }
    return false;  // the grid itself has no editor open
  }
  return QTableView::edit(index, trigger, event);
}

bool TUCustomDBGrid::HasEllipsisButton(int column) const {
  return column >= 0 && column < columns_.Count() &&
         columns_.Items(column)->ButtonStyle() == TColumnButtonStyle::cbsEllipsis;
}

void TUCustomDBGrid::EditButtonClick() {
  if (OnEditButtonClick) OnEditButtonClick(this);
}

bool TUCustomDBGrid::MoveColumn(int fromIndex, int toIndex) {
  const int count = columns_.Count();
  if (!(options_ & dgColumnResize) || fromIndex < 0 || fromIndex >= count || toIndex < 0 || toIndex >= count) {
    return false;
  }
  // A frozen column stays; a column dropped among the frozen ones lands right after them.
  if (fromIndex < fixed_cols_) return false;
  toIndex = std::max(toIndex, fixed_cols_);
  if (fromIndex == toIndex) return false;
  const int row = ActiveDataSet() != nullptr ? ActiveDataSet()->CurrentIndex() : -1;
  const bool wasSelected = SelectedIndex() == fromIndex;
  columns_.Move(fromIndex, toIndex);
  if (wasSelected && row >= 0) SetSelectedIndex(toIndex);
  if (OnColumnMoved) OnColumnMoved(this, fromIndex, toIndex);
  return true;
}

// ---- multi-selection ---------------------------------------------------------------------------------

void TUCustomDBGrid::SelectionChanged() {
  viewport()->update();
  verticalHeader()->viewport()->update();
  if (frozen_ != nullptr) frozen_->viewport()->update();
}

void TUCustomDBGrid::DeleteRecords() {
  TDataSet* ds = ActiveDataSet();
  if (!(options_ & dgMultiSelect) || selected_rows_->Count() == 0) {
    DeleteRecord();
    return;
  }
  if (ds == nullptr || read_only_ || !ds->CanModify()) return;
  if ((options_ & dgConfirmDelete) &&
      MessageDlg(msg::SDsDeleteMultipleRecordsQuestion, TMsgDlgType::mtConfirmation, mbOK | mbCancel) != mrOk) {
    return;
  }
  try {
    selected_rows_->Delete();
  } catch (const std::exception& e) {
    ReportError(e);
  }
  select_anchor_ = -1;
  model_->SyncRows();
  SyncCurrent();
}

bool TUCustomDBGrid::HandleSelectionKey(QKeyEvent* event, TDataSet* ds) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
  const bool moving = key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown ||
                      ((key == Qt::Key_Home || key == Qt::Key_End) && (mods & Qt::ControlModifier));
  if (!moving || (mods & Qt::AltModifier) || extending_) return false;
  if (!(mods & Qt::ShiftModifier)) {
    // A plain move ends the selection; the move itself is the grid's usual one.
    selected_rows_->Clear();
    select_anchor_ = -1;
    return false;
  }
  const int from = ds->CurrentIndex();
  if (select_anchor_ < 0 || !selected_rows_->IsRecordSelected(select_anchor_)) select_anchor_ = from;
  // The move without Shift (Ctrl+Shift+Home is Ctrl+Home).
  QKeyEvent plain(event->type(), key, event->modifiers() & ~Qt::ShiftModifier, event->text());
  extending_ = true;
  if (!HandleKey(&plain)) QTableView::keyPressEvent(&plain);
  extending_ = false;
  const int to = ds->CurrentIndex();
  try {
    // The records from the anchor to the old row that are no longer between the anchor and the
    // new row are let go (moving back towards the anchor shrinks the selection).
    const int lo = std::min(select_anchor_, to), hi = std::max(select_anchor_, to);
    const int oldLo = std::min(select_anchor_, from), oldHi = std::max(select_anchor_, from);
    for (int i = oldLo; i <= oldHi; ++i) {
      if (i < lo || i > hi) {
        if (selected_rows_->IsRecordSelected(i)) {
          ds->DisableControls();
          const int here = ds->CurrentIndex();
          ds->MoveBy(i - here);
          selected_rows_->SetCurrentRowSelected(false);
          ds->MoveBy(here - ds->CurrentIndex());
          ds->EnableControls();
        }
      }
    }
    selected_rows_->SelectRange(select_anchor_, to);
  } catch (const std::exception& e) {
    ReportError(e);
  }
  SyncCurrent();
  return true;
}

void TUCustomDBGrid::mousePressEvent(QMouseEvent* event) {
  TDataSet* ds = ActiveDataSet();
  const QModelIndex index = indexAt(event->position().toPoint());
  if (!(options_ & dgMultiSelect) || ds == nullptr || event->button() != Qt::LeftButton || !index.isValid()) {
    QTableView::mousePressEvent(event);
    return;
  }
  const int from = ds->CurrentIndex();
  // The view moves the cursor as for a plain click (its own single selection stays one cell).
  QMouseEvent plain(event->type(), event->position(), event->scenePosition(), event->globalPosition(),
                    event->button(), event->buttons(), Qt::NoModifier);
  QTableView::mousePressEvent(&plain);
  event->setAccepted(plain.isAccepted());
  ClickSelect(index, event->modifiers(), from);
}

void TUCustomDBGrid::ClickSelect(const QModelIndex& index, Qt::KeyboardModifiers mods, int from) {
  TDataSet* ds = ActiveDataSet();
  if (!(options_ & dgMultiSelect) || ds == nullptr || !index.isValid()) return;
  if (ds->CurrentIndex() != index.row()) return;  // the record could not be left
  try {
    if (mods & Qt::ControlModifier) {
      selected_rows_->ToggleCurrentRow();
      select_anchor_ = index.row();
    } else if (mods & Qt::ShiftModifier) {
      if (select_anchor_ < 0) select_anchor_ = from;
      selected_rows_->SelectRange(select_anchor_, index.row());
    } else {
      selected_rows_->Clear();
      select_anchor_ = index.row();
    }
  } catch (const std::exception& e) {
    ReportError(e);
  }
}

void TUCustomDBGrid::KeyPress(const QString&) {}

void TUCustomDBGrid::keyPressEvent(QKeyEvent* event) {
  swallow_ = false;
  if (HandleKey(event)) {
    // A choice key's own character is not typed (the swallow flag drops it).
    swallow_ = false;
    event->accept();
    return;
  }
  const QString text = event->text();
  const bool character = !text.isEmpty() && (text.at(0).unicode() >= 32 || event->key() == Qt::Key_Backspace) &&
                         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
                         event->key() != Qt::Key_Delete && event->key() != Qt::Key_Escape;
  if (!character) {
    QTableView::keyPressEvent(event);
    return;
  }
  if (swallow_) {
    swallow_ = false;
    event->accept();
    return;
  }
  if (EditorMode() || !search_in_use_) {
    // In-place editing takes the character (and starts the editor when editing is allowed); a
    // grid that cannot edit drops it rather than jumping to a row that starts with it.
    if ((options_ & dgEditing) && !read_only_) QTableView::keyPressEvent(event);
    else event->accept();
    return;
  }
  if (ActiveDataSet() != nullptr) KeyPress(event->key() == Qt::Key_Backspace ? QStringLiteral("\b") : text);
  event->accept();
}

}  // namespace bexlo
