// The query builder's windows over the core's TQueryBuilder (grid/query_builder.h):
//
// TQueryBuildForm ("Query builder") composes the filter conditions and the sort order of a
// search grid's query on two pages. The window only shows and edits the core's two lists; every
// rule (which operator a field takes, how a typed value is written, what SQL the lines make) is
// the core's. "Execute" checks the conditions before the window closes: a value that does not
// fit its field is reported and the window stays open with everything the user composed.
//
// TValuesListForm edits the items of an "in list" condition, one per line, and loads or saves
// them as a text file.
//
// BuilderBuildWhere is the routine installed as DBGrid_BuildWhere: it opens the window for a
// TSearchDBGrid over a TQuery and applies the result, or, without the window, re-applies the
// grid's stored builder lines (state loading and clearing).
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "grid/query_builder.h"
#include "util/hooks.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace bexlo {

class TQuery;
class TUCustomDBGrid;
class TGridMemoForm;

// How the builder runs its modal windows (the builder itself, the list of values, the text
// window of "Save"): dialog.exec() unless replaced. A test or a host may replace it to drive a
// window and return the result its closing button would give.
using TBuilderModalRunner = std::function<int(QDialog& dialog)>;
TBuilderModalRunner& BuilderModalRunner();
// Runs a dialog through the runner.
int ExecBuilderDialog(QDialog& dialog);

class TValuesListForm : public QDialog {
  Q_OBJECT
 public:
  explicit TValuesListForm(QWidget* parent = nullptr);

  // The memo's lines; trailing empty lines are not items.
  std::vector<std::string> Lines() const;
  void SetLines(const std::vector<std::string>& lines);
  QPlainTextEdit* Memo() const noexcept { return memo_; }

  // "Load": replaces the lines by those of a chosen file. False when cancelled or unreadable
  // (the user is told why; the lines stay as they were).
  bool Load();
  // "Save": writes the lines to a chosen file, asking before an existing file is replaced.
  bool Save();

 private:
  QPlainTextEdit* memo_;
};

class TQueryBuildForm : public QDialog {
  Q_OBJECT
 public:
  // While the window exists DBGrid_BuildWhere holds its default routine (the builder cannot be
  // opened from within itself); the destructor puts back the routine found at creation.
  explicit TQueryBuildForm(QWidget* parent = nullptr);
  ~TQueryBuildForm() override;

  TQueryBuilder& Builder() noexcept { return builder_; }

  // Lists the query's fields on both pages (only when the query differs from the one set).
  void SetQuery(TQuery* query);
  TQuery* Query() const noexcept { return query_; }
  // Loads the condition list; raw lines (the first starting with "#") disable the editing.
  void SetListBox(const TStrings& lines);
  // Fills the order list from the query's current ordering.
  void SetOrderBox();
  // The ORDER BY list of the order page.
  std::string SetOrderText() const { return builder_.SetOrderText(); }
  // Selects the first condition, the first order line and the first field of both pages.
  void SelectFirst();

  // The selected condition and order line (-1 for none) and selecting them.
  int Selected() const;
  void Select(int index);
  int SelectedOrder() const;
  void SelectOrder(int index);

  // The buttons' actions, as a click runs them. The composing actions beep when refused.
  void AddField();           // "+"
  void AddOperator();        // "<"
  void AddFieldValue();      // ">"
  void AddOr();              // "OR"
  void EditValues();         // "List of values"
  void DeleteCondition();    // "Delete"
  void ClearConditions();    // "Clear" (asks first)
  void ShowQueryText();      // "Save": the query's text in the text window
  void AddOrderField();      // order page "+"
  void SetDirection(bool descending);  // the direction box
  void DeleteOrder();        // order page "Delete"
  void ClearOrder();         // order page "Clear" (asks first)
  // "Execute": checks the conditions; accepts the window when they make SQL, else reports the
  // refusal and keeps it open. WhereLines() then holds the SQL lines.
  void Execute();
  // The SQL condition lines "Execute" made.
  const TStringList& WhereLines() const noexcept { return where_; }

  // The text window "Save" opens, built but not shown (the screenshots render it).
  std::unique_ptr<TGridMemoForm> CreateQueryTextForm();

  // The controls (tests and screenshots reach them).
  QTabWidget* Pages() const noexcept { return pages_; }
  QListWidget* FieldList() const noexcept { return fields_; }
  QListWidget* OperatorList() const noexcept { return operators_; }
  QListWidget* ConditionList() const noexcept { return conditions_; }
  QLineEdit* ValueEdit() const noexcept { return value_; }
  QLabel* ValueLabel() const noexcept { return value_label_; }
  QPushButton* AddButton() const noexcept { return add_; }
  QPushButton* OperatorButton() const noexcept { return add_operator_; }
  QPushButton* FieldValueButton() const noexcept { return add_field_; }
  QPushButton* OrButton() const noexcept { return or_; }
  QPushButton* ValuesButton() const noexcept { return values_; }
  QPushButton* DeleteButton() const noexcept { return delete_; }
  QPushButton* ClearButton() const noexcept { return clear_; }
  QPushButton* SaveButton() const noexcept { return save_; }
  QPushButton* ExecuteButton() const noexcept { return execute_; }
  QPushButton* CancelButton() const noexcept { return cancel_; }
  QListWidget* OrderFieldList() const noexcept { return order_fields_; }
  QListWidget* OrderList() const noexcept { return order_; }
  QComboBox* DirectionBox() const noexcept { return direction_; }
  QPushButton* OrderAddButton() const noexcept { return order_add_; }
  QPushButton* OrderDeleteButton() const noexcept { return order_delete_; }
  QPushButton* OrderClearButton() const noexcept { return order_clear_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* BuildConditionsPage();
  QWidget* BuildOrderPage();
  // Shows the core's lists again, keeping or setting the selection.
  void RefreshConditions(int select);
  void RefreshOrder(int select);
  // Follows the selection: the value box, the enabling of the buttons.
  void ConditionSelected();
  void OrderSelected();
  void UpdateButtons();
  void ValueTyped(const QString& text);

  TDBGridBuildWhereProc saved_hook_;
  TQueryBuilder builder_;
  TStringList where_;
  TQuery* query_ = nullptr;
  bool refreshing_ = false;

  QTabWidget* pages_ = nullptr;
  QListWidget* fields_ = nullptr;
  QListWidget* operators_ = nullptr;
  QListWidget* conditions_ = nullptr;
  QLineEdit* value_ = nullptr;
  QLabel* value_label_ = nullptr;
  QPushButton* add_ = nullptr;
  QPushButton* add_operator_ = nullptr;
  QPushButton* add_field_ = nullptr;
  QPushButton* or_ = nullptr;
  QPushButton* values_ = nullptr;
  QPushButton* delete_ = nullptr;
  QPushButton* clear_ = nullptr;
  QPushButton* save_ = nullptr;
  QPushButton* execute_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QListWidget* order_fields_ = nullptr;
  QListWidget* order_ = nullptr;
  QComboBox* direction_ = nullptr;
  QPushButton* order_add_ = nullptr;
  QPushButton* order_delete_ = nullptr;
  QPushButton* order_clear_ = nullptr;
};

// The DBGrid_BuildWhere routine. Does nothing unless grid is a TSearchDBGrid over a TQuery.
// With showDialog: the window opens on the grid's builder list and the query's ordering; on
// "Execute" the conditions become the query's builder block, the order page its ordering, the
// query is reopened and the grid's builder list takes the window's lines. Without it: the grid's
// builder list and orderText are applied as they stand (RunQueryBuilder) and the query is left
// for the caller to open. queryText, when not empty, is the text to start from. A query that
// fails to reopen: "Mistake of performance of query.", the previous text back, the error passed on.
void BuilderBuildWhere(TUCustomDBGrid* grid, bool showDialog, const std::string& orderText,
                       const std::string& queryText);
// Installs BuilderBuildWhere as DBGrid_BuildWhere (InitWidgets calls it).
void InstallQueryBuilder();

}  // namespace bexlo
