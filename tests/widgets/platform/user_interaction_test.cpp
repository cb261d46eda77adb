#include <gtest/gtest.h>

#include <QApplication>
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

}  // namespace
}  // namespace bexlo
