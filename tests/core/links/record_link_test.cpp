// Record links without a window: the edit window's message handling over a real database (both
// engines), the close decision table, and the list side driving a scripted edit window.
#include <deque>
#include <functional>
#include <vector>

#include "core/db/db_test_support.h"
#include "entry/record_link.h"
#include "util/messages.h"
#include "util/ui_services.h"

namespace bexlo::testing {
namespace {

class RecordLinkTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    if (Pg()) {
      Exec("CREATE TABLE items (id SERIAL PRIMARY KEY, code TEXT NOT NULL, name TEXT NOT NULL, "
           "price NUMERIC(10,2), day DATE)");
    } else {
      Exec("CREATE TABLE items (id INTEGER PRIMARY KEY, code VARCHAR(8) NOT NULL, name VARCHAR(40) NOT NULL, "
           "price NUMERIC(10,2), day DATE)");
    }
    Exec("INSERT INTO items (code, name, price, day) VALUES ('A1', 'Anvil', 10.5, '2024-01-02'), "
         "('B2', 'Bolt', 0.25, '2024-01-03'), ('C3', 'Crate', 7, NULL), ('D4', 'Drill', 99.9, '2024-02-01')");
    list = Query("SELECT id, code, name, price, day FROM items ORDER BY id");
    list->SetUniqueField("id");
    list->Open();
    source.SetDataSet(list.get());
    edit = Query("SELECT * FROM items WHERE id = :id");
    edit->SetRequestLive(true);
    link.Query = edit.get();
    link.UniqueField = "id";
    form.Info.DataSource = &source;
    form.Send = [this](int code, const TLinkInfo& info) {
      sent.push_back(code);
      return link.Message(code, info);
    };
  }
  void TearDown() override {
    edit.reset();
    source.SetDataSet(nullptr);
    list.reset();
    DbTest::TearDown();
  }

  // The edit window as the form link sees it: each call runs the next scripted step (what the
  // user does in the window) and returns the modal result it closed with.
  std::function<TModalResult()> Window(std::vector<std::function<TModalResult()>> steps) {
    auto queue = std::make_shared<std::deque<std::function<TModalResult()>>>(steps.begin(), steps.end());
    return [this, queue]() -> TModalResult {
      ++shown;
      if (queue->empty()) {
        ADD_FAILURE() << "the edit window was shown more often than scripted";
        return mrCancel;
      }
      auto step = std::move(queue->front());
      queue->pop_front();
      return step();
    };
  }
  void Type(const char* field, const char* text) { edit->FieldByName(field)->SetAsString(text); }
  std::string ListName() { return list->FieldByName("name")->AsString(); }

  std::unique_ptr<TQuery> list;
  TDataSource source;
  std::unique_ptr<TQuery> edit;
  TDBLinkHandler link;
  TFormLinkHandler form;
  std::vector<int> sent;
  int shown = 0;
};

TEST_P(RecordLinkTest, ParameterCopyTakesEveryNamedKeyWithItsType) {
  auto two = Query("SELECT * FROM items WHERE id = :id AND code = :code AND price = :price AND day = :day");
  list->Next();  // Bolt
  CopyLinkParams(*list, *two, " id ,code,  price, day ");
  EXPECT_EQ(two->ParamByName("id")->DataType(), ftInteger);
  EXPECT_EQ(two->ParamByName("id")->AsInteger(), 2);
  EXPECT_EQ(two->ParamByName("code")->DataType(), ftString);
  EXPECT_EQ(two->ParamByName("code")->AsString(), "B2");
  EXPECT_EQ(two->ParamByName("price")->DataType(), ftFloat);
  EXPECT_DOUBLE_EQ(two->ParamByName("price")->AsFloat(), 0.25);
  EXPECT_EQ(two->ParamByName("day")->DataType(), ftDateTime);
  EXPECT_DOUBLE_EQ(two->ParamByName("day")->AsDateTime(), list->FieldByName("day")->AsDateTime());
  auto both = Query("SELECT * FROM items WHERE id = :id AND code = :code");
  CopyLinkParams(*list, *both, "id, code");
  both->Open();
  EXPECT_EQ(both->FieldByName("name")->AsString(), "Bolt");
  EXPECT_EQ(both->RecordCount(), 1);

  // A null key field gives a null parameter (no record), not 0 or "".
  list->Next();  // Crate, no day
  CopyLinkParams(*list, *two, "day");
  EXPECT_TRUE(two->ParamByName("day")->IsNull());
  EXPECT_TRUE(two->ParamByName("day")->IsAssigned());

  // A name missing on either side is an error, not a silent skip.
  EXPECT_THROW(CopyLinkParams(*list, *two, "id, nosuch"), EDatabaseError);
  auto other = Query("SELECT * FROM items WHERE id = :key");
  EXPECT_THROW(CopyLinkParams(*list, *other, "id"), EDatabaseError);
}

TEST_P(RecordLinkTest, EditPostCancelAndModifiedThroughMessages) {
  TLinkInfo info{&source};
  list->Next();
  list->Next();  // Crate
  EXPECT_EQ(link.Message(lmEdit, info), 0);
  EXPECT_EQ(edit->State(), dsEdit);
  EXPECT_EQ(edit->FieldByName("name")->AsString(), "Crate");
  EXPECT_EQ(link.Message(lmModified, info), 0);
  Type("name", "Crate XL");
  EXPECT_EQ(link.Message(lmModified, info), 1);
  link.Message(lmPost, info);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 3"), "Crate XL");
  EXPECT_EQ(link.Message(lmModified, info), 0);

  // Cancel discards; the jump mode is answered as its ordinal.
  link.Message(lmEdit, info);
  Type("name", "scrap");
  link.Message(lmCancel, info);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 3"), "Crate XL");
  link.JumpMode = jmConfirm;
  EXPECT_EQ(link.Message(lmJumpMode, info), static_cast<int>(jmConfirm));

  // Insert clears the keys and starts a new record; post writes it with the engine's key.
  link.Message(lmInsert, info);
  EXPECT_EQ(edit->State(), dsInsert);
  EXPECT_EQ(link.Message(lmModified, info), 1);
  Type("code", "E5");
  Type("name", "Easel");
  link.Message(lmPost, info);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE code = 'E5'"), "1");

  // Without a query the data messages do nothing and nothing is modified.
  TDBLinkHandler empty;
  empty.Message(lmInsert, info);
  empty.Message(lmPost, info);
  EXPECT_EQ(empty.Message(lmModified, info), 0);
}

TEST_P(RecordLinkTest, EventsReplaceTheDefaultsAndSetInfoCarriesTheList) {
  std::vector<std::string> calls;
  link.OnEdit = [&](TQuery* l) { calls.push_back(l == list.get() ? "edit:list" : "edit:?"); };
  link.OnPost = [&] { calls.push_back("post"); };
  link.OnSetInfo = [&](const TLinkInfo& i) { calls.push_back(i.ListQuery() == list.get() ? "info:list" : "info:?"); };
  TLinkInfo info{&source};
  link.Message(lmSetInfo, info);
  link.Message(lmEdit, info);
  link.Message(lmPost, info);
  EXPECT_EQ(calls, (std::vector<std::string>{"info:list", "edit:list", "post"}));
  EXPECT_FALSE(edit->Active());  // the default edit did not run

  // OnSetParam replaces only the copy: the query is still reopened and edited.
  link.OnEdit = nullptr;
  link.OnSetParam = [&](TQuery*) { edit->ParamByName("id")->SetAsInteger(4); };
  link.Message(lmEdit, info);  // the list is on Anvil, the event says Drill
  EXPECT_EQ(edit->FieldByName("name")->AsString(), "Drill");
}

TEST_P(RecordLinkTest, EditingARecordThatIsGoneFailsInsteadOfInserting) {
  TLinkInfo info{&source};
  Exec("DELETE FROM items WHERE id = 1");  // another user
  EXPECT_THROW(link.Message(lmEdit, info), EDatabaseError);
  EXPECT_NE(edit->State(), dsInsert);
}

TEST_P(RecordLinkTest, PostWithCachedUpdatesWritesInItsOwnTransaction) {
  edit->SetCachedUpdates(true);
  TLinkInfo info{&source};
  link.Message(lmEdit, info);
  Type("name", "Anvil II");
  link.Message(lmPost, info);
  EXPECT_FALSE(Db().InTransaction());
  EXPECT_FALSE(edit->UpdatesPending());
  auto other = OtherConnection();
  TQuery seen;
  seen.SetDatabaseName(other->DatabaseName());
  seen.SetSQLText("SELECT name FROM items WHERE id = 1");
  seen.Open();
  EXPECT_EQ(seen.Fields(0)->AsString(), "Anvil II");  // committed: another connection sees it
  seen.Close();
}

TEST_P(RecordLinkTest, PostWithCachedUpdatesJoinsTheCallersTransaction) {
  edit->SetCachedUpdates(true);
  TLinkInfo info{&source};
  Db().StartTransaction();
  link.Message(lmEdit, info);
  Type("name", "Anvil II");
  link.Message(lmPost, info);
  EXPECT_TRUE(Db().InTransaction());  // not committed behind the caller's back
  Db().Rollback();
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil");
}

TEST_P(RecordLinkTest, FailedCachedPostRollsBackAndKeepsTheChangeToSave) {
  edit->SetCachedUpdates(true);
  TLinkInfo info{&source};
  link.Message(lmEdit, info);
  Type("name", "Anvil II");
  edit->FieldByName("id")->SetAsInteger(2);  // Bolt's key: the write fails
  EXPECT_THROW(link.Message(lmPost, info), EDatabaseError);
  EXPECT_FALSE(Db().InTransaction());
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil");
  // Still something to save: closing the window now must not drop it silently.
  EXPECT_EQ(link.Message(lmModified, info), 1);
  // Fixing the record and saving again writes it.
  edit->Edit();
  edit->FieldByName("id")->SetAsInteger(1);
  link.Message(lmPost, info);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil II");
  EXPECT_EQ(link.Message(lmModified, info), 0);

  // Cancel after a failed save forgets the change, so a later save cannot write it.
  link.Message(lmEdit, info);
  edit->FieldByName("id")->SetAsInteger(2);
  EXPECT_THROW(link.Message(lmPost, info), EDatabaseError);
  link.Message(lmCancel, info);
  EXPECT_EQ(link.Message(lmModified, info), 0);
}

TEST_P(RecordLinkTest, DeleteRemovesTheListRecordAlsoWithCachedUpdates) {
  TLinkInfo info{&source};
  list->Next();  // Bolt
  link.Message(lmDelete, info);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE id = 2"), "0");
  edit->SetCachedUpdates(true);
  list->Next();  // Crate
  link.Message(lmDelete, info);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE id = 3"), "0");
  // A record already gone: nothing to delete, no error.
  link.Message(lmDelete, info);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items"), "2");
}

TEST_P(RecordLinkTest, GoBookMarkReopensOnTheRecordOrItsSuccessor) {
  list->Next();
  list->Next();  // Crate
  TBookmark mark = list->GetBookmark();
  Exec("UPDATE items SET name = 'Crate (new)' WHERE id = 3");
  Exec("INSERT INTO items (id, code, name) VALUES (0, 'Z0', 'Zero')");  // shifts the positions
  GoBookMark(list.get(), mark);
  EXPECT_EQ(ListName(), "Crate (new)");  // fresh data, same record
  EXPECT_FALSE(list->ControlsDisabled());

  mark = list->GetBookmark();
  Exec("DELETE FROM items WHERE id = 3");
  GoBookMark(list.get(), mark);
  EXPECT_EQ(ListName(), "Drill");  // took its place
  mark = list->GetBookmark();
  Exec("DELETE FROM items WHERE id = 4");
  GoBookMark(list.get(), mark);
  EXPECT_EQ(ListName(), "Bolt");  // the last one left
}

// ---- the close decision --------------------------------------------------------------------------

TEST(RecordLinkClose, DecisionTable) {
  using enum TCloseData;
  struct Row {
    TModalResult result;
    bool modified, confirm;
    TJumpMode jump;
    TCloseData expected;
  };
  const Row rows[] = {
      // Save and Add post what changed, whatever ConfirmOnExit says.
      {mrOk, true, false, jmPost, cdPost},
      {mrOk, true, true, jmCancel, cdPost},
      {mrOk, false, true, jmPost, cdCancel},
      {mrAddRecord, true, false, jmNone, cdPost},
      {mrAddRecord, false, false, jmPost, cdCancel},
      // Next and previous follow the jump mode.
      {mrNextRecord, true, false, jmPost, cdPost},
      {mrPriorRecord, true, true, jmCancel, cdCancel},
      {mrNextRecord, true, false, jmConfirm, cdAsk},
      {mrNextRecord, false, false, jmConfirm, cdCancel},
      {mrPriorRecord, false, true, jmPost, cdCancel},
      {mrNextRecord, true, true, jmNone, cdAsk},
      {mrNextRecord, true, false, jmNone, cdCancel},
      // Anything else: ask only with ConfirmOnExit, else discard.
      {mrCancel, true, true, jmPost, cdAsk},
      {mrCancel, true, false, jmPost, cdCancel},
      {mrNone, true, true, jmCancel, cdAsk},
      {mrCancel, false, true, jmConfirm, cdCancel},
      {mrYes, true, false, jmPost, cdCancel},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(DecideCloseData(r.result, r.modified, r.confirm, r.jump), r.expected)
        << "result " << r.result << " modified " << r.modified << " confirm " << r.confirm << " jump "
        << static_cast<int>(r.jump);
  }
}

// ---- the list side -------------------------------------------------------------------------------

TEST_P(RecordLinkTest, SaveReopensTheListOnTheEditedRecord) {
  list->Next();
  list->Next();  // Crate
  const TModalResult result = form.Edit(&source, Window({[&] {
                                          Type("name", "Crate II");
                                          return mrOk;
                                        }}));
  EXPECT_EQ(result, mrOk);
  EXPECT_TRUE(form.Saved);
  EXPECT_EQ(sent, (std::vector<int>{lmEdit, lmSetInfo, lmModified, lmPost}));
  EXPECT_EQ(ListName(), "Crate II");  // reopened: fresh data on the same record
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 3"), "Crate II");
}

TEST_P(RecordLinkTest, ClosingUnmodifiedOrWithoutConfirmationDiscards) {
  TScriptedUserInteraction ui;  // no question may be asked
  form.Edit(&source, Window({[&] {
              Type("name", "scrap");
              return mrCancel;
            }}));
  EXPECT_FALSE(form.Saved);
  EXPECT_EQ(sent.back(), lmCancel);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil");
  EXPECT_TRUE(ui.Asked().empty());
  sent.clear();
  form.Edit(&source, Window({[] { return mrOk; }}));  // Save with nothing changed
  EXPECT_EQ(sent, (std::vector<int>{lmEdit, lmSetInfo, lmModified, lmCancel}));
  EXPECT_FALSE(form.Saved);
}

TEST_P(RecordLinkTest, ConfirmOnExitAsksYesNoCancel) {
  form.ConfirmOnExit = true;
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrCancel);  // stay in the window
  ui.AnswerMessage(mrNo);      // then discard
  ui.AnswerMessage(mrYes);     // second run: save
  form.Edit(&source, Window({[&] {
                               Type("name", "first");
                               return mrCancel;
                             },
                             [&] {
                               EXPECT_EQ(edit->FieldByName("name")->AsString(), "first");  // input kept
                               return mrCancel;
                             }}));
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil");
  form.Edit(&source, Window({[&] {
              Type("name", "second");
              return mrCancel;
            }}));
  EXPECT_TRUE(form.Saved);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "second");
  ASSERT_EQ(ui.Asked().size(), 3u);
  EXPECT_EQ(ui.Asked()[0].text, "Data was changed. Save ?");
  EXPECT_EQ(ui.Asked()[0].buttons, mbYesNoCancel);
  EXPECT_TRUE(ui.AllAnswered());
}

TEST_P(RecordLinkTest, AddKeepsTheWindowOpenForTheNextNewRecord) {
  int focused = 0;
  link.FocusFirst = [&] { ++focused; };
  form.Insert(&source, Window({[&] {
                                 Type("code", "N1");
                                 Type("name", "New one");
                                 return mrAddRecord;
                               },
                               [&] {
                                 EXPECT_EQ(edit->State(), dsInsert);
                                 EXPECT_TRUE(edit->FieldByName("name")->IsNull());
                                 Type("code", "N2");
                                 Type("name", "New two");
                                 return mrOk;
                               }}));
  EXPECT_EQ(focused, 1);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE code IN ('N1', 'N2')"), "2");
  EXPECT_TRUE(form.Saved);
}

TEST_P(RecordLinkTest, PageDownAndUpMoveThroughTheList) {
  int refocused = 0;
  form.RefocusActive = [&] { ++refocused; };
  form.Edit(&source, Window({[&] {
                               Type("name", "Anvil II");  // saved on the way (jmPost)
                               return mrNextRecord;
                             },
                             [&] {
                               EXPECT_EQ(edit->FieldByName("name")->AsString(), "Bolt");
                               EXPECT_EQ(edit->State(), dsEdit);
                               return mrNextRecord;
                             },
                             [&] {
                               EXPECT_EQ(edit->FieldByName("name")->AsString(), "Crate");
                               return mrPriorRecord;
                             },
                             [&] {
                               EXPECT_EQ(edit->FieldByName("name")->AsString(), "Bolt");
                               return mrCancel;
                             }}));
  EXPECT_EQ(refocused, 3);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil II");

  // jmCancel drops the change on the way; jmNone closes the window instead of moving.
  link.JumpMode = jmCancel;
  form.Edit(&source, Window({[&] {
                               Type("name", "dropped");
                               return mrNextRecord;
                             },
                             [] { return mrCancel; }}));
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE name = 'dropped'"), "0");
  link.JumpMode = jmNone;
  shown = 0;
  form.Edit(&source, Window({[] { return mrNextRecord; }}));
  EXPECT_EQ(shown, 1);
}

TEST_P(RecordLinkTest, FailuresAreShownAndTheWindowStaysOpen) {
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);  // the failed save
  ui.AnswerMessage(mrOk);  // the failed move
  form.Edit(&source, Window({[&] {
                               edit->FieldByName("name")->Clear();  // NOT NULL
                               return mrOk;
                             },
                             [&] {
                               EXPECT_EQ(edit->State(), dsEdit);  // the input is still there
                               Type("name", "Anvil II");
                               Exec("DELETE FROM items WHERE id = 2");  // the next record vanishes
                               return mrNextRecord;
                             },
                             [&] {
                               // The move failed: message 6 answered it, the window stayed.
                               EXPECT_EQ(edit->State(), dsBrowse);
                               return mrCancel;
                             }}));
  EXPECT_EQ(shown, 3);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_EQ(ui.Asked()[1].text, msg::SRecordNotFound);
  EXPECT_EQ(Scalar("SELECT name FROM items WHERE id = 1"), "Anvil II");
}

TEST_P(RecordLinkTest, DeleteReopensTheListOnTheFollowingRecord) {
  list->Next();  // Bolt
  form.Delete(&source);
  EXPECT_EQ(Scalar("SELECT count(*) FROM items WHERE id = 2"), "0");
  EXPECT_EQ(ListName(), "Crate");
  EXPECT_EQ(shown, 0);
}

TEST_P(RecordLinkTest, WithoutAWindowNothingHappens) {
  TFormLinkHandler lone;
  EXPECT_EQ(lone.ExecForm({}), mrCancel);
  EXPECT_EQ(lone.Edit(&source, {}), mrCancel);
  EXPECT_EQ(lone.ExecLink(lmModified), 0);
}

BEXLO_DB_SUITE(RecordLinkTest);

}  // namespace
}  // namespace bexlo::testing
