#include "report/report_params.h"

namespace bexlo {

namespace {

void AppendFields(std::unique_ptr<std::vector<TField*>>& list, const std::vector<TField*>& selected) {
  if (!list) list = std::make_unique<std::vector<TField*>>();
  list->insert(list->end(), selected.begin(), selected.end());
}

}  // namespace

void TExpertParams::SetFieldsList(const std::vector<TField*>& selected) { AppendFields(FieldsList, selected); }

void TExpertParams::SetFooterList(const std::vector<TField*>& selected) { AppendFields(FooterList, selected); }

}  // namespace bexlo
