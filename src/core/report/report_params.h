// TReportParams: the outside settings of a report (data set, data source, callbacks, database,
// group and file names) carried between windows and report objects. It owns nothing.
//
// TExpertParams: the choices of the template expert: the kind of template to generate, the
// selected fields and the fields to total (each list null until its first field is added), the
// table name and the report title.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "util/object.h"
#include "util/settings.h"

namespace bexlo {

class TDataSet;
class TDataSource;
class TField;

class TReportParams : public TPersistent {
 public:
  std::string_view ClassName() const noexcept override { return "TReportParams"; }

  TDataSet* DataSet = nullptr;
  TDataSource* DataSource = nullptr;
  TNotifyEvent OnSetValues;
  TSetSQLParamsEvent OnSetSQLParams;
  TNotifyEvent OnSetNames;
  TNotifyEvent OnSetFuncs;
  TEndReportEvent OnEndReport;
  std::string DataBaseName;
  std::string GroupName;     // report group of the report list
  std::string LastRptName;   // the report the chooser ran last
  std::string RptName;       // the report the single-report dialog opens
  std::string PrintName;     // output file name

  // Another TReportParams: copies every setting. Anything else: the inherited assignment.
  void Assign(const TPersistent* source) override;
};

enum TExpertType { etSimple, etTable, etExcel, etWord };

class TExpertParams : public TObject {
 public:
  std::string_view ClassName() const noexcept override { return "TExpertParams"; }

  TExpertType ExpertType = etSimple;
  // Selected fields and fields to total, in selection order (not owned); null until used.
  std::unique_ptr<std::vector<TField*>> FieldsList;
  std::unique_ptr<std::vector<TField*>> FooterList;
  std::string TableName;  // etTable
  std::string Title;      // etSimple

  // Append the selected fields to the list (created on first use).
  void SetFieldsList(const std::vector<TField*>& selected);
  void SetFooterList(const std::vector<TField*>& selected);
};

}  // namespace bexlo
