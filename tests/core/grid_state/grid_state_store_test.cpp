// SYS_GRIDS through the shipped DDL, on SQLite and PostgreSQL.
#include "grid/grid_state_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "core/db/db_test_support.h"
#include "grid/grid_state_file.h"
#include "util/exceptions.h"

namespace bexlo {
namespace {

namespace fs = std::filesystem;
using testing::DbTest;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TGridState State(std::string group, std::string title, std::string search) {
  TGridState s;
  s.Group = std::move(group);
  s.Title = std::move(title);
  s.Search = {std::move(search)};
  s.Choice = {"ID=7", ""};
  s.Build = {"#QTY > 1", "", "[not a section]", ";DELETE no"};
  s.Order = {"NAME DESC"};
  return s;
}

class GridStateStore : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    const std::string ddl = ReadAll(std::string(BEXLO_SQL_DIR) + (Pg() ? "/postgresql" : "/sqlite") + "/sys_grids.sql");
    ASSERT_FALSE(ddl.empty());
    Exec(ddl);
    dir_ = (fs::temp_directory_path() / ("bexlo-grd-store-" + std::to_string(getpid()))).string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    fs::remove_all(dir_);
    DbTest::TearDown();
  }
  std::string Rows() { return Scalar("SELECT COUNT(*) FROM SYS_GRIDS"); }

  std::string dir_;
};

TEST_P(GridStateStore, SaveTwiceWithOneTitleOverwrites) {
  TGridStateStore store(kDb, "Shop");
  const TGridState a = State("TOrderForm_Grid1", "Big", "NAME=A");
  store.Save(a, true);
  EXPECT_EQ(store.Load(a.Group, a.Title), a);
  TGridState b = State(a.Group, a.Title, "NAME=B");
  b.Order = {"ID"};
  store.Save(b, false);  // the builder set no ordering: the stored one stays
  TGridState expected = b;
  expected.Order = a.Order;
  EXPECT_EQ(store.Load(a.Group, a.Title), expected);
  EXPECT_EQ(Rows(), "1");
  store.Save(State(a.Group, "Another", "NAME=C"), false);
  EXPECT_EQ(Rows(), "2");
  EXPECT_TRUE(store.Load(a.Group, "Another")->Order.empty());
  EXPECT_EQ(store.Titles(a.Group), (std::vector<std::string>{"Another", "Big"}));
  // Other applications and groups are apart.
  EXPECT_FALSE(TGridStateStore(kDb, "Other").Load(a.Group, a.Title).has_value());
  EXPECT_TRUE(store.Titles("TOther_Grid1").empty());
}

TEST_P(GridStateStore, KeysAreChecked) {
  TGridStateStore store(kDb, "Shop");
  try {
    store.Save(State("G", "", "NAME=A"), true);
    FAIL();
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message(), "Name can not be empty");
  }
  EXPECT_THROW(store.Save(State("G", std::string(61, 'x'), "NAME=A"), true), Exception);
  store.Save(State("G", std::string(60, 'x'), "NAME=A"), true);
  EXPECT_EQ(Rows(), "1");
}

TEST_P(GridStateStore, DeleteListAndGroups) {
  TGridStateStore store(kDb, "Shop");
  store.Save(State("TB_Grid", "one", "NAME=A"), true);
  store.Save(State("TA_Grid", "two", "NAME=B"), true);
  store.Save(State("TA_Grid", "one", "NAME=C"), true);
  EXPECT_EQ(store.Groups(), (std::vector<std::string>{"TA_Grid", "TB_Grid"}));
  std::vector<std::string> keys;
  for (const TGridState& s : store.List("%")) keys.push_back(s.Group + "/" + s.Title);
  EXPECT_EQ(keys, (std::vector<std::string>{"TA_Grid/one", "TA_Grid/two", "TB_Grid/one"}));
  EXPECT_EQ(store.List("TB%").size(), 1u);
  EXPECT_TRUE(store.Delete("TA_Grid", "two"));
  EXPECT_FALSE(store.Delete("TA_Grid", "two"));
  EXPECT_EQ(Rows(), "2");
}

TEST_P(GridStateStore, ExportThenImportRecreatesEveryState) {
  TGridStateStore store(kDb, "Shop");
  const TGridState a = State("TA_Grid", "one", "NAME=A");
  const TGridState b = State("TB_Grid", "two^x", "NAME=B");
  store.Save(a, true);
  store.Save(b, true);
  store.Export(dir_, "%");
  Exec("DELETE FROM SYS_GRIDS");
  std::ofstream(dir_ + "/no caret.GRD") << "[SEARCH]\r\nNAME=x\r\n";
  std::vector<int> progress;
  const auto r = store.Import(dir_, [&](int done, int total) { progress.push_back(done * 10 + total); });
  EXPECT_EQ(r.Added, 2);
  EXPECT_EQ(r.Skipped, 1);
  EXPECT_EQ(progress, (std::vector<int>{3, 13, 23, 33}));
  EXPECT_EQ(store.Load(a.Group, a.Title), a);
  EXPECT_EQ(store.Load(b.Group, b.Title), b);

  // A ";DELETE" line deletes the state; a changed file replaces its lists.
  std::ofstream(dir_ + "/TA_Grid^one.GRD", std::ios::app) << ";DELETE\r\n";
  TGridState b2 = b;
  b2.Search = {"NAME=B2"};
  WriteGridStateFile(dir_, b2);
  const auto r2 = store.Import(dir_);
  EXPECT_EQ(r2.Deleted, 1);
  EXPECT_EQ(r2.Replaced, 1);
  EXPECT_FALSE(store.Load(a.Group, a.Title).has_value());
  EXPECT_EQ(store.Load(b.Group, b.Title), b2);
}

TEST_P(GridStateStore, AFailingImportKeepsTheStatesThatWereThere) {
  TGridStateStore store(kDb, "Shop");
  const TGridState a = State("TA_Grid", "one", "NAME=A");
  const TGridState c = State("TC_Grid", "three", "NAME=C");
  store.Save(a, true);
  store.Save(c, true);
  // The first file would replace a, the second add a state, the third has a title longer than
  // the table holds.
  TGridState a2 = a;
  a2.Search = {"NAME=changed"};
  WriteGridStateFile(dir_, a2);
  WriteGridStateFile(dir_, State("TB_Grid", "new", "NAME=N"));
  const std::string longTitle(70, 'y');
  WriteGridStateFile(dir_, State("TD_Grid", longTitle, "NAME=D"));
  try {
    store.Import(dir_);
    FAIL() << "the import succeeded";
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find("Import of the state file " + dir_ + "/TD_Grid^" + longTitle + ".GRD failed"),
              std::string::npos)
        << e.Message();
    EXPECT_NE(e.Message().find("Error of addition of state \"" + longTitle + "\" in group \"TD_Grid\""),
              std::string::npos);
  }
  EXPECT_EQ(store.Load(a.Group, a.Title), a);
  EXPECT_EQ(store.Load(c.Group, c.Title), c);
  EXPECT_FALSE(store.Load("TB_Grid", "new").has_value());
  EXPECT_EQ(Rows(), "2");
}

TEST_P(GridStateStore, TheTableIsNeverCreatedBehindTheUsersBack) {
  Exec("DROP TABLE SYS_GRIDS");
  TGridStateStore store(kDb, "Shop");
  EXPECT_THROW(store.Titles("G"), EDatabaseError);
  EXPECT_THROW(store.Save(State("G", "t", "NAME=A"), true), EDatabaseError);
  EXPECT_THROW(Scalar("SELECT COUNT(*) FROM SYS_GRIDS"), EDatabaseError);
}

BEXLO_DB_SUITE(GridStateStore);

// Two workstations saving the same title at the same moment.
class GridStateStoreConcurrent : public GridStateStore {};

TEST_P(GridStateStoreConcurrent, SavesOfOneTitleLeaveOneRowAndNoError) {
  auto a = OtherConnection();
  auto b = OtherConnection();
  auto watcher = OtherConnection();
  TGridStateStore storeA(*a, "Shop");
  TGridStateStore storeB(*b, "Shop");

  // A inserts the title inside an open transaction; B's save of the same title must wait for it
  // and then update the row instead of failing on the key.
  a->StartTransaction();
  storeA.Save(State("G", "same", "NAME=A"), true);
  std::string errorB;
  std::thread saveB([&] {
    try {
      storeB.Save(State("G", "same", "NAME=B"), true);
    } catch (const std::exception& e) {
      errorB = e.what();
    }
  });
  bool waiting = false;
  for (int i = 0; i < 2000 && !waiting; ++i) {
    TQuery q;
    q.SetDatabaseName(watcher->DatabaseName());
    q.SetSQLText("SELECT COUNT(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock'");
    q.Open();
    waiting = q.Fields(0)->AsInteger() > 0;
    if (!waiting) std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_TRUE(waiting) << "the second save never waited for the first";
  a->Commit();
  saveB.join();
  EXPECT_EQ(errorB, "");
  EXPECT_EQ(Rows(), "1");
  EXPECT_EQ(TGridStateStore(kDb, "Shop").Load("G", "same")->Search, (std::vector<std::string>{"NAME=B"}));

  // Free-running races of new titles.
  for (int round = 0; round < 20; ++round) {
    const std::string title = "race" + std::to_string(round);
    std::string e1, e2;
    std::atomic<int> ready{0};
    auto save = [&](TGridStateStore& store, std::string& error, const char* value) {
      ++ready;
      while (ready < 2) {
      }
      try {
        store.Save(State("G", title, value), true);
      } catch (const std::exception& e) {
        error = e.what();
      }
    };
    std::thread t1(save, std::ref(storeA), std::ref(e1), "NAME=1");
    std::thread t2(save, std::ref(storeB), std::ref(e2), "NAME=2");
    t1.join();
    t2.join();
    EXPECT_EQ(e1, "");
    EXPECT_EQ(e2, "");
  }
  EXPECT_EQ(Rows(), "21");
}

BEXLO_PG_SUITE(GridStateStoreConcurrent);

}  // namespace
}  // namespace bexlo
