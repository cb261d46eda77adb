// TGetDirForm ("Choose the directory"): a drive box (the mounted file systems and the home
// directory) above a tree of directories, with "Choose" and Cancel. The Qt user-interaction
// services show it for SelectDirectory, so GetPath (grid/grid_state_file.h) asks through it and
// tests answer it with scripted answers.
#pragma once

#include <QDialog>
#include <QString>

class QComboBox;
class QFileSystemModel;
class QLineEdit;
class QPushButton;
class QTreeView;

namespace bexlo {

class TGetDirForm : public QDialog {
  Q_OBJECT
 public:
  explicit TGetDirForm(const QString& caption = {}, const QString& initialDir = {}, QWidget* parent = nullptr);
  ~TGetDirForm() override;

  // The directory selected now (absolute, without trailing "/" except for the root).
  QString Directory() const;
  // Selects a directory (and its drive); false when it does not exist.
  bool SetDirectory(const QString& dir);

  QComboBox* DriveBox() const noexcept { return drives_; }
  QTreeView* Tree() const noexcept { return tree_; }
  QPushButton* ChooseButton() const noexcept { return choose_; }

 private:
  void DriveChanged(int index);

  QFileSystemModel* model_;
  QComboBox* drives_;
  QTreeView* tree_;
  QLineEdit* path_;
  QPushButton* choose_;
};

}  // namespace bexlo
