// TEditForm: the "Text editor" window for report output files, templates and other text files.
// Plain text by default; clearing the "Planar text" box switches loading, saving and the
// formatting buttons to rich text (Qt's rich text, stored as HTML). The file menu opens, saves,
// saves the selection and prints; every question goes through the user-interaction services:
// "Do you want to overwrite %s ?" before replacing another file, "Do you want save changes in
// %s?" before a modified text is closed or replaced (Yes saves, Cancel stops, No goes on).
//
// Files keep their line ends (report output files are CR LF and must stay so); text is read as
// UTF-8, or as the legacy code page when it is not valid UTF-8; saving writes beside the file
// and renames into place. EditFile is the Report_EditFile hook InitWidgets installs.
#pragma once

#include <QDialog>

#include <functional>
#include <string>

class QAction;
class QCheckBox;
class QFontComboBox;
class QComboBox;
class QMenuBar;
class QPrintDialog;
class QTextEdit;
class QToolBar;

namespace bexlo {

class TEditForm : public QDialog {
  Q_OBJECT

 public:
  explicit TEditForm(QWidget* parent = nullptr);
  ~TEditForm() override;

  // Reads the file into the editor; the file name becomes the current one, the modified flag is
  // cleared. Raises "Cannot read the file %s: %s" (the editor is left as it was).
  void LoadFromFile(const std::string& fileName);

  // The current file name ("Untitled" for a new text) and the modified flag.
  const std::string& FileName() const noexcept { return file_name_; }
  bool Modified() const;
  void SetModified(bool modified);
  // Whether a save wrote the file during the window's life.
  bool Saved() const noexcept { return saved_; }
  // Plain text (the "Planar text" box ticked) or rich text.
  bool PlainText() const;
  void SetPlainText(bool plain);

  QTextEdit* Editor() const noexcept { return editor_; }
  QCheckBox* PlanarTextBox() const noexcept { return planar_; }
  QMenuBar* MenuBar() const noexcept { return menu_bar_; }
  QToolBar* ToolBar() const noexcept { return tool_bar_; }

  // The file commands. Those that return false were stopped (cancelled or failed; a failure is
  // shown in an error box).
  bool FileNew();
  bool FileOpen();
  bool FileSave();
  bool FileSaveAs();
  bool FileSaveSelection();
  void FilePrint();
  void FilePrintSetup();
  // Asks "Do you want save changes in %s?" when the text is modified: Yes saves (true when the
  // save went through), No gives true, Cancel false.
  bool CheckSave();

  // Runs the print dialog; true when confirmed. Tests replace it to answer the dialog.
  std::function<bool(QPrintDialog& dialog)> ExecPrintDialog;

 public slots:
  void reject() override;

 private:
  void BuildWindow();
  void UpdateCaption();
  void UpdateFormatting();
  // Writes the whole text (or the selection) to `name`; raises on failure.
  void WriteTo(const std::string& name, bool selectionOnly);
  // The save dialog and the overwrite question; empty when cancelled.
  std::string AskSaveName();
  bool Guarded(const std::function<bool()>& command);

  QMenuBar* menu_bar_ = nullptr;
  QToolBar* tool_bar_ = nullptr;
  QTextEdit* editor_ = nullptr;
  QCheckBox* planar_ = nullptr;
  QAction* save_selection_ = nullptr;
  QList<QAction*> formatting_;
  QFontComboBox* font_box_ = nullptr;
  QComboBox* size_box_ = nullptr;
  std::string file_name_;
  bool crlf_ = true;
  bool saved_ = false;
};

// The Report_EditFile hook: the editor on `fileName`, modal; true when the file was saved.
bool EditFile(const std::string& fileName);

}  // namespace bexlo
