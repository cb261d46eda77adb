#include "order_desk.h"

#include "customers_editing.h"

#include <QApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>
#include <filesystem>
#include <sstream>

#include "db/data_source.h"
#include "db/field.h"
#include "db/query.h"
#include "order_edit_form.h"
#include "runner.h"
#include "util/exceptions.h"
#include "util/strings.h"
#include "util/text.h"
#include "widgets/grid/search_grid.h"
#include "widgets/output/preview_form.h"

namespace bexlo::demo {

namespace {

// How the lists show their fields: label (lines separated by "|"), width in characters, format.
struct TFieldLook {
  const char* Name;
  const char* Label;
  int Width;
  const char* Format;
};

constexpr TFieldLook kLooks[] = {
    {"id", "No.", 6, nullptr},
    {"name", "Name", 30, nullptr},
    {"street", "Street", 20, nullptr},
    {"city", "City", 12, nullptr},
    {"country", "Country", 14, nullptr},
    {"phone", "Phone", 15, nullptr},
    {"since", "Customer|since", 10, nullptr},
    {"notes", "Notes", 30, nullptr},
    {"code", "Code", 8, nullptr},
    {"category", "Category", 11, nullptr},
    {"unit_price", "Unit|price", 9, "#,##0.00"},
    {"description", "Description", 60, nullptr},
    {"order_date", "Order|date", 10, nullptr},
    {"customer", "Customer", 28, nullptr},
    {"status", "Status", 8, nullptr},
    {"amount", "Amount", 10, "#,##0.00"},
    {"lines", "Lines", 5, nullptr},
};

void DressFields(TDataSet* ds) {
  for (TField* f : ds->Fields()) {
    for (const TFieldLook& look : kLooks) {
      if (!SameText(f->FieldName(), look.Name)) continue;
      f->SetDisplayLabel(look.Label);
      f->SetDisplayWidth(look.Width);
      if (look.Format != nullptr) {
        f->SetDisplayFormat(look.Format);
        f->SetAlignment(TAlignment::taRightJustify);
      }
      if (SameText(look.Name, "id") || SameText(look.Name, "lines")) f->SetAlignment(TAlignment::taRightJustify);
    }
  }
}

}  // namespace

const std::vector<TSampleReport>& SampleReports() {
  static const std::vector<TSampleReport> reports = {
      {"Customers by city", "customers_by_city.fmt", "customers_by_city", nullptr, 0},
      {"Letter to the current customer", "letter.fmt", "letter", "CUSTOMER_ID", 0},
      {"Customer cards", "customer_cards.fmt", "customer_cards", nullptr, 0},
      {"Customer notes", "customer_notes.fmt", "customer_notes", nullptr, 0},
      {"Product catalogue", "product_catalogue.fmt", "product_catalogue", nullptr, 1},
      {"Invoice for the current order", "invoice.fmt", "invoice", "ORDER_ID", 2},
      {"Monthly sales", "monthly_sales.fmt", "monthly_sales", nullptr, 2},
  };
  return reports;
}

TOrderDesk::TOrderDesk(std::string databaseName, std::string examplesDir, std::string outputDir)
    : database_(std::move(databaseName)), examples_(std::move(examplesDir)), output_(std::move(outputDir)) {
  setWindowTitle(QStringLiteral("Bexlo order desk"));
  tabs_ = new QTabWidget(this);
  tabs_->setDocumentMode(true);
  setCentralWidget(tabs_);

  AddPage(QStringLiteral("&Customers"),
          "select id, name, city, country, phone, since, street, notes\nfrom customers\norder by name", "id", 2);
  MakeCustomersEditable(Customers());
  AddPage(QStringLiteral("&Products"),
          "select id, code, name, category, unit_price, description\nfrom products\norder by code", "id", 2);
  AddPage(QStringLiteral("&Orders"),
          "select *\nfrom (select o.id, o.order_date, c.name as customer, c.city, o.status,\n"
          "             (select count(*) from order_lines l where l.order_id = o.id) as lines,\n"
          "             (select round(sum(l.quantity * l.unit_price * (1 - l.discount)), 2)\n"
          "                from order_lines l where l.order_id = o.id) as amount\n"
          "        from orders o join customers c on c.id = o.customer_id) ord\n"
          "order by id desc",
          "id", 1);

  // Orders are edited in their own window, reached through a record link.
  Orders().Query->SetUniqueField("id");  // the list finds the edited order again after reopening
  order_links_ = std::make_unique<TOrderLinks>(Orders().Grid, Orders().Source.get(), database_);

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  QAction* quit = file->addAction(QStringLiteral("&Quit"), qApp, &QApplication::closeAllWindows);
  quit->setShortcut(QKeySequence::Quit);

  QMenu* list = menuBar()->addMenu(QStringLiteral("&List"));
  auto gridAction = [this, list](const QString& text, const QKeySequence& keys, auto&& run) {
    QAction* a = list->addAction(text);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, [this, run] {
      auto& page = *pages_[static_cast<std::size_t>(tabs_->currentIndex())];
      run(*page.Grid);
    });
  };
  gridAction(QStringLiteral("Clear search row"), QKeySequence(), [](TSearchDBGrid& g) {
    g.ClearSearch();
    g.ReLoad(true);
  });
  gridAction(QStringLiteral("Show only chosen records"), QKeySequence(), [](TSearchDBGrid& g) { g.BuildChoice(); });
  gridAction(QStringLiteral("Commands..."), QKeySequence(), [](TSearchDBGrid& g) { g.ShowPopupMenu(QPoint(24, 24)); });

  QMenu* order = menuBar()->addMenu(QStringLiteral("&Order"));
  auto orderAction = [this, order](const QString& text, const QString& keys, void (TOrderLinks::*run)()) {
    QAction* a = order->addAction(text + QLatin1Char('\t') + keys);  // the list's own keys, shown
    connect(a, &QAction::triggered, this, [this, run] {
      tabs_->setCurrentIndex(2);
      (order_links_.get()->*run)();
    });
  };
  orderAction(QStringLiteral("&New order..."), QStringLiteral("Ctrl+Ins"), &TOrderLinks::NewOrder);
  orderAction(QStringLiteral("&Edit order..."), QStringLiteral("Enter"), &TOrderLinks::EditOrder);
  orderAction(QStringLiteral("&Delete order"), QStringLiteral("Ctrl+Del"), &TOrderLinks::DeleteOrder);

  QMenu* reports = menuBar()->addMenu(QStringLiteral("&Reports"));
  for (const TSampleReport& r : SampleReports()) {
    QAction* a = reports->addAction(QString::fromUtf8(r.Caption) + QStringLiteral("..."));
    connect(a, &QAction::triggered, this, [this, &r] {
      const std::string out = RunSampleReport(r);
      if (!out.empty()) OpenReportOutput(this, out);
    });
  }

  status_ = new QLabel(this);
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(new QLabel(
      QStringLiteral("Type to search  ·  Ins chooses  ·  F7 freezes  ·  Ctrl+F finds  ·  right click for commands")));
  connect(tabs_, &QTabWidget::currentChanged, this, [this] {
    UpdateStatus();
    pages_[static_cast<std::size_t>(tabs_->currentIndex())]->Grid->setFocus();
  });
  UpdateStatus();
  resize(1100, 680);
}

TOrderDesk::~TOrderDesk() {
  order_links_.reset();
  for (auto& page : pages_) {
    page->Grid->SetDataSource(nullptr);
    page->Query->Close();
  }
}

TListPage& TOrderDesk::AddPage(const QString& title, const std::string& sql, const std::string& keyField,
                               int fixedCols) {
  auto page = std::make_unique<TListPage>();
  page->Query = std::make_unique<TQuery>();
  page->Query->SetDatabaseName(database_);
  page->Query->SetSQLText(sql);
  page->Query->AfterOpen = DressFields;
  page->Source = std::make_unique<TDataSource>();
  page->Source->SetDataSet(page->Query.get());
  page->Grid = new TSearchDBGrid(tabs_);
  // The grid's name is part of its state group (TOrderDesk_OrdersGrid).
  page->Grid->setObjectName(QString(title).remove(QLatin1Char('&')) + QStringLiteral("Grid"));
  page->Grid->SetTitleRows(2);
  page->Grid->SetDataField(keyField);
  page->Grid->SetDataSource(page->Source.get());
  page->Query->Open();
  page->Grid->SetFixedCols(fixedCols);
  tabs_->addTab(page->Grid, title);
  pages_.push_back(std::move(page));
  return *pages_.back();
}

void TOrderDesk::UpdateStatus() {
  status_->setText(QStringLiteral("Database: %1").arg(QString::fromStdString(database_)));
}

std::string TOrderDesk::RunSampleReport(const TSampleReport& report, std::string* error) {
  auto fail = [&](const QString& why) {
    if (error != nullptr) *error = why.toStdString();
    else QMessageBox::warning(this, windowTitle(), why);
    return std::string();
  };
  runner::TRunOptions options;
  options.Template = (std::filesystem::path(examples_) / "templates" / report.Template).string();
  options.Database = database_;
  std::filesystem::create_directories(output_);
  options.Out = (std::filesystem::path(output_) / (std::string(report.Output) + ".prn")).string();
  if (report.Parameter != nullptr) {
    TQuery& q = *pages_[static_cast<std::size_t>(report.Page)]->Query;
    TField* id = q.Active() && !q.IsEmpty() ? q.FindField("id") : nullptr;
    if (id == nullptr) return fail(QStringLiteral("Choose a record in the list first."));
    options.Sets.push_back({report.Parameter, id->AsString()});
  }
  std::ostringstream out, err;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const int rc = runner::RunReport(options, out, err);
  QApplication::restoreOverrideCursor();
  if (rc != 0) return fail(QString::fromStdString(err.str()));
  return options.Out;
}

// ---- showing a report ----------------------------------------------------------------------------
// The one place where a report's output is shown: the preview window, modal, as a report
// component's PreView shows it.
void OpenReportOutput(QWidget* parent, const std::string& outputPath) {
  try {
    TQoPreviewForm preview(parent);
    preview.SetFormParams(outputPath, TPrinterOrientation::poPortrait, true, 1);
    preview.exec();
  } catch (const Exception& e) {
    QMessageBox::warning(parent, QStringLiteral("Report"), QString::fromStdString(e.Message()));
  }
}

}  // namespace bexlo::demo
