// Record links on real windows (offscreen): a list query, an edit dialog with data-aware edit
// boxes and a TPtDBLink, and a TPtFormLink driving it. What the user does inside the modal
// window is scripted: each time the window is shown, the next step runs inside its event loop
// (posted, never timed) and ends by closing the window with a button or a key.
#include <QApplication>
#include <QAbstractItemView>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>
#include <deque>
#include <functional>

#include "db_test_support.h"
#include "links/modal_script.h"
#include "entry/record_link.h"
#include "util/ui_services.h"
#include "widgets/entry/db_edit_link.h"
#include "widgets/entry/record_link_widgets.h"

namespace bexlo::testing {
namespace {

// The edit window of one item.
class ItemDialog : public QDialog {
 public:
  explicit ItemDialog(TDataSource* source) {
    code = new QLineEdit(this);
    name = new QLineEdit(this);
    notes = new QPlainTextEdit(this);
    save = new QPushButton(QStringLiteral("Save"), this);
    add = new QPushButton(QStringLiteral("Add"), this);
    auto* layout = new QVBoxLayout(this);
    for (QWidget* w : std::initializer_list<QWidget*>{code, name, notes, save, add}) layout->addWidget(w);
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(add, &QPushButton::clicked, this, [this] { done(mrAddRecord); });
    new TDBEditLink(code, source, "code");
    new TDBEditLink(name, source, "name");
    new TDBEditLink(notes, source, "notes");
    link = new TPtDBLink(this);
    link->SetFirstEdit(code);
  }
  QLineEdit* code;
  QLineEdit* name;
  QPlainTextEdit* notes;
  QPushButton* save;
  QPushButton* add;
  TPtDBLink* link;
};

class RecordLinkWidgetTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec(std::string("CREATE TABLE items (id ") + (Pg() ? "SERIAL" : "INTEGER") +
         " PRIMARY KEY, code VARCHAR(8) NOT NULL, name VARCHAR(40) NOT NULL, notes TEXT)");
    Exec("INSERT INTO items (code, name, notes) VALUES ('A1', 'Anvil', 'heavy'), ('B2', 'Bolt', NULL), "
         "('C3', 'Crate', 'line one\nline two'), ('D4', 'Drill', NULL)");
    list = Query("SELECT id, code, name FROM items ORDER BY id");
    list->SetUniqueField("id");
    list->Open();
    listSource.SetDataSet(list.get());
    edit = Query("SELECT * FROM items WHERE id = :id");
    edit->SetRequestLive(true);
    editSource.SetDataSet(edit.get());
    dialog = std::make_unique<ItemDialog>(&editSource);
    dialog->link->SetQuery(edit.get());
    dialog->link->SetUniqueField("id");
    formLink.SetForm(dialog.get());
  }
  void TearDown() override {
    dialog.reset();
    editSource.SetDataSet(nullptr);
    edit.reset();
    listSource.SetDataSet(nullptr);
    list.reset();
    DbTest::TearDown();
  }

  std::string ListName() { return list->FieldByName("name")->AsString(); }
  static void Replace(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
  }

  std::unique_ptr<TQuery> list;
  TDataSource listSource;
  std::unique_ptr<TQuery> edit;
  TDataSource editSource;
  std::unique_ptr<ItemDialog> dialog;
  TPtFormLink formLink;
};

TEST_P(RecordLinkWidgetTest, EditSavesAndReopensTheListOnTheEditedRecord) {
  list->Next();
  list->Next();  // Crate
  ModalScript script(dialog.get(), {[&] {
                       EXPECT_EQ(dialog->code->text(), "C3");
                       EXPECT_EQ(dialog->notes->toPlainText(), "line one\nline two");
                       dialog->name->end(false);
                       QTest::keyClicks(dialog->name, " XL");
                       QTest::mouseClick(dialog->save, Qt::LeftButton);
                     }});
  EXPECT_EQ(formLink.Edit(&listSource), QDialog::Accepted);
  EXPECT_TRUE(formLink.Saved());
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 3"), "Crate XL");
  EXPECT_EQ(ListName(), "Crate XL");  // the list was read again and is back on the record
  EXPECT_FALSE(dialog->isVisible());
}

TEST_P(RecordLinkWidgetTest, InsertWithAddKeepsTheWindowForTheNextRecord) {
  ModalScript script(dialog.get(), {[&] {
                                      EXPECT_EQ(edit->State(), dsInsert);
                                      QTest::keyClicks(dialog->code, "E5");
                                      QTest::keyClicks(dialog->name, "Easel");
                                      dialog->name->setFocus();
                                      QTest::mouseClick(dialog->add, Qt::LeftButton);
                                    },
                                    [&] {
                                      // A fresh new record, the first edit box focused.
                                      EXPECT_EQ(edit->State(), dsInsert);
                                      EXPECT_EQ(dialog->code->text(), "");
                                      EXPECT_EQ(dialog->focusWidget(), dialog->code);
                                      QTest::keyClicks(dialog->code, "F6");
                                      QTest::keyClicks(dialog->name, "Funnel");
                                      QTest::mouseClick(dialog->save, Qt::LeftButton);
                                    }});
  formLink.Insert(&listSource);
  EXPECT_EQ(script.Shown(), 2);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE code IN ('E5', 'F6')"), "2");
  EXPECT_EQ(ListName(), "Anvil");  // back on the record the list was on
}

TEST_P(RecordLinkWidgetTest, DeleteNeedsNoWindowAndKeepsTheListInPlace) {
  list->Next();  // Bolt
  ModalScript script(dialog.get(), {});
  formLink.Delete(&listSource);
  EXPECT_EQ(script.Shown(), 0);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items"), "3");
  EXPECT_EQ(ListName(), "Crate");
}

TEST_P(RecordLinkWidgetTest, ClosingModifiedWithoutConfirmOnExitDiscardsSilently) {
  TScriptedUserInteraction ui;  // any question would fail the test
  ModalScript script(dialog.get(), {[&] {
                       Replace(dialog->name, QStringLiteral("scrap"));
                       QTest::keyClick(dialog->name, Qt::Key_Escape);
                     }});
  EXPECT_EQ(formLink.Edit(&listSource), QDialog::Rejected);
  EXPECT_TRUE(ui.Asked().empty());
  EXPECT_FALSE(formLink.Saved());
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil");
  EXPECT_EQ(edit->State(), dsBrowse);
}

TEST_P(RecordLinkWidgetTest, ClosingModifiedWithConfirmOnExitAsks) {
  formLink.SetConfirmOnExit(true);
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrCancel);
  ui.AnswerMessage(mrNo);
  ui.AnswerMessage(mrYes);
  {
    ModalScript script(dialog.get(), {[&] {
                                        Replace(dialog->name, QStringLiteral("first"));
                                        dialog->reject();
                                      },
                                      [&] {
                                        // Cancel kept the window open with the input.
                                        EXPECT_EQ(dialog->name->text(), "first");
                                        dialog->reject();
                                      }});
    formLink.Edit(&listSource);
    EXPECT_EQ(script.Shown(), 2);
  }
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil");
  {
    ModalScript script(dialog.get(), {[&] {
                         Replace(dialog->name, QStringLiteral("second"));
                         dialog->reject();
                       }});
    formLink.Edit(&listSource);
  }
  EXPECT_TRUE(formLink.Saved());
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "second");
  ASSERT_EQ(ui.Asked().size(), 3u);
  for (const auto& q : ui.Asked()) {
    EXPECT_EQ(q.text, "Data was changed. Save ?");
    EXPECT_EQ(q.buttons, mbYesNoCancel);
  }
}

TEST_P(RecordLinkWidgetTest, PageDownMovesToTheNextRecordAndPageUpBack) {
  ModalScript script(dialog.get(), {[&] {
                                      EXPECT_EQ(dialog->name->text(), "Anvil");
                                      dialog->name->setFocus();
                                      Replace(dialog->name, QStringLiteral("Anvil II"));
                                      QTest::keyClick(dialog->name, Qt::Key_PageDown);
                                    },
                                    [&] {
                                      EXPECT_EQ(dialog->name->text(), "Bolt");
                                      EXPECT_EQ(ListName(), "Bolt");  // the list follows
                                      EXPECT_EQ(dialog->focusWidget(), dialog->name);
                                      EXPECT_EQ(dialog->name->selectedText(), "Bolt");
                                      QTest::keyClick(dialog->code, Qt::Key_PageDown);
                                    },
                                    [&] {
                                      EXPECT_EQ(dialog->code->text(), "C3");
                                      QTest::keyClick(dialog->code, Qt::Key_PageUp);
                                    },
                                    [&] {
                                      EXPECT_EQ(dialog->code->text(), "B2");
                                      dialog->reject();
                                    }});
  formLink.Edit(&listSource);
  EXPECT_EQ(script.Shown(), 4);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil II");  // saved on the way (jmPost)
}

TEST_P(RecordLinkWidgetTest, PageDownInAMemoOrWithoutJumpingStaysOnTheRecord) {
  ModalScript script(dialog.get(), {[&] {
                       QTest::keyClick(dialog->notes, Qt::Key_PageDown);
                       EXPECT_TRUE(dialog->isVisible());
                       QTest::keyClick(dialog->name, Qt::Key_PageDown, Qt::ControlModifier);
                       EXPECT_TRUE(dialog->isVisible());
                       dialog->link->SetJumpMode(jmNone);
                       QTest::keyClick(dialog->name, Qt::Key_PageDown);
                       EXPECT_TRUE(dialog->isVisible());
                       EXPECT_EQ(dialog->name->text(), "Anvil");
                       dialog->reject();
                     }});
  formLink.Edit(&listSource);
  EXPECT_EQ(script.Shown(), 1);
  EXPECT_EQ(ListName(), "Anvil");
}

TEST_P(RecordLinkWidgetTest, ControlsAddedLaterAreWatchedAndAFailedSaveKeepsTheWindow) {
  // A combo box uses Page Down itself; added after the link, it is still previewed.
  auto* combo = new QComboBox(dialog.get());
  combo->addItems({QStringLiteral("one"), QStringLiteral("two")});
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);  // the error of the failed save
  ModalScript script(dialog.get(), {[&] {
                                      dialog->name->clear();  // NOT NULL
                                      QTest::mouseClick(dialog->save, Qt::LeftButton);
                                    },
                                    [&] {
                                      EXPECT_EQ(edit->State(), dsEdit);
                                      QTest::keyClicks(dialog->name, "Anvil III");
                                      QTest::keyClick(combo, Qt::Key_PageDown);
                                    },
                                    [&] {
                                      EXPECT_EQ(combo->currentIndex(), 0);
                                      // In the combo box's open list the key is the list's.
                                      combo->showPopup();
                                      QWidget* popup = combo->view();
                                      ASSERT_NE(popup->window(), dialog.get());
                                      QTest::keyClick(popup, Qt::Key_PageDown);
                                      EXPECT_TRUE(dialog->isVisible());
                                      combo->hidePopup();
                                      EXPECT_EQ(dialog->code->text(), "B2");
                                      dialog->reject();
                                    }});
  formLink.Edit(&listSource);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil III");
}

TEST_P(RecordLinkWidgetTest, TheFormAndTheQueryAreForgottenWhenDestroyed) {
  EXPECT_EQ(dialog->link->Query(), edit.get());
  EXPECT_TRUE(dialog->link->IsUniqueFieldStored());
  dialog->link->SetUniqueField("ROWID");
  EXPECT_FALSE(dialog->link->IsUniqueFieldStored());
  TQuery* spare = new TQuery();
  dialog->link->SetQuery(spare);
  delete spare;
  EXPECT_EQ(dialog->link->Query(), nullptr);
  dialog.reset();
  EXPECT_EQ(formLink.Form(), nullptr);
  EXPECT_EQ(formLink.Edit(&listSource), mrCancel);  // no window: nothing happens
}

TEST_P(RecordLinkWidgetTest, TheLinksEventsReplaceItsDefaults) {
  std::vector<std::string> calls;
  dialog->link->OnSetInfo = [&](TPtLink* sender, const TLinkInfo& info) {
    calls.push_back(sender == dialog->link && info.DataSource == &listSource ? "info" : "info?");
  };
  dialog->link->OnSetParam = [&](TPtDBLink* sender, TQuery* listQuery) {
    calls.push_back(sender == dialog->link && listQuery == list.get() ? "param" : "param?");
    edit->ParamByName("id")->SetAsInteger(3);  // not the list's record
  };
  dialog->link->OnPost = [&](TPtDBLink* sender) {
    calls.push_back(sender == dialog->link ? "post" : "post?");
    edit->Post();
  };
  ModalScript script(dialog.get(), {[&] {
                       EXPECT_EQ(dialog->name->text(), "Crate");
                       Replace(dialog->name, QStringLiteral("Crate II"));
                       dialog->accept();
                     }});
  formLink.Edit(&listSource);
  EXPECT_EQ(calls, (std::vector<std::string>{"param", "info", "post"}));
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 3"), "Crate II");
}

BEXLO_DB_SUITE(RecordLinkWidgetTest);

}  // namespace
}  // namespace bexlo::testing
