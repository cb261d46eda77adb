// TSearchDBGrid: the data grid bound to an SQL query. What the user types into the search row
// becomes a condition block in the query's text half a second after the last keystroke (the
// search timer), the chosen records become a choice filter (Alt+F9), and the query builder's
// conditions a block of their own; the query is then reopened. The SQL work is core's
// (grid/search_sql.h); this class holds the lists, the timers and the keys. With a data set that
// is not a TQuery every operation of the search grid does nothing.
//
// TSearchEdit: an edit box whose text is written into a query as one condition block.
#pragma once

#include <QLineEdit>
#include <QTimer>
#include <memory>
#include <string>

#include "grid/query_builder.h"
#include "widgets/grid/db_grid.h"

namespace bexlo {

class TQuery;

class TSearchDBGrid : public TUDBGrid {
  Q_OBJECT

 public:
  static constexpr int kSearchDelay = 500;  // ms after the last keystroke

  explicit TSearchDBGrid(QWidget* parent = nullptr);
  ~TSearchDBGrid() override;

  // The data set as a query; null when it is not one.
  TQuery* Query() const;

  // The query builder's condition lines as its window shows them.
  TStringList& BuilderList() noexcept { return *builder_list_; }
  // Whether the builder set the query's ordering, and the query's own ordering kept meanwhile.
  TBuilderOrderState& BuilderOrder() noexcept { return builder_order_; }
  // The SQL lines of the applied choice filter; empty when none is applied.
  TStringList& ChoiceFilter() noexcept { return *choice_filter_; }

  // While locked, typed values are collected but not applied (F9).
  bool SearchLocked() const noexcept { return locked_; }
  void ChangeLockSearch();
  // Clears the lock and applies the search now; force reopens an unchanged text too.
  void ReLoad(bool force);
  // Toggles the choice filter (Alt+F9).
  void BuildChoice();
  // The autorepeat interval in milliseconds, 0 to 65535 (0: off); larger values are held as the
  // largest interval.
  void SetReloadInterval(int milliseconds);
  int GetReloadInterval() const noexcept { return reload_interval_; }

  void LoadState();
  void SaveState();
  void ClearState(bool confirm, bool reopen);
  void BuildWhere();
  // "S", "N", "D" or "U" for a field of the data set.
  char GetFieldType(std::string_view fieldName) const;

  // The timers (tests and hosts may look at them); their ticks run the slots below.
  QTimer* SearchTimer() const noexcept { return search_timer_; }
  QTimer* ReloadTimer() const noexcept { return reload_timer_; }
  // A tick of the search timer: applies the typed values unless locked.
  void SearchTimerTick();
  // A tick of the autorepeat timer: reloads with force.
  void ReloadTimerTick();

  QColor IndicatorCornerColor() const override;

 protected:
  bool HandleKey(QKeyEvent* event) override;
  void KeyPress(const QString& text) override;

 private:
  void ApplySearchNow(bool force);

  std::unique_ptr<TStringList> builder_list_;
  TBuilderOrderState builder_order_;
  std::unique_ptr<TStringList> choice_filter_;
  QTimer* search_timer_ = nullptr;
  QTimer* reload_timer_ = nullptr;
  int reload_interval_ = 0;
  bool locked_ = false;
};

class TSearchEdit : public QLineEdit {
  Q_OBJECT

 public:
  explicit TSearchEdit(QWidget* parent = nullptr);

  TDataSource* DataSource() const noexcept { return data_source_; }
  void SetDataSource(TDataSource* source) { data_source_ = source; }
  // The field the condition compares; its upper-cased name is the block name.
  std::string DataField;
  // The condition template ("%fld LIKE %s").
  std::string DataFormat = "%fld LIKE %s";
  std::string DataLeft, DataRight;  // wildcards around the value
  // Milliseconds between the last change and the search; 0 searches at once.
  int Interval() const noexcept { return interval_; }
  void SetInterval(int milliseconds);
  // Whether the query is reopened (else it is left closed with its new text).
  bool QueryReload = true;

  QTimer* Timer() const noexcept { return timer_; }
  // Writes the text into the query now.
  void Search();

 private:
  void TextChanged();

  TDataSource* data_source_ = nullptr;
  QTimer* timer_ = nullptr;
  int interval_ = 0;
};

}  // namespace bexlo
