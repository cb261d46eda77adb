// The sample application's customers list as an editing list, on SQLite and PostgreSQL: in-place
// editing through Edit/Post, a new customer with Ctrl+Ins, and Ctrl+Delete on a selection.
#include <QLineEdit>

#include "customers_editing.h"
#include "grid_fixture.h"
#include "order_desk.h"

namespace bexlo::testing {
namespace {

class DemoCustomersTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    if (HasFatalFailure()) return;
    TDatabase* db = Session().OpenDatabase(db_name_);
    db->Execute("CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, street VARCHAR(40) NOT NULL, "
                "city VARCHAR(20) NOT NULL, country VARCHAR(20) NOT NULL, phone VARCHAR(20) NOT NULL, since DATE NOT NULL, "
                "notes TEXT)");
    for (int i = 1; i <= 5; ++i) {
      db->Execute("INSERT INTO customers VALUES (" + std::to_string(i) + ", 'Customer " + std::to_string(i) +
                  "', 'Street', 'City', 'Country', '123', '2020-01-0" + std::to_string(i) + "', 'note')");
    }
    page_.Query = std::make_unique<TQuery>();
    page_.Query->SetDatabaseName(db_name_);
    page_.Query->SetSQLText("select id, name, city, country, phone, since, street, notes\nfrom customers\norder by id");
    page_.Source = std::make_unique<TDataSource>();
    page_.Source->SetDataSet(page_.Query.get());
    page_.Grid = new TSearchDBGrid();
    page_.Grid->SetDataField("id");
    page_.Grid->SetDataSource(page_.Source.get());
    page_.Grid->resize(800, 400);
    page_.Query->Open();
    page_.Grid->SetFixedCols(2);
    demo::MakeCustomersEditable(page_);
    page_.Grid->show();
    page_.Grid->setFocus();
    QApplication::processEvents();
  }
  void TearDown() override {
    page_.Grid->SetDataSource(nullptr);
    delete page_.Grid;
    page_.Query->Close();
    page_.Query.reset();
    page_.Source.reset();
    GridTest::TearDown();
  }
  std::string Scalar(const std::string& sql) {
    TQuery q;
    q.SetDatabaseName(db_name_);
    q.SetSQLText(sql);
    q.Open();
    return q.Fields(0)->AsString();
  }
  void KeyTo(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier) { QTest::keyClick(page_.Grid, key, mods); }

  demo::TListPage page_;
};

TEST_P(DemoCustomersTest, EditInsertAndDeleteReachTheTable) {
  TSearchDBGrid& grid = *page_.Grid;
  TQuery& q = *page_.Query;
  EXPECT_TRUE(q.CanModify());
  EXPECT_EQ(grid.FixedCols(), 2);
  // F2 edits the name in place; Enter takes the text, Enter again posts.
  grid.SetSelectedIndex(1);
  KeyTo(Qt::Key_F2);
  // Name is frozen: its editor opens in the frozen view, where it can be seen.
  ASSERT_NE(grid.FrozenView(), nullptr);
  auto* editor = grid.FrozenView()->viewport()->findChild<QLineEdit*>();
  ASSERT_NE(editor, nullptr);
  EXPECT_TRUE(editor->isVisible());
  editor->selectAll();
  QTest::keyClicks(editor, "Renamed Ltd");
  QTest::keyClick(editor, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_TRUE(grid.hasFocus());  // typing goes back to the grid
  KeyTo(Qt::Key_Return);
  EXPECT_EQ(q.State(), dsBrowse);
  EXPECT_EQ(Scalar("select name from customers where id = 1"), "Renamed Ltd");

  // Ctrl+Ins: a new customer numbered after the last one; only the name is typed.
  KeyTo(Qt::Key_Insert, Qt::ControlModifier);
  ASSERT_EQ(q.State(), dsInsert);
  EXPECT_EQ(q.FieldByName("id")->AsInteger(), 6);
  q.FieldByName("name")->SetAsString("New Customer");
  KeyTo(Qt::Key_Return);
  EXPECT_EQ(q.State(), dsBrowse);
  EXPECT_EQ(Scalar("select count(*) from customers"), "6");
  EXPECT_EQ(Scalar("select name from customers where id = 6"), "New Customer");

  // Two customers selected, Ctrl+Delete after a yes: exactly those two go.
  TScriptedUserInteraction ui;
  q.First();
  const std::string first = q.FieldByName("id")->AsString();
  KeyTo(Qt::Key_Down, Qt::ShiftModifier);
  const std::string second = q.FieldByName("id")->AsString();
  EXPECT_EQ(grid.SelectedRows().Count(), 2);
  ui.AnswerMessage(mrOk);
  KeyTo(Qt::Key_Delete, Qt::ControlModifier);
  EXPECT_EQ(Scalar("select count(*) from customers"), "4");
  EXPECT_EQ(Scalar("select count(*) from customers where id in (" + first + ", " + second + ")"), "0");

  // The ellipsis button of Notes asks for the notes window.
  int memos = 0;
  grid.OnDblClick = [&](QObject*) { ++memos; };
  for (int c = 0; c < grid.Columns().Count(); ++c) {
    if (grid.Columns().Items(c)->FieldName() == "notes") grid.SetSelectedIndex(c);
  }
  ASSERT_TRUE(grid.HasEllipsisButton(grid.SelectedIndex()));
  KeyTo(Qt::Key_Return, Qt::ControlModifier);
  EXPECT_EQ(memos, 1);
}

BEXLO_GRID_SUITE(DemoCustomersTest);

}  // namespace
}  // namespace bexlo::testing
