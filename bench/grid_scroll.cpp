// Scrolling a long list: a search grid over 1,000,000 SQLite rows goes to the last record
// (Ctrl+End) and pages back to the first (Page Up). Reports the time per row and the memory per
// fetched row against the data set's own row storage (the same query read to its end without a
// grid). Ends with "RATIO <grid's heap per row / data set's heap per row>" (goal: at most 1.5).
#include <QApplication>
#include <QKeyEvent>
#include <chrono>
#include <cstdio>

#include "db/data_source.h"
#include "db/database.h"
#include "db/query.h"
#include "grid_bench_common.h"
#include "widgets/grid/grid_model.h"
#include "widgets/grid/search_grid.h"
#include "widgets/platform/init_widgets.h"

namespace {

using namespace bexlo;
constexpr int kRows = 1'000'000;
constexpr const char* kSelect = "SELECT id, amount, name, day, note FROM t ORDER BY id";

void SendKey(QWidget* widget, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(widget, &press);
  QKeyEvent release(QEvent::KeyRelease, key, modifiers);
  QApplication::sendEvent(widget, &release);
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  InitWidgets();
  const std::string file = bench::BenchTableFile("t", kRows);
  {
    TQuery warm;  // the connection and the statement cache are not the rows' memory
    warm.SetDatabaseName(file);
    warm.SetSQLText(kSelect);
    warm.Open();
    warm.Close();
  }

  // The data set alone, read to its end.
  long long before = bench::HeapInUse();
  auto start = std::chrono::steady_clock::now();
  long long dataSetBytes = 0;
  {
    TQuery q;
    q.SetDatabaseName(file);
    q.SetSQLText(kSelect);
    q.Open();
    q.Last();
    dataSetBytes = bench::HeapInUse() - before;
    q.Close();
  }
  const double dataSetSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

  // The grid: Ctrl+End, then Page Up to the first record, painting as a user sees it.
  before = bench::HeapInUse();
  long long gridBytes = 0;
  int pages = 0;
  double gridSeconds = 0;
  {
    TQuery q;
    q.SetDatabaseName(file);
    q.SetSQLText(kSelect);
    TDataSource source;
    source.SetDataSet(&q);
    TSearchDBGrid grid;
    grid.resize(1000, 700);
    grid.SetDataSource(&source);
    q.Open();
    grid.show();
    grid.setFocus();
    QApplication::processEvents();
    start = std::chrono::steady_clock::now();
    SendKey(&grid, Qt::Key_End, Qt::ControlModifier);
    QApplication::processEvents();
    while (q.CurrentIndex() > 0) {
      SendKey(&grid, Qt::Key_PageUp);
      if (++pages % 64 == 0) grid.repaint();
    }
    grid.repaint();
    gridSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    gridBytes = bench::HeapInUse() - before;
    std::printf("grid rows: %d, pages back: %d\n", grid.Model()->rowCount(), pages);
    grid.SetDataSource(nullptr);
    q.Close();
  }
  const double dsPerRow = static_cast<double>(dataSetBytes) / kRows;
  const double gridPerRow = static_cast<double>(gridBytes) / kRows;
  std::printf("data set alone: %.1f bytes per row, %.0f ns per row (Last)\n", dsPerRow, dataSetSeconds * 1e9 / kRows);
  std::printf("grid: %.1f bytes per row, %.0f ns per row (Ctrl+End and paging back)\n", gridPerRow,
              gridSeconds * 1e9 / kRows);
  std::printf("RATIO %.3f\n", gridPerRow / dsPerRow);
  Session().DropConnections();
  return 0;
}
