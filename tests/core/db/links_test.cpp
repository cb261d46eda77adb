// Data sources and links: what a control hears, DisableControls, the window of records a grid
// sees, field links; bookmarks, Locate and Lookup, calculated and lookup fields, filters.
#include <vector>

#include "db_test_support.h"

namespace bexlo::testing {
namespace {

// Records what a control would hear.
class RecordingLink : public TDataLink {
 public:
  std::vector<std::string> heard;

 protected:
  void ActiveChanged() override { heard.push_back(Active() ? "active" : "inactive"); }
  void DataSetChanged() override { heard.push_back("changed"); }
  void DataSetScrolled(int distance) override { heard.push_back("scrolled " + std::to_string(distance)); }
  void RecordChanged(TField* field) override {
    heard.push_back(field ? "field " + field->FieldName() : "record");
  }
  void EditingChanged() override { heard.push_back(Editing() ? "editing" : "browsing"); }
  void UpdateData() override { heard.push_back("update"); }
};

class LinksTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE n (id INTEGER PRIMARY KEY, name VARCHAR(10), grp INTEGER)");
    Db().StartTransaction();
    for (int i = 1; i <= 30; ++i) {
      Exec("INSERT INTO n VALUES (" + std::to_string(i) + ", 'n" + std::to_string(i) + "', " +
           std::to_string(i % 3) + ")");
    }
    Db().Commit();
    Exec("CREATE TABLE g (grp INTEGER PRIMARY KEY, title VARCHAR(10))");
    Exec("INSERT INTO g VALUES (0, 'zero'), (1, 'one'), (2, 'two')");
  }
};

TEST_P(LinksTest, LinksHearStateScrollsEditsAndUpdates) {
  auto q = Query("SELECT * FROM n ORDER BY id");
  q->SetRequestLive(true);
  std::vector<std::string> sourceLog;
  TDataSource source;
  source.OnStateChange = [&](TObject*) { sourceLog.push_back("state"); };
  source.OnDataChange = [&](TObject*, TField* f) { sourceLog.push_back(f ? f->FieldName() : "data"); };
  source.SetDataSet(q.get());
  RecordingLink link;
  link.SetDataSource(&source);
  q->Open();
  q->Next();
  q->Edit();
  q->FieldByName("name")->SetAsString("x");
  q->Post();
  q->Close();
  EXPECT_EQ(link.heard, (std::vector<std::string>{"active", "scrolled 1", "editing", "record",
                                                 "field name", "update", "browsing", "changed",
                                                 "inactive"}));
  EXPECT_EQ(sourceLog.front(), "state");
  EXPECT_NE(std::find(sourceLog.begin(), sourceLog.end(), "name"), sourceLog.end());
  // Controls disabled: silence during the walk, one refresh at the end.
  q->Open();
  link.heard.clear();
  q->DisableControls();
  while (!q->Eof()) q->Next();
  q->First();
  q->EnableControls();
  EXPECT_EQ(link.heard, (std::vector<std::string>{"changed"}));
  // Nested: only the outermost EnableControls refreshes; a close while disabled is a new layout.
  link.heard.clear();
  q->DisableControls();
  q->DisableControls();
  q->Next();
  q->EnableControls();
  EXPECT_TRUE(link.heard.empty());
  q->EnableControls();
  EXPECT_EQ(link.heard, (std::vector<std::string>{"changed"}));
  // A disabled data source tells its links that the data set is inactive.
  link.heard.clear();
  source.SetEnabled(false);
  EXPECT_FALSE(link.Active());
  source.SetEnabled(true);
  EXPECT_EQ(link.heard, (std::vector<std::string>{"inactive", "active"}));
}

TEST_P(LinksTest, AGridSeesAWindowOfRecordsAroundTheCurrentOne) {
  auto q = Query("SELECT id FROM n ORDER BY id");
  TDataSource source;
  source.SetDataSet(q.get());
  RecordingLink grid;
  grid.SetBufferCount(10);
  grid.SetDataSource(&source);
  q->Open();
  EXPECT_EQ(q->EnsureRecords(0), 10);  // the grid's rows and no more
  EXPECT_EQ(grid.RecordCount(), 10);
  EXPECT_EQ(grid.ActiveRecord(), 0);
  q->MoveBy(12);  // record 13: the window scrolls so that it is the last row
  EXPECT_EQ(grid.FirstRecord(), 3);
  EXPECT_EQ(grid.ActiveRecord(), 9);
  // Drawing row 0 reads that record's fields, then the current one again.
  grid.SetActiveRecord(0);
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 4);
  grid.SetActiveRecord(grid.ActiveRecord());
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 13);
  q->Last();
  EXPECT_EQ(grid.FirstRecord(), 20);
  EXPECT_EQ(grid.RecordCount(), 10);
}

TEST_P(LinksTest, FieldLinksFollowTheirField) {
  auto q = Query("SELECT * FROM n ORDER BY id");
  q->SetRequestLive(true);
  TDataSource source;
  source.SetDataSet(q.get());
  TFieldDataLink edit;
  std::string shown;
  std::string typed;
  edit.OnDataChange = [&](TObject*) { shown = edit.Field() ? edit.Field()->DisplayText() : ""; };
  edit.OnUpdateData = [&](TObject*) { edit.Field()->SetAsString(typed); };
  edit.SetFieldName("name");
  edit.SetDataSource(&source);
  q->Open();
  EXPECT_EQ(shown, "n1");
  q->Next();
  EXPECT_EQ(shown, "n2");
  // The control's pending text goes into the field when the record is posted.
  ASSERT_TRUE(edit.Edit());
  typed = "typed";
  edit.Modified();
  q->Post();
  EXPECT_EQ(Scalar("SELECT name FROM n WHERE id = 2"), "typed");
  q->Close();
  EXPECT_EQ(edit.Field(), nullptr);
}

TEST_P(LinksTest, BookmarksSurviveReopeningByKey) {
  auto q = Query("SELECT * FROM n ORDER BY name");
  q->SetRequestLive(true);
  q->Open();
  q->MoveBy(5);
  const TBookmark mark = q->GetBookmark();
  const std::int64_t id = q->FieldByName("id")->AsInteger();
  q->Last();
  q->GotoBookmark(mark);
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), id);
  // Another record arrives in front of it; after reopening the key still finds it.
  Exec("INSERT INTO n VALUES (100, 'a', 0)");
  q->Close();
  q->Open();
  EXPECT_TRUE(q->BookmarkValid(mark));
  q->GotoBookmark(mark);
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), id);
  // Refresh keeps the position too, and a deleted record's bookmark is no longer valid.
  q->Refresh();
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), id);
  q->Delete();
  EXPECT_FALSE(q->BookmarkValid(mark));
  EXPECT_THROW(q->GotoBookmark(mark), EDatabaseError);
  // A query without any key falls back to the record number.
  auto plain = Query("SELECT name FROM n ORDER BY name");
  plain->Open();
  plain->MoveBy(3);
  const TBookmark byNumber = plain->GetBookmark();
  plain->Close();
  plain->Open();
  plain->GotoBookmark(byNumber);
  EXPECT_EQ(plain->RecNo(), 4);
}

TEST_P(LinksTest, LocateLookupCalculatedAndLookupFields) {
  auto groups = Query("SELECT * FROM g");
  groups->Open();
  auto q = Query("SELECT id, name, grp FROM n ORDER BY id");
  TIntegerField id;
  id.SetFieldName("id");
  id.SetDataSet(q.get());
  TStringField name;
  name.SetFieldName("name");
  name.SetDataSet(q.get());
  TIntegerField grp;
  grp.SetFieldName("grp");
  grp.SetDataSet(q.get());
  TStringField label;
  label.SetFieldName("label");
  label.SetFieldKind(fkCalculated);
  label.SetDataSet(q.get());
  TStringField title;
  title.SetFieldName("title");
  title.SetFieldKind(fkLookup);
  title.LookupDataSet = groups.get();
  title.KeyFields = "grp";
  title.LookupKeyFields = "grp";
  title.LookupResultField = "title";
  title.SetDataSet(q.get());
  q->OnCalcFields = [](TDataSet* ds) {
    ds->FieldByName("label")->SetAsString(ds->FieldByName("name")->AsString() + "!");
  };
  q->Open();
  EXPECT_EQ(label.AsString(), "n1!");
  EXPECT_EQ(title.AsString(), "one");
  EXPECT_TRUE(q->Locate("name", {Variant("N17")}, loCaseInsensitive));
  EXPECT_EQ(id.AsInteger(), 17);
  EXPECT_EQ(title.AsString(), "two");
  EXPECT_TRUE(q->Locate("grp;name", {Variant("0"), Variant("n2")}, loPartialKey));
  EXPECT_EQ(id.AsInteger(), 21);
  EXPECT_FALSE(q->Locate("name", {Variant("n99")}));
  EXPECT_EQ(id.AsInteger(), 21);
  EXPECT_EQ(q->Lookup("id", {Variant(5)}, "name"), Variant("n5"));
  EXPECT_EQ(id.AsInteger(), 21);  // Lookup does not move
  EXPECT_TRUE(q->Lookup("id", {Variant(500)}, "name").IsNull());
  EXPECT_THROW(label.SetAsString("x"), EDatabaseError);  // only OnCalcFields writes it
}

TEST_P(LinksTest, FilteredRecordsAreSkipped) {
  auto q = Query("SELECT id, grp FROM n ORDER BY id");
  q->OnFilterRecord = [](TDataSet* ds, bool& accept) {
    accept = ds->FieldByName("grp")->AsInteger() == 0;
  };
  q->SetFiltered(true);
  q->Open();
  EXPECT_EQ(q->FieldByName("id")->AsInteger(), 3);
  EXPECT_EQ(q->RecordCount(), 10);
  q->SetFiltered(false);
  EXPECT_EQ(q->RecordCount(), 30);
}

TEST_P(LinksTest, StreamingKeepsCalculationsAndFilters) {
  auto q = Query("SELECT id, grp FROM n ORDER BY id");
  q->SetUniDirectional(true);
  TStringField tag;
  tag.SetFieldName("tag");
  tag.SetFieldKind(fkCalculated);
  TIntegerField id;
  id.SetFieldName("id");
  TIntegerField grp;
  grp.SetFieldName("grp");
  id.SetDataSet(q.get());
  grp.SetDataSet(q.get());
  tag.SetDataSet(q.get());
  q->OnCalcFields = [&](TDataSet*) { tag.SetAsString("#" + id.AsString()); };
  q->OnFilterRecord = [&](TDataSet*, bool& accept) { accept = grp.AsInteger() == 1; };
  q->SetFiltered(true);
  q->Open();
  std::vector<std::string> tags;
  for (; !q->Eof(); q->Next()) tags.push_back(tag.AsString());
  ASSERT_EQ(tags.size(), 10u);
  EXPECT_EQ(tags.front(), "#1");
  EXPECT_EQ(tags.back(), "#28");
  EXPECT_EQ(tag.AsString(), "#28");  // the last accepted record stays current at the end
  EXPECT_THROW(q->Locate("id", {Variant(1)}), EDatabaseError);
  q->Close();
  EXPECT_THROW(q->Lookup("id", {Variant(1)}, "grp"), EDatabaseError);
  // A field set up wrongly is refused when the data set opens.
  TStringField broken;
  broken.SetFieldName("broken");
  broken.SetFieldKind(fkLookup);
  broken.SetDataSet(q.get());
  EXPECT_THROW(q->Open(), EDatabaseError);
  EXPECT_FALSE(q->Active());
  broken.SetDataSet(nullptr);
  TStringField missing;
  missing.SetFieldName("not_a_column");
  missing.SetDataSet(q.get());
  EXPECT_THROW(q->Open(), EDatabaseError);
}

BEXLO_DB_SUITE(LinksTest);

}  // namespace
}  // namespace bexlo::testing
