// bexlo-demo: the sample application, an order desk over the sample database.
//
//   bexlo-demo [--database NAME] [--examples DIR] [--out DIR] [--screenshots DIR]
//
// --database   an SQLite file or a PostgreSQL URI (default: the demo directory's sample.db,
//              created from examples/sample-db.sql when it is missing; a PostgreSQL database
//              without the sample tables gets them)
// --examples   the examples folder (templates and the sample script)
// --out        where the sample reports write their output
// --screenshots DIR  renders the windows offscreen into PNG files in DIR and exits
#include <QApplication>
#include <QDir>
#include <QHeaderView>
#include <QMessageBox>
#include <QPainter>
#include <QScrollBar>
#include <QStyleFactory>
#include <QTabWidget>
#include <QKeyEvent>
#include <QMouseEvent>
#include <cstdio>
#include <filesystem>
#include <string>

#include "db/data_source.h"
#include "db/driver.h"
#include "db/query.h"
#include "builder_screens.h"
#include "demo_states.h"
#include "order_desk.h"
#include "order_edit_form.h"
#include "sample_database.h"
#include "widgets/grid/grid_popup_menu.h"
#include "widgets/grid/grid_windows.h"
#include "widgets/grid/search_grid.h"
#include "widgets/output/preview_form.h"
#include "util/settings.h"
#include "widgets/platform/init_widgets.h"

namespace {

using namespace bexlo;
using namespace bexlo::demo;

struct TOptions {
  std::string Database;
  std::string Examples = BEXLO_EXAMPLES_DIR;
  std::string Out = BEXLO_DEMO_DIR;
  std::string Screenshots;
};

bool Save(const QPixmap& pixmap, const QString& dir, const QString& name) {
  const QString path = QDir(dir).filePath(name);
  if (!pixmap.save(path)) {
    std::fprintf(stderr, "bexlo-demo: cannot write %s\n", qPrintable(path));
    return false;
  }
  std::printf("screenshot: %s\n", qPrintable(path));
  return true;
}

// A key pressed and released on a widget, as the keyboard would send it.
void SendKey(QWidget* widget, int key, const QString& text = {}) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QApplication::sendEvent(widget, &release);
}

// Types text into the grid's search row over a column, then lets the search timer fire.
void TypeSearch(TSearchDBGrid& grid, int column, const QString& text) {
  grid.SetSelectedIndex(column);
  for (const QChar ch : text) SendKey(&grid, ch.toUpper().unicode(), QString(ch));
  if (grid.SearchTimer()->isActive()) grid.SearchTimerTick();
}

void Settle(QWidget& w) {
  for (int i = 0; i < 3; ++i) QApplication::processEvents();
  w.repaint();
}

int TakeScreenshots(TOrderDesk& desk, const QString& dir) {
  QDir().mkpath(dir);
  desk.show();
  Settle(desk);
  bool ok = true;

  // The customers: a typed search value, three chosen records, two frozen columns.
  TSearchDBGrid& customers = *desk.Customers().Grid;
  customers.setFocus();
  TypeSearch(customers, 3, QStringLiteral("Ger"));  // customers in Germany
  Settle(desk);
  customers.SetSelectedIndex(1);
  for (int i = 0; i < 3; ++i) {
    SendKey(&customers, Qt::Key_Insert);
    SendKey(&customers, Qt::Key_Down);
  }
  customers.horizontalScrollBar()->setValue(customers.columnWidth(2));  // the frozen No. and Name stay
  Settle(desk);
  ok &= Save(desk.grab(), dir, QStringLiteral("customers.png"));
  customers.horizontalScrollBar()->setValue(0);

  // The popup menu opened over the list.
  auto* menu = qobject_cast<TDBGridPopupMenu*>(SharedGridPopupMenu());
  if (menu != nullptr) {
    menu->SetPopupComponent(&customers);
    menu->UpdateVisibility();
    menu->adjustSize();
    QPixmap shot = desk.grab();
    const QPixmap m = menu->grab();
    QPainter p(&shot);
    const QPoint at = customers.mapTo(&desk, QPoint(220, 110));
    p.fillRect(QRect(at + QPoint(3, 3), m.size()), QColor(0, 0, 0, 40));
    p.drawPixmap(at, m);
    p.end();
    ok &= Save(shot, dir, QStringLiteral("popup-menu.png"));
  }

  // The excerpt of the current customer.
  if (auto form = CreateExcerptForm(&customers)) {
    form->show();
    Settle(*form);
    ok &= Save(form->grab(), dir, QStringLiteral("excerpt.png"));
    form->hide();
  }

  // Customers selected with Shift+Down and Ctrl+click (dots in the indicator column), the Notes
  // column moved next to the frozen ones with its ellipsis button in the current cell.
  {
    customers.ClearSearch();
    customers.ReLoad(true);
    customers.ClearChoice();
    Settle(desk);
    customers.SetSelectedIndex(1);
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Down, Qt::ShiftModifier);
    for (int i = 0; i < 2; ++i) QApplication::sendEvent(&customers, &shiftDown);
    for (int row : {5, 7}) {
      const QRect cell = customers.visualRect(customers.model()->index(row, 1));
      QMouseEvent press(QEvent::MouseButtonPress, cell.center(), customers.viewport()->mapToGlobal(cell.center()),
                        Qt::LeftButton, Qt::LeftButton, Qt::ControlModifier);
      QApplication::sendEvent(customers.viewport(), &press);
      QMouseEvent release(QEvent::MouseButtonRelease, cell.center(), customers.viewport()->mapToGlobal(cell.center()),
                          Qt::LeftButton, Qt::NoButton, Qt::ControlModifier);
      QApplication::sendEvent(customers.viewport(), &release);
    }
    for (int c = 0; c < customers.Columns().Count(); ++c) {
      if (customers.Columns().Items(c)->FieldName() == "notes") {
        customers.MoveColumn(c, customers.FixedCols());
        customers.SetSelectedIndex(customers.FixedCols());
        break;
      }
    }
    Settle(desk);
    ok &= Save(desk.grab(), dir, QStringLiteral("customers-selection.png"));
  }

  // The record count on the orders' amount column.
  desk.Tabs()->setCurrentIndex(2);
  Settle(desk);
  TSearchDBGrid& orders = *desk.Orders().Grid;
  orders.setFocus();
  TypeSearch(orders, 4, QStringLiteral("open"));
  orders.SetSelectedIndex(6);
  Settle(desk);
  ok &= Save(desk.grab(), dir, QStringLiteral("orders.png"));
  QMessageBox box(QMessageBox::Information, desk.windowTitle(), QString::fromStdString(GridRecordCountText(&orders)),
                  QMessageBox::Ok, &desk);
  box.show();
  Settle(box);
  ok &= Save(box.grab(), dir, QStringLiteral("record-count.png"));
  box.hide();

  // The order edit window on the current order, reached through the list's record link.
  if (desk.OrderLinks() != nullptr) ok &= Save(GrabOrderEditWindow(*desk.OrderLinks()), dir, QStringLiteral("order-edit.png"));

  // The products with the choice filter applied (the corner turns blue).
  desk.Tabs()->setCurrentIndex(1);
  Settle(desk);
  TSearchDBGrid& products = *desk.Products().Grid;
  products.setFocus();
  TypeSearch(products, 3, QStringLiteral("Kit"));
  products.SetSelectedIndex(2);
  SendKey(&products, Qt::Key_Insert);
  SendKey(&products, Qt::Key_Insert);
  Settle(desk);
  ok &= Save(desk.grab(), dir, QStringLiteral("products.png"));

  // The Reports menu's way: the invoice of the current order, run through the report engine.
  std::string error;
  const std::string invoice = desk.RunSampleReport(SampleReports()[5], &error);
  if (invoice.empty()) {
    std::fprintf(stderr, "bexlo-demo: the invoice report failed: %s\n", error.c_str());
    ok = false;
  } else {
    std::printf("report: %s\n", invoice.c_str());
    // ... and shown in the preview window.
    TQoPreviewForm preview(&desk);
    preview.SetFormParams(invoice, TPrinterOrientation::poPortrait, true, 1);
    preview.show();
    Settle(preview);
    ok &= Save(preview.grab(), dir, QStringLiteral("invoice-preview.png"));
    preview.hide();
  }

  // The query builder, opened on the orders with Ctrl+F9.
  desk.Tabs()->setCurrentIndex(2);
  Settle(desk);
  const auto builderShots = QueryBuilderScreens(orders, desk);
  if (builderShots.empty()) {
    std::fprintf(stderr, "bexlo-demo: Ctrl+F9 did not open the query builder\n");
    ok = false;
  }
  for (const auto& [name, picture] : builderShots) ok &= Save(picture, dir, name);
  // The grid state windows of the orders list.
  ok &= TakeStateScreenshots(desk, dir);
  return ok ? 0 : 1;
}

int Usage(const char* error) {
  if (error != nullptr) std::fprintf(stderr, "bexlo-demo: %s\n", error);
  std::fprintf(stderr,
               "usage: bexlo-demo [--database NAME] [--examples DIR] [--out DIR] [--screenshots DIR]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  TOptions options;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto value = [&](std::string& target) {
      if (i + 1 >= argc) return false;
      target = argv[++i];
      return true;
    };
    bool ok = true;
    if (arg == "--database") ok = value(options.Database);
    else if (arg == "--examples") ok = value(options.Examples);
    else if (arg == "--out") ok = value(options.Out);
    else if (arg == "--screenshots") ok = value(options.Screenshots);
    else if (arg == "--help" || arg == "-h") return Usage(nullptr), 0;
    else return Usage(("unknown option " + arg).c_str());
    if (!ok) return Usage(("missing value after " + arg).c_str());
  }
  if (!options.Screenshots.empty() && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("bexlo-demo"));
  if (QStyleFactory::keys().contains(QStringLiteral("Fusion"))) QApplication::setStyle(QStringLiteral("Fusion"));
  InitWidgets();
  ApplicationName = kDemoApplicationName;  // the key of the desk's grid states

  if (options.Database.empty()) {
    std::filesystem::create_directories(options.Out);
    options.Database = (std::filesystem::path(options.Out) / "sample.db").string();
    CreateSqliteDatabase(options.Database);  // the demo's own database: made when missing
  }
  try {
    EnsureSampleDatabase(options.Database, (std::filesystem::path(options.Examples) / "sample-db.sql").string());
    EnsureSampleGridStates(options.Database, BEXLO_SQL_DIR);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bexlo-demo: %s\n", e.what());
    if (options.Screenshots.empty()) QMessageBox::critical(nullptr, QStringLiteral("Bexlo order desk"), e.what());
    return 1;
  }

  TOrderDesk desk(options.Database, options.Examples, options.Out);
  if (!options.Screenshots.empty()) return TakeScreenshots(desk, QString::fromStdString(options.Screenshots));
  desk.show();
  return app.exec();
}
