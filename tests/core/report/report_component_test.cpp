// The report component: defaults, assignment, query parameters from variables, the registry of
// report classes, the presenter service and the list of names a template may use.
#include <gtest/gtest.h>

#include "db/data_source.h"
#include "db/params.h"
#include "report/qo_report.h"
#include "report/report_params.h"
#include "reportlang/custom_report.h"
#include "report/reports_list.h"
#include "reportlang/report_var.h"
#include "util/exceptions.h"
#include "util/strings.h"

namespace bexlo {
namespace {

TEST(ReportComponentTest, DefaultsAndAssignment) {
  TQoReport a;
  EXPECT_EQ(a.Copies(), 1);
  EXPECT_TRUE(a.CopyMode());
  EXPECT_FALSE(a.OneRecord());
  EXPECT_FALSE(a.OEMConvert());

  TDataSource source;
  TReportParams params;
  params.DataSource = &source;
  params.DataBaseName = "db";
  params.PrintName = "p.prn";
  params.OnSetNames = [](TObject*) {};
  a.Assign(&params);
  EXPECT_EQ(a.DataSource(), &source);
  EXPECT_EQ(a.PrintName, "p.prn");
  EXPECT_TRUE(a.OnSetNames);
  EXPECT_TRUE(a.CopyMode());  // untouched by params

  a.SetCopies(3);
  a.SetOEMConvert(true);
  a.FormatSource().Add(".DETAIL");
  TQoReport b;
  b.Assign(&a);
  EXPECT_EQ(b.Copies(), 3);
  EXPECT_TRUE(b.OEMConvert());
  EXPECT_EQ(b.FormatSource().Count(), 1);
  EXPECT_EQ(b.DataSource(), &source);

  TPrinterModel printer;
  printer.SetOrientation(TPrinterOrientation::poLandscape);
  b.SetPrinterModel(&printer);
  b.Assign(nullptr);
  EXPECT_EQ(b.Copies(), 1);
  EXPECT_FALSE(b.CopyMode());
  EXPECT_FALSE(b.OEMConvert());
  EXPECT_EQ(b.FormatSource().Count(), 0);
  EXPECT_EQ(b.DataSource(), nullptr);
  EXPECT_EQ(b.Orientation(), TPrinterOrientation::poLandscape);

  TStringList other;
  EXPECT_THROW(b.Assign(&other), EConvertError);
}

TEST(ReportComponentTest, LinkedComponentsAreForgottenWhenFreed) {
  TQoReport report;
  {
    TDataSource source;
    report.SetDataSource(&source);
  }
  EXPECT_EQ(report.DataSource(), nullptr);
}

TEST(ReportComponentTest, ParametersComeFromVariablesOfTheirName) {
  TQoReport report;
  report.AddVar("N")->SetNumber(2.5);
  report.AddVar("S")->SetString("text");
  report.AddVar("B")->SetBoolean(true);
  TStringList lines;
  lines.Add("first");
  lines.Add("second");
  report.AddVar("M")->SetList(lines);
  TParams params;
  TParam* n = params.CreateParam(ftUnknown, "n", ptInput);
  TParam* s = params.CreateParam(ftUnknown, "S", ptInput);
  TParam* b = params.CreateParam(ftUnknown, "B", ptInput);
  TParam* m = params.CreateParam(ftUnknown, "M", ptInput);
  TParam* other = params.CreateParam(ftUnknown, "OTHER", ptInput);
  b->SetAsString("kept");
  other->SetAsInteger(7);
  for (int i = 0; i < params.Count(); ++i) report.SetParam(*params.Items(i));
  EXPECT_DOUBLE_EQ(n->AsFloat(), 2.5);
  EXPECT_EQ(s->AsString(), "text");
  EXPECT_EQ(b->AsString(), "kept");
  EXPECT_EQ(m->DataType(), ftString);
  EXPECT_EQ(m->AsString(), "first");
  EXPECT_EQ(other->AsInteger(), 7);
}

TEST(ReportComponentTest, RegistryFindsTheReportClass) {
  TStringList plain;
  plain.Add("no sections at all");
  EXPECT_EQ(GetReport(plain)->ClassName(), "TQoReport");  // alone in the registry: accepted

  TReportClass other{"Other", [](const TStrings&) { return false; }, nullptr};
  other.Create = [](TComponent* owner) -> std::unique_ptr<TCustomReport> { return std::make_unique<TQoReport>(owner); };
  RegisterReportClass(other);
  try {
    GetReport(plain);
    ADD_FAILURE() << "a template no class accepts";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "Error of processing of report");
  }
  TStringList templ;
  templ.Add("  .detail ");
  EXPECT_NE(GetReport(templ), nullptr);
  EXPECT_TRUE(UnregisterReportClass("Other"));

  const std::vector<TReportClass> saved = ReportsList();
  ReportsList().clear();
  try {
    GetDefaultReport();
    ADD_FAILURE() << "no error with an empty registry";
  } catch (const Exception& e) {
    EXPECT_STREQ(e.what(), "It is not linked of any descendant from TCustomReport");
  }
  ReportsList() = saved;
  EXPECT_EQ(GetDefaultReport()->ClassName(), "TQoReport");
}

struct RecordingPresenter : TReportPresenter {
  void Print(const TReportPresentation& p) override { printed.push_back(p); }
  void PreView(const TReportPresentation& p) override { shown.push_back(p); }
  std::vector<TReportPresentation> printed, shown;
};

TEST(ReportComponentTest, PrintAndPreviewGoThroughThePresenter) {
  TQoReport report;
  report.PrintName = "/tmp/x.prn";
  report.SetCopies(2);
  try {
    report.Print();
    ADD_FAILURE() << "printed without a presenter";
  } catch (const Exception& e) {
    EXPECT_NE(std::string(e.what()).find("no report presenter"), std::string::npos);
  }
  RecordingPresenter presenter;
  TReportPresenter* previous = SetReportPresenter(&presenter);
  report.Print();
  report.PreView();
  SetReportPresenter(previous);
  ASSERT_EQ(presenter.printed.size(), 1u);
  EXPECT_EQ(presenter.printed[0].FileName, "/tmp/x.prn");
  EXPECT_EQ(presenter.printed[0].Copies, 2);
  EXPECT_TRUE(presenter.printed[0].CopyMode);
  EXPECT_EQ(presenter.shown.size(), 1u);
}

TEST(ReportComponentTest, RepObjectsListsVariablesAndFunctions) {
  TQoReport report;
  report.Prepare();
  TRepObjectsTable table;
  report.RepObjects(table);
  EXPECT_EQ(table.Titles, (std::vector<std::string>{"Name", "Hint"}));
  EXPECT_EQ(table.ColWidths, (std::vector<int>{300, 500}));
  bool pageNum = false, copy = false;
  for (const auto& row : table.Rows) {
    ASSERT_EQ(row.size(), 2u);
    if (row[0] == "PAGENUM" && row[1] == "Page number") pageNum = true;
    if (row[0] == "COPY()") copy = true;
  }
  EXPECT_TRUE(pageNum);
  EXPECT_TRUE(copy);
}

}  // namespace
}  // namespace bexlo
