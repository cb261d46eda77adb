#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include <functional>

#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/platform/qt_user_interaction.h"

namespace bexlo {
namespace {

// Calls `act` with the message box once one is open (checked from the event loop the box runs).
class TBoxWatcher {
 public:
  explicit TBoxWatcher(std::function<void(QMessageBox&)> act) : act_(std::move(act)) {
    timer_.setInterval(0);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
        timer_.stop();
        ++seen_;
        act_(*box);
      }
    });
    timer_.start();
  }
  int Seen() const { return seen_; }

 private:
  std::function<void(QMessageBox&)> act_;
  QTimer timer_;
  int seen_ = 0;
};

QStringList ButtonTexts(QMessageBox& box) {
  QStringList texts;
  for (QAbstractButton* button : box.buttons()) texts << button->text();
  texts.sort();
  return texts;
}

TEST(QtUserInteraction, InstalledByInitWidgets) {
  EXPECT_NE(dynamic_cast<TQtUserInteraction*>(&UserInteraction()), nullptr);
}

TEST(QtUserInteraction, FileFiltersBecomeQtNameFiltersMatchingBothLetterCases) {
  EXPECT_EQ(QtNameFilters("All files (*.*)|*.*|Text file (*.TXT)|*.TXT"),
            (QStringList{"All files (*.*)", "Text file (*.TXT *.txt)"}));
  EXPECT_EQ(QtNameFilters("Reports|*.PRN;*.Fmt"), (QStringList{"Reports (*.PRN *.prn *.Fmt *.fmt *.FMT)"}));
  EXPECT_EQ(QtNameFilters("Anything"), (QStringList{"Anything (*)"}));
  EXPECT_EQ(QtNameFilters(""), (QStringList{"* (*)"}));
}

TEST(QtUserInteraction, MessageBoxesHaveExactlyTheButtonsAsked) {
  TQtUserInteraction ui;
  QStringList texts;
  QString title;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  QString defaultText, escapeText;
  TBoxWatcher watcher([&](QMessageBox& box) {
    texts = ButtonTexts(box);
    title = box.windowTitle();
    icon = box.icon();
    defaultText = box.defaultButton() ? box.defaultButton()->text() : QString();
    escapeText = box.escapeButton() ? box.escapeButton()->text() : QString();
    box.button(QMessageBox::No)->click();
  });
  EXPECT_EQ(ui.MessageDlg("Do you want to overwrite x ?", TMsgDlgType::mtConfirmation, mbYesNoCancel), mrNo);
  EXPECT_EQ(watcher.Seen(), 1);
  EXPECT_EQ(texts, (QStringList{"&No", "&Yes", "Cancel"}));
  EXPECT_EQ(title, "Confirm");
  EXPECT_EQ(icon, QMessageBox::Question);
  EXPECT_EQ(defaultText, "&Yes");
  EXPECT_EQ(escapeText, "Cancel");
}

TEST(QtUserInteraction, EscapeAnswersCancelElseNoElseOk) {
  TQtUserInteraction ui;
  struct TCase {
    TMsgDlgButtons buttons;
    TModalResult expected;
  };
  for (const TCase& c : {TCase{mbYesNoCancel, mrCancel}, TCase{mbYes | mbNo, mrNo}, TCase{mbOK, mrOk}}) {
    TBoxWatcher watcher([](QMessageBox& box) { box.reject(); });
    EXPECT_EQ(ui.MessageDlg("Question", TMsgDlgType::mtWarning, c.buttons), c.expected);
  }
  // The All button says so; a box without buttons gets OK.
  QStringList texts;
  TBoxWatcher all([&](QMessageBox& box) {
    texts = ButtonTexts(box);
    box.buttons().constFirst()->click();
  });
  ui.MessageDlg("Which?", TMsgDlgType::mtInformation, mbYes | mbAll);
  EXPECT_EQ(texts, (QStringList{"&All", "&Yes"}));
  TBoxWatcher none([&](QMessageBox& box) {
    texts = ButtonTexts(box);
    box.buttons().constFirst()->click();
  });
  EXPECT_EQ(ui.MessageDlg("Note", TMsgDlgType::mtError, 0), mrOk);
  EXPECT_EQ(texts, (QStringList{"OK"}));
}

TEST(QtUserInteraction, TheBreakCheckAsksOnlyAfterEscape) {
  TQtUserInteraction ui;
  QWidget target;
  target.show();
  // No Escape pending: no question.
  EXPECT_FALSE(ui.BreakRequested());

  // Escape among the pending events: "Break process ?", Yes stops.
  QString text;
  TBoxWatcher yes([&](QMessageBox& box) {
    text = box.text();
    box.button(QMessageBox::Yes)->click();
  });
  QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  EXPECT_TRUE(ui.BreakRequested());
  EXPECT_EQ(yes.Seen(), 1);
  EXPECT_EQ(text, msg::SBreakProcess);

  TBoxWatcher no([&](QMessageBox& box) { box.button(QMessageBox::No)->click(); });
  QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
  EXPECT_FALSE(ui.BreakRequested());
  EXPECT_EQ(no.Seen(), 1);

  // Other keys are left to their widgets.
  QCoreApplication::postEvent(&target, new QKeyEvent(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier));
  EXPECT_FALSE(ui.BreakRequested());
}

// Calls `act` with the modal dialog of type T once it is open.
template <class T>
class TDialogWatcher {
 public:
  explicit TDialogWatcher(std::function<void(T&)> act) : act_(std::move(act)) {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
        timer_.stop();
        act_(*dialog);
      }
    });
    timer_.start(0);
  }

 private:
  std::function<void(T&)> act_;
  QTimer timer_;
};

TEST(QtUserInteraction, InputBoxesGiveTheTextOnOkAndKeepTheValueOnCancel) {
  TQtUserInteraction ui;
  QString label, title, initial;
  TDialogWatcher<QInputDialog> ok([&](QInputDialog& dialog) {
    title = dialog.windowTitle();
    label = dialog.labelText();
    initial = dialog.textValue();
    dialog.setTextValue("typed");
    dialog.accept();
  });
  std::string value = "start";
  EXPECT_TRUE(ui.InputQuery(msg::SQoInputString, "Name", value));
  EXPECT_EQ(value, "typed");
  EXPECT_EQ(title, msg::SQoInputString);
  EXPECT_EQ(label, "Name");
  EXPECT_EQ(initial, "start");
  TDialogWatcher<QInputDialog> cancel([](QInputDialog& dialog) {
    dialog.setTextValue("ignored");
    dialog.reject();
  });
  EXPECT_FALSE(ui.InputQuery("Caption", "Prompt", value));
  EXPECT_EQ(value, "typed");
}

TEST(QtUserInteraction, FileDialogsUseTheFiltersAndLeaveTheOverwriteQuestionToTheCaller) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString existing = dir.filePath("report.prn");
  QFile(existing).open(QIODevice::WriteOnly);
  TQtUserInteraction ui;

  QStringList filters;
  QString suffix;
  bool confirms = true;
  TDialogWatcher<QFileDialog> save([&](QFileDialog& dialog) {
    filters = dialog.nameFilters();
    suffix = dialog.defaultSuffix();
    confirms = !dialog.testOption(QFileDialog::DontConfirmOverwrite);
    dialog.selectFile(existing);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog's own accept, through the public base
  });
  const auto saved = ui.SaveFileDialog("", msg::SQoEditFilter, dir.path().toStdString(), "report.prn", "pdf");
  ASSERT_TRUE(saved.has_value());
  EXPECT_EQ(QString::fromStdString(*saved), existing);
  EXPECT_EQ(filters.size(), 5);
  EXPECT_EQ(filters.first(), "Report file (*.PRN *.prn)");
  EXPECT_EQ(suffix, "pdf");
  EXPECT_FALSE(confirms);

  TDialogWatcher<QFileDialog> open([&](QFileDialog& dialog) {
    dialog.selectFile(existing);
    static_cast<QDialog&>(dialog).accept();  // QFileDialog's own accept, through the public base
  });
  const auto opened = ui.OpenFileDialog("", "All files (*.*)|*.*", dir.path().toStdString(), true);
  ASSERT_TRUE(opened.has_value());
  EXPECT_EQ(QString::fromStdString(*opened), existing);

  TDialogWatcher<QFileDialog> cancel([](QFileDialog& dialog) { dialog.reject(); });
  EXPECT_FALSE(ui.OpenFileDialog("", "", dir.path().toStdString(), true).has_value());
}

}  // namespace
}  // namespace bexlo
