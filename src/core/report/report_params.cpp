#include "report/report_params.h"

namespace bexlo {

void TReportParams::Assign(const TPersistent* source) {
  const auto* params = dynamic_cast<const TReportParams*>(source);
  if (!params) return TPersistent::Assign(source);
  if (params == this) return;
  DataSet = params->DataSet;
  DataSource = params->DataSource;
  OnSetValues = params->OnSetValues;
  OnSetSQLParams = params->OnSetSQLParams;
  OnSetNames = params->OnSetNames;
  OnSetFuncs = params->OnSetFuncs;
  OnEndReport = params->OnEndReport;
  DataBaseName = params->DataBaseName;
  GroupName = params->GroupName;
  LastRptName = params->LastRptName;
  RptName = params->RptName;
  PrintName = params->PrintName;
}

namespace {

void AppendFields(std::unique_ptr<std::vector<TField*>>& list, const std::vector<TField*>& selected) {
  if (!list) list = std::make_unique<std::vector<TField*>>();
  list->insert(list->end(), selected.begin(), selected.end());
}

}  // namespace

void TExpertParams::SetFieldsList(const std::vector<TField*>& selected) { AppendFields(FieldsList, selected); }

void TExpertParams::SetFooterList(const std::vector<TField*>& selected) { AppendFields(FooterList, selected); }

}  // namespace bexlo
