#include "grid/choice_list.h"

#include <algorithm>

#include "db/dataset.h"
#include "db/field.h"
#include "grid/search_sql.h"
#include "util/strings.h"

namespace bexlo {

TChoiceMatcher::TChoiceMatcher(const TStrings& choiceList, const TDataSet* dataSet, bool invert)
    : invert_(invert) {
  for (int i = 0; i < choiceList.Count(); ++i) {
    const std::string& line = choiceList.Strings(i);
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) continue;
    const TField* field = GridFindField(dataSet, std::string_view(line).substr(0, eq));
    if (field == nullptr) continue;
    auto it = std::find_if(fields_.begin(), fields_.end(),
                           [field](const FieldTexts& f) { return f.field == field; });
    if (it == fields_.end()) it = fields_.insert(fields_.end(), FieldTexts{field, {}});
    it->texts.insert(line.substr(eq + 1));
  }
}

bool TChoiceMatcher::IsChosen() const {
  bool listed = false;
  for (const FieldTexts& f : fields_) {
    if (f.texts.contains(f.field->DisplayText())) {
      listed = true;
      break;
    }
  }
  return listed != invert_;
}

bool IsRecordChosen(const TStrings& choiceList, const TDataSet* dataSet, bool invert) {
  return TChoiceMatcher(choiceList, dataSet, invert).IsChosen();
}

bool ToggleChoice(TStrings& choiceList, const TDataSet* dataSet, std::string_view fieldName) {
  if (fieldName.empty() || dataSet == nullptr || !dataSet->Active() || dataSet->IsEmpty()) {
    return false;
  }
  const TField* field = GridFindField(dataSet, fieldName);
  if (field == nullptr) return false;
  const std::string text = field->DisplayText();
  if (text.empty()) return false;
  const std::string line = std::string(fieldName) + "=" + text;
  for (int i = 0; i < choiceList.Count(); ++i) {
    if (choiceList.Strings(i) == line) {
      choiceList.Delete(i);
      return true;
    }
  }
  choiceList.Add(line);
  return true;
}

}  // namespace bexlo
