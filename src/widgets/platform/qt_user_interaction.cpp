#include "widgets/platform/qt_user_interaction.h"

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include "util/messages.h"
#include "widgets/states/get_dir_form.h"

namespace bexlo {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

struct TButtonMap {
  TMsgDlgBtn Button;
  QMessageBox::StandardButton Standard;
};
// In the order the buttons stand in a box.
constexpr TButtonMap kButtons[] = {
    {mbYes, QMessageBox::Yes},       {mbNo, QMessageBox::No},         {mbOK, QMessageBox::Ok},
    {mbCancel, QMessageBox::Cancel}, {mbAbort, QMessageBox::Abort},   {mbRetry, QMessageBox::Retry},
    {mbIgnore, QMessageBox::Ignore}, {mbAll, QMessageBox::YesToAll},
};

// Watches the events processed during a break check and takes the Escape presses out of them.
class TEscapeWatch : public QObject {
 public:
  bool pressed = false;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
      if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        if (event->type() == QEvent::KeyPress) pressed = true;
        return true;
      }
    }
    return QObject::eventFilter(watched, event);
  }
};

// "*.A;*.B" -> "*.A *.a *.B *.b" (each pattern in its own and the other letter case).
QString BothCases(const QString& patterns) {
  QStringList out;
  for (const QString& raw : patterns.split(QRegularExpression("[;\\s]+"), Qt::SkipEmptyParts)) {
    out << raw;
    for (const QString& other : {raw.toLower(), raw.toUpper()}) {
      if (!out.contains(other)) out << other;
    }
  }
  return out.join(' ');
}

}  // namespace

QWidget* DialogParent() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  return QApplication::activeWindow();
}

QString MessageCaption(TMsgDlgType type) {
  switch (type) {
    case TMsgDlgType::mtWarning: return QStringLiteral("Warning");
    case TMsgDlgType::mtError: return QStringLiteral("Error");
    case TMsgDlgType::mtInformation: return QStringLiteral("Information");
    case TMsgDlgType::mtConfirmation: return QStringLiteral("Confirm");
    case TMsgDlgType::mtCustom: break;
  }
  return QApplication::applicationDisplayName().isEmpty() ? QApplication::applicationName()
                                                          : QApplication::applicationDisplayName();
}

QStringList QtNameFilters(const std::string& filter) {
  QStringList result;
  const QStringList parts = Q(filter).split('|');
  for (qsizetype i = 0; i < parts.size(); i += 2) {
    QString description = parts[i].trimmed();
    QString patterns = i + 1 < parts.size() ? parts[i + 1].trimmed() : QString();
    if (patterns.isEmpty()) patterns = QStringLiteral("*");
    if (description.isEmpty()) description = patterns;
    // The description's own "(*.X)" is replaced by the patterns Qt matches with.
    description.remove(QRegularExpression("\\s*\\([^)]*\\)\\s*$"));
    result << QStringLiteral("%1 (%2)").arg(description, BothCases(patterns));
  }
  return result;
}

TModalResult TQtUserInteraction::MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (type) {
    case TMsgDlgType::mtWarning: icon = QMessageBox::Warning; break;
    case TMsgDlgType::mtError: icon = QMessageBox::Critical; break;
    case TMsgDlgType::mtInformation: icon = QMessageBox::Information; break;
    case TMsgDlgType::mtConfirmation: icon = QMessageBox::Question; break;
    case TMsgDlgType::mtCustom: break;
  }
  if ((buttons & (mbYes | mbNo | mbOK | mbCancel | mbAbort | mbRetry | mbIgnore | mbAll)) == 0) buttons = mbOK;
  QMessageBox box(icon, MessageCaption(type), Q(text), QMessageBox::NoButton, DialogParent());
  for (const TButtonMap& map : kButtons) {
    if ((buttons & map.Button) == 0) continue;
    QAbstractButton* button = box.addButton(map.Standard);
    if (map.Button == mbAll) button->setText(QStringLiteral("&All"));
  }
  // The default button is OK, else Yes, else the first; Escape answers Cancel, else No, else OK.
  for (TMsgDlgBtn candidate : {mbOK, mbYes}) {
    if (buttons & candidate) {
      for (const TButtonMap& map : kButtons) {
        if (map.Button == candidate) box.setDefaultButton(map.Standard);
      }
      break;
    }
  }
  for (TMsgDlgBtn candidate : {mbCancel, mbNo, mbOK}) {
    if (buttons & candidate) {
      for (const TButtonMap& map : kButtons) {
        if (map.Button == candidate) box.setEscapeButton(map.Standard);
      }
      break;
    }
  }
  box.exec();
  const auto clicked = box.standardButton(box.clickedButton());
  for (const TButtonMap& map : kButtons) {
    if (map.Standard == clicked) return ModalResultOf(map.Button);
  }
  // Closed without a button (window manager): as Escape.
  for (TMsgDlgBtn candidate : {mbCancel, mbNo, mbOK}) {
    if (buttons & candidate) return ModalResultOf(candidate);
  }
  return mrCancel;
}

bool TQtUserInteraction::InputQuery(const std::string& caption, const std::string& prompt, std::string& value) {
  QInputDialog dialog(DialogParent());
  dialog.setWindowTitle(Q(caption));
  dialog.setLabelText(Q(prompt));
  dialog.setTextValue(Q(value));
  dialog.setInputMode(QInputDialog::TextInput);
  if (dialog.exec() != QDialog::Accepted) return false;
  value = S(dialog.textValue());
  return true;
}

std::optional<std::string> TQtUserInteraction::OpenFileDialog(const std::string& title, const std::string& filter,
                                                              const std::string& initialDir, bool mustExist) {
  QFileDialog dialog(DialogParent(), Q(title), Q(initialDir));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(mustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
  if (!filter.empty()) dialog.setNameFilters(QtNameFilters(filter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return S(dialog.selectedFiles().constFirst());
}

std::optional<std::string> TQtUserInteraction::SaveFileDialog(const std::string& title, const std::string& filter,
                                                              const std::string& initialDir,
                                                              const std::string& fileName,
                                                              const std::string& defaultExt) {
  QFileDialog dialog(DialogParent(), Q(title), Q(initialDir));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // The callers ask "Do you want to overwrite %s ?" themselves.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  if (!filter.empty()) dialog.setNameFilters(QtNameFilters(filter));
  if (!defaultExt.empty()) dialog.setDefaultSuffix(Q(defaultExt));
  if (!fileName.empty()) dialog.selectFile(Q(fileName));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  return S(dialog.selectedFiles().constFirst());
}

std::optional<std::string> TQtUserInteraction::SelectDirectory(const std::string& caption,
                                                               const std::string& initialDir) {
  TGetDirForm dialog(Q(caption), Q(initialDir), DialogParent());
  if (dialog.exec() != QDialog::Accepted || dialog.Directory().isEmpty()) return std::nullopt;
  return S(dialog.Directory());
}

bool TQtUserInteraction::BreakRequested() {
  if (QCoreApplication::instance() == nullptr) return false;
  TEscapeWatch watch;
  QCoreApplication::instance()->installEventFilter(&watch);
  QCoreApplication::processEvents();
  QCoreApplication::instance()->removeEventFilter(&watch);
  if (!watch.pressed) return false;
  return MessageDlg(msg::SBreakProcess, TMsgDlgType::mtWarning, mbYesNoCancel) == mrYes;
}

void TQtUserInteraction::Beep() { QApplication::beep(); }

}  // namespace bexlo
