// Column gestures: the ellipsis button of a column and moving columns by dragging their titles,
// on SQLite and PostgreSQL.
#include <QHeaderView>
#include <QLineEdit>
#include <QMouseEvent>
#include <QToolButton>
#include <sstream>

#include "grid_fixture.h"
#include "widgets/grid/grid_headers.h"
#include "widgets/grid/grid_model.h"

namespace bexlo::testing {
namespace {

class ColumnGestureTest : public GridTest {
 protected:
  std::vector<std::string> Order() const {
    std::vector<std::string> names;
    for (int c = 0; c < grid->Columns().Count(); ++c) names.push_back(grid->Columns().Items(c)->FieldName());
    return names;
  }
  // Drags the title of column `from` and drops it on the middle of column `to`'s title.
  void DragTitle(int from, int to) {
    QHeaderView* header = grid->horizontalHeader();
    QWidget* target = header->viewport();
    const int y = 4;
    const QPoint start(header->sectionViewportPosition(from) + header->sectionSize(from) / 2, y);
    const QPoint end(header->sectionViewportPosition(to) + header->sectionSize(to) / 2 + (to > from ? 4 : -4), y);
    auto send = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
      QMouseEvent e(type, at, target->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
      QApplication::sendEvent(target, &e);
    };
    send(QEvent::MouseButtonPress, start, Qt::LeftButton);
    const int steps = 8;
    for (int i = 1; i <= steps; ++i) send(QEvent::MouseMove, start + (end - start) * i / steps, Qt::LeftButton);
    send(QEvent::MouseButtonRelease, end, Qt::NoButton);
    QApplication::processEvents();
  }
};

TEST_P(ColumnGestureTest, TheEllipsisButtonRaisesItsEvent) {
  int clicks = 0;
  QObject* sender = nullptr;
  grid->OnEditButtonClick = [&](QObject* s) { ++clicks; sender = s; };
  TUDBGridColumns& cols = grid->Columns();
  cols.SetState(TDBGridColumnsState::csCustomized);
  cols.Items(1)->SetButtonStyle(TColumnButtonStyle::cbsEllipsis);
  Column("ID");
  Key(Qt::Key_Return, Qt::ControlModifier);  // not an ellipsis column
  EXPECT_EQ(clicks, 0);
  Column("NAME");
  EXPECT_TRUE(grid->HasEllipsisButton(1));
  EXPECT_FALSE(grid->HasEllipsisButton(0));
  Key(Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(sender, grid.get());

  // A click on the button drawn in the current cell; a click elsewhere in the cell is not one.
  const QRect cell = grid->visualRect(grid->currentIndex());
  const QRect button = TGridCellDelegate::EllipsisButtonRect(cell);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, button.center());
  EXPECT_EQ(clicks, 2);
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(cell.left() + 3, cell.center().y()));
  EXPECT_EQ(clicks, 2);
  // The button is not drawn on other rows: a click there only moves the cursor.
  const QRect below = TGridCellDelegate::EllipsisButtonRect(grid->visualRect(grid->Model()->index(3, 1)));
  QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier, below.center());
  EXPECT_EQ(clicks, 2);
  EXPECT_EQ(Row(), 3);

  // The in-place editor carries the button too, and its text is written through Edit/Post.
  query->Close();
  query->SetRequestLive(true);
  query->Open();
  grid->SetOptions(grid->Options() | dgEditing);
  Column("NAME");
  grid->edit(grid->currentIndex());
  QApplication::processEvents();
  auto* editor = grid->viewport()->findChild<TEllipsisEdit*>();
  ASSERT_NE(editor, nullptr);
  editor->Button()->click();
  EXPECT_EQ(clicks, 3);
  QTest::keyClick(editor->Edit(), Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(clicks, 4);
  editor->Edit()->setText(QStringLiteral("renamed"));
  QTest::keyClick(editor->Edit(), Qt::Key_Return);
  QApplication::processEvents();
  Key(Qt::Key_Return);  // posts
  EXPECT_EQ(query->State(), dsBrowse);
  TQuery check;
  check.SetDatabaseName(db_name_);
  check.SetSQLText("SELECT NAME FROM T WHERE ID = " + Id());
  check.Open();
  EXPECT_EQ(check.Fields(0)->AsString(), "renamed");
}

TEST_P(ColumnGestureTest, DraggingATitleMovesTheColumnAndTheLayoutKeepsIt) {
  std::vector<std::tuple<int, int>> moves;
  grid->OnColumnMoved = [&](QObject*, int from, int to) { moves.emplace_back(from, to); };
  Column("NAME");
  DragTitle(1, 3);
  EXPECT_EQ(Order(), (std::vector<std::string>{"ID", "AMOUNT", "DAY", "NAME"}));
  ASSERT_EQ(moves.size(), 1u);
  EXPECT_EQ(moves[0], std::make_tuple(1, 3));
  EXPECT_EQ(grid->Columns().State(), TDBGridColumnsState::csCustomized);
  EXPECT_EQ(grid->SelectedColumn()->FieldName(), "NAME");  // the cursor stays on its column
  // The header shows the columns in their own order again (no hidden mapping).
  for (int c = 0; c < 4; ++c) EXPECT_EQ(grid->horizontalHeader()->logicalIndex(c), c);
  EXPECT_EQ(grid->Model()->headerData(3, Qt::Horizontal).toString(), QStringLiteral("NAME"));
  // The cells follow.
  EXPECT_EQ(grid->Model()->index(0, 3).data().toString(), QString::fromStdString(query->FieldByName("NAME")->DisplayText()));

  // The saved layout keeps the order.
  std::stringstream stream;
  grid->Columns().SaveToStream(stream);
  TSearchDBGrid other;
  other.SetDataSource(source.get());
  other.Columns().LoadFromStream(stream);
  ASSERT_EQ(other.Columns().Count(), 4);
  EXPECT_EQ(other.Columns().Items(3)->FieldName(), "NAME");

  // Frozen columns stay; a column dropped among them lands right after them.
  grid->SetFixedCols(1);
  EXPECT_FALSE(grid->MoveColumn(0, 2));
  EXPECT_TRUE(grid->MoveColumn(3, 0));
  EXPECT_EQ(Order(), (std::vector<std::string>{"ID", "NAME", "AMOUNT", "DAY"}));
  ASSERT_EQ(moves.size(), 2u);
  EXPECT_EQ(moves[1], std::make_tuple(3, 1));
  // Without dgColumnResize titles do not move.
  grid->SetOptions(grid->Options() & ~dgColumnResize);
  EXPECT_FALSE(grid->horizontalHeader()->sectionsMovable());
  EXPECT_FALSE(grid->MoveColumn(2, 3));
  EXPECT_EQ(moves.size(), 2u);
}

BEXLO_GRID_SUITE(ColumnGestureTest);

}  // namespace
}  // namespace bexlo::testing
