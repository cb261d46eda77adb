// Column layouts, the shared popup menu and the command windows.
#include <QComboBox>
#include <QFile>
#include <QPlainTextEdit>
#include <sstream>

#include "grid_fixture.h"
#include "util/hooks.h"
#include "widgets/grid/grid_popup_menu.h"
#include "widgets/grid/grid_windows.h"

namespace bexlo::testing {
namespace {

TEST_P(GridTest, DefaultColumnsMirrorTheFieldsAndFollowAReopen) {
  EXPECT_EQ(grid->Columns().State(), TDBGridColumnsState::csDefault);
  ASSERT_EQ(grid->Columns().Count(), 4);
  EXPECT_EQ(grid->Columns().Items(2)->FieldName(), "AMOUNT");
  grid->Columns().Items(1)->SetWidth(150);  // a width the user dragged survives a reopen
  query->Close();
  query->SetSQLText(Select({"NAME", "ID"}, "FROM T"));
  query->Open();
  ASSERT_EQ(grid->Columns().Count(), 2);
  EXPECT_EQ(grid->Columns().Items(0)->FieldName(), "NAME");
  EXPECT_EQ(grid->Model()->columnCount(), 2);
}

TEST_P(GridTest, LayoutsRoundTripThroughJsonOntoAnotherGrid) {
  TUDBGridColumns& cols = grid->Columns();
  cols.SetState(TDBGridColumnsState::csCustomized);
  ASSERT_EQ(cols.Count(), 4);
  cols.Move(3, 0);  // DAY first
  cols.Items(1)->SetWidth(77);
  cols.Items(2)->Title().SetCaption(QStringLiteral("Customer|name"));
  cols.Items(2)->Title().SetAlignment(Qt::AlignRight);
  cols.Items(2)->SetColor(QColor(255, 255, 204));
  QFont bold = grid->font();
  bold.setBold(true);
  cols.Items(3)->SetFont(bold);
  cols.Items(3)->Title().SetColor(QColor(Qt::yellow));
  cols.Items(3)->SetAlignment(Qt::AlignHCenter);
  std::stringstream stream;
  cols.SaveToStream(stream);

  TSearchDBGrid other;
  other.SetDataSource(source.get());
  other.Columns().LoadFromStream(stream);
  TUDBGridColumns& c = other.Columns();
  ASSERT_EQ(c.Count(), 4);
  EXPECT_EQ(c.State(), TDBGridColumnsState::csCustomized);
  EXPECT_EQ(c.Items(0)->FieldName(), "DAY");
  EXPECT_EQ(c.Items(1)->FieldName(), "ID");
  EXPECT_EQ(c.Items(1)->Width(), 77);
  EXPECT_FALSE(c.Items(0)->IsWidthStored());
  EXPECT_EQ(c.Items(2)->Title().Caption(), QStringLiteral("Customer|name"));
  EXPECT_EQ(c.Items(2)->Title().Alignment(), Qt::AlignRight);
  EXPECT_EQ(c.Items(2)->Color(), QColor(255, 255, 204));
  EXPECT_TRUE(c.Items(3)->Font().bold());
  EXPECT_EQ(c.Items(3)->Title().Color(), QColor(Qt::yellow));
  EXPECT_EQ(c.Items(3)->Alignment(), Qt::AlignHCenter);
  EXPECT_EQ(other.Model()->columnCount(), 4);
  EXPECT_EQ(other.columnWidth(1), 77);

  c.RestoreDefaults();
  EXPECT_FALSE(c.Items(1)->IsWidthStored());
  EXPECT_EQ(c.Items(2)->Title().Caption(), QStringLiteral("NAME"));
  other.SetDataSource(nullptr);
}

TEST_P(GridTest, DamagedLayoutFilesAreRefusedAndChangeNothing) {
  TUDBGridColumns& cols = grid->Columns();
  cols.SetState(TDBGridColumnsState::csCustomized);
  const std::string path = dir_.filePath(QStringLiteral("layout.json")).toStdString();
  cols.SaveToFile(path);
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray good = file.readAll();
  file.close();

  const std::vector<std::pair<QByteArray, std::string>> damaged = {
      {good.left(good.size() / 2), "cannot be read"},
      {QByteArray("[]"), "not a JSON object"},
      {QByteArray(R"({"format":"other","version":1,"columns":[]})"), "not a grid column layout"},
      {QByteArray(R"({"format":"bexlo-grid-columns","version":9,"columns":[]})"), "version 9"},
      {QByteArray(R"({"format":"bexlo-grid-columns","version":2.2e75,"columns":[]})"), "positive whole number"},
      {QByteArray(R"({"format":"bexlo-grid-columns","version":1.5,"columns":[]})"), "positive whole number"},
      {QByteArray(R"({"format":"bexlo-grid-columns","version":1,"columns":[{"fieldName":"ID","width":-4}]})"),
       "column 1: width"},
      {QByteArray(R"({"format":"bexlo-grid-columns","version":1,"columns":[{"fieldName":"ID","color":"nope"}]})"),
       "colour"},
      {QByteArray(R"({"format":"bexlo-grid-columns","version":1,"columns":[{"width":5}]})"), "fieldName"},
  };
  cols.Items(0)->SetWidth(99);
  for (const auto& [text, expected] : damaged) {
    try {
      cols.LoadFromJson(text, "layout.json");
      ADD_FAILURE() << "accepted: " << text.toStdString();
    } catch (const EGridColumnsError& e) {
      EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("layout.json"), std::string::npos);
    }
    EXPECT_EQ(cols.Count(), 4);
    EXPECT_EQ(cols.Items(0)->Width(), 99);
  }
  cols.LoadFromFile(path);
  EXPECT_FALSE(cols.Items(0)->IsWidthStored());
  EXPECT_THROW(cols.LoadFromFile(path + ".missing"), EInOutError);
}

TEST_P(GridTest, PickListsEditInAComboBoxAndCellsReportTheirDrawing) {
  grid->Columns().SetState(TDBGridColumnsState::csCustomized);
  grid->Columns().Items(1)->SetPickList({QStringLiteral("Alpha"), QStringLiteral("Beta")});
  QStyleOptionViewItem option;
  QWidget* editor = grid->itemDelegate()->createEditor(grid->viewport(), option, grid->Model()->index(0, 1));
  auto* combo = qobject_cast<QComboBox*>(editor);
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->count(), 2);
  EXPECT_EQ(combo->maxVisibleItems(), 7);
  delete editor;
  editor = grid->itemDelegate()->createEditor(grid->viewport(), option, grid->Model()->index(0, 2));
  EXPECT_EQ(qobject_cast<QComboBox*>(editor), nullptr);
  delete editor;

  int cells = 0;
  bool sawSelected = false;
  grid->OnDrawColumnCell = [&](QObject* sender, const QRect&, int dataCol, TUColumn* column, bool selected) {
    EXPECT_EQ(sender, grid.get());
    EXPECT_EQ(column, grid->Columns().Items(dataCol));
    ++cells;
    sawSelected = sawSelected || selected;
  };
  grid->grab();
  EXPECT_GE(cells, 4 * 5);
  EXPECT_TRUE(sawSelected);
  grid->OnDrawColumnCell = nullptr;
}

// The menu's items by visibility, separators as "-".
std::vector<std::string> Visible(TDBGridPopupMenu& menu) {
  menu.UpdateVisibility();
  std::vector<std::string> out;
  for (QAction* a : menu.actions()) {
    if (a->isVisible()) out.push_back(a->isSeparator() ? "-" : a->text().section(QLatin1Char('\t'), 0, 0).toStdString());
  }
  return out;
}

TEST_P(GridTest, MenuHidesCommandsWhoseHookIsNotInstalled) {
  auto* menu = qobject_cast<TDBGridPopupMenu*>(SharedGridPopupMenu());
  ASSERT_NE(menu, nullptr);
  EXPECT_EQ(menu->objectName(), QStringLiteral("Qo_Popup"));
  EXPECT_EQ(menu, DBGrid_PopupMenu());
  EXPECT_EQ(grid->GridPopupMenu(), menu);
  // Reports, states and the query builder are not installed in this build of the tests.
  ResetHook(THook::DBGrid_ShowReportList);
  ResetHook(THook::DBGrid_ReportExpert);
  ResetHook(THook::DBGrid_LoadState);
  ResetHook(THook::DBGrid_SaveState);
  ResetHook(THook::DBGrid_ClearState);
  ResetHook(THook::DBGrid_BuildWhere);
  std::vector<std::string> items = Visible(*menu);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.front(), "Choose/Clean selected records");
  EXPECT_EQ(std::find(items.begin(), items.end(), "Query builder..."), items.end());
  for (std::size_t i = 1; i < items.size(); ++i) EXPECT_FALSE(items[i] == "-" && items[i - 1] == "-");
  EXPECT_NE(items.back(), "-");
  EXPECT_NE(std::find(items.begin(), items.end(), "Excerpt"), items.end());

  ResetHook(THook::DBGrid_ShowData);
  ResetHook(THook::DBGrid_ShowRecordCount);
  items = Visible(*menu);
  EXPECT_EQ(std::find(items.begin(), items.end(), "Excerpt"), items.end());
  EXPECT_EQ(std::find(items.begin(), items.end(), "Record count"), items.end());
  EXPECT_NE(std::find(items.begin(), items.end(), "Autorepeat..."), items.end());
  for (std::size_t i = 1; i < items.size(); ++i) EXPECT_FALSE(items[i] == "-" && items[i - 1] == "-");
  InstallGridHooks();

  // A state hook installed shows its items again, first in the menu after the reports.
  const auto old = DBGrid_LoadState;
  DBGrid_LoadState = [](TUCustomDBGrid*) {};
  items = Visible(*menu);
  EXPECT_EQ(items.front(), "Load state...");
  DBGrid_LoadState = old;
}

TEST_P(GridTest, MenuCommandsRunOnTheGridTheyWereOpenedOn) {
  auto* menu = qobject_cast<TDBGridPopupMenu*>(SharedGridPopupMenu());
  menu->SetPopupComponent(grid.get());
  menu->ItemByTag(14)->trigger();  // Freeze column
  EXPECT_EQ(grid->FixedCols(), 1);
  menu->ItemByTag(13)->trigger();  // Select by key field
  EXPECT_EQ(grid->ChoiceList().Count(), 1);
  EXPECT_FALSE(grid->SwallowFlag());
  TScriptedUserInteraction ui;
  ui.AnswerInput("3");
  menu->ItemByTag(18)->trigger();  // Autorepeat...
  EXPECT_EQ(ui.Asked().at(0).caption, "Autorepeat");
  EXPECT_EQ(ui.Asked().at(0).text, "Enter interval (sec.)");
  EXPECT_EQ(ui.Asked().at(0).value, "0");
  EXPECT_EQ(grid->GetReloadInterval(), 3000);
  grid->SetReloadInterval(0);
  // Not a search grid: the command fails with a type conversion error.
  TUDBGrid plain;
  menu->SetPopupComponent(&plain);
  ui.AnswerMessage(mrOk);
  menu->ItemByTag(14)->trigger();
  EXPECT_EQ(ui.Asked().back().text, "Invalid class typecast");
  EXPECT_EQ(plain.FixedCols(), 0);
  menu->SetPopupComponent(nullptr);
}

TEST_P(GridTest, ExcerptWithOneTitleRowHasOneLinePerColumn) {
  grid->SetTitleRows(1);
  Key(Qt::Key_Down);
  auto form = CreateExcerptForm(grid.get());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->windowTitle(), QStringLiteral("Excerpt"));
  const QStringList lines = form->Items();
  ASSERT_EQ(lines.size(), 4);
  EXPECT_EQ(lines[0], QStringLiteral("ID     2"));
  EXPECT_EQ(lines[1], QStringLiteral("NAME   customer 2"));
  // Two-line titles put the first line on a line of its own.
  grid->SetTitleRows(2);
  grid->Columns().SetState(TDBGridColumnsState::csCustomized);
  grid->Columns().Items(1)->Title().SetCaption(QStringLiteral("Customer|name"));
  EXPECT_EQ(CreateExcerptForm(grid.get())->Items().size(), 5);
}

TEST_P(GridTest, ExcerptSavesItsLines) {
  auto form = CreateExcerptForm(grid.get());
  TScriptedUserInteraction ui;
  const std::string path = dir_.filePath(QStringLiteral("excerpt.txt")).toStdString();
  ui.AnswerSaveFile(path);
  ASSERT_TRUE(form->Save());
  EXPECT_EQ(ui.Asked().at(0).text, "Enter the file name");
  EXPECT_EQ(ui.Asked().at(0).caption, "Text files(*.TXT)|*.TXT|All files(*.*)|*.*");
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromUtf8(file.readAll()).split(QLatin1Char('\n')).first(), QStringLiteral("ID     1"));
}

TEST_P(GridTest, RecordCountOfAnEmptySetAndOfAStringColumn) {
  Column("AMOUNT");
  EXPECT_EQ(GridRecordCountText(grid.get()), "Sum on current field: $697.50\r\nLines count: 30");
  Column("NAME");
  EXPECT_EQ(GridRecordCountText(grid.get()), "Lines count: 30");
  query->Close();
  query->SetSQLText(Select({"ID", "NAME", "AMOUNT"}, "FROM T WHERE ID < 0"));
  query->Open();
  Column("NAME");
  EXPECT_EQ(GridRecordCountText(grid.get()), "Lines count: 0");
  // Ctrl+F8 shows it in an information box.
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  Key(Qt::Key_F8, Qt::ControlModifier);
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Lines count: 0");
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtInformation);
}

TEST_P(GridTest, PlanWindowShowsTheEnginesPlan) {
  TSQLPlanForm form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Plan of the query"));
  form.DatabaseName = db_name_;
  form.SetSQL("SELECT * FROM T WHERE ID = :ID");
  ASSERT_NE(form.Grid()->ActiveDataSet(), nullptr);
  EXPECT_GE(form.Grid()->Model()->rowCount(), 1);
  EXPECT_NE(form.Grid()->Model()->index(0, 0).data().toString().indexOf(QStringLiteral("t"), 0, Qt::CaseInsensitive), -1);
  EXPECT_THROW(form.SetSQL("SELECT * FROM NO_SUCH_TABLE"), EDatabaseError);
}

}  // namespace
}  // namespace bexlo::testing
