// Records selected with dgMultiSelect: the keys and clicks that select, the marks the grid draws
// and Ctrl+Delete on a selection, on SQLite and PostgreSQL.
#include <QHeaderView>

#include "grid_fixture.h"
#include "widgets/grid/grid_model.h"

namespace bexlo::testing {
namespace {

class MultiSelectTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    if (HasFatalFailure()) return;
    query->Close();
    query->SetRequestLive(true);
    query->Open();
    grid->SetOptions(grid->Options() | dgMultiSelect);
    QApplication::processEvents();
  }
  // The ids of the selected records, in order.
  std::string Selected() {
    std::string ids;
    for (int row = 0; row < grid->Model()->rowCount(); ++row) {
      if (grid->SelectedRows().IsRecordSelected(row)) ids += (ids.empty() ? "" : ",") + std::to_string(row + 1);
    }
    return ids;
  }
  void Click(int row, Qt::KeyboardModifiers mods = Qt::NoModifier) {
    const QRect cell = grid->visualRect(grid->Model()->index(row, 1));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, mods, cell.center());
  }
  int Stored() {
    TQuery count;
    count.SetDatabaseName(db_name_);
    count.SetSQLText("SELECT COUNT(*) FROM T");
    count.Open();
    return count.Fields(0)->AsInteger();
  }
};

TEST_P(MultiSelectTest, ShiftWithTheArrowsExtendsAndShrinksAPlainMoveClears) {
  Key(Qt::Key_Down, Qt::ShiftModifier);
  Key(Qt::Key_Down, Qt::ShiftModifier);
  EXPECT_EQ(Row(), 2);
  EXPECT_EQ(Selected(), "1,2,3");
  EXPECT_TRUE(grid->SelectedRows().CurrentRowSelected());
  Key(Qt::Key_Up, Qt::ShiftModifier);  // back towards where it started
  EXPECT_EQ(Selected(), "1,2");
  Key(Qt::Key_End, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(Row(), 29);
  EXPECT_EQ(grid->SelectedRows().Count(), 30);
  Key(Qt::Key_Down);  // a move without Shift ends the selection
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
  // Ins still chooses by key and does not select.
  Key(Qt::Key_Insert);
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
  // Without the option Shift selects nothing.
  grid->SetOptions(grid->Options() & ~dgMultiSelect);
  Key(Qt::Key_Up, Qt::ShiftModifier);
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
}

TEST_P(MultiSelectTest, CtrlClickTogglesShiftClickSelectsARange) {
  Click(2, Qt::ControlModifier);
  Click(6, Qt::ControlModifier);
  EXPECT_EQ(Selected(), "3,7");
  EXPECT_EQ(Id(), "7");
  Click(2, Qt::ControlModifier);
  EXPECT_EQ(Selected(), "7");
  Click(9, Qt::ShiftModifier);  // from the last Ctrl+click on
  EXPECT_EQ(Selected(), "3,4,5,6,7,8,9,10");
  EXPECT_EQ(Id(), "10");
  Click(4);  // a plain click clears
  EXPECT_EQ(Selected(), "");
  EXPECT_EQ(Id(), "5");
}

TEST_P(MultiSelectTest, ClicksOnFrozenColumnsSelectToo) {
  grid->SetFixedCols(2);
  QApplication::processEvents();
  ASSERT_NE(grid->FrozenView(), nullptr);
  auto click = [&](int row, Qt::KeyboardModifiers mods) {
    const QRect cell = grid->FrozenView()->visualRect(grid->Model()->index(row, 1));
    QTest::mouseClick(grid->FrozenView()->viewport(), Qt::LeftButton, mods, cell.center());
  };
  click(2, Qt::ControlModifier);
  click(4, Qt::ShiftModifier);
  EXPECT_EQ(Selected(), "3,4,5");
  EXPECT_EQ(Id(), "5");
  click(3, Qt::ControlModifier);
  EXPECT_EQ(Selected(), "3,5");
  click(0, Qt::NoModifier);
  EXPECT_EQ(Selected(), "");
  EXPECT_EQ(Id(), "1");
  EXPECT_TRUE(grid->hasFocus());
}

TEST_P(MultiSelectTest, TheSelectionFollowsItsRecordsWhenTheQueryReopens) {
  Click(1, Qt::ControlModifier);
  Click(3, Qt::ControlModifier);
  query->Close();
  query->SetSQLText(Select({"ID", "NAME", "AMOUNT", "DAY"}, "FROM T ORDER BY ID DESC"));
  query->Open();
  QApplication::processEvents();
  EXPECT_TRUE(grid->SelectedRows().IsRecordSelected(30 - 2));  // ID 2
  EXPECT_TRUE(grid->SelectedRows().IsRecordSelected(30 - 4));  // ID 4
  EXPECT_EQ(grid->SelectedRows().Count(), 2);
}

TEST_P(MultiSelectTest, CtrlDeleteDeletesTheSelectionAfterAsking) {
  TScriptedUserInteraction ui;
  Click(1, Qt::ControlModifier);
  Click(4, Qt::ControlModifier);
  Click(5, Qt::ControlModifier);
  ui.AnswerMessage(mrCancel);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Delete all selected records?");
  EXPECT_EQ(Stored(), 30);
  EXPECT_EQ(grid->SelectedRows().Count(), 3);

  ui.AnswerMessage(mrOk);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Stored(), 27);
  EXPECT_EQ(grid->SelectedRows().Count(), 0);
  EXPECT_EQ(grid->Model()->rowCount(), query->EnsureRecords(0));
  TQuery gone;
  gone.SetDatabaseName(db_name_);
  gone.SetSQLText("SELECT COUNT(*) FROM T WHERE ID IN (2, 5, 6)");
  gone.Open();
  EXPECT_EQ(gone.Fields(0)->AsInteger(), 0);

  // Without a selection Ctrl+Delete deletes the current record, with its own question.
  ui.AnswerMessage(mrOk);
  Key(Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(ui.Asked().size(), 3u);
  EXPECT_EQ(ui.Asked()[2].text, "Delete record?");
  EXPECT_EQ(Stored(), 26);
}

TEST_P(MultiSelectTest, AFailedDeleteIsReportedAndKeepsTheRest) {
  TScriptedUserInteraction ui;
  for (int row : {0, 1, 2}) Click(row, Qt::ControlModifier);
  query->BeforeDelete = [](TDataSet* ds) {
    if (ds->FieldByName("ID")->AsInteger() == 2) throw EDatabaseError("record 2 is in use");
  };
  ui.AnswerMessage(mrOk);  // the question
  ui.AnswerMessage(mrOk);  // the error
  Key(Qt::Key_Delete, Qt::ControlModifier);
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[1].type, TMsgDlgType::mtError);
  EXPECT_NE(ui.Asked()[1].text.find("record 2 is in use"), std::string::npos) << ui.Asked()[1].text;
  EXPECT_EQ(Stored(), 29);  // only ID 3 went
  EXPECT_EQ(Selected(), "1,2");
  query->BeforeDelete = nullptr;
}

TEST_P(MultiSelectTest, ARepaintDrawsTheMarksWithoutMovingTheData) {
  Click(1, Qt::ControlModifier);
  Click(3, Qt::ControlModifier);
  const int row = Row();
  const QPixmap shot = grid->grab();
  EXPECT_FALSE(shot.isNull());
  EXPECT_EQ(Row(), row);  // painting the marks reads records without moving the cursor
  EXPECT_EQ(Selected(), "2,4");
}

BEXLO_GRID_SUITE(MultiSelectTest);

}  // namespace
}  // namespace bexlo::testing
