// The state editor: TChoiceEditGrdForm lists the stored states of a group (or of every group) of
// the application, edits, adds and deletes them through TGridEditForm, and writes them to .GRD
// files ("To disk") or reads them back ("From disk", one transaction: a file that fails leaves
// every state as it was). TGridEditForm ("Editor of the table state") edits one state: its name,
// its group and its four lists.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "grid/grid_state.h"

class QCheckBox;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;

namespace bexlo {

class TDataSource;
class TDicButton;
class TPtDBLink;
class TPtFormLink;
class TQuery;
class TSearchDBGrid;

// The window of one state. It edits the row of its query (the editor row statement, parameters
// AppNam, GrdNam and GrdCmt) through data-aware boxes; the editor drives it through a record link:
// its TPtDBLink fills the parameters from the editor list's current row, opens the row for
// editing or starts a new one (in the editor's group and the application's key), posts,
// cancels and deletes. Page Down and Page Up move to the list's next and previous state.
class TGridEditForm : public QDialog {
  Q_OBJECT
 public:
  // group: the group a new state starts in.
  TGridEditForm(std::string databaseName, std::string group, QWidget* parent = nullptr);
  ~TGridEditForm() override;

  // The row statement.
  static std::string RowSQL();

  TQuery* Query() const noexcept { return query_.get(); }
  TPtDBLink* Link() const noexcept { return link_; }
  // Whether the window edits a new state.
  bool Inserting() const;

  QLineEdit* NameEdit() const noexcept { return name_; }
  QLineEdit* GroupEdit() const noexcept { return group_edit_; }
  TDicButton* GroupDicButton() const noexcept { return group_dic_; }
  QTabWidget* Pages() const noexcept { return pages_; }
  // The memo of a page: 0 search, 1 mark (choice), 2 constructor (builder), 3 order.
  QPlainTextEdit* Memo(int page) const noexcept { return memos_[page]; }
  QPushButton* SaveButton() const noexcept { return save_; }

 private:
  // Before a post: a name is required, and a new name or group must not be another state's.
  void CheckRow();

  std::string database_, group_;
  std::string old_group_, old_title_;  // the key of the row being edited (empty for a new one)
  std::unique_ptr<TQuery> query_;
  std::unique_ptr<TDataSource> source_;
  TPtDBLink* link_;
  QLineEdit* name_;
  QLineEdit* group_edit_;
  TDicButton* group_dic_;
  QTabWidget* pages_;
  QPlainTextEdit* memos_[4];
  QPushButton* save_;
};

class TChoiceEditGrdForm : public QDialog {
  Q_OBJECT
 public:
  TChoiceEditGrdForm(std::string databaseName, std::string group, QWidget* parent = nullptr);
  ~TChoiceEditGrdForm() override;

  // The list statement: parameters AppNam and GrdNam (a LIKE pattern).
  static std::string ListSQL();

  // (Re)opens the list: the editor's group, or every group while "All groups" is ticked.
  void OpenList();
  // The group and title of the current row (empty on an empty list).
  std::string CurrentGroup() const;
  std::string CurrentTitle() const;
  // Moves to the row of a state; false when the list does not hold it.
  bool Locate(const std::string& group, const std::string& title);

  // The buttons.
  void EditCurrent();
  void AddState();
  void DeleteCurrent();
  // Asks, asks for a directory (GetPath) and writes one .GRD file per listed state.
  void ToDisk();
  // Asks, asks for a directory and imports its .GRD files; the progress bar shows while it runs.
  void FromDisk();

  TSearchDBGrid* Grid() const noexcept { return grid_; }
  TQuery* Query() const noexcept { return query_.get(); }
  QCheckBox* AllGroups() const noexcept { return all_groups_; }
  QProgressBar* Progress() const noexcept { return progress_; }
  QPushButton* EditButton() const noexcept { return edit_; }
  QPushButton* AddButton() const noexcept { return add_; }
  QPushButton* DeleteButton() const noexcept { return delete_; }
  QPushButton* ToDiskButton() const noexcept { return to_disk_; }
  QPushButton* FromDiskButton() const noexcept { return from_disk_; }

  // The edit window the Edit and Add buttons open and the record link to it.
  TGridEditForm* EditForm() const noexcept { return edit_form_; }
  TPtFormLink* FormLink() const noexcept { return form_link_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Runs the edit window through the record link for the current row or a new one; reopens the
  // list on the saved row.
  void RunEditForm(bool insert);
  void DressFields();
  // The states the list shows now (every row of the list statement).
  std::vector<TGridState> ListedStates();

  std::string database_, group_;
  std::unique_ptr<TQuery> query_;
  std::unique_ptr<TDataSource> source_;
  TSearchDBGrid* grid_;
  QCheckBox* all_groups_;
  QProgressBar* progress_;
  QPushButton* edit_;
  QPushButton* add_;
  QPushButton* delete_;
  QPushButton* to_disk_;
  QPushButton* from_disk_;
  QPushButton* exit_;
  TGridEditForm* edit_form_ = nullptr;
  TPtFormLink* form_link_ = nullptr;
};

}  // namespace bexlo
