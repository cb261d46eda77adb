// The dictionary button beside an edit box and a label, over a small dictionary table on SQLite
// and PostgreSQL: the choice window (answered by a modal runner that clicks in it, no event loop
// of its own), the description read on enter, exit and changes not typed, "???" and the refusal
// of required codes, and the choice that report scripts reach through Report_DicButton.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <string>
#include <unistd.h>

#include "core/pg_conninfo.h"
#include "core/reportlang/builtin_test_support.h"
#include "db/data_source.h"
#include "db/database.h"
#include "db/driver.h"
#include "db/field.h"
#include "db/query.h"
#include "util/exceptions.h"
#include "util/hooks.h"
#include "util/strings.h"
#include "util/ui_services.h"
#include "widgets/entry/dic_button.h"
#include "widgets/entry/db_edit_link.h"
#include "widgets/entry/dic_choice_form.h"
#include "widgets/grid/search_grid.h"

namespace bexlo::testing {
namespace {

enum class DicEngine { SQLite, PostgreSQL };

class DicButtonTest : public ::testing::TestWithParam<DicEngine> {
 protected:
  bool Pg() const { return GetParam() == DicEngine::PostgreSQL; }

  void SetUp() override {
    if (Pg()) {
      static int counter = 0;
      admin_ = PgConnInfo();
      ASSERT_FALSE(admin_.empty()) << "the PostgreSQL test cluster is not running: run the pg tests through ctest";
      schema_ = "dic_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
      Session().AddAlias("dicadmin", admin_);
      Session().OpenDatabase("dicadmin")->Execute("CREATE SCHEMA " + schema_);
      Session().AddAlias("dictest", admin_ + " options='-c search_path=" + schema_ + "'");
      db_name_ = "dictest";
    } else {
      ASSERT_TRUE(dir_.isValid());
      db_name_ = dir_.filePath(QStringLiteral("dic.db")).toStdString();
      CreateSqliteDatabase(db_name_);
    }
    TDatabase* db = Session().OpenDatabase(db_name_);
    db->Execute("CREATE TABLE DIC (CODE INTEGER PRIMARY KEY, NAME VARCHAR(40), PRICE REAL)");
    db->Execute("INSERT INTO DIC VALUES (1, 'Apples', 1.5)");
    db->Execute("INSERT INTO DIC VALUES (2, 'Pears', 2.25)");
    db->Execute("INSERT INTO DIC VALUES (3, 'Plums', 3)");

    previous_runner_ = TDicChoiceForm::SetModalRunner([this](TDicChoiceForm& form) {
      ++opened_;
      caption_ = form.windowTitle();
      size_ = form.size();
      title_rows_ = form.Grid()->TitleRows();
      search_in_use_ = form.Grid()->SearchInUse();
      TField* price = form.Query()->Active() ? form.Query()->FindField("PRICE") : nullptr;
      price_visible_ = price != nullptr && price->Visible();
      return answer_ ? answer_(form) : int(QDialog::Rejected);
    });

    host_ = std::make_unique<QWidget>();
    auto* layout = new QHBoxLayout(host_.get());
    edit_ = new QLineEdit(host_.get());
    button_ = new TDicButton(host_.get());
    label_ = new QLabel(host_.get());
    next_ = new QLineEdit(host_.get());
    layout->addWidget(edit_);
    layout->addWidget(button_);
    layout->addWidget(label_, 1);
    layout->addWidget(next_);
    button_->SetLinkEdit(edit_);
    button_->SetLinkLabel(label_);
    button_->SetDatabaseName(db_name_);
    button_->GridSQL().SetText(Select("CODE, NAME, PRICE") + " FROM DIC ORDER BY CODE");
    button_->LabelSQL().SetText("SELECT NAME FROM DIC WHERE CODE = :CODE");
    button_->FieldMap().SetText("CODE = Code, 6\nNAME = Name, 20");
    button_->SetRefField("CODE");
    button_->SetTextField("NAME");
    button_->SetParamType(ftInteger);
    host_->resize(520, 40);
    host_->show();
    host_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(host_.get()));
    edit_->setFocus();
    QApplication::processEvents();
  }

  void TearDown() override {
    host_.reset();
    TDicChoiceForm::SetModalRunner(previous_runner_);
    if (TDatabase* db = Session().FindDatabase(db_name_)) db->Close();
    Session().DropConnections();
    if (Pg() && !schema_.empty()) {
      Session().OpenDatabase("dicadmin")->Execute("DROP SCHEMA " + schema_ + " CASCADE");
      Session().DropConnections();
      Session().DeleteAlias("dictest");
    }
  }

  // "SELECT a, b" with the columns named in upper case on both engines.
  std::string Select(const std::string& cols) const {
    if (!Pg()) return "SELECT " + cols;
    TStringList names;
    names.SetCommaText(cols);
    std::string sql = "SELECT ";
    for (int i = 0; i < names.Count(); ++i) {
      if (i > 0) sql += ", ";
      sql += names.Strings(i) + " AS \"" + names.Strings(i) + "\"";
    }
    return sql;
  }

  // A runner answer: double-clicks row `row` of the choice grid.
  static std::function<int(TDicChoiceForm&)> DoubleClickRow(int row) {
    return [row](TDicChoiceForm& form) {
      form.show();
      QApplication::processEvents();
      TSearchDBGrid* grid = form.Grid();
      // The rows the test clicks (a buffered query reads as the grid asks).
      while (grid->model()->rowCount() <= row && grid->model()->canFetchMore({})) grid->model()->fetchMore({});
      int column = 0;
      while (column < grid->model()->columnCount() && grid->isColumnHidden(column)) ++column;
      const QRect cell = grid->visualRect(grid->model()->index(row, column));
      EXPECT_TRUE(cell.isValid()) << "row " << row << " of " << grid->model()->rowCount();
      QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
      QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
      return form.result();
    };
  }

  void Type(const QString& text) { QTest::keyClicks(edit_, text); }
  void TabOut() {
    QTest::keyClick(edit_, Qt::Key_Tab);
    QApplication::processEvents();
  }
  std::string Label() const { return label_->text().toStdString(); }
  std::string Code() const { return edit_->text().toStdString(); }

  QTemporaryDir dir_;
  std::string db_name_, admin_, schema_;
  std::unique_ptr<QWidget> host_;
  QLineEdit* edit_ = nullptr;
  QLineEdit* next_ = nullptr;
  QLabel* label_ = nullptr;
  TDicButton* button_ = nullptr;
  TDicChoiceForm::TModalRunner previous_runner_;
  std::function<int(TDicChoiceForm&)> answer_;
  int opened_ = 0;
  QString caption_;
  QSize size_;
  int title_rows_ = -1;
  bool search_in_use_ = false;
  bool price_visible_ = true;
};

TEST_P(DicButtonTest, KeypadPlusOpensTheChoiceAndTheChosenRowWritesCodeAndLabel) {
  answer_ = [this](TDicChoiceForm& form) {
    // A second keypad "+" reaching the edit box while the window is up opens nothing more.
    QTest::keyClick(edit_, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(opened_, 1);
    EXPECT_EQ(Code(), "");
    return DoubleClickRow(1)(form);
  };
  QTest::keyClick(edit_, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(Code(), "2");  // no "+" typed
  EXPECT_EQ(Label(), "Pears");
  EXPECT_EQ(edit_->cursorPosition(), 1);
  EXPECT_EQ(button_->LastCode(), "2");
  // The window as the button set it up.
  EXPECT_EQ(caption_, QStringLiteral("Choice from the dictionary"));
  EXPECT_EQ(size_, QSize(560, 370));
  EXPECT_EQ(title_rows_, 2);
  EXPECT_TRUE(search_in_use_);
  EXPECT_FALSE(price_visible_);  // the field map names CODE and NAME only

  // The "+" of the main keyboard is typed as usual.
  QTest::keyClick(edit_, Qt::Key_Plus);
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(Code(), "2+");
}

TEST_P(DicButtonTest, ClickingTheButtonKeepsTheFocusInTheEditAndCancelChangesNothing) {
  edit_->setText("1");
  EXPECT_EQ(Label(), "Apples");
  answer_ = [](TDicChoiceForm& form) {
    form.show();
    QApplication::processEvents();
    form.CancelButton()->click();
    return form.result();
  };
  QTest::mouseClick(button_, Qt::LeftButton);
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(Code(), "1");
  EXPECT_EQ(Label(), "Apples");
  EXPECT_FALSE(button_->ChoiceFromDic());
  EXPECT_EQ(opened_, 2);
  EXPECT_EQ(button_->focusPolicy(), Qt::NoFocus);
}

TEST_P(DicButtonTest, TheKeyboardChoosesWithDownAndEnter) {
  answer_ = [](TDicChoiceForm& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    EXPECT_TRUE(form.Grid()->hasFocus());
    EXPECT_TRUE(form.ChooseButton()->isDefault());
    QTest::keyClick(form.Grid(), Qt::Key_Down);
    QTest::keyClick(form.Grid(), Qt::Key_Down);
    QTest::keyClick(form.Grid(), Qt::Key_Return);
    return form.result();
  };
  EXPECT_TRUE(button_->ChoiceFromDic());
  EXPECT_EQ(Code(), "3");
  EXPECT_EQ(Label(), "Plums");

  // Escape closes the window without a choice.
  answer_ = [](TDicChoiceForm& form) {
    form.show();
    QApplication::setActiveWindow(&form);
    QTest::keyClick(form.Grid(), Qt::Key_Down);
    QTest::keyClick(form.Grid(), Qt::Key_Escape);
    EXPECT_FALSE(form.isVisible());
    return form.result();
  };
  EXPECT_FALSE(button_->ChoiceFromDic());
  EXPECT_EQ(Code(), "3");
}

TEST_P(DicButtonTest, SearchingInTheChoiceGridKeepsTheFieldMapAndChoosesFromTheFoundRows) {
  answer_ = [](TDicChoiceForm& form) {
    form.show();
    QApplication::processEvents();
    TSearchDBGrid* grid = form.Grid();
    int nameColumn = -1;
    for (int c = 0; c < grid->Columns().Count(); ++c) {
      if (grid->Columns().Items(c)->FieldName() == "NAME") nameColumn = c;
    }
    EXPECT_GE(nameColumn, 0);
    grid->SetSelectedIndex(nameColumn);
    QTest::keyClicks(grid, QStringLiteral("Pl"));
    grid->SearchTimerTick();
    TQuery* query = form.Query();
    EXPECT_NE(query->SQLText().find("/*Begin for NAME*/"), std::string::npos);
    EXPECT_TRUE(query->Active());
    EXPECT_EQ(query->FieldByName("NAME")->AsString(), "Plums");
    // The reopened query is dressed again: PRICE stays hidden, the titles stay.
    EXPECT_FALSE(query->FieldByName("PRICE")->Visible());
    EXPECT_EQ(query->FieldByName("NAME")->DisplayLabel(), "Name");
    EXPECT_EQ(query->FieldByName("CODE")->DisplayWidth(), 6);
    form.ChooseButton()->click();
    return form.result();
  };
  EXPECT_TRUE(button_->ChoiceFromDic());
  EXPECT_EQ(Code(), "3");
  EXPECT_EQ(Label(), "Plums");
}

TEST_P(DicButtonTest, TypingReadsTheDescriptionOnExitAndUnknownCodesShowQuestionMarks) {
  Type("2");
  EXPECT_EQ(Label(), "");  // nothing read while typing
  TabOut();
  EXPECT_TRUE(next_->hasFocus());
  EXPECT_EQ(Label(), "Pears");

  edit_->setFocus();
  QApplication::processEvents();
  edit_->selectAll();
  Type("42");
  EXPECT_EQ(Label(), "Pears");
  TabOut();
  EXPECT_EQ(Label(), "???");
  EXPECT_TRUE(next_->hasFocus());  // not required: the edit box may be left
  EXPECT_FALSE(button_->LastCodeFound());
}

TEST_P(DicButtonTest, ARequiredUnknownCodeIsRefusedWithInvalidValueAndKeepsTheFocus) {
  button_->SetRequired(true);
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  ui.AnswerMessage(mrOk);
  Type("99");
  TabOut();
  EXPECT_EQ(Label(), "???");
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Invalid value");
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_TRUE(edit_->hasFocus());

  // Leaving again with the same code is refused again.
  TabOut();
  ASSERT_EQ(ui.Asked().size(), 2u);
  EXPECT_EQ(ui.Asked()[1].text, "Invalid value");
  EXPECT_TRUE(edit_->hasFocus());

  // A known code lets the edit box go.
  edit_->selectAll();
  Type("3");
  TabOut();
  EXPECT_EQ(Label(), "Plums");
  EXPECT_TRUE(next_->hasFocus());
  EXPECT_TRUE(ui.AllAnswered());
  EXPECT_EQ(ui.Asked().size(), 2u);
}

TEST_P(DicButtonTest, ACodeSetByTheProgramIsReadAtOnceUnlessTheLabelIsHidden) {
  edit_->setText("3");
  EXPECT_EQ(Label(), "Plums");
  EXPECT_EQ(button_->LastCode(), "3");
  // The same code again reads nothing (the label keeps what it shows).
  label_->setText("kept");
  edit_->setText("3");
  EXPECT_EQ(Label(), "kept");
  // A hidden label is not refreshed.
  label_->hide();
  edit_->setText("1");
  EXPECT_EQ(Label(), "kept");
  label_->show();
  edit_->setText("2");
  EXPECT_EQ(Label(), "Pears");
  // SetText writes the code without reading it.
  button_->SetText("1");
  EXPECT_EQ(Code(), "1");
  EXPECT_EQ(Label(), "Pears");
}

TEST_P(DicButtonTest, OverADataAwareEditTheLabelFollowsTheRecordAndTheChoiceWritesTheField) {
  TDatabase* db = Session().OpenDatabase(db_name_);
  db->Execute("CREATE TABLE ORD (ID INTEGER PRIMARY KEY, CUST INTEGER)");
  db->Execute("INSERT INTO ORD VALUES (1, 1)");
  db->Execute("INSERT INTO ORD VALUES (2, 3)");
  TQuery orders;
  orders.SetDatabaseName(db_name_);
  orders.SetSQLText("SELECT ID, CUST FROM ORD ORDER BY ID");
  orders.SetRequestLive(true);
  TDataSource source;
  source.SetDataSet(&orders);
  auto* link = new TDBEditLink(edit_, &source, "CUST");
  orders.Open();
  EXPECT_EQ(Code(), "1");
  EXPECT_EQ(Label(), "Apples");  // the record's code is read at once
  orders.Next();
  EXPECT_EQ(Code(), "3");
  EXPECT_EQ(Label(), "Plums");

  answer_ = DoubleClickRow(1);
  EXPECT_TRUE(button_->ChoiceFromDic());
  EXPECT_EQ(Label(), "Pears");
  EXPECT_EQ(orders.State(), dsEdit);
  EXPECT_EQ(orders.FieldByName("CUST")->AsInteger(), 2);
  orders.Post();
  orders.Close();
  orders.Open();
  orders.Last();
  EXPECT_EQ(orders.FieldByName("CUST")->AsInteger(), 2);
  EXPECT_EQ(Label(), "Pears");
  delete link;
  orders.Close();
}

TEST_P(DicButtonTest, EventsRewriteTheCodeAndTheDescriptionAndSeeTheQueries) {
  int setParams = 0, getParams = 0;
  std::string boundCode;
  button_->OnSetParams = [&](QObject* sender, TQuery* query) {
    EXPECT_EQ(sender, button_);
    ++setParams;
    if (query->ParamCount() > 0) boundCode = query->Params().Items(0)->AsString();
  };
  button_->OnGetParams = [&](QObject*, TDataSet* dataSet) {
    EXPECT_TRUE(dataSet->Active());
    ++getParams;
  };
  button_->OnLinkLabelChanged = [](QObject*, TDataSet*, std::string& text) { text = "<" + text + ">"; };
  button_->OnLinkEditChanged = [](QObject*, std::string& text) {
    if (text == "02") text = "2";
  };
  edit_->setText("02");
  EXPECT_EQ(boundCode, "2");  // converted to the integer parameter
  EXPECT_EQ(Label(), "<Pears>");
  EXPECT_EQ(Code(), "2");  // rewritten by OnLinkEditChanged
  EXPECT_EQ(setParams, 1);
  EXPECT_EQ(getParams, 1);

  answer_ = DoubleClickRow(0);
  EXPECT_TRUE(button_->ChoiceFromDic());
  EXPECT_EQ(Code(), "1");
  EXPECT_EQ(Label(), "<Apples>");
  EXPECT_EQ(setParams, 2);  // the choice query, before it opened
  EXPECT_EQ(getParams, 2);
}

TEST_P(DicButtonTest, WithoutChoiceQueryOrDatabaseTheButtonDoesNothing) {
  answer_ = DoubleClickRow(0);
  TStringList sql;
  sql.Assign(&button_->GridSQL());
  button_->GridSQL().Clear();
  QTest::mouseClick(button_, Qt::LeftButton);
  QTest::keyClick(edit_, Qt::Key_Plus, Qt::KeypadModifier);
  EXPECT_FALSE(button_->ChoiceFromDic());
  button_->SetGridSQL(sql);
  button_->SetDatabaseName("");
  EXPECT_FALSE(button_->ChoiceFromDic());
  EXPECT_EQ(opened_, 0);
  EXPECT_EQ(Code(), "");
}

TEST_P(DicButtonTest, ADescriptionQueryWithoutParametersIsRefused) {
  button_->LabelSQL().SetText("SELECT NAME FROM DIC");
  try {
    edit_->blockSignals(true);
    edit_->setText("1");
    edit_->blockSignals(false);
    button_->RefreshLabel();
    FAIL() << "no error";
  } catch (const EDatabaseError& e) {
    EXPECT_STREQ(e.what(), "Parameter in query is necessary: SELECT NAME FROM DIC");
  }
  // Through the edit box the error is shown, not thrown into the event loop.
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);
  edit_->setText("2");
  QApplication::processEvents();
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Parameter in query is necessary: SELECT NAME FROM DIC");
}

TEST_P(DicButtonTest, AWindowSizeLimitAndTitleRowsAndTitleReachTheWindow) {
  button_->SetFormWidth(100);
  EXPECT_EQ(button_->FormWidth(), 240);
  button_->SetFormHeight(300);
  EXPECT_EQ(button_->FormHeight(), 300);
  button_->SetTitleRows(1);
  button_->SetSearchInUse(false);
  button_->SetFormTitle("Fruit");
  try {
    button_->SetTitleRows(-1);
    FAIL() << "no error";
  } catch (const EListError& e) {
    EXPECT_STREQ(e.what(), "Grid index out of range");
  }
  EXPECT_EQ(button_->TitleRows(), 1);
  EXPECT_FALSE(button_->ChoiceFromDic());
  EXPECT_EQ(opened_, 1);
  EXPECT_EQ(caption_, QStringLiteral("Fruit"));
  EXPECT_EQ(size_, QSize(240, 300));
  EXPECT_EQ(title_rows_, 1);
  EXPECT_FALSE(search_in_use_);
}

TEST_P(DicButtonTest, AssignCopiesEverythingAndNothingResetsToTheDefaults) {
  button_->SetRequired(true);
  button_->SetFormTitle("T");
  button_->SetFormWidth(700);
  button_->SetTitleRows(3);
  button_->SetSearchInUse(false);
  bool called = false;
  button_->OnGetParams = [&](QObject*, TDataSet*) { called = true; };

  TDicButton copy;
  copy.Assign(button_);
  EXPECT_EQ(copy.LinkEdit(), edit_);
  EXPECT_EQ(copy.LinkLabel(), label_);
  EXPECT_EQ(copy.RefField(), "CODE");
  EXPECT_EQ(copy.TextField(), "NAME");
  EXPECT_EQ(copy.GridSQL().Text(), button_->GridSQL().Text());
  EXPECT_EQ(copy.LabelSQL().Text(), button_->LabelSQL().Text());
  EXPECT_EQ(copy.FieldMap().Text(), button_->FieldMap().Text());
  EXPECT_EQ(copy.DatabaseName(), db_name_);
  EXPECT_TRUE(copy.Required());
  EXPECT_EQ(copy.FormTitle(), "T");
  EXPECT_EQ(copy.FormWidth(), 700);
  EXPECT_EQ(copy.FormHeight(), 370);
  EXPECT_EQ(copy.TitleRows(), 3);
  EXPECT_FALSE(copy.SearchInUse());
  EXPECT_EQ(copy.ParamType(), ftInteger);
  ASSERT_TRUE(copy.OnGetParams);
  copy.OnGetParams(&copy, nullptr);
  EXPECT_TRUE(called);

  copy.Assign(nullptr);
  EXPECT_EQ(copy.LinkEdit(), nullptr);
  EXPECT_EQ(copy.LinkLabel(), nullptr);
  EXPECT_EQ(copy.RefField(), "");
  EXPECT_EQ(copy.GridSQL().Count(), 0);
  EXPECT_EQ(copy.DatabaseName(), "");
  EXPECT_FALSE(copy.Required());
  EXPECT_EQ(copy.TitleRows(), 2);
  EXPECT_EQ(copy.FormTitle(), "");
  EXPECT_EQ(copy.FormWidth(), 240);
  EXPECT_EQ(copy.FormHeight(), 240);
  EXPECT_FALSE(copy.SearchInUse());
  EXPECT_EQ(copy.ParamType(), ftString);
  EXPECT_FALSE(copy.OnGetParams);
  // The copy let go of the edit box: typing there reaches only the original.
  edit_->setText("3");
  EXPECT_EQ(Label(), "Plums");
}

TEST_P(DicButtonTest, ARemovedEditOrLabelIsForgotten) {
  delete label_;
  label_ = nullptr;
  EXPECT_EQ(button_->LinkLabel(), nullptr);
  edit_->setText("1");  // no label: nothing to read into
  delete edit_;
  edit_ = nullptr;
  EXPECT_EQ(button_->LinkEdit(), nullptr);
  EXPECT_EQ(button_->GetText(), "");
  answer_ = DoubleClickRow(0);
  EXPECT_TRUE(button_->ChoiceFromDic());  // chosen, written nowhere
}

TEST_P(DicButtonTest, TheDefaultFaceIsABoldPlus) {
  TDicButton fresh;
  EXPECT_EQ(fresh.text(), QStringLiteral("+"));
  EXPECT_TRUE(fresh.font().bold());
  EXPECT_EQ(fresh.font().pointSize(), 19);
  EXPECT_FALSE(fresh.IsCaptionStored());
  EXPECT_FALSE(fresh.IsFontStored());
  EXPECT_EQ(fresh.SearchInUse(), true);
  EXPECT_EQ(fresh.FormWidth(), 560);
  EXPECT_EQ(fresh.FormHeight(), 370);
  EXPECT_EQ(fresh.TitleRows(), 2);
  EXPECT_EQ(fresh.ParamType(), ftString);
  fresh.setText("...");
  QFont f = fresh.font();
  f.setPointSize(9);
  fresh.setFont(f);
  EXPECT_TRUE(fresh.IsCaptionStored());
  EXPECT_TRUE(fresh.IsFontStored());
}

// ---- the choice window ----------------------------------------------------------------------------

TEST_P(DicButtonTest, TheChoiceWindowPlacesItsButtonsOnEveryResize) {
  TDicChoiceForm form;
  EXPECT_EQ(form.windowTitle(), QStringLiteral("Choice from the dictionary"));
  EXPECT_EQ(form.size(), QSize(560, 370));
  EXPECT_EQ(form.ChooseButton()->text(), QStringLiteral("Choose"));
  EXPECT_TRUE(form.ChooseButton()->isDefault());
  EXPECT_EQ(form.Grid()->RptName, "sys");
  EXPECT_EQ(form.Grid()->FixedCols(), 0);
  EXPECT_FALSE(form.Grid()->Options() & dgEditing);
  form.show();
  QApplication::processEvents();
  for (const int width : {560, 800, 300}) {
    form.resize(width, 370);
    QApplication::processEvents();
    const int left = form.ChooseButton()->mapTo(&form, QPoint(0, 0)).x();
    EXPECT_EQ(left, (width - 215) / 2) << width;
    EXPECT_EQ(form.CancelButton()->mapTo(&form, QPoint(0, 0)).x(), left + 115) << width;
    // Texts are not cut off.
    EXPECT_GE(form.ChooseButton()->width(), form.ChooseButton()->sizeHint().width());
    EXPECT_GE(form.CancelButton()->width(), form.CancelButton()->sizeHint().width());
  }
}

TEST_P(DicButtonTest, RenderedWindowsLookRight) {
  edit_->setText("2");
  const QImage row = host_->grab().toImage();
  EXPECT_EQ(row.size(), host_->size() * row.devicePixelRatio());
  EXPECT_GE(label_->width(), label_->sizeHint().width());
  EXPECT_GE(button_->height(), button_->fontMetrics().height() / 2);

  answer_ = [this](TDicChoiceForm& form) {
    form.show();
    QApplication::processEvents();
    while (form.Grid()->model()->canFetchMore({})) form.Grid()->model()->fetchMore({});
    EXPECT_EQ(form.Grid()->model()->rowCount(), 3);
    const QImage window = form.grab().toImage();
    EXPECT_FALSE(window.isNull());
    if (const QByteArray out = qgetenv("BEXLO_SCREENSHOT_DIR"); !out.isEmpty()) {
      window.save(QDir(QString::fromLocal8Bit(out)).filePath(QStringLiteral("dic_choice_form.png")));
      host_->grab().save(QDir(QString::fromLocal8Bit(out)).filePath(QStringLiteral("dic_button_edit.png")));
    }
    return int(QDialog::Rejected);
  };
  button_->ChoiceFromDic();
  EXPECT_EQ(opened_, 1);
}

// ---- report scripts ------------------------------------------------------------------------------

TEST_P(DicButtonTest, GetFromDictionaryInAReportScriptReturnsTheChosenValue) {
  ASSERT_TRUE(IsHookInstalled(THook::Report_DicButton));
  ScriptReport s;
  s.report.DataBaseName = db_name_;
  const std::string sql = Select("CODE, NAME, PRICE") + " FROM DIC ORDER BY CODE";
  answer_ = DoubleClickRow(1);
  s.Run("a := GetFromDictionary('NAME', '" + sql + "', 'NAME = Name', 1, FALSE);");
  EXPECT_EQ(s.Str("A"), "Pears");
  EXPECT_EQ(title_rows_, 1);
  EXPECT_FALSE(search_in_use_);
  EXPECT_FALSE(price_visible_);

  answer_ = DoubleClickRow(2);
  s.Run("b := GetFromDictionary('PRICE', '" + sql + "');");
  EXPECT_EQ(s.Num("B"), 3.0);
  EXPECT_TRUE(price_visible_);

  // Cancelled: the report ends.
  answer_ = nullptr;
  EXPECT_EQ(s.Error<ECustomReportError>("c := GetFromDictionary('NAME', '" + sql + "');"), "Execution is aborted");
  EXPECT_EQ(opened_, 3);
}

TEST_P(DicButtonTest, TheReportChoiceFillsItsQueryThroughTheCallback) {
  TDicChoiceParams params;
  params.DatabaseName = db_name_;
  params.SQL = Select("CODE, NAME") + " FROM DIC WHERE CODE > :LOW ORDER BY CODE";
  params.ResultField = "CODE";
  params.SetParams = [](TDataSet* query) { static_cast<TQuery*>(query)->ParamByName("LOW")->SetAsInteger(1); };
  answer_ = DoubleClickRow(0);
  Variant result;
  Report_DicButton(params, result);
  ASSERT_EQ(result.Type(), TVariantType::varFloat);
  EXPECT_EQ(result.Float(), 2.0);
  // No result field: Null even when a row was chosen.
  params.ResultField.clear();
  Report_DicButton(params, result);
  EXPECT_TRUE(result.IsNull());
}

std::string DicEngineName(const ::testing::TestParamInfo<DicEngine>& info) {
  return info.param == DicEngine::SQLite ? "SQLite" : "PostgreSQL";
}

INSTANTIATE_TEST_SUITE_P(Drivers, DicButtonTest, ::testing::Values(DicEngine::SQLite, DicEngine::PostgreSQL),
                         DicEngineName);

}  // namespace
}  // namespace bexlo::testing
