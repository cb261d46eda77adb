// TQtUserInteraction: the user-interaction services of the core answered by Qt dialogs: message
// boxes with exactly the buttons asked for, input boxes, file and directory choosers, and the
// "Break process ?" check of long runs, which looks for Escape among the pending events.
// InitWidgets installs one for the whole process.
#pragma once

#include <QString>
#include <QStringList>

#include "util/ui_services.h"

class QWidget;

namespace bexlo {

class TQtUserInteraction : public TUserInteraction {
 public:
  TModalResult MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) override;
  bool InputQuery(const std::string& caption, const std::string& prompt, std::string& value) override;
  std::optional<std::string> OpenFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialDir, bool mustExist) override;
  std::optional<std::string> SaveFileDialog(const std::string& title, const std::string& filter,
                                            const std::string& initialDir, const std::string& fileName,
                                            const std::string& defaultExt) override;
  std::optional<std::string> SelectDirectory(const std::string& caption, const std::string& initialDir) override;
  // Processes the pending events; when Escape was pressed among them, asks "Break process ?"
  // (warning; Yes, No, Cancel). True for Yes.
  bool BreakRequested() override;
  void Beep() override;
};

// The name filters of a Qt file dialog for a filter of the form
// "Description (*.EXT)|*.EXT|Description|*.A;*.B|...": one entry per pair, showing the
// description with the pair's patterns in parentheses. Patterns are matched in both letter
// cases, because the files of the form's extensions are written in either ("*.PRN" also
// matches "report.prn"). A description without patterns counts as "*".
QStringList QtNameFilters(const std::string& filter);

// The caption of a message box of the type: "Warning", "Error", "Information", "Confirm", or
// the application's name for a custom box.
QString MessageCaption(TMsgDlgType type);

// The window dialogs are centred on: the active modal window, else the active window.
QWidget* DialogParent();

}  // namespace bexlo
