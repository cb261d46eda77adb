// F3, Shift+F3 and Ctrl+F3 on a search grid: saving under a title, loading a chosen state,
// clearing with the question, and the choice window's Delete key.
#include <QLineEdit>
#include <QPushButton>

#include "states_fixture.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/text.h"
#include "widgets/entry/dic_choice_form.h"
#include "widgets/grid/grid_popup_menu.h"
#include "widgets/states/state_editor.h"
#include "widgets/states/state_forms.h"
#include "widgets/states/state_hooks.h"

namespace bexlo::testing {
namespace {

// Shift+F3 with the title typed into the save window and "Save" clicked.
void SaveAs(TSearchDBGrid* grid, const QString& title) {
  OnModal<TSaveGridForm> save([&](TSaveGridForm& form) {
    QTest::keyClicks(form.TitleEdit(), title);
    QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
  });
  QTest::keyClick(grid, Qt::Key_F3, Qt::ShiftModifier);
  EXPECT_TRUE(save.Ran());
}

// Moves the choice window's list to a title.
void GoToTitle(TChoiceGridForm& form, const std::string& title) {
  ASSERT_TRUE(form.Query()->Locate("GR_GRD_CMT", {Variant(title)}));
}

TEST_P(StatesTest, TheHooksAreInstalledAndTheGroupIsFormAndGridName) {
  EXPECT_TRUE(IsHookInstalled(THook::DBGrid_LoadState));
  EXPECT_TRUE(IsHookInstalled(THook::DBGrid_SaveState));
  EXPECT_TRUE(IsHookInstalled(THook::DBGrid_ClearState));
  EXPECT_EQ(GridStateGroupOf(*grid), kGroup);

  // The popup menu shows the three commands, and its "Clear state" runs the hook with the question.
  auto* menu = qobject_cast<TDBGridPopupMenu*>(SharedGridPopupMenu());
  ASSERT_NE(menu, nullptr);
  menu->SetPopupComponent(grid.get());
  menu->UpdateVisibility();
  for (int tag : {2, 3, 4}) EXPECT_TRUE(menu->ItemByTag(tag)->isVisible()) << tag;
  Search("NAME", QStringLiteral("customer 3"));
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrYes);
  menu->RunCommand(4);
  EXPECT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(RecordCount(), 30);
}

TEST_P(StatesTest, SavingTwiceWithOneTitleLeavesOneRowAndANewTitleAddsOne) {
  Search("NAME", QStringLiteral("customer 1"));
  SaveAs(grid.get(), QStringLiteral("Ones"));
  ASSERT_EQ(Rows(), 1);
  std::optional<TGridState> stored = Store().Load(kGroup, "Ones");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->Search, std::vector<std::string>{"NAME=customer 1"});
  EXPECT_TRUE(stored->Order.empty());

  // The same title again, with another value: still one row, holding the new value.
  Column("NAME");
  Key(Qt::Key_Backspace);
  grid->SearchTimerTick();
  SaveAs(grid.get(), QStringLiteral("Ones"));
  EXPECT_EQ(Rows(), 1);
  EXPECT_EQ(Store().Load(kGroup, "Ones")->Search, std::vector<std::string>{"NAME=customer "});

  SaveAs(grid.get(), QStringLiteral("  Others "));  // surrounding blanks are not part of a title
  EXPECT_EQ(Rows(), 2);
  EXPECT_EQ(Store().Titles(kGroup), (std::vector<std::string>{"Ones", "Others"}));
  // Rows are the application's: another application key sees none of them.
  EXPECT_TRUE(TGridStateStore(db_name_, "Another").Titles(kGroup).empty());
}

TEST_P(StatesTest, AnEmptyTitleIsRefusedAndTheWindowStaysOpen) {
  Search("NAME", QStringLiteral("x"));
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  bool openAfterEmpty = false;
  OnModal<TSaveGridForm> save([&](TSaveGridForm& form) {
    EXPECT_EQ(form.windowTitle(), QString(msg::SQoSaveStateCaption));
    QTest::keyClicks(form.TitleEdit(), QStringLiteral("   "));
    QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
    openAfterEmpty = form.isVisible();
    QTest::keyClicks(form.TitleEdit(), QStringLiteral("Named"));
    QTest::keyClick(form.TitleEdit(), Qt::Key_Return);  // Save is the default button
  });
  grid->SaveState();
  EXPECT_TRUE(openAfterEmpty);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, msg::SQoStateNameEmpty);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(Store().Titles(kGroup), std::vector<std::string>{"Named"});
}

TEST_P(StatesTest, TheSaveWindowsButtonPicksAnExistingTitleToOverwrite) {
  Store().Save(State("Old one", {"NAME=a"}), false);
  Store().Save(State("Not ours", {"NAME=b"}, {}, "TOtherForm_Grid1"), false);
  Search("NAME", QStringLiteral("customer 5"));
  std::vector<std::string> offered;
  QString caption;
  TDicChoiceForm::TModalRunner previous = TDicChoiceForm::SetModalRunner([&](TDicChoiceForm& choice) {
    caption = choice.windowTitle();
    TQuery& q = *choice.Query();
    for (q.First(); !q.Eof(); q.Next()) offered.push_back(q.FieldByName("GR_GRD_CMT")->AsString());
    EXPECT_EQ(q.FieldByName("GR_GRD_CMT")->DisplayLabel(), msg::SQoSaveStateDescription);
    q.First();
    return int(QDialog::Accepted);
  });
  OnModal<TSaveGridForm> save([&](TSaveGridForm& form) {
    QTest::mouseClick(form.DicButton(), Qt::LeftButton);
    EXPECT_EQ(form.TitleEdit()->text(), QStringLiteral("Old one"));
    QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
  });
  grid->SaveState();
  TDicChoiceForm::SetModalRunner(previous);
  EXPECT_EQ(caption, QString(msg::SQoSaveStateDicTitle));
  EXPECT_EQ(offered, std::vector<std::string>{"Old one"});
  EXPECT_EQ(Store().Load(kGroup, "Old one")->Search, std::vector<std::string>{"NAME=customer 5"});
  EXPECT_EQ(Rows(), 2);
}

TEST_P(StatesTest, NothingToSaveOpensNoWindow) {
  OnModal<QDialog> any([](QDialog&) {});
  grid->SaveState();
  QApplication::processEvents();
  EXPECT_FALSE(any.Ran());
  EXPECT_EQ(Rows(), 0);
  // A grid that is not over a query does nothing either (and does not fail).
  TSearchDBGrid bare;
  DBGrid_SaveState(&bare);
  DBGrid_LoadState(&bare);
  DBGrid_ClearState(&bare, false, true);
  EXPECT_EQ(Rows(), 0);
}

TEST_P(StatesTest, LoadingAChosenStateReplacesTheSearchValues) {
  Store().Save(State("Threes", {"NAME=customer 3"}), false);
  Store().Save(State("Nines", {"NAME=customer 9"}), false);
  Search("AMOUNT", QStringLiteral("3"));
  QStringList titles;
  OnModal<TChoiceGridForm> choose([&](TChoiceGridForm& form) {
    EXPECT_EQ(form.windowTitle(), QString(msg::SQoChoiceStateCaption));
    for (form.Query()->First(); !form.Query()->Eof(); form.Query()->Next()) {
      titles << QString::fromStdString(form.CurrentTitle());
    }
    GoToTitle(form, "Nines");
    QTest::mouseClick(form.ChooseButton(), Qt::LeftButton);
  });
  Key(Qt::Key_F3);
  EXPECT_EQ(titles, (QStringList{"Nines", "Threes"}));
  // The state's value replaced the typed one; the cleared AMOUNT line is gone.
  EXPECT_EQ(grid->SearchList().Text(), "NAME=customer 9\r\n");
  EXPECT_EQ(query->SQLText().find("/*Begin for AMOUNT*/"), std::string::npos);
  EXPECT_EQ(RecordCount(), 1);
  EXPECT_EQ(query->FieldByName("ID")->AsInteger(), 9);

  // "Exit" changes nothing.
  OnModal<TChoiceGridForm> exit([&](TChoiceGridForm& form) { QTest::mouseClick(form.ExitButton(), Qt::LeftButton); });
  Key(Qt::Key_F3);
  EXPECT_TRUE(exit.Ran());
  EXPECT_EQ(grid->SearchList().Text(), "NAME=customer 9\r\n");
}

TEST_P(StatesTest, LoadingAnOrderOnlyStateKeepsTheSearchValues) {
  Store().Save(State("By name", {}, {"NAME DESC"}), true);
  Search("NAME", QStringLiteral("customer 1"));
  const int found = RecordCount();
  ASSERT_EQ(found, 11);  // 1, 10..19
  OnModal<TChoiceGridForm> choose([&](TChoiceGridForm& form) { form.Choose(); });
  grid->LoadState();
  EXPECT_EQ(grid->SearchList().Text(), "NAME=customer 1\r\n");
  EXPECT_EQ(RecordCount(), found);
  EXPECT_TRUE(grid->BuilderOrder().OrderSet);
  query->First();
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "customer 19");  // descending by name
}

TEST_P(StatesTest, AStoredLineThatTypingCannotGiveIsRefusedAndNamed) {
  // A number field cannot be typed a quote or a semicolon; the rest of the state still loads.
  Store().Save(State("Bad", {"AMOUNT=1; DELETE FROM T", "NAME=customer 2"}), false);
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  OnModal<TChoiceGridForm> choose([&](TChoiceGridForm& form) { form.Choose(); });
  grid->LoadState();
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtWarning);
  EXPECT_NE(ui.Asked()[0].text.find("AMOUNT=1; DELETE FROM T"), std::string::npos);
  EXPECT_EQ(grid->SearchList().Text(), "NAME=customer 2\r\n");
  EXPECT_EQ(RecordCount(), 11);  // 2, 20..29
  EXPECT_EQ(query->SQLText().find("DELETE"), std::string::npos);
}

TEST_P(StatesTest, ClearingAsksAndOnlyYesClears) {
  Search("NAME", QStringLiteral("customer 2"));
  ASSERT_EQ(RecordCount(), 11);
  grid->ChoiceList().Add("ID=4");
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrNo);
  ui.AnswerMessage(mrYes);
  Key(Qt::Key_F3, Qt::ControlModifier);
  EXPECT_EQ(RecordCount(), 11);
  EXPECT_EQ(grid->SearchList().Text(), "NAME=customer 2\r\n");
  Key(Qt::Key_F3, Qt::ControlModifier);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[1].text, msg::SQoStateClear);
  EXPECT_EQ(ui.Asked()[1].type, TMsgDlgType::mtWarning);
  EXPECT_EQ(ui.Asked()[1].buttons, mbYesNoCancel);
  EXPECT_EQ(RecordCount(), 30);
  EXPECT_EQ(grid->SearchList().Text(), "NAME=^\r\n");  // cleared values stay until a state loads
  EXPECT_EQ(grid->ChoiceList().Count(), 0);
  EXPECT_EQ(query->SQLText().find("/*Begin for"), std::string::npos);
}

TEST_P(StatesTest, TheChoiceWindowDeletesWithTheDeleteKeyAfterTheQuestion) {
  Store().Save(State("First", {"NAME=a"}), false);
  Store().Save(State("Second", {"NAME=b"}), false);
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrNo);
  ui.AnswerMessage(mrYes);
  std::string left;
  OnModal<TChoiceGridForm> choose([&](TChoiceGridForm& form) {
    EXPECT_TRUE(form.EditorButton()->isEnabled());
    GoToTitle(form, "Second");
    QTest::keyClick(form.Grid(), Qt::Key_Delete);  // No
    QTest::keyClick(form.Grid(), Qt::Key_Delete);  // Yes
    left = form.CurrentTitle();
    form.reject();
  });
  grid->LoadState();
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[0].text, "Are you sure, that want to delete table state \"Second\". To continue?");
  EXPECT_EQ(left, "First");  // the list was read again
  EXPECT_EQ(Store().Titles(kGroup), std::vector<std::string>{"First"});
  EXPECT_EQ(grid->SearchList().Count(), 0);  // nothing was loaded

  // Without UseGridStateEdit the key deletes nothing and the editor is off.
  UseGridStateEdit = false;
  bool editorEnabled = true;
  OnModal<TChoiceGridForm> locked([&](TChoiceGridForm& form) {
    editorEnabled = form.EditorButton()->isEnabled();
    QTest::keyClick(form.Grid(), Qt::Key_Delete);
  });
  grid->LoadState();
  EXPECT_FALSE(editorEnabled);
  EXPECT_EQ(Rows(), 1);
}

TEST_P(StatesTest, WithoutTheTableF3ShowsTheDatabaseErrorAndClearingStillWorks) {
  Session().OpenDatabase(db_name_)->Execute("DROP TABLE SYS_GRIDS");
  Search("NAME", QStringLiteral("customer 2"));
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  OnModal<QDialog> any([](QDialog&) {});
  grid->LoadState();
  QApplication::processEvents();
  EXPECT_FALSE(any.Ran());
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_NE(UpperCase(ui.Asked()[0].text).find("SYS_GRIDS"), std::string::npos) << ui.Asked()[0].text;
  EXPECT_EQ(RecordCount(), 11);  // the grid as it was
  grid->ClearState(false, true);
  EXPECT_EQ(RecordCount(), 30);
}

TEST_P(StatesTest, NoStateIsLoadedIntoTheChoiceWindowsOwnList) {
  Store().Save(State("One", {"NAME=a"}), false);
  std::string groupOfList;
  OnModal<TChoiceGridForm> choose([&](TChoiceGridForm& form) {
    groupOfList = GridStateGroupOf(*form.Grid());
    QTest::keyClick(form.Grid(), Qt::Key_F3);  // would open a second choice window
    form.reject();
  });
  grid->LoadState();
  EXPECT_EQ(groupOfList, "TChoiceGridForm_Grid");
}

TEST_P(StatesTest, SaveAndLoadRoundTripTheWholeState) {
  Search("NAME", QStringLiteral("customer"));
  grid->ChoiceList().Add("ID=5");
  grid->ChoiceList().Add("ID=6");
  SaveAs(grid.get(), QStringLiteral("Full"));
  std::optional<TGridState> stored = Store().Load(kGroup, "Full");
  ASSERT_TRUE(stored);
  EXPECT_EQ(stored->Choice, (std::vector<std::string>{"ID=5", "ID=6"}));

  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrYes);
  grid->ClearState(true, true);
  ASSERT_EQ(grid->ChoiceList().Count(), 0);
  OnModal<TChoiceGridForm> choose([&](TChoiceGridForm& form) { form.Choose(); });
  grid->LoadState();
  EXPECT_EQ(grid->SearchList().Text(), "NAME=customer\r\n");
  EXPECT_EQ(grid->ChoiceList().Text(), "ID=5\r\nID=6\r\n");
  EXPECT_EQ(RecordCount(), 29);
}

BEXLO_GRID_SUITE(StatesTest);

}  // namespace
}  // namespace bexlo::testing
