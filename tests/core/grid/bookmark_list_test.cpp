// The grid's selected records (TUBookmarkList) over live queries on SQLite and PostgreSQL:
// selecting, ranges, deleting the selection (also when a delete fails half way), and what
// happens to the selection when records go away or the query is reopened.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "core/db/db_test_support.h"
#include "db/db.h"
#include "grid/bookmark_list.h"

namespace bexlo {
namespace {

using testing::DbTest;

class BookmarkListTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec(std::string("CREATE TABLE ITEMS (id INTEGER PRIMARY KEY, name ") + Text() + ")");
    for (int i = 1; i <= 6; ++i) Exec("INSERT INTO ITEMS VALUES (" + std::to_string(i) + ", 'item " + std::to_string(i) + "')");
    query_ = Query("select id, name from ITEMS order by id");
    query_->SetRequestLive(true);
    query_->Open();
    list_ = std::make_unique<TUBookmarkList>([this] { return query_.get(); });
    list_->OnChange = [this] { ++changes_; };
  }

  void TearDown() override {
    list_.reset();
    query_.reset();  // before the fixture drops the database
    DbTest::TearDown();
  }

  void Go(int id) {
    ASSERT_TRUE(query_->Locate("id", {Variant(id)}, {}));
  }
  // The ids of the selected records, in list order.
  std::string Selected() {
    std::string ids;
    TBookmark here = query_->GetBookmark();
    for (int i = 0; i < list_->Count(); ++i) {
      query_->GotoBookmark(list_->Items(i));
      ids += (ids.empty() ? "" : ",") + query_->FieldByName("id")->AsString();
    }
    query_->GotoBookmark(here);
    return ids;
  }
  std::string Stored() {
    auto q = Query("select id from ITEMS order by id");
    q->Open();
    std::string ids;
    for (; !q->Eof(); q->Next()) ids += (ids.empty() ? "" : ",") + q->Fields(0)->AsString();
    return ids;
  }

  std::unique_ptr<TQuery> query_;
  std::unique_ptr<TUBookmarkList> list_;
  int changes_ = 0;
};

TEST_P(BookmarkListTest, SelectingTogglingAndRanges) {
  EXPECT_FALSE(list_->CurrentRowSelected());
  Go(4);
  list_->SetCurrentRowSelected(true);
  list_->SetCurrentRowSelected(true);  // already selected: no second entry
  Go(2);
  list_->ToggleCurrentRow();
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_EQ(changes_, 2);
  EXPECT_EQ(Selected(), "2,4");  // in record order, whatever the order of selection
  EXPECT_TRUE(list_->CurrentRowSelected());
  EXPECT_TRUE(list_->IsRecordSelected(1));
  EXPECT_TRUE(list_->IsRecordSelected(3));
  EXPECT_FALSE(list_->IsRecordSelected(2));
  EXPECT_FALSE(list_->IsRecordSelected(-1));
  EXPECT_EQ(list_->IndexOf(query_->GetBookmark()), 0);
  list_->ToggleCurrentRow();
  EXPECT_FALSE(list_->CurrentRowSelected());
  EXPECT_EQ(Selected(), "4");
  EXPECT_EQ(list_->IndexOf(query_->GetBookmark()), -1);

  // A range selects every record between two rows, keeps the current record and what was
  // selected, and reaches past the records read so far only as far as there are records.
  Go(1);
  list_->SelectRange(4, 2);
  EXPECT_EQ(Selected(), "3,4,5");
  EXPECT_EQ(query_->FieldByName("id")->AsInteger(), 1);
  list_->SelectRange(5, 100);
  EXPECT_EQ(Selected(), "3,4,5,6");
  EXPECT_THROW(list_->Items(4), EListError);
  list_->Clear();
  EXPECT_EQ(list_->Count(), 0);
  EXPECT_FALSE(list_->IsRecordSelected(2));
}

TEST_P(BookmarkListTest, DeleteRemovesExactlyTheSelectedRecords) {
  Go(2);
  list_->SetCurrentRowSelected(true);
  Go(5);
  list_->SetCurrentRowSelected(true);
  Go(6);
  list_->SetCurrentRowSelected(true);
  EXPECT_EQ(list_->Delete(), 3);
  EXPECT_EQ(list_->Count(), 0);
  EXPECT_EQ(Stored(), "1,3,4");
  EXPECT_FALSE(list_->IsRecordSelected(0));
  EXPECT_EQ(list_->Delete(), 0);  // nothing selected: nothing deleted
  EXPECT_EQ(Stored(), "1,3,4");
}

TEST_P(BookmarkListTest, AFailingDeleteStopsAndKeepsTheRestSelected) {
  for (int id : {1, 3, 5}) {
    Go(id);
    list_->SetCurrentRowSelected(true);
  }
  query_->BeforeDelete = [](TDataSet* ds) {
    if (ds->FieldByName("id")->AsInteger() == 3) throw EDatabaseError("record 3 is locked");
  };
  try {
    list_->Delete();
    FAIL() << "the delete of record 3 should fail";
  } catch (const EDatabaseError& e) {
    EXPECT_NE(std::string(e.what()).find("1 of 3"), std::string::npos) << e.what();
    EXPECT_NE(std::string(e.what()).find("record 3 is locked"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Stored(), "1,2,3,4,6");  // only 5 went (the last one first)
  EXPECT_EQ(Selected(), "1,3");
  query_->BeforeDelete = nullptr;
  EXPECT_EQ(list_->Delete(), 2);
  EXPECT_EQ(Stored(), "2,4,6");
}

TEST_P(BookmarkListTest, RefreshDropsGoneRecordsAndReopeningKeepsTheSelection) {
  for (int id : {2, 4}) {
    Go(id);
    list_->SetCurrentRowSelected(true);
  }
  Go(4);
  query_->Delete();  // deleted behind the list's back
  list_->Invalidate();
  EXPECT_TRUE(list_->Refresh());
  EXPECT_FALSE(list_->Refresh());
  EXPECT_EQ(Selected(), "2");
  // Reopened in another order: the key finds the record again and rows are drawn by position.
  Go(3);
  list_->SetCurrentRowSelected(true);
  query_->Close();
  query_->SetSQLText("select id, name from ITEMS order by id desc");
  query_->Open();
  list_->Invalidate();
  EXPECT_EQ(list_->Count(), 2);
  EXPECT_EQ(Selected(), "3,2");
  EXPECT_TRUE(list_->IsRecordSelected(2));  // 6,5,3,...
  EXPECT_TRUE(list_->IsRecordSelected(3));
  EXPECT_FALSE(list_->IsRecordSelected(0));
  // A closed data set: nothing is selected, nothing to delete.
  query_->Close();
  EXPECT_FALSE(list_->CurrentRowSelected());
  EXPECT_EQ(list_->Delete(), 0);
}

BEXLO_DB_SUITE(BookmarkListTest);

}  // namespace
}  // namespace bexlo
