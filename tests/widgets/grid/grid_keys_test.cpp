// The grid's keys, choice, freezing, text search and the model's lazy reading.
#include <QHeaderView>
#include <QScrollBar>

#include "grid_fixture.h"
#include "util/hooks.h"
#include "widgets/grid/grid_model.h"

namespace bexlo::testing {
namespace {

TEST_P(GridTest, OpeningReadsOneScreenNotTheWholeTable) {
  Release();
  Build(5000);
  EXPECT_GT(grid->Model()->rowCount(), 0);
  EXPECT_LT(grid->Model()->rowCount(), 1000);
  EXPECT_LT(query->EnsureRecords(0), 1000);  // the data set itself has not read on
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid->Model()->rowCount(), 5000);
  EXPECT_EQ(Row(), 4999);
  EXPECT_EQ(grid->currentIndex().row(), 4999);
  Key(Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(Row(), 0);
}

TEST_P(GridTest, CursorAndDataSetMoveTogether) {
  Key(Qt::Key_Down);
  Key(Qt::Key_Down);
  EXPECT_EQ(Row(), 2);
  EXPECT_EQ(Id(), "3");
  grid->setCurrentIndex(grid->Model()->index(7, 1));
  EXPECT_EQ(Id(), "8");
  query->First();
  EXPECT_EQ(grid->currentIndex().row(), 0);
  EXPECT_EQ(grid->currentIndex().column(), 1);  // the column stays
  Key(Qt::Key_Right, Qt::ControlModifier);
  EXPECT_EQ(grid->SelectedIndex(), 3);
  Key(Qt::Key_Left, Qt::ControlModifier);
  EXPECT_EQ(grid->SelectedIndex(), 0);
  // Ctrl+Down: the last row shown whole; Ctrl+Up: the first one.
  const int height = grid->viewport()->height();
  int bottom = grid->rowAt(height - 1);
  if (grid->visualRect(grid->Model()->index(bottom, 0)).bottom() >= height) --bottom;
  Key(Qt::Key_Down, Qt::ControlModifier);
  EXPECT_GT(bottom, 3);
  EXPECT_EQ(Row(), bottom);
  Key(Qt::Key_Up, Qt::ControlModifier);  // top of the visible page
  EXPECT_EQ(Row(), grid->rowAt(0));
}

TEST_P(GridTest, InsTogglesTheKeyFieldAndMovesDown) {
  Key(Qt::Key_Insert);
  EXPECT_EQ(grid->ChoiceList().Text(), "ID=1\r\n");
  EXPECT_EQ(Row(), 1);
  Key(Qt::Key_Up);
  Key(Qt::Key_Insert);  // the same record again: the line goes
  EXPECT_EQ(grid->ChoiceList().Count(), 0);
  EXPECT_EQ(Row(), 1);
  Key(Qt::Key_Insert);
  Key(Qt::Key_Insert);
  EXPECT_EQ(grid->ChoiceList().Text(), "ID=2\r\nID=3\r\n");
  EXPECT_EQ(Row(), 3);
  // No record is appended at the end of a grid that cannot edit.
  Key(Qt::Key_End, Qt::ControlModifier);
  Key(Qt::Key_Insert);
  EXPECT_EQ(query->State(), dsBrowse);
  EXPECT_EQ(grid->ChoiceList().Count(), 3);
}

TEST_P(GridTest, ChosenRecordsAreDrawnInTheChoiceColour) {
  Key(Qt::Key_Insert);
  const QModelIndex chosen = grid->Model()->index(0, 1), other = grid->Model()->index(1, 1);
  EXPECT_EQ(chosen.data(Qt::ForegroundRole).value<QBrush>().color(), grid->ChoiceColor());
  EXPECT_FALSE(other.data(Qt::ForegroundRole).isValid());
  // OnDrawColor colours the cells; the choice colour wins over it.
  grid->OnDrawColor = [](TField*, QColor& color) { color = Qt::darkGreen; };
  EXPECT_EQ(other.data(Qt::ForegroundRole).value<QBrush>().color(), QColor(Qt::darkGreen));
  EXPECT_EQ(chosen.data(Qt::ForegroundRole).value<QBrush>().color(), grid->ChoiceColor());
  grid->OnDrawColor = nullptr;
  // Inverted with an empty list: every record is chosen.
  Key(Qt::Key_Slash, Qt::KeypadModifier);
  Key(Qt::Key_Asterisk, Qt::KeypadModifier);
  EXPECT_TRUE(grid->ChoiceInvert());
  for (int r = 0; r < 5; ++r) {
    EXPECT_EQ(grid->Model()->index(r, 0).data(Qt::ForegroundRole).value<QBrush>().color(), grid->ChoiceColor());
  }
}

TEST_P(GridTest, KeypadChoiceKeysTypeNothing) {
  Column("NAME");
  Key(Qt::Key_Plus, Qt::KeypadModifier);  // by the current column
  EXPECT_EQ(grid->ChoiceList().Text(), "NAME=customer 1\r\n");
  EXPECT_EQ(Row(), 0);
  Key(Qt::Key_Slash, Qt::KeypadModifier);
  EXPECT_EQ(grid->ChoiceList().Count(), 0);
  EXPECT_EQ(grid->SearchList().Count(), 0);  // no "/" in the search row
  EXPECT_FALSE(grid->SearchTimer()->isActive());
  Key(Qt::Key_Plus, Qt::KeypadModifier);
  Key(Qt::Key_Asterisk, Qt::KeypadModifier);
  EXPECT_EQ(grid->SearchList().Count(), 0);
  // The next character is typed as usual: the flag does not outlive its key.
  Type(QStringLiteral("c"));
  EXPECT_EQ(grid->SearchList().Text(), "NAME=c\r\n");
}

TEST_P(GridTest, ToggleWithAnEmptyKeyTextChangesNothing) {
  query->Close();
  query->SetSQLText(Select({"ID", "NULL AS EMPTY_NAME"}, "FROM T ORDER BY ID"));
  query->Open();
  Column("EMPTY_NAME");
  Key(Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(grid->ChoiceList().Count(), 0);
  grid->SetDataField("NO_SUCH_FIELD");
  Key(Qt::Key_Insert);
  EXPECT_EQ(grid->ChoiceList().Count(), 0);
  EXPECT_EQ(Row(), 1);  // it still moves down
}

TEST_P(GridTest, FixedColsIsClampedAndFreezesTheLeftColumns) {
  ASSERT_EQ(grid->Columns().Count(), 4);
  grid->SetFixedCols(10);
  EXPECT_EQ(grid->FixedCols(), 3);
  grid->SetFixedCols(-1);
  EXPECT_EQ(grid->FixedCols(), 0);
  Key(Qt::Key_F7);
  Key(Qt::Key_F7);
  EXPECT_EQ(grid->FixedCols(), 2);
  ASSERT_NE(grid->FrozenView(), nullptr);
  EXPECT_TRUE(grid->FrozenView()->isVisible());
  EXPECT_FALSE(grid->FrozenView()->isColumnHidden(1));
  EXPECT_TRUE(grid->FrozenView()->isColumnHidden(2));
  EXPECT_EQ(grid->FrozenView()->width(), grid->columnWidth(0) + grid->columnWidth(1) + 2);
  Key(Qt::Key_F7, Qt::ShiftModifier);
  EXPECT_EQ(grid->FixedCols(), 1);
  for (int i = 0; i < 9; ++i) Key(Qt::Key_F7);
  EXPECT_EQ(grid->FixedCols(), 3);
  // The frozen view scrolls with the grid.
  Key(Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(grid->FrozenView()->verticalScrollBar()->value(), grid->verticalScrollBar()->value());
}

TEST_P(GridTest, TitleRowsRefusesZero) {
  grid->SetTitleRows(3);
  const int height = grid->horizontalHeader()->height();
  grid->SetTitleRows(0);
  EXPECT_EQ(grid->TitleRows(), 3);
  EXPECT_EQ(grid->horizontalHeader()->height(), height);
  grid->SetTitleRows(1);
  EXPECT_LT(grid->horizontalHeader()->height(), height);
  grid->SetSearchInUse(false);
  EXPECT_EQ(grid->horizontalHeader()->height(), grid->TitleHeight());
}

TEST_P(GridTest, SearchRecordFindsAndFindNextContinuesAfterTheHit) {
  TScriptedUserInteraction ui;
  ui.AnswerInput("o'brien");
  Key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(Id(), "3");
  EXPECT_EQ(grid->SelectedField()->FieldName(), "NAME");
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].caption, "Search");
  EXPECT_EQ(ui.Asked()[0].text, "Enter search string");

  ui.AnswerInput("customer 1");
  Key(Qt::Key_S, Qt::ControlModifier);  // a new text starts at the first record
  EXPECT_EQ(Id(), "1");
  Key(Qt::Key_L, Qt::ControlModifier);  // find next: the record after the hit
  EXPECT_EQ(Id(), "10");
  Key(Qt::Key_L, Qt::ControlModifier);
  EXPECT_EQ(Id(), "11");

  ui.AnswerInput("no such text");
  ui.AnswerMessage(mrOk);
  Key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(Id(), "11");  // stays where it was
  EXPECT_EQ(ui.Asked().back().text, "String \"no such text\" is not found.");
  EXPECT_EQ(ui.Asked().back().type, TMsgDlgType::mtInformation);

  ui.AnswerInput(std::nullopt);  // Cancel ends the command
  Key(Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(Id(), "11");
  EXPECT_TRUE(ui.AllAnswered());
}

TEST_P(GridTest, HookKeysCallTheHooksWithTheGrid) {
  static TUCustomDBGrid* seen = nullptr;
  static bool flag = false;
  const auto oldList = DBGrid_ShowReportList, oldExpert = DBGrid_ReportExpert;
  DBGrid_ShowReportList = [](TUCustomDBGrid* g, bool f) { seen = g, flag = f; };
  DBGrid_ReportExpert = [](TUCustomDBGrid* g, bool f) { seen = g, flag = !f; };
  Key(Qt::Key_F7, Qt::ControlModifier);
  EXPECT_EQ(seen, grid.get());
  EXPECT_TRUE(flag);
  seen = nullptr;
  Key(Qt::Key_F7, Qt::AltModifier);  // the default report: expert flag false
  EXPECT_EQ(seen, grid.get());
  EXPECT_TRUE(flag);
  EXPECT_EQ(grid->FixedCols(), 0);  // Ctrl+F7 and Alt+F7 do not freeze
  DBGrid_ShowReportList = oldList;
  DBGrid_ReportExpert = oldExpert;
}

TEST_P(GridTest, EditingGoesThroughEditAndPost) {
  grid->SetDataSource(nullptr);
  query->Close();
  query->SetRequestLive(true);
  query->Open();
  grid->SetDataSource(source.get());
  grid->SetOptions(grid->Options() | dgEditing);
  Column("NAME");
  const QModelIndex cell = grid->Model()->index(0, 1);
  ASSERT_TRUE(grid->Model()->flags(cell) & Qt::ItemIsEditable);
  ASSERT_TRUE(grid->Model()->setData(cell, QStringLiteral("Renamed")));
  EXPECT_EQ(query->State(), dsEdit);
  Key(Qt::Key_Down);  // leaving the record posts it
  EXPECT_EQ(query->State(), dsBrowse);
  TQuery check;
  check.SetDatabaseName(db_name_);
  check.SetSQLText("SELECT NAME FROM T WHERE ID = 1");
  check.Open();
  EXPECT_EQ(check.Fields(0)->AsString(), "Renamed");
  check.Close();
  // Esc cancels an edit that was not posted.
  ASSERT_TRUE(grid->Model()->setData(grid->Model()->index(1, 1), QStringLiteral("Dropped")));
  Key(Qt::Key_Escape);
  EXPECT_EQ(query->State(), dsBrowse);
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "customer 2");
  // A read-only grid is not editable.
  grid->SetReadOnly(true);
  EXPECT_FALSE(grid->Model()->flags(cell) & Qt::ItemIsEditable);
}

}  // namespace

BEXLO_GRID_SUITE(GridTest);

}  // namespace bexlo::testing
