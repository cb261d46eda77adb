// The grid's command windows: TGridMemoForm (the text window of the excerpt and the memo view,
// with Print, Save and Explain plan), TSQLPlanForm (the execution plan of a query through the
// database's dialect), and the routines installed into the hooks DBGrid_ShowMemo,
// DBGrid_ShowData, DBGrid_ShowRecordCount and DBGrid_PopupMenu.
#pragma once

#include <QDialog>
#include <QStringList>
#include <memory>
#include <string>

class QPlainTextEdit;
class QPushButton;

namespace bexlo {

class TUCustomDBGrid;
class TSearchDBGrid;
class TQuery;
class TDataSource;

class TGridMemoForm : public QDialog {
  Q_OBJECT
 public:
  explicit TGridMemoForm(QWidget* parent = nullptr);
  ~TGridMemoForm() override;

  QStringList Items() const;
  void SetItems(const QStringList& lines);
  void Add(const QString& line);
  // The database the plan button explains the text on.
  std::string DatabaseName;
  // The "Explain plan" button is hidden unless the caller shows it.
  void SetPlanVisible(bool visible);
  QPlainTextEdit* Memo() const noexcept { return memo_; }

  // The buttons' actions.
  void Print();
  // Asks for a file name and writes the lines; false when cancelled or failed.
  bool Save();
  void ExplainPlan();

 private:
  QPlainTextEdit* memo_;
  QPushButton* plan_button_;
};

class TSQLPlanForm : public QDialog {
  Q_OBJECT
 public:
  explicit TSQLPlanForm(QWidget* parent = nullptr);
  ~TSQLPlanForm() override;

  std::string DatabaseName;
  // Shows the plan of a query text; the error of the database passes on.
  void SetSQL(const std::string& sql);
  TSearchDBGrid* Grid() const noexcept { return grid_; }

 private:
  std::unique_ptr<TQuery> query_;
  std::unique_ptr<TDataSource> source_;
  TSearchDBGrid* grid_;
};

// The windows the hooks open, built but not shown (the hooks show them modally; the demo's
// screenshots render them). Null when the grid has nothing to show.
std::unique_ptr<TGridMemoForm> CreateExcerptForm(TUCustomDBGrid* grid);
std::unique_ptr<TGridMemoForm> CreateMemoForm(TUCustomDBGrid* grid);
// The record count message of a grid (empty when the grid has no selected field).
std::string GridRecordCountText(TUCustomDBGrid* grid);

// The hook routines.
void GridShowMemo(TUCustomDBGrid* grid);
void GridShowData(TUCustomDBGrid* grid);
void GridShowRecordCount(TUCustomDBGrid* grid);
// Installs the four hooks above (InitWidgets calls it).
void InstallGridHooks();

}  // namespace bexlo
