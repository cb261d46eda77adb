#include "report/reports_list.h"

#include <algorithm>

#include "report/qo_report.h"
#include "util/exceptions.h"
#include "util/messages.h"

namespace bexlo {

namespace {

std::unique_ptr<TCustomReport> CreateQoReport(TComponent* owner) { return std::make_unique<TQoReport>(owner); }

std::vector<TReportClass> MakeInitialList() {
  std::vector<TReportClass> list;
  list.push_back(TReportClass{"QoReport", &TQoReport::CheckFormatSource, &CreateQoReport});
  return list;
}

}  // namespace

std::vector<TReportClass>& ReportsList() {
  static std::vector<TReportClass> list = MakeInitialList();
  return list;
}

void RegisterReportClass(TReportClass reportClass) {
  auto& list = ReportsList();
  auto it = std::find_if(list.begin(), list.end(),
                         [&](const TReportClass& c) { return c.Name == reportClass.Name; });
  if (it != list.end())
    *it = std::move(reportClass);
  else
    list.push_back(std::move(reportClass));
}

bool UnregisterReportClass(const std::string& name) {
  auto& list = ReportsList();
  auto it = std::find_if(list.begin(), list.end(), [&](const TReportClass& c) { return c.Name == name; });
  if (it == list.end()) return false;
  list.erase(it);
  return true;
}

std::unique_ptr<TCustomReport> GetReport(const TStrings& lines) {
  const auto& list = ReportsList();
  if (list.empty()) throw Exception(msg::SQoNotLinkedReport);
  for (const TReportClass& c : list) {
    if (c.CheckFormatSource && c.Create && c.CheckFormatSource(lines)) return c.Create(nullptr);
  }
  throw Exception(msg::SQoReportProcessingError);
}

std::unique_ptr<TCustomReport> GetDefaultReport() {
  const auto& list = ReportsList();
  if (list.empty() || !list.front().Create) throw Exception(msg::SQoNotLinkedReport);
  return list.front().Create(nullptr);
}

}  // namespace bexlo
