// The windows of saving and choosing a grid state.
//
// TSaveGridForm ("Save of the table state") asks for the title a grid's state is saved under, with
// a dictionary button listing the titles the grid's group has. TChoiceGridForm ("Choice of the
// table condition") lists those titles to load one, deletes one with the Delete key and opens the
// state editor. Both read SYS_GRIDS afresh each time they open.
#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace bexlo {

class TDataSource;
class TQuery;
class TSearchDBGrid;

// The statement listing the states of one group: parameters GrdName and AppName.
std::string StateChoiceSQL();
// Fills the parameters of StateChoiceSQL.
void SetStateChoiceParams(TQuery& query, const std::string& group);

class TSaveGridForm : public QDialog {
  Q_OBJECT
 public:
  TSaveGridForm(std::string databaseName, std::string group, QWidget* parent = nullptr);
  ~TSaveGridForm() override;

  // Stores the state under the title; an error it raises is shown and the window stays open.
  std::function<void(const std::string& title)> OnSave;

  // The title as typed, without surrounding blanks.
  std::string Title() const;
  QLineEdit* TitleEdit() const noexcept { return title_; }
  QPushButton* SaveButton() const noexcept { return save_; }
  // The dictionary button beside the title.
  QWidget* DicButton() const noexcept { return dic_; }

  // The Save button: "Name can not be empty" for an empty title, else OnSave and close.
  void Save();

 private:
  std::string database_, group_;
  QLineEdit* title_;
  QWidget* dic_;
  QPushButton* save_;
};

class TChoiceGridForm : public QDialog {
  Q_OBJECT
 public:
  TChoiceGridForm(std::string databaseName, std::string group, QWidget* parent = nullptr);
  ~TChoiceGridForm() override;

  TSearchDBGrid* Grid() const noexcept { return grid_; }
  TQuery* Query() const noexcept { return query_.get(); }
  QPushButton* ChooseButton() const noexcept { return choose_; }
  QPushButton* EditorButton() const noexcept { return editor_; }
  QPushButton* ExitButton() const noexcept { return exit_; }

  // (Re)opens the list of the group's titles.
  void OpenList();
  // The title of the current row; empty when the list is empty.
  std::string CurrentTitle() const;
  // The title chosen with "Choose" (empty until then).
  const std::string& ChosenTitle() const noexcept { return chosen_; }

  // "Choose": accepts the current row (nothing on an empty list).
  void Choose();
  // The Delete key (only with UseGridStateEdit): asks, deletes the current state and reopens.
  void DeleteCurrent();
  // "Editor": the state editor for this group, then the list again.
  void OpenEditor();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string database_, group_, chosen_;
  std::unique_ptr<TQuery> query_;
  std::unique_ptr<TDataSource> source_;
  TSearchDBGrid* grid_;
  QPushButton* choose_;
  QPushButton* editor_;
  QPushButton* exit_;
};

}  // namespace bexlo
