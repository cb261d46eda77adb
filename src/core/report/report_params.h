// TExpertParams: the choices of the template expert: the kind of template to generate, the
// selected fields and the fields to total (each list null until its first field is added), the
// table name and the report title. (TReportParams, the outside settings of a report, is declared
// with the report component in reportlang/custom_report.h.)
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "reportlang/custom_report.h"

namespace bexlo {

class TField;

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
