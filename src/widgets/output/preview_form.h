// TQoPreviewForm: the window in which a finished report is looked at before it is printed. A
// page navigator, a zoom selector and a find field above a TFileViewer; buttons to print, save
// the file to disk, write it as PDF, export it to the word processor and open it in the text
// editor below. The report presenter shows it modally for a preview and uses it unseen to
// print.
//
// Keys: Ctrl+F goes to the find field, Enter or F3 finds the next hit (searching the text of all
// pages and wrapping at the end), F5 reloads the file (a report run again since keeps writing a
// new file beside the shown one and renames it into place; the window shows the old file until
// it reloads), Escape closes. Handlers report their failures in an error box; SetFormParams and
// Print raise them to the caller.
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "output/printer_model.h"
#include "output/viewer_find.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPrintDialog;
class QPushButton;
class QToolButton;

namespace bexlo {

class TFileViewer;

class TQoPreviewForm : public QDialog {
  Q_OBJECT

 public:
  explicit TQoPreviewForm(QWidget* parent = nullptr);
  ~TQoPreviewForm() override;

  // Loads the file into the viewer (zoom 30 %, the "30 %" item selected), keeps the copy count
  // and collate flag for printing and updates the caption. Raises the viewer's load errors.
  void SetFormParams(const std::string& fileName, TPrinterOrientation orientation, bool collate, int copies);
  // Prints all pages with PrintPages (copies, collate). Raises the printing errors.
  void Print(int copies, bool collate);
  // Reads the file again, keeping the page and zoom where the new file allows.
  void Reload();
  // Finds the next hit of `text` after the current one (from the top of the current page for a
  // new text); shows its page and marks it. False (and a beep) when there is none.
  bool FindNext(const std::string& text);

  TFileViewer* FileViewer1() const noexcept { return viewer_; }
  QPushButton* FirstBtn() const noexcept { return first_btn_; }
  QPushButton* PrevBtn() const noexcept { return prev_btn_; }
  QPushButton* NextBtn() const noexcept { return next_btn_; }
  QPushButton* LastBtn() const noexcept { return last_btn_; }
  QComboBox* ComboBox1() const noexcept { return combo_; }
  QLineEdit* PageNumEdit() const noexcept { return page_edit_; }
  QLabel* PageCountLabel() const noexcept { return page_count_label_; }
  QLineEdit* FindEdit() const noexcept { return find_edit_; }
  QPushButton* PrintBtn() const noexcept { return print_btn_; }
  QPushButton* SaveBtn() const noexcept { return save_btn_; }
  QPushButton* PdfBtn() const noexcept { return pdf_btn_; }
  QPushButton* ExportBtn() const noexcept { return export_btn_; }
  QPushButton* EditBtn() const noexcept { return edit_btn_; }
  QPushButton* CloseBtn() const noexcept { return close_btn_; }

  int Copies() const noexcept { return copies_; }
  bool Collate() const noexcept { return collate_; }
  // The hit the window marks, if any.
  const std::optional<TFindHit>& CurrentHit() const noexcept { return hit_; }

  // Runs the print dialog on the library's printer; true when the user confirmed it. Tests
  // replace it to answer the dialog.
  std::function<bool(QPrintDialog& dialog)> ExecPrintDialog;

 public slots:
  void FirstBtnClick();
  void PrevBtnClick();
  void NextBtnClick();
  void LastBtnClick();
  void PrintBtnClick();
  void SaveBtnClick();
  void PdfBtnClick();
  void ExportBtnClick();
  void EditBtnClick();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  class THitMarker;

  void BuildWindow();
  void UpdateCaption();
  void FileViewerChangePage();
  void PageNumEditChange(const QString& text);
  void ComboBox1Change(int index);
  void ApplyZoom(int index);
  void LayOutViewer();
  // Runs a handler; a library error is shown in an error box.
  void Guarded(const std::function<void()>& handler);
  // Asks for a file name to save to (save dialog, then "Do you want to overwrite %s ?" for an
  // existing file); nothing when the user cancels.
  std::optional<std::string> AskTargetName(const std::string& filter, const std::string& defaultExt,
                                           const std::string& suggested);
  void ClearHit();

  TFileViewer* viewer_ = nullptr;
  QWidget* viewer_area_ = nullptr;
  THitMarker* marker_ = nullptr;
  QPushButton* first_btn_ = nullptr;
  QPushButton* prev_btn_ = nullptr;
  QPushButton* next_btn_ = nullptr;
  QPushButton* last_btn_ = nullptr;
  QComboBox* combo_ = nullptr;
  QLineEdit* page_edit_ = nullptr;
  QLabel* page_count_label_ = nullptr;
  QLineEdit* find_edit_ = nullptr;
  QToolButton* find_btn_ = nullptr;
  QPushButton* print_btn_ = nullptr;
  QPushButton* save_btn_ = nullptr;
  QPushButton* pdf_btn_ = nullptr;
  QPushButton* export_btn_ = nullptr;
  QPushButton* edit_btn_ = nullptr;
  QPushButton* close_btn_ = nullptr;

  int copies_ = 1;
  bool collate_ = true;
  std::optional<TFindHit> hit_;
  std::string hit_text_;
  bool refit_pending_ = false;
};

}  // namespace bexlo
