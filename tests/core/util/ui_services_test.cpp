#include "util/ui_services.h"

#include <gtest/gtest.h>

namespace bexlo {
namespace {

TEST(UserInteraction, DefaultAnswersEveryQuestionWithoutCommitting) {
  TUserInteraction& ui = UserInteraction();
  EXPECT_EQ(ui.MessageDlg("Delete?", TMsgDlgType::mtConfirmation, mbYesNoCancel), mrCancel);
  EXPECT_EQ(ui.MessageDlg("Delete?", TMsgDlgType::mtConfirmation, mbYes | mbNo), mrNo);
  EXPECT_EQ(ui.MessageDlg("Failed", TMsgDlgType::mtError, mbAbortRetryIgnore), mrAbort);
  EXPECT_EQ(ui.MessageDlg("Done", TMsgDlgType::mtInformation, mbOK), mrOk);
  std::string value = "initial";
  EXPECT_FALSE(InputQuery("Search", "Enter search string", value));
  EXPECT_EQ(value, "initial");
  EXPECT_FALSE(ui.OpenFileDialog("Open", "All files (*.*)|*.*", "/", true));
  EXPECT_FALSE(ui.SaveFileDialog("Save", "", "/", "report.prn", "prn"));
  EXPECT_FALSE(ui.SelectDirectory("Choose the directory", "/"));
  EXPECT_FALSE(BreakRequested());
}

TEST(UserInteraction, ScriptedAnswersAreGivenInOrderAndRecorded) {
  TUserInteraction* before = &UserInteraction();
  {
    TScriptedUserInteraction script;
    EXPECT_EQ(&UserInteraction(), &script);
    script.AnswerMessage(mrYes);
    script.AnswerInput("42");
    script.AnswerInput(std::nullopt);
    script.AnswerOpenFile("/tmp/a.fmt");
    script.AnswerBreak(true);

    EXPECT_EQ(MessageDlg("Overwrite?", TMsgDlgType::mtConfirmation, mbYesNoCancel), mrYes);
    std::string value = "7";
    EXPECT_TRUE(InputQuery("Form of input of number", "Sum", value));
    EXPECT_EQ(value, "42");
    EXPECT_FALSE(InputQuery("Form of input of number", "Sum", value));
    EXPECT_EQ(value, "42");
    EXPECT_EQ(UserInteraction().OpenFileDialog("Template", "*.FMT", "/home", true), "/tmp/a.fmt");
    EXPECT_TRUE(BreakRequested());
    EXPECT_FALSE(BreakRequested());  // nothing queued: a poll, not a failure
    Beep();
    EXPECT_TRUE(script.AllAnswered());
    EXPECT_EQ(script.BeepCount(), 1);

    ASSERT_EQ(script.Asked().size(), 5u);
    EXPECT_EQ(script.Asked()[0].text, "Overwrite?");
    EXPECT_EQ(script.Asked()[0].buttons, mbYesNoCancel);
    EXPECT_EQ(script.Asked()[1].caption, "Form of input of number");
    EXPECT_EQ(script.Asked()[1].value, "7");
    EXPECT_EQ(script.Asked()[3].kind, TScriptedUserInteraction::TKind::OpenFile);
    EXPECT_EQ(script.Asked()[4].text, "Break process ?");
  }
  EXPECT_EQ(&UserInteraction(), before);
}

TEST(UserInteraction, UnscriptedOrImpossibleAnswersFailLoudly) {
  TScriptedUserInteraction script;
  try {
    MessageDlg("Are you sure?", TMsgDlgType::mtWarning, mbYesNoCancel);
    FAIL() << "no error";
  } catch (const EUnexpectedQuestion& e) {
    EXPECT_NE(std::string(e.what()).find("Are you sure?"), std::string::npos) << e.what();
  }
  script.AnswerMessage(mrYes);  // a box with only OK cannot be answered Yes
  EXPECT_THROW(MessageDlg("Done", TMsgDlgType::mtInformation, mbOK), EUnexpectedQuestion);
  EXPECT_THROW(UserInteraction().SelectDirectory("Choose the directory", ""), EUnexpectedQuestion);
}

}  // namespace
}  // namespace bexlo
