// The query builder's windows: composing conditions with the buttons and the value box, the list
// of values, raw lines, and the routine behind Ctrl+F9 applying conditions and ordering to a
// search grid's query.
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <vector>

#include "grid/grid_fixture.h"
#include "grid/grid_menu.h"
#include "grid/search_sql.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "widgets/builder/query_build_form.h"
#include "widgets/grid/grid_popup_menu.h"
#include "widgets/grid/grid_windows.h"

namespace bexlo::testing {
namespace {

// Replaces the builder's modal runner for one test.
class RunnerScope {
 public:
  explicit RunnerScope(TBuilderModalRunner runner) { BuilderModalRunner() = std::move(runner); }
  ~RunnerScope() { BuilderModalRunner() = nullptr; }
};

std::vector<std::string> Lines(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

std::vector<int> Ids(TQuery& q) {
  std::vector<int> ids;
  for (q.First(); !q.Eof(); q.Next()) ids.push_back(static_cast<int>(q.FieldByName("ID")->AsInteger()));
  q.First();
  return ids;
}

void Click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }

void Pick(QListWidget* list, const QString& text) {
  const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
  ASSERT_EQ(found.size(), 1) << text.toStdString();
  list->setCurrentItem(found.first());
}

// The window's composing steps, as a user clicks them.
struct Composer {
  TQueryBuildForm& form;
  void Field(const char* label) { Pick(form.FieldList(), QString::fromUtf8(label)); }
  void Add(const char* label) {
    Field(label);
    Click(form.AddButton());
  }
  void Operator(int op) {
    form.OperatorList()->setCurrentRow(op);
    Click(form.OperatorButton());
  }
  void Type(const char* text) {
    form.ValueEdit()->clear();
    QTest::keyClicks(form.ValueEdit(), QString::fromUtf8(text));
  }
  // A whole condition: field, operator, typed value.
  void Condition(const char* label, int op, const char* value) {
    Add(label);
    Operator(op);
    if (value != nullptr) Type(value);
  }
  std::string Line(int i) const { return form.Builder().Conditions().Strings(i); }
  std::string Shown(int i) const { return form.ConditionList()->item(i)->text().toStdString(); }
};

class BuilderFormTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    form = std::make_unique<TQueryBuildForm>();
    form->SetQuery(query.get());
    form->SetListBox(TStringList());
    form->SetOrderBox();
    form->SelectFirst();
    form->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    form.reset();
    GridTest::TearDown();
  }
  Composer C() { return Composer{*form}; }

  TScriptedUserInteraction ui;
  std::unique_ptr<TQueryBuildForm> form;
};

INSTANTIATE_TEST_SUITE_P(Drivers, BuilderFormTest, ::testing::Values(GridEngine::SQLite), GridEngineName);

TEST_P(BuilderFormTest, ListsTheFieldsAndTheTwelveOperators) {
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Query builder"));
  ASSERT_EQ(form->FieldList()->count(), 4);
  EXPECT_EQ(form->FieldList()->item(1)->text(), QStringLiteral("NAME"));
  EXPECT_EQ(form->OrderFieldList()->count(), 4);
  ASSERT_EQ(form->OperatorList()->count(), 12);
  EXPECT_EQ(form->OperatorList()->item(6)->text(), QStringLiteral("not like to"));
  EXPECT_EQ(form->OperatorList()->item(11)->text(), QStringLiteral("null"));
  // The query's own ordering is on the order page; the window opened with its first line selected.
  EXPECT_EQ(Lines(form->Builder().OrderLines()), std::vector<std::string>{"ID, on increase"});
  EXPECT_EQ(form->SelectedOrder(), 0);
  EXPECT_TRUE(form->ExecuteButton()->isDefault());
  // Nothing to edit yet.
  EXPECT_FALSE(form->ValueEdit()->isEnabled());
  EXPECT_FALSE(form->DeleteButton()->isEnabled());
  EXPECT_FALSE(form->ClearButton()->isEnabled());
}

TEST_P(BuilderFormTest, PlusLessAndGreaterComposeConditions) {
  Composer c = C();
  c.Add("NAME");
  EXPECT_EQ(c.Line(0), "NAME");
  EXPECT_EQ(form->Selected(), 0);
  EXPECT_FALSE(form->ValueEdit()->isEnabled());  // no operator yet

  // "<" puts the operator in; a second operator is refused.
  c.Operator(boLike);
  EXPECT_EQ(c.Line(0), "NAME like to ");
  EXPECT_TRUE(form->ValueEdit()->isEnabled());
  EXPECT_TRUE(form->ValueLabel()->isEnabled());
  c.Operator(boEqual);
  EXPECT_EQ(c.Line(0), "NAME like to ");
  EXPECT_EQ(ui.BeepCount(), 1);

  // The range operators are refused for a string field.
  c.Add("NAME");
  EXPECT_EQ(form->Selected(), 1);
  for (int op : {boGreater, boGreaterEqual, boLess, boLessEqual}) c.Operator(op);
  EXPECT_EQ(c.Line(1), "NAME");
  EXPECT_EQ(ui.BeepCount(), 5);
  c.Operator(boNotEqual);
  EXPECT_EQ(c.Line(1), "NAME <> ");

  // ">" compares with a field of the same kind only, and only while the value is empty.
  c.Add("AMOUNT");
  c.Operator(boGreater);
  c.Field("NAME");
  Click(form->FieldValueButton());
  EXPECT_EQ(c.Line(2), "AMOUNT > ");
  EXPECT_EQ(ui.BeepCount(), 6);
  c.Field("ID");
  Click(form->FieldValueButton());
  EXPECT_EQ(c.Line(2), "AMOUNT > ID");
  EXPECT_EQ(c.Shown(2), "AMOUNT > ID");
  EXPECT_EQ(form->ValueEdit()->text(), QStringLiteral("ID"));  // a field is shown as it stands
  Click(form->FieldValueButton());
  EXPECT_EQ(c.Line(2), "AMOUNT > ID");
  EXPECT_EQ(ui.BeepCount(), 7);

  // ">" is refused for the in-list and null operators.
  c.Add("ID");
  c.Operator(boInList);
  c.Field("AMOUNT");
  Click(form->FieldValueButton());
  EXPECT_EQ(c.Line(3), "ID in list ");
  EXPECT_EQ(ui.BeepCount(), 8);
}

TEST_P(BuilderFormTest, TypedValuesAreWrittenByTheFieldsKind) {
  Composer c = C();
  // A string is stored quoted (a quote inside doubled) and shown without the quotes.
  c.Condition("NAME", boEqual, "O'Brien");
  EXPECT_EQ(c.Line(0), "NAME = 'O''Brien'");
  EXPECT_EQ(c.Shown(0), "NAME = 'O''Brien'");
  // A number keeps only what a number is written with.
  c.Condition("AMOUNT", boGreaterEqual, "1x2.5 $");
  EXPECT_EQ(c.Line(1), "AMOUNT >= 12.5");
  // "@" is raw SQL, stored as typed.
  c.Condition("NAME", boNotEqual, "@upper('x')");
  EXPECT_EQ(c.Line(2), "NAME <> @upper('x')");
  // A date is quoted like a string.
  c.Condition("DAY", boLess, "05/01/2024");
  EXPECT_EQ(c.Line(3), "DAY < '05/01/2024'");

  // Selecting a condition shows its value as it was typed.
  form->Select(0);
  EXPECT_EQ(form->ValueEdit()->text(), QStringLiteral("O'Brien"));
  form->Select(2);
  EXPECT_EQ(form->ValueEdit()->text(), QStringLiteral("@upper('x')"));
  form->Select(3);
  EXPECT_EQ(form->ValueEdit()->text(), QStringLiteral("05/01/2024"));
  // Retyping replaces the value; emptying the box empties it.
  form->Select(0);
  c.Type("Smith");
  EXPECT_EQ(c.Line(0), "NAME = 'Smith'");
  form->ValueEdit()->selectAll();
  QTest::keyClick(form->ValueEdit(), Qt::Key_Backspace);
  EXPECT_EQ(c.Line(0), "NAME = ");

  // The null operators take no value: the box and "List of values" are off.
  c.Condition("DAY", boNull, nullptr);
  EXPECT_EQ(c.Line(4), "DAY null ");
  EXPECT_FALSE(form->ValueEdit()->isEnabled());
  EXPECT_FALSE(form->ValueLabel()->isEnabled());
  EXPECT_FALSE(form->ValuesButton()->isEnabled());
  EXPECT_TRUE(form->DeleteButton()->isEnabled());
  EXPECT_TRUE(form->ClearButton()->isEnabled());
}

TEST_P(BuilderFormTest, OrCannotFollowOrStartTheList) {
  Composer c = C();
  Click(form->OrButton());
  EXPECT_EQ(form->Builder().Conditions().Count(), 0);
  EXPECT_EQ(ui.BeepCount(), 1);
  c.Condition("ID", boEqual, "1");
  c.Condition("ID", boEqual, "2");
  Click(form->OrButton());
  EXPECT_EQ(c.Line(2), "-- OR --");
  EXPECT_EQ(form->Selected(), 0);  // back to the first line
  EXPECT_FALSE(form->ValuesButton()->isEnabled());
  Click(form->OrButton());
  EXPECT_EQ(form->Builder().Conditions().Count(), 3);
  EXPECT_EQ(ui.BeepCount(), 2);

  // The separator selected: nothing to type, but it can be deleted.
  form->Select(2);
  EXPECT_FALSE(form->ValueEdit()->isEnabled());
  Click(form->DeleteButton());
  EXPECT_EQ(form->Builder().Conditions().Count(), 2);
  EXPECT_EQ(form->Selected(), 1);  // the last line, there being no next one
  form->Select(0);
  Click(form->DeleteButton());
  EXPECT_EQ(c.Line(0), "ID = 2");
  EXPECT_EQ(form->Selected(), 0);  // the next line
}

TEST_P(BuilderFormTest, ClearAsksFirst) {
  Composer c = C();
  c.Condition("ID", boEqual, "1");
  ui.AnswerMessage(mrNo);
  Click(form->ClearButton());
  EXPECT_EQ(form->Builder().Conditions().Count(), 1);
  ui.AnswerMessage(mrCancel);
  Click(form->ClearButton());
  EXPECT_EQ(form->Builder().Conditions().Count(), 1);
  ui.AnswerMessage(mrYes);
  Click(form->ClearButton());
  EXPECT_EQ(form->Builder().Conditions().Count(), 0);
  EXPECT_EQ(form->ConditionList()->count(), 0);
  EXPECT_FALSE(form->ClearButton()->isEnabled());
  ASSERT_EQ(ui.Asked().size(), 3u);
  EXPECT_EQ(ui.Asked()[0].text, "Are you sure ?");
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtWarning);
  EXPECT_EQ(ui.Asked()[0].buttons, mbYesNoCancel);
}

TEST_P(BuilderFormTest, InListsGoThroughTheListOfValues) {
  QTemporaryDir files;
  const std::string source = files.filePath("values.FMT").toStdString();
  {
    QFile f(QString::fromStdString(source));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("customer 1\r\nO'Brien\r\n");
  }
  Composer c = C();
  c.Condition("NAME", boInList, nullptr);
  EXPECT_FALSE(form->ValueEdit()->isEnabled());
  ASSERT_TRUE(form->ValuesButton()->isEnabled());

  // Load fills the memo from the chosen file (named without its extension); OK writes the list.
  ui.AnswerOpenFile(files.filePath("values").toStdString());
  int runs = 0;
  {
    RunnerScope runner([&](QDialog& d) {
      ++runs;
      auto* values = qobject_cast<TValuesListForm*>(&d);
      EXPECT_NE(values, nullptr);
      if (values == nullptr) return int(QDialog::Rejected);
      EXPECT_TRUE(values->Lines().empty());
      EXPECT_TRUE(values->Load());
      return int(QDialog::Accepted);
    });
    Click(form->ValuesButton());
  }
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(c.Line(0), "NAME in list ('customer 1','O''Brien')");
  ASSERT_GE(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].kind, TScriptedUserInteraction::TKind::OpenFile);
  EXPECT_EQ(ui.Asked()[0].text, "Choose list of values");
  EXPECT_EQ(ui.Asked()[0].caption, "All files (*.*)|*.*");

  // The memo opens on the items; Save asks before replacing a file; Cancel keeps the value.
  ui.AnswerSaveFile(source);
  ui.AnswerMessage(mrNo);
  ui.AnswerSaveFile(source);
  ui.AnswerMessage(mrYes);
  {
    RunnerScope runner([&](QDialog& d) {
      auto* values = qobject_cast<TValuesListForm*>(&d);
      EXPECT_NE(values, nullptr);
      if (values == nullptr) return int(QDialog::Rejected);
      EXPECT_EQ(values->Lines(), (std::vector<std::string>{"customer 1", "O'Brien"}));
      values->Memo()->setPlainText(QStringLiteral("a\nb\n\n"));
      EXPECT_FALSE(values->Save());
      EXPECT_TRUE(values->Save());
      return int(QDialog::Rejected);
    });
    Click(form->ValuesButton());
  }
  EXPECT_EQ(c.Line(0), "NAME in list ('customer 1','O''Brien')");
  QFile saved(QString::fromStdString(source));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll().toStdString(), "a\r\nb\r\n");
  EXPECT_TRUE(ui.AllAnswered());
  const auto& asked = ui.Asked();
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked[1].text, "Choose file for save");
  EXPECT_EQ(asked[2].text, "Do you want to overwrite " + source + " ?");

  // Numbers are listed without quotes; an empty memo leaves the value as it was.
  c.Condition("ID", boNotInList, nullptr);
  {
    RunnerScope runner([&](QDialog& d) {
      static_cast<TValuesListForm&>(d).Memo()->setPlainText(QStringLiteral("2\n3"));
      return int(QDialog::Accepted);
    });
    Click(form->ValuesButton());
  }
  EXPECT_EQ(c.Line(1), "ID not in list (2,3)");
  {
    RunnerScope runner([&](QDialog& d) {
      auto& values = static_cast<TValuesListForm&>(d);
      EXPECT_EQ(values.Lines(), (std::vector<std::string>{"2", "3"}));
      values.Memo()->clear();
      return int(QDialog::Accepted);
    });
    Click(form->ValuesButton());
  }
  EXPECT_EQ(c.Line(1), "ID not in list (2,3)");
}

TEST_P(BuilderFormTest, RawLinesDisableEveryEditingControl) {
  TStringList raw;
  raw.Add("#ID < 3");
  raw.Add("OR NAME = 'O''Brien'");
  form->SetListBox(raw);
  form->SelectFirst();
  EXPECT_FALSE(form->ConditionList()->isEnabled());
  for (QWidget* w : std::initializer_list<QWidget*>{form->AddButton(), form->OperatorButton(), form->FieldValueButton(),
                                                    form->OrButton(), form->ValueEdit(), form->ValuesButton(),
                                                    form->DeleteButton(), form->ClearButton()}) {
    EXPECT_FALSE(w->isEnabled()) << w->metaObject()->className();
  }
  // Nothing gets in through the actions either.
  form->AddField();
  form->AddOr();
  form->DeleteCondition();
  EXPECT_EQ(Lines(form->Builder().Conditions()), Lines(raw));
  // The order page stays usable, and the lines execute as they stand.
  EXPECT_TRUE(form->OrderAddButton()->isEnabled());
  form->Execute();
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(Lines(form->WhereLines()), (std::vector<std::string>{"ID < 3", "OR NAME = 'O''Brien'"}));

  // Leaving raw mode brings the controls back.
  form->SetListBox(TStringList());
  EXPECT_TRUE(form->ConditionList()->isEnabled());
  EXPECT_TRUE(form->AddButton()->isEnabled());
}

TEST_P(BuilderFormTest, OrderPageAddsDirectsAndDeletes) {
  Pick(form->OrderFieldList(), QStringLiteral("NAME"));
  Click(form->OrderAddButton());
  EXPECT_EQ(Lines(form->Builder().OrderLines()), (std::vector<std::string>{"ID, on increase", "NAME, on increase"}));
  EXPECT_EQ(form->SelectedOrder(), 1);
  form->DirectionBox()->setCurrentIndex(1);
  EXPECT_EQ(form->Builder().OrderLines().Strings(1), "NAME,on decrease");
  EXPECT_EQ(form->SetOrderText(), "ID, NAME DESC");
  // Selecting a line shows its direction.
  form->SelectOrder(0);
  EXPECT_EQ(form->DirectionBox()->currentIndex(), 0);
  form->SelectOrder(1);
  EXPECT_EQ(form->DirectionBox()->currentIndex(), 1);
  EXPECT_EQ(form->Builder().OrderLines().Strings(0), "ID, on increase");  // selecting changed nothing
  Click(form->OrderDeleteButton());
  EXPECT_EQ(Lines(form->Builder().OrderLines()), std::vector<std::string>{"ID, on increase"});
  ui.AnswerMessage(mrYes);
  Click(form->OrderClearButton());
  EXPECT_EQ(form->Builder().OrderLines().Count(), 0);
  EXPECT_FALSE(form->DirectionBox()->isEnabled());
  EXPECT_FALSE(form->OrderClearButton()->isEnabled());
}

TEST_P(BuilderFormTest, EnterExecutesAndEscapeCancels) {
  Composer c = C();
  c.Condition("ID", boEqual, "3");
  form->ValueEdit()->setFocus();
  QTest::keyClick(form->ValueEdit(), Qt::Key_Return);
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(Lines(form->WhereLines()), (std::vector<std::string>{"(", "((ID = 3))", ")"}));

  form->setResult(QDialog::Accepted);
  form->show();
  form->ConditionList()->setFocus();
  QTest::keyClick(form->ConditionList(), Qt::Key_Escape);
  EXPECT_EQ(form->result(), QDialog::Rejected);
  EXPECT_FALSE(form->isVisible());
}

TEST_P(BuilderFormTest, TabFollowsTheComposingOrderAndDeleteRemovesTheLine) {
  Composer c = C();
  c.Condition("ID", boEqual, "1");
  // Field, "+", operator, "<", value: the order a condition is composed in ("List of values" is
  // off for this condition and skipped).
  const auto next = [&](QWidget* w) {
    for (QWidget* n = w->nextInFocusChain(); n != w; n = n->nextInFocusChain()) {
      if ((n->focusPolicy() & Qt::TabFocus) && n->isEnabled() && n->isVisibleTo(form.get())) return n;
    }
    return w;
  };
  const std::vector<QWidget*> chain{form->FieldList(),      form->AddButton(), form->OperatorList(),
                                    form->OperatorButton(), form->ValueEdit(), form->FieldValueButton()};
  for (std::size_t i = 1; i < chain.size(); ++i) {
    EXPECT_EQ(next(chain[i - 1]), chain[i]) << i;
  }
  c.Condition("ID", boEqual, "2");
  form->Select(0);
  QTest::keyClick(form->ConditionList(), Qt::Key_Delete);
  EXPECT_EQ(Lines(form->Builder().Conditions()), std::vector<std::string>{"ID = 2"});
  form->Pages()->setCurrentIndex(1);
  QTest::keyClick(form->OrderList(), Qt::Key_Delete);
  EXPECT_EQ(form->Builder().OrderLines().Count(), 0);
}

TEST_P(BuilderFormTest, AValueThatDoesNotFitKeepsTheWindowOpen) {
  Composer c = C();
  c.Condition("AMOUNT", boEqual, nullptr);  // no value yet: dropped on the way
  c.Condition("DAY", boEqual, "31/02/2024");
  ui.AnswerMessage(mrOk);
  Click(form->ExecuteButton());
  EXPECT_NE(form->result(), QDialog::Accepted);
  EXPECT_TRUE(form->isVisible());
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_NE(ui.Asked()[0].text.find("is not a date"), std::string::npos) << ui.Asked()[0].text;
  EXPECT_EQ(Lines(form->Builder().Conditions()), std::vector<std::string>{"DAY = '31/02/2024'"});
  EXPECT_EQ(form->ConditionList()->count(), 1);
  EXPECT_EQ(form->WhereLines().Count(), 0);

  // A number that does not read as one is refused the same way.
  form->Select(0);
  c.Type("28/02/2024");
  c.Condition("ID", boEqual, "12; DELETE --");
  EXPECT_EQ(c.Line(1), "ID = 12EEE--");
  ui.AnswerMessage(mrOk);
  Click(form->ExecuteButton());
  EXPECT_NE(form->result(), QDialog::Accepted);
  EXPECT_NE(ui.Asked().back().text.find("is not a number"), std::string::npos) << ui.Asked().back().text;

  form->Select(1);
  c.Type("12");
  Click(form->ExecuteButton());
  EXPECT_EQ(form->result(), QDialog::Accepted);
  EXPECT_EQ(Lines(form->WhereLines()),
            (std::vector<std::string>{"(", "((DAY = '2024-02-28') AND", "(ID = 12))", ")"}));
}

TEST_P(BuilderFormTest, TheWindowHoldsTheHookAtItsDefault) {
  // InitWidgets installed the builder; the fixture's window holds the default meanwhile.
  EXPECT_FALSE(IsHookInstalled(THook::DBGrid_BuildWhere));
  form.reset();
  EXPECT_EQ(DBGrid_BuildWhere, &BuilderBuildWhere);
  {
    TQueryBuildForm inner;
    EXPECT_FALSE(IsHookInstalled(THook::DBGrid_BuildWhere));
  }
  EXPECT_EQ(DBGrid_BuildWhere, &BuilderBuildWhere);
}

TEST_P(BuilderFormTest, SaveShowsTheQueryTextWithThePlanButton) {
  int runs = 0;
  RunnerScope runner([&](QDialog& d) {
    ++runs;
    auto* memo = qobject_cast<TGridMemoForm*>(&d);
    EXPECT_NE(memo, nullptr);
    if (memo == nullptr) return int(QDialog::Rejected);
    QStringList sql;
    for (int i = 0; i < query->SQL().Count(); ++i) sql << QString::fromStdString(query->SQL().Strings(i));
    EXPECT_EQ(memo->Items(), sql);
    EXPECT_EQ(sql.size(), 2);
    EXPECT_EQ(memo->DatabaseName, db_name_);
    const QList<QPushButton*> buttons = memo->findChildren<QPushButton*>();
    const bool planShown = std::any_of(buttons.begin(), buttons.end(), [&](QPushButton* b) {
      return b->text() == QStringLiteral("Explain plan") && !b->isHidden();
    });
    EXPECT_TRUE(planShown);
    return int(QDialog::Rejected);
  });
  Click(form->SaveButton());
  EXPECT_EQ(runs, 1);
}

// ---- the routine behind Ctrl+F9, on both engines ------------------------------------------------

class BuilderRunTest : public GridTest {
 protected:
  void SetUp() override {
    GridTest::SetUp();
    saved_ = DBGrid_BuildWhere;
    InstallQueryBuilder();
  }
  void TearDown() override {
    BuilderModalRunner() = nullptr;
    DBGrid_BuildWhere = saved_;
    GridTest::TearDown();
  }
  // Ctrl+F9 on the grid, the window driven by compose.
  int Open(const std::function<int(TQueryBuildForm&)>& compose) {
    int runs = 0;
    BuilderModalRunner() = [&](QDialog& d) {
      ++runs;
      auto* form = qobject_cast<TQueryBuildForm*>(&d);
      EXPECT_NE(form, nullptr);
      if (form == nullptr) return int(QDialog::Rejected);
      form->show();  // as exec() would
      const int result = compose(*form);
      form->hide();
      return result;
    };
    Key(Qt::Key_F9, Qt::ControlModifier);
    BuilderModalRunner() = nullptr;
    return runs;
  }
  static int Execute(TQueryBuildForm& form) {
    Click(form.ExecuteButton());
    return form.result();
  }

  TScriptedUserInteraction ui;
  TDBGridBuildWhereProc saved_ = nullptr;
};

BEXLO_GRID_SUITE(BuilderRunTest);

TEST_P(BuilderRunTest, ExecuteAppliesConditionsAndOrderingThenClearingGivesTheQueryBack) {
  const std::string original = query->SQLText();
  ASSERT_EQ(Open([](TQueryBuildForm& form) {
              Composer c{form};
              c.Condition("NAME", boLike, "customer 1%");
              c.Condition("AMOUNT", boLess, "20");
              Click(form.OrButton());
              c.Condition("ID", boInList, nullptr);
              RunnerScope values([](QDialog& d) {
                static_cast<TValuesListForm&>(d).Memo()->setPlainText(QStringLiteral("2\n3"));
                return int(QDialog::Accepted);
              });
              Click(form.ValuesButton());
              form.Pages()->setCurrentIndex(1);
              form.SelectOrder(0);
              form.DirectionBox()->setCurrentIndex(1);  // ID on decrease
              return Execute(form);
            }),
            1);
  EXPECT_EQ(Ids(*query), (std::vector<int>{13, 12, 11, 10, 3, 2, 1}));
  EXPECT_NE(query->SQLText().find("/*Begin for SEARCHDBGRID_BUILDER*/"), std::string::npos);
  EXPECT_EQ(BuilderOrderOf(query->SQLText()), "ID DESC");
  const std::vector<std::string> lines{"NAME like to 'customer 1%'", "AMOUNT < 20", "-- OR --", "ID in list (2,3)"};
  EXPECT_EQ(Lines(grid->BuilderList()), lines);
  EXPECT_TRUE(grid->BuilderOrder().OrderSet);
  EXPECT_EQ(grid->IndicatorCornerColor(), QColor(Qt::green));

  // The window opens again on the grid's lines and the builder's ordering; clearing the order
  // lines gives the query its own ORDER BY back.
  ASSERT_EQ(Open([&](TQueryBuildForm& form) {
              EXPECT_EQ(Lines(form.Builder().Conditions()), lines);
              EXPECT_EQ(Lines(form.Builder().OrderLines()), std::vector<std::string>{"ID, on decrease"});
              ui.AnswerMessage(mrYes);
              Click(form.OrderClearButton());
              return Execute(form);
            }),
            1);
  EXPECT_EQ(BuilderOrderOf(query->SQLText()), "ID");
  EXPECT_EQ(Ids(*query), (std::vector<int>{1, 2, 3, 10, 11, 12, 13}));
  EXPECT_FALSE(grid->BuilderOrder().OrderSet);

  // Clearing the conditions removes the block: the text is the query's own again.
  ASSERT_EQ(Open([&](TQueryBuildForm& form) {
              ui.AnswerMessage(mrYes);
              Click(form.ClearButton());
              return Execute(form);
            }),
            1);
  EXPECT_EQ(query->SQLText(), original);
  EXPECT_EQ(Ids(*query).size(), 30u);
  EXPECT_EQ(grid->BuilderList().Count(), 0);
  EXPECT_FALSE(grid->IndicatorCornerColor().isValid());
  EXPECT_TRUE(ui.AllAnswered());
}

TEST_P(BuilderRunTest, AnOrderingOnAQueryWithoutOneGoesAwayAgain) {
  query->Close();
  query->SetSQLText(Select({"ID", "NAME", "AMOUNT", "DAY"}, "FROM T"));
  query->Open();
  const std::string original = query->SQLText();
  for (const char* field : {"NAME", "AMOUNT"}) {
    ASSERT_EQ(Open([&](TQueryBuildForm& form) {
                EXPECT_EQ(form.Builder().OrderLines().Count(), field[0] == 'N' ? 0 : 1);
                ui.AnswerMessage(mrYes);
                form.ClearOrder();
                Pick(form.OrderFieldList(), QString::fromUtf8(field));
                Click(form.OrderAddButton());
                form.DirectionBox()->setCurrentIndex(1);
                return Execute(form);
              }),
              1);
  }
  EXPECT_EQ(BuilderOrderOf(query->SQLText()), "AMOUNT DESC");
  EXPECT_EQ(Ids(*query).front(), 30);
  ASSERT_EQ(Open([&](TQueryBuildForm& form) {
              ui.AnswerMessage(mrYes);
              form.ClearOrder();
              return Execute(form);
            }),
            1);
  EXPECT_EQ(query->SQLText(), original);  // no ordering of its own, none afterwards
}

TEST_P(BuilderRunTest, CancelChangesNothing) {
  const std::string original = query->SQLText();
  ASSERT_EQ(Open([](TQueryBuildForm& form) {
              Composer c{form};
              c.Condition("ID", boEqual, "1");
              form.Pages()->setCurrentIndex(1);
              form.DirectionBox()->setCurrentIndex(1);
              Click(form.CancelButton());
              return form.result();
            }),
            1);
  EXPECT_EQ(query->SQLText(), original);
  EXPECT_EQ(grid->BuilderList().Count(), 0);
  EXPECT_FALSE(grid->BuilderOrder().OrderSet);
  EXPECT_EQ(Ids(*query).size(), 30u);
}

TEST_P(BuilderRunTest, ABadDateAppliesNothing) {
  const std::string original = query->SQLText();
  ASSERT_EQ(Open([&](TQueryBuildForm& form) {
              Composer c{form};
              c.Condition("DAY", boGreater, "2024-13-45");
              ui.AnswerMessage(mrOk);
              return Execute(form);  // refused: the window would stay open; the user cancels
            }),
            1);
  EXPECT_EQ(query->SQLText(), original);
  EXPECT_EQ(grid->BuilderList().Count(), 0);
  EXPECT_TRUE(ui.AllAnswered());
}

TEST_P(BuilderRunTest, AFailingReopenRestoresTheText) {
  const std::string original = query->SQLText();
  ui.AnswerMessage(mrOk);  // "Mistake of performance of query."
  ui.AnswerMessage(mrOk);  // the database's error, reported by the grid
  ASSERT_EQ(Open([](TQueryBuildForm& form) {
              Composer c{form};
              c.Condition("NAME", boEqual, "@NO_SUCH_COLUMN");
              return Execute(form);
            }),
            1);
  EXPECT_TRUE(ui.AllAnswered());
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[0].text, "Mistake of performance of query.");
  EXPECT_EQ(ui.Asked()[1].type, TMsgDlgType::mtError);
  EXPECT_EQ(query->SQLText(), original);
  EXPECT_TRUE(query->Active());
  EXPECT_EQ(Ids(*query).size(), 30u);
  EXPECT_EQ(grid->BuilderList().Count(), 0);

  // Called directly, the routine passes the error on.
  ui.AnswerMessage(mrOk);
  BuilderModalRunner() = [](QDialog& d) {
    auto& form = static_cast<TQueryBuildForm&>(d);
    form.show();
    Composer{form}.Condition("NAME", boEqual, "@NO_SUCH_COLUMN");
    return Execute(form);
  };
  EXPECT_ANY_THROW(BuilderBuildWhere(grid.get(), true, "", ""));
  EXPECT_EQ(query->SQLText(), original);
}

TEST_P(BuilderRunTest, WithoutTheWindowTheGridsLinesAreApplied) {
  const std::string original = query->SQLText();
  grid->BuilderList().Add("NAME = 'O''Brien'");
  grid->BuilderList().Add("-- OR --");
  grid->BuilderList().Add("ID < 3");
  int runs = 0;
  BuilderModalRunner() = [&](QDialog&) { return ++runs, int(QDialog::Rejected); };
  DBGrid_BuildWhere(grid.get(), false, "ID DESC", "");
  EXPECT_EQ(runs, 0);
  EXPECT_FALSE(query->Active());  // the caller reopens
  query->Open();
  EXPECT_EQ(Ids(*query), (std::vector<int>{3, 2, 1}));
  EXPECT_TRUE(grid->BuilderOrder().OrderSet);

  grid->BuilderList().Clear();
  DBGrid_BuildWhere(grid.get(), false, "", "");
  EXPECT_EQ(query->SQLText(), original);

  // A stored ordering that is not a list of the query's fields is refused.
  EXPECT_ANY_THROW(DBGrid_BuildWhere(grid.get(), false, "ID; DROP TABLE T", ""));
  EXPECT_EQ(query->SQLText(), original);
}

TEST_P(BuilderRunTest, OnlyASearchGridOverAQueryOpensTheBuilder) {
  int runs = 0;
  BuilderModalRunner() = [&](QDialog&) { return ++runs, int(QDialog::Rejected); };
  TUDBGrid plain;
  plain.SetDataSource(source.get());
  BuilderBuildWhere(&plain, true, "", "");
  plain.SetDataSource(nullptr);
  BuilderBuildWhere(nullptr, true, "", "");
  EXPECT_EQ(runs, 0);

  // From inside the window Ctrl+F9 does nothing: the hook is at its default meanwhile.
  EXPECT_EQ(Open([&](TQueryBuildForm& form) {
              EXPECT_FALSE(IsHookInstalled(THook::DBGrid_BuildWhere));
              Key(Qt::Key_F9, Qt::ControlModifier);
              return int(form.result());
            }),
            1);
  EXPECT_TRUE(IsHookInstalled(THook::DBGrid_BuildWhere));
}

TEST_P(BuilderRunTest, ThePopupMenuOffersAndOpensTheBuilder) {
  auto* menu = qobject_cast<TDBGridPopupMenu*>(SharedGridPopupMenu());
  ASSERT_NE(menu, nullptr);
  menu->SetPopupComponent(grid.get());
  menu->UpdateVisibility();
  QAction* item = menu->ItemByTag(static_cast<int>(TGridCommand::BuildWhere));
  ASSERT_NE(item, nullptr);
  EXPECT_TRUE(item->isVisible());
  EXPECT_TRUE(item->text().startsWith(QStringLiteral("Query builder...")));
  int runs = 0;
  BuilderModalRunner() = [&](QDialog& d) {
    ++runs;
    auto& form = static_cast<TQueryBuildForm&>(d);
    form.show();
    Composer{form}.Condition("ID", boLessEqual, "2");
    Click(form.ExecuteButton());
    return form.result();
  };
  menu->RunCommand(static_cast<int>(TGridCommand::BuildWhere));
  menu->SetPopupComponent(nullptr);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(Ids(*query), (std::vector<int>{1, 2}));
}

}  // namespace
}  // namespace bexlo::testing
