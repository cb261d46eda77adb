// ReportsList: the process-wide registry of report classes, in registration (= search) order.
// GetReport asks each class whether it accepts a template and creates the first that does;
// GetDefaultReport creates the first registered class. The template report registers itself as
// "QoReport" before the list is first used.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace bexlo {

class TComponent;
class TCustomReport;
class TStrings;

// A registered report class: its class-level template check and its constructor.
struct TReportClass {
  std::string Name;
  bool (*CheckFormatSource)(const TStrings& lines) = nullptr;
  std::unique_ptr<TCustomReport> (*Create)(TComponent* owner) = nullptr;
};

// The registry (never null); code may add to it and remove from it.
std::vector<TReportClass>& ReportsList();
// Appends a class (a second registration under the same name replaces the first in place).
void RegisterReportClass(TReportClass reportClass);
// Removes the class registered under `name`; false when there is none.
bool UnregisterReportClass(const std::string& name);

// A new report (no owner, caller owns it) of the first class that accepts `lines`.
// "It is not linked of any descendant from TCustomReport" with an empty registry; "Error of
// processing of report" when no class accepts the template.
std::unique_ptr<TCustomReport> GetReport(const TStrings& lines);
// A new report of the first registered class; fails like GetReport with an empty registry.
std::unique_ptr<TCustomReport> GetDefaultReport();

}  // namespace bexlo
