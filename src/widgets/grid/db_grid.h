// TUCustomDBGrid: the data grid over a data set, one row per record and one column per field
// (columns.h), with an indicator column, multi-line titles, a search row under the titles, the
// choice list (records chosen by the display text of a key field, drawn in ChoiceColor), frozen
// columns, text search over all fields, the extra keys of the list windows and the commands that
// reach the rest of the library through the hooks (util/hooks.h).
//
// The grid is a QTableView over TDBGridModel, which reads the buffered data set as the view
// scrolls: opening shows the first screen without counting or reading the rest. The data set's
// current record is the view's current row; moving either moves the other. Frozen columns are a
// second view over the same model laid over the left edge. In-place editing goes through the
// data set's Edit/Post; the record is posted when the cursor leaves it.
//
// TUDBGrid is the grid as applications place it; TSearchDBGrid (search_grid.h) adds the SQL side.
#pragma once

#include <QColor>
#include <QFont>
#include <QTableView>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "grid/bookmark_list.h"
#include "grid/choice_list.h"
#include "util/strings.h"
#include "widgets/grid/columns.h"

class QMenu;

namespace bexlo {

class TDataSet;
class TDataSource;
class TField;
class TDBGridModel;
class TGridDataLink;
class TGridTitleHeader;
class TGridIndicatorHeader;
class TPopupMenu;

enum TDBGridOption : unsigned {
  dgEditing = 1u << 0,
  dgAlwaysShowEditor = 1u << 1,
  dgTitles = 1u << 2,
  dgIndicator = 1u << 3,
  dgColumnResize = 1u << 4,
  dgColLines = 1u << 5,
  dgRowLines = 1u << 6,
  dgTabs = 1u << 7,
  dgRowSelect = 1u << 8,
  dgAlwaysShowSelection = 1u << 9,
  dgConfirmDelete = 1u << 10,
  dgCancelOnExit = 1u << 11,
  dgMultiSelect = 1u << 12,
};
using TDBGridOptions = unsigned;
inline constexpr TDBGridOptions kDefaultGridOptions = dgTitles | dgIndicator | dgColumnResize | dgColLines |
                                                      dgRowLines | dgTabs | dgConfirmDelete | dgCancelOnExit;

// May change the text colour of a data cell.
using TDrawColorEvent = std::function<void(TField* field, QColor& color)>;
using TUDBGridClickEvent = std::function<void(TUColumn* column)>;
using TUDrawColumnCellEvent =
    std::function<void(QObject* sender, const QRect& rect, int dataCol, TUColumn* column, bool selected)>;

class TUCustomDBGrid : public QTableView {
  Q_OBJECT

 public:
  explicit TUCustomDBGrid(QWidget* parent = nullptr);
  ~TUCustomDBGrid() override;

  // ---- data -------------------------------------------------------------------------------------
  TDataSource* DataSource() const noexcept { return data_source_; }
  void SetDataSource(TDataSource* source);
  // The data source's data set (null without one).
  TDataSet* DataSet() const;
  // The data set when it is open; null otherwise.
  TDataSet* ActiveDataSet() const;
  TUDBGridColumns& Columns() noexcept { return columns_; }
  TDBGridModel* Model() const noexcept { return model_; }

  // ---- properties ---------------------------------------------------------------------------------
  bool SearchInUse() const noexcept { return search_in_use_; }
  void SetSearchInUse(bool value);
  QColor SearchColor() const noexcept { return search_color_; }
  void SetSearchColor(const QColor& color);
  // Text lines of the title row; 0 is refused (the value stays).
  int TitleRows() const noexcept { return title_rows_; }
  void SetTitleRows(int rows);
  bool FormatByWidth() const noexcept { return format_by_width_; }
  void SetFormatByWidth(bool value);
  QColor ChoiceColor() const noexcept { return choice_color_; }
  void SetChoiceColor(const QColor& color);
  bool ChoiceInvert() const noexcept { return choice_invert_; }
  void SetChoiceInvert(bool value);
  // Name-value lines FIELD=display text naming the chosen records.
  TStringList& ChoiceList() noexcept { return *choice_list_; }
  void SetChoiceList(const TStrings& list);
  const std::string& DataField() const noexcept { return data_field_; }
  void SetDataField(std::string name) { data_field_ = std::move(name); }
  // Frozen data columns, 0 to 7 (and at most the column count minus 1).
  int FixedCols() const noexcept { return fixed_cols_; }
  void SetFixedCols(int n);
  std::string RptGroup, RptName;
  TDBGridOptions Options() const noexcept { return options_; }
  void SetOptions(TDBGridOptions options);
  bool ReadOnly() const noexcept { return read_only_; }
  void SetReadOnly(bool value);

  // ---- events -------------------------------------------------------------------------------------
  TDrawColorEvent OnDrawColor;
  TUDBGridClickEvent OnCellClick;
  TUDBGridClickEvent OnTitleClick;
  TUDrawColumnCellEvent OnDrawColumnCell;
  std::function<void(QObject* sender)> OnDblClick;
  // The ellipsis button of a column with ButtonStyle cbsEllipsis was pressed (a click on the
  // button in the current cell or in its editor, or Ctrl+Enter).
  std::function<void(QObject* sender)> OnEditButtonClick;
  // A column was dragged by its title from one position to another (dgColumnResize allows it;
  // frozen columns stay where they are and nothing is dropped among them).
  std::function<void(QObject* sender, int fromIndex, int toIndex)> OnColumnMoved;

  // ---- the search list and fields -----------------------------------------------------------------
  // Name-value lines FIELD=typed value; "^" as value means cleared.
  TStringList& SearchList() noexcept { return *search_list_; }
  // The data set's field of that name; a prefix up to the first "." is ignored; exact case.
  TField* FindField(std::string_view name) const;
  // Index of the selected (current) column, -1 when there is none.
  int SelectedIndex() const;
  void SetSelectedIndex(int index);
  TUColumn* SelectedColumn() const;
  TField* SelectedField() const;
  // The value shown in the search row for a column ("^" shows as empty).
  QString SearchText(int column) const;

  // ---- records selected with dgMultiSelect ---------------------------------------------------------
  // Shift with the arrow, page and Ctrl+Home/End keys extends the selection from where it started,
  // Ctrl+click toggles a record, Shift+click selects the records up to the clicked one; a move
  // without Shift or a plain click clears it. Selected records carry a dot in the indicator
  // column and are drawn highlighted; Ctrl+Delete deletes them.
  TUBookmarkList& SelectedRows() noexcept { return *selected_rows_; }
  // Deletes the selected records (with dgMultiSelect and a selection) or else the current one,
  // asking first under dgConfirmDelete (Ctrl+Delete). Errors are reported; nothing else goes.
  void DeleteRecords();
  // A click on a cell of `index` (the cursor already moved there from record `fromRow`) selects
  // as the modifiers say; the frozen view's clicks come here too.
  void ClickSelect(const QModelIndex& index, Qt::KeyboardModifiers mods, int fromRow);

  // ---- columns ------------------------------------------------------------------------------------
  // Raises OnEditButtonClick (the ellipsis button of the selected column).
  void EditButtonClick();
  // Whether a column shows an ellipsis button in its current cell.
  bool HasEllipsisButton(int column) const;
  // Moves a column as dragging its title does; false when the rules refuse it.
  bool MoveColumn(int fromIndex, int toIndex);

  // ---- choice -------------------------------------------------------------------------------------
  // Whether the record the fields read now is chosen (ChoiceInvert applied).
  bool IsCurrentRecordChosen() const;
  void AddChoice();
  void AddSelectChoice();
  void InvertChoice();
  void ClearChoice();
  // Toggles the current record by field `fieldName` (nothing for an empty or unknown field or an
  // empty display text).
  void ToggleChoice(const std::string& fieldName);

  // ---- freezing, search, commands ----------------------------------------------------------------
  void FreezeCol() { SetFixedCols(fixed_cols_ + 1); }
  void UnFreezeCol() { SetFixedCols(fixed_cols_ - 1); }
  void ClearSearch();
  void SearchRecord(bool prompt);
  const std::string& LastSearchText() const noexcept { return last_search_; }
  void ShowMemo();
  void ShowData();
  void ShowRecordCount();
  void ShowReportList();
  void ReportExpert(bool expert);
  // Opens the grid's popup menu at a point of the grid (Alt+F10 uses the top-left corner).
  void ShowPopupMenu(const QPoint& pos);
  // The popup menu the grid opens (the shared one from DBGrid_PopupMenu unless set).
  QMenu* GridPopupMenu() const;
  void SetGridPopupMenu(QMenu* menu) { popup_menu_ = menu; }

  // Recomputes row heights, header height, frozen columns and repaints.
  void LayoutChanged();
  // Opens the in-place editor on a cell (on a frozen column, in the frozen view).
  using QTableView::edit;
  // Whether an in-place editor is open.
  bool EditorMode() const { return state() == QAbstractItemView::EditingState; }
  bool SwallowFlag() const noexcept { return swallow_; }
  void SetSwallowFlag(bool value) noexcept { swallow_ = value; }

  // ---- for the columns, the model and the headers -------------------------------------------------
  QFont TitleFont() const;
  int DefaultColumnWidth() const { return 64; }
  void ColumnsChanged(TUColumn* column);
  int TitleHeight() const;
  // Rows that fit in the grid's viewport now (at least 1).
  int ScreenRows() const;
  int SearchRowHeight() const;
  // Colour of the indicator corner; invalid: drawn as usual.
  virtual QColor IndicatorCornerColor() const { return {}; }
  // The frozen-columns view (null while FixedCols is 0 or before the first layout).
  QTableView* FrozenView() const noexcept { return frozen_; }
  // Data set events through the grid's data link.
  void DataActiveChanged();
  void DataSetChanged();
  void DataSetScrolled();
  void DataRecordChanged();
  void DataEditingChanged();
  void DataLayoutChanged();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  void updateGeometries() override;

  // A key of the grid's own (command keys); true when it was handled. Search grids add theirs
  // before calling this.
  virtual bool HandleKey(QKeyEvent* event);
  // A typed character that neither a key command nor the in-place editor took (text of one
  // character, "\b" for Backspace). The search grid builds search values here.
  virtual void KeyPress(const QString& text);
  // Reports an error of a data-access call to the user.
  void ReportError(const std::exception& error);

 private:
  friend class TDBGridModel;
  void SyncCurrent();
  void UpdateFrozenGeometry();
  void SnapHorizontalScroll(int value);
  void ApplyColumnWidths();
  void MoveToNextRecord();
  void GoRecord(int index);
  void InsertRecord();
  void DeleteRecord();
  // Multi-select: a key that moves the cursor (extends with Shift, clears without).
  bool HandleSelectionKey(QKeyEvent* event, TDataSet* ds);
  void SelectionChanged();
  void ChoiceListChanged();

  TDataSource* data_source_ = nullptr;
  std::unique_ptr<TGridDataLink> link_;
  TDBGridModel* model_ = nullptr;
  TUDBGridColumns columns_;
  TGridTitleHeader* title_header_ = nullptr;
  TGridIndicatorHeader* indicator_ = nullptr;
  QWidget* corner_ = nullptr;
  QTableView* frozen_ = nullptr;
  QMenu* popup_menu_ = nullptr;
  std::unique_ptr<TStringList> search_list_;
  std::unique_ptr<TStringList> choice_list_;
  std::unique_ptr<TUBookmarkList> selected_rows_;
  int select_anchor_ = -1;  // record index where a Shift selection started
  bool extending_ = false;  // moving the cursor for a Shift selection
  mutable std::optional<TChoiceMatcher> choice_matcher_;
  std::string data_field_;
  std::string last_search_;
  QColor search_color_{0, 0, 255};
  QColor choice_color_{255, 0, 255};
  int title_rows_ = 2;
  int fixed_cols_ = 0;
  int selected_col_ = 0;  // kept while the model is rebuilt (a reopened query)
  TDBGridOptions options_ = kDefaultGridOptions;
  bool search_in_use_ = true;
  bool format_by_width_ = false;
  bool choice_invert_ = false;
  bool read_only_ = false;
  bool swallow_ = false;
  bool syncing_ = false;
  bool applying_widths_ = false;
  bool snapping_ = false;
  int last_scroll_ = 0;
};

// The grid as applications place it.
class TUDBGrid : public TUCustomDBGrid {
  Q_OBJECT
 public:
  using TUCustomDBGrid::TUCustomDBGrid;
};

}  // namespace bexlo
