// Loading and clearing states on a real query (SQLite and PostgreSQL).
#include <gtest/gtest.h>

#include <regex>

#include "core/db/db_test_support.h"
#include "grid/grid_state.h"
#include "grid/query_builder.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/ui_services.h"

namespace bexlo {
namespace {

using testing::DbTest;

const char* const kBase = "SELECT ID, NAME, QTY, DT FROM ORDERS";

class GridStateLoad : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    Exec(std::string("CREATE TABLE ORDERS (ID INTEGER, NAME ") + Text() + ", QTY INTEGER, DT DATE)");
    Exec("INSERT INTO ORDERS VALUES (1, 'Smith', 3, '2024-01-05')");
    Exec("INSERT INTO ORDERS VALUES (2, 'Smirnov', 8, '2024-02-01')");
    Exec("INSERT INTO ORDERS VALUES (3, 'Jones', 9, '2024-03-01')");
    Exec("INSERT INTO ORDERS VALUES (4, 'O''Brien', 12, '2024-04-01')");
    query_ = Query(kBase);
    query_->Open();
    base_ = query_->SQLText();
  }
  void TearDown() override {
    query_.reset();
    DbTest::TearDown();
  }
  std::vector<int> Ids() {
    std::vector<int> ids;
    for (query_->First(); !query_->Eof(); query_->Next()) {
      ids.push_back(static_cast<int>(query_->FieldByName("ID")->AsInteger()));
    }
    return ids;
  }
  // Field names as the engine reports them: PostgreSQL folds unquoted names to lower case.
  std::string F(std::string s) const {
    if (!Pg()) return s;
    for (const char* w : {"ID", "NAME", "QTY", "DT"}) {
      std::string lower = w;
      for (char& c : lower) c = static_cast<char>(c - 'A' + 'a');
      s = std::regex_replace(s, std::regex(std::string("\\b") + w + "\\b"), lower);
    }
    return s;
  }
  static std::vector<std::string> Lines(const TStrings& l) {
    std::vector<std::string> out;
    for (int i = 0; i < l.Count(); ++i) out.push_back(l.Strings(i));
    return out;
  }

  std::unique_ptr<TQuery> query_;
  std::string base_;
  TStringList search_, choice_, builder_;
  TBuilderOrderState order_;
  TGridStateLists lists_{search_, choice_, builder_, order_};
};

TEST_P(GridStateLoad, LoadAppliesEverythingAndClearGivesTheQueryBack) {
  TGridState s;
  s.Search = {F("NAME=Smi")};
  s.Choice = {F("ID=2")};
  s.Build = {F("QTY > 2")};
  s.Order = {F("QTY DESC")};
  EXPECT_FALSE(HasGridStateToSave(lists_));
  LoadGridState(*query_, lists_, s);
  EXPECT_EQ(Lines(search_), s.Search);
  EXPECT_EQ(Lines(choice_), s.Choice);
  EXPECT_EQ(Lines(builder_), s.Build);
  EXPECT_TRUE(order_.OrderSet);
  EXPECT_TRUE(query_->Active());
  EXPECT_EQ(Ids(), (std::vector<int>{2, 1}));
  EXPECT_TRUE(HasGridStateToSave(lists_));

  // What saving would store now is what was loaded.
  const TGridState captured = CaptureGridState(lists_, query_->SQLText(), "G", "T");
  EXPECT_EQ(captured.Search, s.Search);
  EXPECT_EQ(captured.Build, s.Build);
  EXPECT_EQ(captured.Order, s.Order);

  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrNo);
  EXPECT_FALSE(ClearGridState(*query_, lists_, true, true));
  EXPECT_EQ(Lines(builder_), s.Build);
  ui.AnswerMessage(mrYes);
  EXPECT_TRUE(ClearGridState(*query_, lists_, true, true));
  EXPECT_EQ(ui.Asked().back().text, "Are you sure, that want to clear table state ?");
  EXPECT_EQ(query_->SQLText(), base_);
  EXPECT_EQ(Lines(search_), (std::vector<std::string>{F("NAME=^")}));
  EXPECT_EQ(choice_.Count(), 0);
  EXPECT_FALSE(order_.OrderSet);
  EXPECT_EQ(Ids(), (std::vector<int>{1, 2, 3, 4}));
}

TEST_P(GridStateLoad, ReplacementRule) {
  search_.Add(F("NAME=Smi"));
  builder_.Add(F("QTY > 4"));
  // A state holding only an ordering keeps the search values and builder lines.
  TGridState orderOnly;
  orderOnly.Order = {F("ID DESC")};
  LoadGridState(*query_, lists_, orderOnly);
  EXPECT_EQ(Lines(search_), (std::vector<std::string>{F("NAME=Smi")}));
  EXPECT_EQ(Lines(builder_), (std::vector<std::string>{F("QTY > 4")}));
  EXPECT_EQ(Ids(), (std::vector<int>{2}));
  // Any other state replaces them; the cleared search lines it leaves are removed.
  TGridState other;
  other.Search = {F("QTY=9")};
  LoadGridState(*query_, lists_, other);
  EXPECT_EQ(Lines(search_), (std::vector<std::string>{F("QTY=9")}));
  EXPECT_EQ(builder_.Count(), 0);
  EXPECT_EQ(Ids(), (std::vector<int>{3}));
}

TEST_P(GridStateLoad, StoredLinesPassTheChecksOfTypedValues) {
  TGridState s;
  s.Search = {F("QTY=1 OR 1=1"), F("NOPE=1"), F("no equals sign"), F("NAME=O'Br"), F("DT=01/02/2024x"), F("X.NAME=Smi")};
  s.Choice = {F("NOPE=1"), F("ID=4"), F(".ID=4")};
  std::vector<TGridStateRefusal> refused;
  LoadGridState(*query_, lists_, s, &refused);
  EXPECT_EQ(Lines(search_), (std::vector<std::string>{F("NAME=O'Br")}));
  EXPECT_EQ(Lines(choice_), (std::vector<std::string>{F("ID=4")}));
  ASSERT_EQ(refused.size(), 7u);
  EXPECT_EQ(refused[0].Line, F("QTY=1 OR 1=1"));
  EXPECT_EQ(refused[0].Reason, "the value cannot be typed into the field's search cell");
  EXPECT_EQ(refused[1].Reason, "the query has no searchable field of that name");
  EXPECT_EQ(refused[5].List, "choice");
  EXPECT_EQ(Ids(), (std::vector<int>{4}));
}

TEST_P(GridStateLoad, AFailingLoadPutsEverythingBack) {
  search_.Add(F("NAME=Smi"));
  TGridState first;
  first.Build = {F("QTY > 4")};
  first.Order = {F("NAME")};
  LoadGridState(*query_, lists_, first);
  const std::string text = query_->SQLText();
  const TBuilderOrderState order = order_;

  TGridState bad;
  bad.Search = {F("QTY=9")};
  bad.Build = {F("QTY = 12EEE--")};
  EXPECT_THROW(LoadGridState(*query_, lists_, bad), EBuilderError);
  TGridState badOrder;
  badOrder.Build = {F("QTY > 1")};
  badOrder.Order = {F("NAME; DELETE FROM ORDERS")};
  EXPECT_THROW(LoadGridState(*query_, lists_, badOrder), EBuilderError);

  EXPECT_EQ(query_->SQLText(), text);
  EXPECT_TRUE(query_->Active());
  EXPECT_EQ(Lines(builder_), first.Build);
  EXPECT_EQ(order_.OrderSet, order.OrderSet);
  EXPECT_EQ(order_.SavedOrder, order.SavedOrder);
  EXPECT_EQ(Ids(), (std::vector<int>{3, 4, 2}));
  EXPECT_EQ(Scalar("SELECT COUNT(*) FROM ORDERS"), "4");
}

TEST_P(GridStateLoad, ABuilderRunThatFailsToReopenRestoresTheText) {
  TStringList lines;
  lines.Add(F("QTY = @NO_SUCH_COLUMN"));
  TBuilderOrderState st;
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  EXPECT_THROW(RunQueryBuilder(*query_, lines, st, "", "", true), Exception);
  EXPECT_EQ(ui.Asked().at(0).text, "Mistake of performance of query.");
  EXPECT_EQ(query_->SQLText(), base_);
  EXPECT_TRUE(query_->Active());
  // A working run reopens with the block in place.
  lines.Clear();
  lines.Add(F("NAME like to 'Smi%'"));
  RunQueryBuilder(*query_, lines, st, F("ID DESC"), F(""), true);
  EXPECT_EQ(Ids(), (std::vector<int>{2, 1}));
}

// Columns created in double quotes with capitals ("OrderId") are written in quotes where the
// engine folds unquoted names (PostgreSQL): conditions, field-to-field values and the ordering
// all reach the query.
TEST_P(GridStateLoad, MixedCaseColumnsAreFoundByTheBuilder) {
  Exec(std::string("CREATE TABLE SHIPMENTS (\"ShipId\" INTEGER, \"Carrier\" ") + Text() +
       ", \"Weight\" INTEGER, \"Limit\" INTEGER)");
  Exec("INSERT INTO SHIPMENTS VALUES (1, 'Rail', 30, 20)");
  Exec("INSERT INTO SHIPMENTS VALUES (2, 'Road', 10, 20)");
  Exec("INSERT INTO SHIPMENTS VALUES (3, 'Rail', 50, 20)");
  auto q = Query("SELECT * FROM SHIPMENTS");
  q->Open();
  TStringList lines;
  lines.Add("Carrier like to 'Ra%'");
  lines.Add("Weight > Limit");
  TBuilderOrderState st;
  RunQueryBuilder(*q, lines, st, "Weight DESC", "", true);
  std::vector<int> ids;
  for (q->First(); !q->Eof(); q->Next()) ids.push_back(static_cast<int>(q->FieldByName("ShipId")->AsInteger()));
  EXPECT_EQ(ids, (std::vector<int>{3, 1})) << q->SQLText();
}

BEXLO_DB_SUITE(GridStateLoad);

}  // namespace
}  // namespace bexlo
