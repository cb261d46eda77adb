// Typing into the search row, the search timer, the lock, autorepeat and the choice filter.
#include "grid_fixture.h"

namespace bexlo::testing {
namespace {

int RecordCount(TQuery& q) {
  TBookmark b = q.GetBookmark();
  const int n = q.RecordCount();
  q.GotoBookmark(b);
  return n;
}

TEST_P(GridTest, TypingBuildsTheSearchValueAndTheTimerAppliesIt) {
  Column("NAME");
  const std::string before = query->SQLText();
  Type(QStringLiteral("custom"));
  EXPECT_EQ(grid->SearchList().Text(), "NAME=custom\r\n");
  EXPECT_EQ(grid->SearchText(1), QStringLiteral("custom"));
  EXPECT_TRUE(grid->SearchTimer()->isActive());
  EXPECT_EQ(grid->SearchTimer()->interval(), 500);
  EXPECT_EQ(query->SQLText(), before);  // nothing before the timer fires
  grid->SearchTimerTick();
  EXPECT_FALSE(grid->SearchTimer()->isActive());
  EXPECT_NE(query->SQLText().find("/*Begin for NAME*/"), std::string::npos);
  EXPECT_TRUE(query->Active());
  EXPECT_EQ(RecordCount(*query), 29);  // all but O'Brien
  EXPECT_EQ(grid->SelectedIndex(), 1);  // the column stays after the reopen

  // Backspace down to nothing clears the cell and removes the block.
  for (int i = 0; i < 6; ++i) Key(Qt::Key_Backspace);
  EXPECT_EQ(grid->SearchList().Text(), "NAME=^\r\n");
  EXPECT_EQ(grid->SearchText(1), QString());
  grid->SearchTimerTick();
  EXPECT_EQ(query->SQLText(), before);
  EXPECT_EQ(RecordCount(*query), 30);
}

TEST_P(GridTest, AQuoteInTheSearchValueFindsTheName) {
  Column("NAME");
  Type(QStringLiteral("O'B"));
  EXPECT_EQ(grid->SearchList().Text(), "NAME=O'B\r\n");
  grid->SearchTimerTick();
  ASSERT_TRUE(query->Active());
  EXPECT_EQ(RecordCount(*query), 1);
  EXPECT_EQ(query->FieldByName("NAME")->AsString(), "O'Brien");
}

TEST_P(GridTest, NumericCellsTakeNumbersWithOneDecimalSeparator) {
  Column("AMOUNT");
  Type(QStringLiteral("4a.,5"));
  EXPECT_EQ(grid->SearchList().Values("AMOUNT"), "4.5");
  grid->SearchTimerTick();
  EXPECT_EQ(RecordCount(*query), 1);
  EXPECT_EQ(Id(), "3");
  // Fields the search cannot compare take no characters.
  Column("DAY");
  Type(QStringLiteral("x"));
  EXPECT_EQ(grid->SearchList().IndexOfName("DAY"), -1);
}

TEST_P(GridTest, LockCollectsValuesUntilLifted) {
  Column("NAME");
  Key(Qt::Key_F9);
  EXPECT_TRUE(grid->SearchLocked());
  EXPECT_EQ(grid->IndicatorCornerColor(), QColor(Qt::red));
  const std::string before = query->SQLText();
  Type(QStringLiteral("customer 2"));
  grid->SearchTimerTick();
  EXPECT_EQ(query->SQLText(), before);
  EXPECT_TRUE(grid->SearchTimer()->isActive());  // keeps running while locked
  Key(Qt::Key_F9);
  EXPECT_FALSE(grid->SearchLocked());
  grid->SearchTimerTick();
  EXPECT_EQ(RecordCount(*query), 11);  // customer 2, 20..29
  // ReLoad lifts the lock and applies at once.
  Key(Qt::Key_F9);
  Key(Qt::Key_Backspace);
  grid->ReLoad(true);
  EXPECT_FALSE(grid->SearchLocked());
  EXPECT_EQ(RecordCount(*query), 29);  // "customer " matches all but O'Brien
}

TEST_P(GridTest, ChoiceFilterShowsTheChosenRecordsAndTurnsTheCornerBlue) {
  Key(Qt::Key_Insert);
  Key(Qt::Key_Down);
  Key(Qt::Key_Insert);  // IDs 1 and 3
  Key(Qt::Key_F9, Qt::AltModifier);
  EXPECT_EQ(grid->ChoiceFilter().Count(), 2);
  EXPECT_EQ(RecordCount(*query), 2);
  EXPECT_EQ(grid->IndicatorCornerColor(), QColor(Qt::blue));
  Key(Qt::Key_F9, Qt::AltModifier);  // off again
  EXPECT_EQ(grid->ChoiceFilter().Count(), 0);
  EXPECT_EQ(RecordCount(*query), 30);
  EXPECT_FALSE(grid->IndicatorCornerColor().isValid());
  grid->BuilderList().Add("NAME like 'a%'");
  EXPECT_EQ(grid->IndicatorCornerColor(), QColor(Qt::green));
}

TEST_P(GridTest, AutorepeatIntervalIsSixteenBits) {
  EXPECT_EQ(grid->ReloadTimer(), nullptr);
  grid->SetReloadInterval(70000);
  EXPECT_EQ(grid->GetReloadInterval(), 65535);
  ASSERT_NE(grid->ReloadTimer(), nullptr);
  EXPECT_TRUE(grid->ReloadTimer()->isActive());
  grid->SetReloadInterval(2000);
  EXPECT_EQ(grid->ReloadTimer()->interval(), 2000);
  // A tick reloads with force and starts the timer again.
  query->Next();
  grid->ReloadTimerTick();
  EXPECT_TRUE(query->Active());
  EXPECT_TRUE(grid->ReloadTimer()->isActive());
  grid->SetReloadInterval(0);
  EXPECT_EQ(grid->ReloadTimer(), nullptr);
}

TEST_P(GridTest, SearchEditWritesItsBlock) {
  TSearchEdit edit;
  edit.SetDataSource(source.get());
  edit.DataField = "name";
  edit.DataRight = "%";
  edit.setText(QStringLiteral("O'Br"));
  EXPECT_NE(query->SQLText().find("/*Begin for NAME*/"), std::string::npos);
  EXPECT_EQ(RecordCount(*query), 1);
  edit.setText(QString());
  EXPECT_EQ(query->SQLText().find("/*Begin for NAME*/"), std::string::npos);
  // With an interval the search waits for the timer.
  edit.SetInterval(300);
  edit.setText(QStringLiteral("customer 1"));
  EXPECT_TRUE(edit.Timer()->isActive());
  EXPECT_EQ(RecordCount(*query), 30);
  edit.Search();
  EXPECT_EQ(RecordCount(*query), 11);
}

}  // namespace
}  // namespace bexlo::testing
