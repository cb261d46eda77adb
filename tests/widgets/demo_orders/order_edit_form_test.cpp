// The sample application's order edit window over a small copy of the sample tables: an order and
// its lines saved together, a new order with a line, the question on closing, deleting an order
// with its lines, and Page Down to the next order. The modal window is driven by a script.
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "db_test_support.h"
#include "links/modal_script.h"
#include "order_edit_form.h"
#include "widgets/entry/record_link_widgets.h"
#include "widgets/grid/db_grid.h"

namespace bexlo::testing {
namespace {

using demo::TOrderEditForm;
using demo::TOrderLinks;

class OrderEditFormTest : public DbTest {
 protected:
  void SetUp() override {
    DbTest::SetUp();
    if (HasFatalFailure()) return;
    Exec("CREATE TABLE customers (id INTEGER PRIMARY KEY, name VARCHAR(40) NOT NULL, city VARCHAR(20) NOT NULL, "
         "country VARCHAR(20) NOT NULL)");
    Exec("CREATE TABLE products (id INTEGER PRIMARY KEY, code VARCHAR(8) NOT NULL, name VARCHAR(30) NOT NULL, "
         "category VARCHAR(16) NOT NULL, unit_price NUMERIC(10,2) NOT NULL)");
    Exec("CREATE TABLE orders (id INTEGER PRIMARY KEY, customer_id INTEGER NOT NULL" +
         (Pg() ? std::string(" REFERENCES customers(id)") : std::string()) +
         ", order_date DATE NOT NULL, status VARCHAR(10) NOT NULL)");
    Exec("CREATE TABLE order_lines (order_id INTEGER NOT NULL" +
         (Pg() ? std::string(" REFERENCES orders(id)") : std::string()) +
         ", line_no INTEGER NOT NULL, product_id INTEGER NOT NULL, quantity INTEGER NOT NULL, "
         "unit_price NUMERIC(10,2) NOT NULL, discount NUMERIC(4,2) NOT NULL, PRIMARY KEY (order_id, line_no))");
    Exec("INSERT INTO customers VALUES (1, 'Ann Shop', 'Riga', 'Latvia'), (2, 'Bob Store', 'Oslo', 'Norway')");
    Exec("INSERT INTO products VALUES (1, 'P1', 'Pen', 'Office', 1.50), (2, 'P2', 'Pad', 'Office', 3.25)");
    Exec("INSERT INTO orders VALUES (1, 1, '2024-01-02', 'open'), (2, 2, '2024-01-03', 'shipped')");
    Exec("INSERT INTO order_lines VALUES (1, 1, 1, 2, 1.50, 0), (1, 2, 2, 1, 3.25, 0), (2, 1, 2, 5, 3.25, 0.1)");
    list = Query("SELECT id, customer_id FROM orders ORDER BY id");
    list->SetUniqueField("id");
    list->Open();
    source.SetDataSet(list.get());
    grid = std::make_unique<TUDBGrid>();
    grid->SetDataSource(&source);
    links = std::make_unique<TOrderLinks>(grid.get(), &source, kDb);
  }
  void TearDown() override {
    links.reset();
    if (grid) grid->SetDataSource(nullptr);
    grid.reset();
    source.SetDataSet(nullptr);
    list.reset();
    DbTest::TearDown();
  }

  TOrderEditForm& Form() { return *links->Form(); }
  QPushButton* Button(const QString& text) {
    for (QPushButton* b : Form().findChildren<QPushButton*>()) {
      if (b->text() == text) return b;
    }
    ADD_FAILURE() << "no button " << text.toStdString();
    return nullptr;
  }

  std::unique_ptr<TQuery> list;
  TDataSource source;
  std::unique_ptr<TUDBGrid> grid;
  std::unique_ptr<TOrderLinks> links;
};

TEST_P(OrderEditFormTest, AnOrderAndItsLinesAreSavedTogether) {
  ModalScript script(&Form(), {[&] {
                       EXPECT_EQ(Form().CustomerEdit()->text(), "1");
                       EXPECT_EQ(Form().Lines().RecordCount(), 2);
                       Form().CustomerEdit()->setText("2");  // as a dictionary choice writes it
                       Form().ProductEdit()->setText("2");   // the first line's product
                       Form().accept();
                     }});
  links->EditOrder();
  EXPECT_EQ(Scalar("SELECT customer_id FROM orders WHERE id = 1"), "2");
  EXPECT_EQ(Scalar("SELECT product_id FROM order_lines WHERE order_id = 1 AND line_no = 1"), "2");
  EXPECT_EQ(Scalar("SELECT count(*) FROM order_lines"), "3");
  EXPECT_TRUE(links->Link()->Saved());
  EXPECT_EQ(list->FieldByName("customer_id")->AsInteger(), 2);  // the list shows it
}

TEST_P(OrderEditFormTest, ANewOrderWithALineTakesTheProductsPrice) {
  ModalScript script(&Form(), {[&] {
                       EXPECT_EQ(Form().Order().State(), dsInsert);
                       EXPECT_EQ(Form().Order().FieldByName("id")->AsInteger(), 3);
                       EXPECT_EQ(Form().Order().FieldByName("status")->AsString(), "open");
                       EXPECT_TRUE(Form().Lines().IsEmpty());
                       Form().CustomerEdit()->setText("1");
                       QTest::mouseClick(Button(QStringLiteral("&New line")), Qt::LeftButton);
                       Form().ProductEdit()->setText("2");
                       Form().accept();
                     }});
  links->NewOrder();
  EXPECT_EQ(Scalar("SELECT count(*) FROM orders WHERE id = 3 AND customer_id = 1"), "1");
  EXPECT_EQ(Scalar("SELECT count(*) FROM order_lines WHERE order_id = 3 AND line_no = 1 AND product_id = 2 "
                   "AND quantity = 1 AND unit_price = 3.25 AND discount = 0"),
            "1");
}

TEST_P(OrderEditFormTest, ClosingWithChangedLinesAsksAndNoDiscardsThem) {
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrNo);
  ModalScript script(&Form(), {[&] {
                       EXPECT_EQ(Form().ProductEdit()->text(), "1");
                       Form().ProductEdit()->setText("2");  // only a line changes
                       Form().reject();
                     }});
  links->EditOrder();
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].text, "Data was changed. Save ?");
  EXPECT_EQ(Scalar("SELECT product_id FROM order_lines WHERE order_id = 1 AND line_no = 1"), "1");
  EXPECT_EQ(Form().Lines().RecordCount(), 2);
  EXPECT_FALSE(Form().Lines().UpdatesPending());
}

TEST_P(OrderEditFormTest, DeletingAnOrderDeletesItsLines) {
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);  // the confirmation
  links->DeleteOrder();
  EXPECT_EQ(Scalar("SELECT count(*) FROM orders"), "1");
  EXPECT_EQ(Scalar("SELECT count(*) FROM order_lines WHERE order_id = 1"), "0");
  EXPECT_EQ(list->FieldByName("id")->AsInteger(), 2);
  // Cancelled: nothing happens.
  ui.AnswerMessage(mrCancel);
  links->DeleteOrder();
  EXPECT_EQ(Scalar("SELECT count(*) FROM orders"), "1");
}

TEST_P(OrderEditFormTest, PageDownOpensTheNextOrder) {
  ModalScript script(&Form(), {[&] { QTest::keyClick(Form().CustomerEdit(), Qt::Key_PageDown); },
                               [&] {
                                 EXPECT_EQ(Form().Order().FieldByName("id")->AsInteger(), 2);
                                 EXPECT_EQ(Form().CustomerEdit()->text(), "2");
                                 EXPECT_EQ(Form().Lines().RecordCount(), 1);
                                 Form().reject();
                               }});
  links->EditOrder();
  EXPECT_EQ(script.Shown(), 2);
}

TEST_P(OrderEditFormTest, AQuantityThatIsNoNumberIsRefusedAndKept) {
  TScriptedUserInteraction ui;
  ui.AnswerMessage(mrOk);  // the conversion error
  ModalScript script(&Form(), {[&] {
                                 Form().QuantityEdit()->selectAll();
                                 QTest::keyClicks(Form().QuantityEdit(), "7x");
                                 Form().accept();
                               },
                               [&] {
                                 // Still there to be corrected; nothing was written.
                                 EXPECT_EQ(Form().QuantityEdit()->text(), "7x");
                                 Form().QuantityEdit()->setText("7");
                                 Form().accept();
                               }});
  links->EditOrder();
  ASSERT_EQ(ui.Asked().size(), 1u);
  EXPECT_EQ(ui.Asked()[0].type, TMsgDlgType::mtError);
  EXPECT_NE(ui.Asked()[0].text.find("7x"), std::string::npos);
  EXPECT_EQ(Scalar("SELECT quantity FROM order_lines WHERE order_id = 1 AND line_no = 1"), "7");
}

BEXLO_DB_SUITE(OrderEditFormTest);

}  // namespace
}  // namespace bexlo::testing
