// The state editor: its list, the edit window (add, rename, delete), export to .GRD files and the
// import back, and the directory chooser behind GetPath.
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeView>
#include <filesystem>

#include "grid/grid_state_file.h"
#include "states_fixture.h"
#include "util/messages.h"
#include "widgets/entry/dic_button.h"
#include "widgets/entry/dic_choice_form.h"
#include "widgets/platform/qt_user_interaction.h"
#include "widgets/states/get_dir_form.h"
#include "widgets/states/state_editor.h"
#include "widgets/states/state_forms.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Files(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

class StateEditorTest : public StatesTest {
 protected:
  void SetUp() override {
    StatesTest::SetUp();
    if (HasFatalFailure()) return;
    TGridState a = State("Big orders", {"NAME=customer 1"}, {"NAME DESC"});
    a.Choice = {"ID=4"};
    a.Build = {"AMOUNT > 10", "", "[not a section]"};
    Store().Save(a, true);
    Store().Save(State("Small", {"AMOUNT=3"}), false);
    TGridState other = State("Elsewhere", {"NAME=x"}, {}, "TOtherForm_Grid1");
    Store().Save(other, false);
    // A group whose name differs only where this group has "_": not this group's state.
    Store().Save(State("Lookalike", {"NAME=y"}, {}, "TOrderFormXGrid1"), false);
    editor = std::make_unique<TChoiceEditGrdForm>(db_name_, kGroup);
    editor->show();
    editor->OpenList();
  }
  void TearDown() override {
    editor.reset();
    StatesTest::TearDown();
  }
  std::vector<std::string> ListedTitles() {
    std::vector<std::string> titles;
    TQuery& q = *editor->Query();
    for (q.First(); !q.Eof(); q.Next()) titles.push_back(editor->CurrentTitle());
    return titles;
  }
  std::vector<std::string> VisibleLabels() {
    std::vector<std::string> labels;
    for (TField* f : editor->Query()->Fields()) {
      if (f->Visible()) labels.push_back(f->DisplayLabel());
    }
    return labels;
  }

  std::unique_ptr<TChoiceEditGrdForm> editor;
  QTemporaryDir disk_;
};

TEST_P(StateEditorTest, ListsTheGroupOrEveryGroupWithTheGroupColumn) {
  EXPECT_EQ(editor->windowTitle(), QString(msg::SQoStateEditorCaption));
  EXPECT_EQ(ListedTitles(), (std::vector<std::string>{"Big orders", "Small"}));
  EXPECT_EQ(VisibleLabels(), (std::vector<std::string>{"State name", "List of|search", "Mark",
                                                       "Constructor|of the query", "Order"}));
  editor->AllGroups()->setFocus();
  QTest::keyClick(editor->AllGroups(), Qt::Key_Space);
  ASSERT_TRUE(editor->AllGroups()->isChecked());
  std::vector<std::string> all = ListedTitles();
  std::sort(all.begin(), all.end());  // the server's collation orders the groups
  EXPECT_EQ(all, (std::vector<std::string>{"Big orders", "Elsewhere", "Lookalike", "Small"}));
  EXPECT_EQ(VisibleLabels().front(), "State group");
  editor->AllGroups()->setChecked(false);
  EXPECT_EQ(VisibleLabels().front(), "State name");
}

TEST_P(StateEditorTest, ExportThenImportIntoAnEmptyTableRecreatesEveryState) {
  const std::vector<TGridState> before = Store().List("%");
  editor->AllGroups()->setChecked(true);
  const std::string dir = disk_.path().toStdString() + "/";
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrYes);
  ui.AnswerDirectory(disk_.path().toStdString());  // GetPath adds the "/"
  QTest::mouseClick(editor->ToDiskButton(), Qt::LeftButton);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[0].text, msg::SQoStateSureToDisk);
  EXPECT_EQ(ui.Asked()[1].text, msg::SQoChooseDirectory);
  EXPECT_EQ(Files(dir), (std::vector<std::string>{"TOrderFormXGrid1^Lookalike.GRD", "TOrderForm_Grid1^Big orders.GRD",
                                                  "TOrderForm_Grid1^Small.GRD", "TOtherForm_Grid1^Elsewhere.GRD"}));

  Session().OpenDatabase(db_name_)->Execute("DELETE FROM SYS_GRIDS");
  editor->OpenList();
  ASSERT_TRUE(ListedTitles().empty());
  ui.AnswerMessage(mrYes);
  ui.AnswerDirectory(disk_.path().toStdString());
  QTest::mouseClick(editor->FromDiskButton(), Qt::LeftButton);
  EXPECT_EQ(ui.Asked()[2].text, msg::SQoStateSureFromDisk);
  EXPECT_TRUE(ui.AllAnswered());
  EXPECT_EQ(Store().List("%"), before);  // empty lines and "[" lines included
  EXPECT_FALSE(editor->Progress()->isVisible());
  EXPECT_EQ(editor->Progress()->value(), 4);
  EXPECT_EQ(ListedTitles().size(), 4u);

  // A ";DELETE" line added to a file deletes that state on the next import.
  {
    std::ofstream out(dir + "TOrderForm_Grid1^Small.GRD", std::ios::app | std::ios::binary);
    out << ";delete\r\n";
  }
  ui.AnswerMessage(mrYes);
  ui.AnswerDirectory(dir);
  editor->FromDisk();
  EXPECT_FALSE(Store().Load(kGroup, "Small").has_value());
  EXPECT_EQ(Store().List("%").size(), 3u);
  EXPECT_EQ(ListedTitles().size(), 3u);
}

TEST_P(StateEditorTest, NoAnswerMeansNothingWrittenOrRead) {
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrNo);
  editor->ToDisk();
  ui.AnswerMessage(mrYes);
  ui.AnswerDirectory(std::nullopt);  // the chooser was cancelled
  editor->ToDisk();
  ui.AnswerMessage(mrCancel);
  editor->FromDisk();
  EXPECT_TRUE(ui.AllAnswered());
  EXPECT_TRUE(Files(disk_.path().toStdString()).empty());
  EXPECT_EQ(Rows(), 4);
}

TEST_P(StateEditorTest, ATitleTheFileSystemRefusesStopsTheExportWithItsError) {
  Store().Save(State("a/b", {"NAME=z"}), false);
  editor->OpenList();
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrYes);
  ui.AnswerDirectory(disk_.path().toStdString());
  ui.AnswerMessage(mrOk);
  editor->ToDisk();
  ASSERT_EQ(ui.Asked().size(), 3u);
  EXPECT_EQ(ui.Asked()[2].type, TMsgDlgType::mtError);
  EXPECT_NE(ui.Asked()[2].text.find("a/b"), std::string::npos);
  EXPECT_TRUE(Files(disk_.path().toStdString()).empty());  // checked before anything is written
}

TEST_P(StateEditorTest, AFailingImportKeepsTheStatesAndNamesTheFile) {
  const std::vector<TGridState> before = Store().List("%");
  const std::string dir = disk_.path().toStdString() + "/";
  ExportGridStates(dir, {State("New one", {"NAME=n"})});
  // A state name longer than the table holds cannot be stored.
  ExportGridStates(dir, {State(std::string(61, 'x'), {"NAME=n"})});
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrYes);
  ui.AnswerDirectory(dir);
  ui.AnswerMessage(mrOk);
  editor->FromDisk();
  ASSERT_EQ(ui.Asked().size(), 3u);
  EXPECT_EQ(ui.Asked()[2].type, TMsgDlgType::mtError);
  EXPECT_NE(ui.Asked()[2].text.find(std::string(61, 'x') + ".GRD"), std::string::npos);
  EXPECT_EQ(Store().List("%"), before);  // "New one" was not kept either
  EXPECT_FALSE(editor->Progress()->isVisible());
}

TEST_P(StateEditorTest, AddEditAndDeleteThroughTheRecordLink) {
  // Add: the new state starts in the editor's group and the application's key.
  OnModal<TGridEditForm> add([&](TGridEditForm& form) {
    EXPECT_EQ(form.windowTitle(), QString(msg::SQoStateEditorCaption));
    EXPECT_TRUE(form.Inserting());
    EXPECT_EQ(form.GroupEdit()->text(), QString(kGroup));
    EXPECT_EQ(form.NameEdit()->text(), QString());
    QTest::keyClicks(form.NameEdit(), QStringLiteral("Added"));
    form.Memo(0)->setPlainText(QStringLiteral("NAME=customer 7\nAMOUNT=10.5"));
    form.Memo(3)->setPlainText(QStringLiteral("ID DESC"));
    QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
  });
  QTest::mouseClick(editor->AddButton(), Qt::LeftButton);
  ASSERT_TRUE(add.Ran());
  std::optional<TGridState> added = Store().Load(kGroup, "Added");
  ASSERT_TRUE(added);
  EXPECT_EQ(added->Search, (std::vector<std::string>{"NAME=customer 7", "AMOUNT=10.5"}));
  EXPECT_EQ(added->Order, std::vector<std::string>{"ID DESC"});
  EXPECT_EQ(editor->CurrentTitle(), "Added");  // the list shows the saved row

  // Edit: a name another state has is refused and the window stays open; a free one renames.
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  OnModal<TGridEditForm> edit({[&](TGridEditForm& form) {
                                 EXPECT_FALSE(form.Inserting());
                                 EXPECT_EQ(form.NameEdit()->text(), QStringLiteral("Added"));
                                 EXPECT_EQ(form.Memo(0)->toPlainText(), QStringLiteral("NAME=customer 7\nAMOUNT=10.5"));
                                 form.NameEdit()->setText(QStringLiteral("Small"));
                                 QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
                               },
                               [&](TGridEditForm& form) {
                                 EXPECT_EQ(form.NameEdit()->text(), QStringLiteral("Small"));
                                 form.NameEdit()->setText(QStringLiteral("Renamed"));
                                 QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
                               }});
  QTest::mouseClick(editor->EditButton(), Qt::LeftButton);
  EXPECT_EQ(edit.Count(), 2u);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "The state \"Small\" already exists in group \"TOrderForm_Grid1\"");
  EXPECT_FALSE(Store().Load(kGroup, "Added"));
  EXPECT_EQ(Store().Load(kGroup, "Renamed")->Search, added->Search);
  EXPECT_EQ(Store().Load(kGroup, "Small")->Search, std::vector<std::string>{"AMOUNT=3"});
  EXPECT_EQ(editor->CurrentTitle(), "Renamed");

  // Cancel keeps the row as it was.
  OnModal<TGridEditForm> cancel([&](TGridEditForm& form) {
    form.Memo(0)->setPlainText(QStringLiteral("NAME=changed"));
    form.reject();
  });
  editor->EditCurrent();
  EXPECT_TRUE(cancel.Ran());
  EXPECT_EQ(Store().Load(kGroup, "Renamed")->Search, added->Search);

  // An empty name is refused.
  ui.AnswerMessage(mrOk);
  OnModal<TGridEditForm> empty({[&](TGridEditForm& form) {
                                  form.Memo(0)->setPlainText(QStringLiteral("NAME=q"));
                                  form.accept();
                                },
                                [&](TGridEditForm& form) { form.reject(); }});
  editor->AddState();
  EXPECT_EQ(empty.Count(), 2u);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[1].text, msg::SQoStateNameEmpty);
  EXPECT_EQ(Rows(), 5);  // the four of the fixture and "Renamed"

  // Delete asks "Are you sure ?"; only Yes deletes.
  ASSERT_TRUE(editor->Locate(kGroup, "Renamed"));
  ui.AnswerMessage(mrNo);
  ui.AnswerMessage(mrYes);
  QTest::mouseClick(editor->DeleteButton(), Qt::LeftButton);
  EXPECT_TRUE(Store().Load(kGroup, "Renamed"));
  QTest::mouseClick(editor->DeleteButton(), Qt::LeftButton);
  EXPECT_EQ(ui.Asked()[3].text, msg::SQoStateSureDelete);
  EXPECT_EQ(ui.Asked()[3].type, TMsgDlgType::mtConfirmation);
  EXPECT_FALSE(Store().Load(kGroup, "Renamed"));
  EXPECT_EQ(ListedTitles(), (std::vector<std::string>{"Big orders", "Small"}));
}

TEST_P(StateEditorTest, PageDownInTheEditWindowSavesAndOpensTheNextState) {
  ASSERT_TRUE(editor->Locate(kGroup, "Big orders"));
  QStringList names;
  OnModal<TGridEditForm> edit({[&](TGridEditForm& form) {
                                 names << form.NameEdit()->text();
                                 form.Memo(2)->setPlainText(QStringLiteral("AMOUNT > 20"));
                                 form.NameEdit()->setFocus();
                                 QTest::keyClick(form.NameEdit(), Qt::Key_PageDown);
                               },
                               [&](TGridEditForm& form) {
                                 names << form.NameEdit()->text();
                                 form.reject();
                               }});
  QTest::keyClick(editor->Grid(), Qt::Key_Return);  // Enter edits, as a double click does
  EXPECT_EQ(names, (QStringList{"Big orders", "Small"}));
  EXPECT_EQ(Store().Load(kGroup, "Big orders")->Build, std::vector<std::string>{"AMOUNT > 20"});
}

TEST_P(StateEditorTest, TheGroupButtonListsTheApplicationsGroups) {
  TDicChoiceForm::TModalRunner previous = TDicChoiceForm::SetModalRunner([](TDicChoiceForm& choice) {
    EXPECT_EQ(choice.windowTitle(), QString(msg::SQoStateGroups));
    std::vector<std::string> groups;
    TQuery& q = *choice.Query();
    for (q.First(); !q.Eof(); q.Next()) groups.push_back(q.FieldByName("GR_GRD_NAM")->AsString());
    std::sort(groups.begin(), groups.end());
    EXPECT_EQ(groups, (std::vector<std::string>{"TOrderFormXGrid1", "TOrderForm_Grid1", "TOtherForm_Grid1"}));
    EXPECT_TRUE(q.Locate("GR_GRD_NAM", {Variant("TOtherForm_Grid1")}));
    return int(QDialog::Accepted);
  });
  OnModal<TGridEditForm> add([&](TGridEditForm& form) {
    QTest::keyClicks(form.NameEdit(), QStringLiteral("Moved"));
    QTest::mouseClick(form.GroupDicButton(), Qt::LeftButton);
    EXPECT_EQ(form.GroupEdit()->text(), QStringLiteral("TOtherForm_Grid1"));
    QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
  });
  editor->AddState();
  TDicChoiceForm::SetModalRunner(previous);
  EXPECT_TRUE(Store().Load("TOtherForm_Grid1", "Moved"));
}

TEST_P(StateEditorTest, TheChoiceWindowOpensTheEditorForItsGroup) {
  std::vector<std::string> editorTitles;
  OnModal<TChoiceEditGrdForm> inEditor([&](TChoiceEditGrdForm& ed) {
    TQuery& q = *ed.Query();
    for (q.First(); !q.Eof(); q.Next()) editorTitles.push_back(ed.CurrentTitle());
    TScriptedUserInteraction ui;
    ui.AnswerMessage(mrYes);
    ed.Locate(kGroup, "Small");
    ed.DeleteCurrent();
  });
  std::string listAfter;
  OnModal<TChoiceGridForm> choice([&](TChoiceGridForm& form) {
    QTest::mouseClick(form.EditorButton(), Qt::LeftButton);
    TQuery& q = *form.Query();
    for (q.First(); !q.Eof(); q.Next()) listAfter += form.CurrentTitle() + ";";
  });
  grid->LoadState();
  EXPECT_EQ(editorTitles, (std::vector<std::string>{"Big orders", "Small"}));
  EXPECT_EQ(listAfter, "Big orders;");  // the choice list was read again
}

BEXLO_GRID_SUITE(StateEditorTest);

// ---- the directory chooser ----

TEST(GetDirForm, GetPathGivesTheChosenDirectoryWithASlashOrNothing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("inner")));
  const QString inner = dir.path() + QStringLiteral("/inner");
  TQtUserInteraction qt;
  TUserInteraction* previous = SetUserInteraction(&qt);
  QString caption, chooseText;
  OnModal<TGetDirForm> choose([&](TGetDirForm& form) {
    caption = form.windowTitle();
    chooseText = form.ChooseButton()->text();
    EXPECT_TRUE(form.SetDirectory(inner));
    EXPECT_EQ(form.Directory(), inner);
    QTest::mouseClick(form.ChooseButton(), Qt::LeftButton);
  });
  std::string path;
  EXPECT_TRUE(GetPath(path));
  EXPECT_EQ(caption, QString(msg::SQoChooseDirectory));
  EXPECT_EQ(chooseText, QStringLiteral("Choose"));
  EXPECT_EQ(path, inner.toStdString() + "/");

  OnModal<TGetDirForm> cancel([&](TGetDirForm& form) { QTest::keyClick(&form, Qt::Key_Escape); });
  EXPECT_FALSE(GetPath(path));
  EXPECT_TRUE(path.empty());
  SetUserInteraction(previous);

  TGetDirForm form;
  EXPECT_FALSE(form.SetDirectory(dir.path() + QStringLiteral("/missing")));
  EXPECT_GE(form.DriveBox()->count(), 2);  // home and the root at least
}

}  // namespace
}  // namespace bexlo::testing
