// The order desk's grid states: the sample database carries SYS_GRIDS with two states of the
// orders list, F3 loads one of them into the orders grid and Shift+F3 saves a new one.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "db/database.h"
#include "db/driver.h"
#include "db/field.h"
#include "db/query.h"
#include "demo_states.h"
#include "grid/grid_state_store.h"
#include "order_desk.h"
#include "sample_database.h"
#include "util/settings.h"
#include "widgets/grid/search_grid.h"
#include "widgets/states/state_forms.h"
#include "widgets/states/state_hooks.h"

namespace bexlo::demo {
namespace {

// Runs act once a modal window of class T is open, then closes it if still open.
template <class T>
void WhenModal(QTimer& timer, std::function<void(T&)> act) {
  QObject::connect(&timer, &QTimer::timeout, [&timer, act] {
    auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    timer.stop();
    act(*dialog);
    if (dialog->isVisible()) dialog->reject();
  });
  timer.start(0);
}

class DemoStates : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    db_ = dir_.filePath(QStringLiteral("sample.db")).toStdString();
    CreateSqliteDatabase(db_);
    EnsureSampleDatabase(db_, BEXLO_EXAMPLES_DIR "/sample-db.sql");
    EnsureSampleGridStates(db_, BEXLO_SQL_DIR);
    saved_app_ = ApplicationName;
    ApplicationName = kDemoApplicationName;
  }
  void TearDown() override {
    ApplicationName = saved_app_;
    Session().DropConnections();
  }

  QTemporaryDir dir_;
  std::string db_, saved_app_;
};

TEST_F(DemoStates, TheSampleDatabaseCarriesTwoStatesOfTheOrdersList) {
  TGridStateStore store(db_, kDemoApplicationName);
  EXPECT_EQ(store.Titles("TOrderDesk_OrdersGrid"),
            (std::vector<std::string>{"Open orders", "Returned, largest first"}));
  // Made once: a second call leaves the table as it is.
  store.Delete("TOrderDesk_OrdersGrid", "Open orders");
  EnsureSampleGridStates(db_, BEXLO_SQL_DIR);
  EXPECT_EQ(store.Titles("TOrderDesk_OrdersGrid").size(), 1u);
}

TEST_F(DemoStates, F3OnTheOrdersListLoadsAStoredStateAndShiftF3SavesOne) {
  TOrderDesk desk(db_, BEXLO_EXAMPLES_DIR, dir_.path().toStdString());
  desk.show();
  TSearchDBGrid& orders = *desk.Orders().Grid;
  EXPECT_EQ(GridStateGroupOf(orders), "TOrderDesk_OrdersGrid");
  TQuery& query = *desk.Orders().Query;

  QTimer choose;
  WhenModal<TChoiceGridForm>(choose, [](TChoiceGridForm& form) {
    ASSERT_TRUE(form.Query()->Locate("GR_GRD_CMT", {Variant("Returned, largest first")}));
    QTest::mouseClick(form.ChooseButton(), Qt::LeftButton);
  });
  orders.setFocus();
  QTest::keyClick(&orders, Qt::Key_F3);
  ASSERT_TRUE(query.Active());
  int rows = 0;
  double previous = 1e300;
  for (query.First(); !query.Eof(); query.Next(), ++rows) {
    EXPECT_EQ(query.FieldByName("status")->AsString(), "returned");
    const double amount = query.FieldByName("amount")->AsFloat();
    EXPECT_LE(amount, previous);  // largest first
    previous = amount;
  }
  EXPECT_EQ(rows, 9900 / 53);  // every 53rd order up to 9900 (the last hundred are open)

  QTimer save;
  WhenModal<TSaveGridForm>(save, [](TSaveGridForm& form) {
    QTest::keyClicks(form.TitleEdit(), QStringLiteral("Mine"));
    QTest::mouseClick(form.SaveButton(), Qt::LeftButton);
  });
  QTest::keyClick(&orders, Qt::Key_F3, Qt::ShiftModifier);
  std::optional<TGridState> mine = TGridStateStore(db_).Load("TOrderDesk_OrdersGrid", "Mine");
  ASSERT_TRUE(mine);
  EXPECT_EQ(mine->Search, std::vector<std::string>{"status=returned"});
  EXPECT_EQ(mine->Order, std::vector<std::string>{"amount DESC"});
}

}  // namespace
}  // namespace bexlo::demo
