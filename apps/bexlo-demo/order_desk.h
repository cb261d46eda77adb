// The order desk: the sample application's main window. Three lists over the sample database
// (customers, products, orders), each a search grid with the shared popup menu, the search row,
// choice and frozen columns, and a menu that runs the sample reports.
#pragma once

#include <QMainWindow>
#include <memory>
#include <string>
#include <vector>

class QTabWidget;
class QLabel;

namespace bexlo {
class TQuery;
class TDataSource;
class TSearchDBGrid;
}  // namespace bexlo

namespace bexlo::demo {

class TOrderLinks;

// One list of the desk.
struct TListPage {
  std::unique_ptr<TQuery> Query;
  std::unique_ptr<TDataSource> Source;
  TSearchDBGrid* Grid = nullptr;
};

// A sample report of examples/templates and what it needs from the lists.
struct TSampleReport {
  const char* Caption;
  const char* Template;   // file name in examples/templates
  const char* Output;     // output file name without extension
  const char* Parameter;  // report variable set from a list's current record, or null
  int Page;               // the list whose current record gives it (0 customers, 2 orders)
};
const std::vector<TSampleReport>& SampleReports();

class TOrderDesk : public QMainWindow {
  Q_OBJECT
 public:
  TOrderDesk(std::string databaseName, std::string examplesDir, std::string outputDir);
  ~TOrderDesk() override;

  TListPage& Customers() { return *pages_[0]; }
  TListPage& Products() { return *pages_[1]; }
  TListPage& Orders() { return *pages_[2]; }
  QTabWidget* Tabs() const noexcept { return tabs_; }
  // The orders list's record link to the order edit window.
  TOrderLinks* OrderLinks() const noexcept { return order_links_.get(); }
  // Runs a sample report through the report engine; returns the output path. On failure the
  // result is empty and the reason goes to *error, or to the user in a message when error is null.
  std::string RunSampleReport(const TSampleReport& report, std::string* error = nullptr);

 private:
  TListPage& AddPage(const QString& title, const std::string& sql, const std::string& keyField, int fixedCols);
  void UpdateStatus();

  std::string database_;
  std::string examples_;
  std::string output_;
  QTabWidget* tabs_ = nullptr;
  QLabel* status_ = nullptr;
  std::vector<std::unique_ptr<TListPage>> pages_;
  std::unique_ptr<TOrderLinks> order_links_;
};

// Where a report's output goes once it is written. The preview window is wired here: until then
// the user is told where the output file is.
void OpenReportOutput(QWidget* parent, const std::string& outputPath);

}  // namespace bexlo::demo
