// A user's SQLite file is opened as it is: reading it changes no byte of it and leaves no file
// beside it, a missing file is an error rather than a new empty database, a file that cannot be
// written is read, and only the library's own databases are created.
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "db_test_support.h"
#include "db/driver.h"
#include "util/settings.h"

namespace bexlo::testing {
namespace {

namespace fs = std::filesystem;

std::string Bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

std::set<std::string> Listing(const std::string& dir) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir)) names.insert(entry.path().filename().string());
  return names;
}

class SqliteFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = (fs::temp_directory_path() / ("bexlo-sqlite-file-" + std::to_string(getpid()) + "-" +
                                         ::testing::UnitTest::GetInstance()->current_test_info()->name()))
               .string();
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override {
    Session().DropConnections();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A user's database in `journalMode`, made and closed before the test looks at it.
  std::string MakeUserFile(const std::string& name, const std::string& journalMode) {
    const std::string path = dir_ + "/" + name;
    CreateSqliteDatabase(path);
    TDatabase* db = Session().OpenDatabase("sqlite:" + path);
    db->Execute("PRAGMA journal_mode = " + journalMode);
    db->Execute("CREATE TABLE sales (id INTEGER PRIMARY KEY, region TEXT, amount REAL)");
    db->Execute("INSERT INTO sales VALUES (1, 'N', 10.5), (2, 'S', NULL), (3, 'N', 4)");
    Session().DropConnections();
    return path;
  }

  // Reads the table as the report road does (streamed) and as a grid does (buffered).
  static void ReadAll(const std::string& database) {
    for (bool stream : {true, false}) {
      TQuery q;
      q.SetDatabaseName(database);
      q.SetSQLText("SELECT region, sum(amount) AS total FROM sales GROUP BY region ORDER BY region");
      q.SetUniDirectional(stream);
      q.Open();
      int rows = 0;
      for (; !q.Eof(); q.Next()) ++rows;
      EXPECT_EQ(rows, 2);
      q.Close();
    }
  }

  std::string dir_;
};

TEST_F(SqliteFileTest, ReadingAUsersFileChangesNothingInItOrBesideIt) {
  for (const char* mode : {"DELETE", "WAL"}) {
    SCOPED_TRACE(mode);
    const std::string path = MakeUserFile(std::string("user_") + mode + ".db", mode);
    const std::string before = Bytes(path);
    const std::set<std::string> listing = Listing(dir_);
    // Bytes 18 and 19 of the header: 1 for a rollback journal, 2 for write-ahead logging.
    ASSERT_EQ(before[18], mode[0] == 'W' ? 2 : 1);
    ReadAll("sqlite:" + path);
    ReadAll(path);  // the bare path of an existing file
    Session().DropConnections();
    EXPECT_EQ(Bytes(path), before);
    EXPECT_EQ(Listing(dir_), listing);
  }
}

TEST_F(SqliteFileTest, AMissingFileIsAnErrorAndNothingIsCreated) {
  for (const std::string& name : {"sqlite:" + dir_ + "/missing.db", dir_ + "/missing.sqlite"}) {
    try {
      Session().OpenDatabase(name);
      FAIL() << name << " opened";
    } catch (const EDatabaseError& e) {
      const std::string file = name.starts_with("sqlite:") ? name.substr(7) : name;
      EXPECT_EQ(std::string(e.what()), "database file not found: " + file);
    }
  }
  TQuery q;
  q.SetDatabaseName("sqlite:" + dir_ + "/missing.db");
  q.SetSQLText("SELECT 1");
  EXPECT_THROW(q.Open(), EDatabaseError);
  EXPECT_EQ(Listing(dir_), std::set<std::string>{});
}

TEST_F(SqliteFileTest, TheLocalTablesDatabaseAndCreateSqliteDatabaseCreateOnPurpose) {
  const std::string saved = ApplicationDir;
  ApplicationDir = dir_ + "/";
  TQuery q;
  q.SetDatabaseName("");  // the program's directory: its local tables
  q.SetSQLText("CREATE TABLE local_t (x INTEGER)");
  q.ExecSQL();
  Session().DropConnections();
  ApplicationDir = saved;
  EXPECT_EQ(Listing(dir_), std::set<std::string>{std::string(kLocalTablesFileName)});

  const std::string made = dir_ + "/made.db";
  CreateSqliteDatabase(made);
  EXPECT_EQ(Bytes(made).substr(0, 16), std::string("SQLite format 3\0", 16));
  // An existing file is left as it is.
  const std::string before = Bytes(made);
  CreateSqliteDatabase(made);
  EXPECT_EQ(Bytes(made), before);
}

TEST_F(SqliteFileTest, AFileThatCannotBeWrittenIsOpenedReadOnly) {
  std::string path;
  std::string mountPoint;
  if (geteuid() != 0) {
    path = MakeUserFile("readonly.db", "DELETE");
    ASSERT_EQ(chmod(path.c_str(), 0444), 0);
  } else {
    // Permission bits do not stop root: a read-only file system does.
    mountPoint = dir_ + "/media";
    fs::create_directories(mountPoint);
    if (mount("bexlo-test", mountPoint.c_str(), "tmpfs", 0, "size=1m") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs to make read-only: " << std::strerror(errno);
    path = MakeUserFile("media/readonly.db", "DELETE");
    if (mount(nullptr, mountPoint.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) != 0) {
      umount2(mountPoint.c_str(), MNT_DETACH);
      GTEST_SKIP() << "cannot remount the tmpfs read-only: " << std::strerror(errno);
    }
  }
  const std::string before = Bytes(path);
  ReadAll(path);
  TDatabase* db = Session().OpenDatabase(path);
  EXPECT_THROW(db->Execute("DELETE FROM sales"), EDatabaseError);
  Session().DropConnections();
  EXPECT_EQ(Bytes(path), before);
  if (!mountPoint.empty()) umount2(mountPoint.c_str(), MNT_DETACH);
}

}  // namespace
}  // namespace bexlo::testing
