// The choice list: records the user has chosen, kept as "FIELD=display text" lines. A record is
// chosen when, for some line whose field the data set has, the field's display text in that
// record equals the text exactly; lines of other fields are ignored. With the invert flag the
// meaning flips: every record is chosen except the listed ones.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace bexlo {

class TDataSet;
class TField;
class TStrings;

// Decides for many records (a grid painting its rows) with the list read once: build it when the
// list, the flag or the data set's fields change, then ask for the record the data set's fields
// read (its current or display record).
class TChoiceMatcher {
 public:
  TChoiceMatcher() = default;
  TChoiceMatcher(const TStrings& choiceList, const TDataSet* dataSet, bool invert);

  bool IsChosen() const;
  // No line names a field of the data set (every record is then unchosen, or chosen if inverted).
  bool Empty() const noexcept { return fields_.empty(); }

 private:
  struct FieldTexts {
    const TField* field;
    std::unordered_set<std::string> texts;
  };
  std::vector<FieldTexts> fields_;
  bool invert_ = false;
};

// Whether the data set's current record is chosen (one-off; TChoiceMatcher for many records).
bool IsRecordChosen(const TStrings& choiceList, const TDataSet* dataSet, bool invert);

// Toggles the current record by field `fieldName` (GridFindField): the line FIELD=display text is
// removed when present, else appended. Nothing happens (false) when the name is empty, the data
// set has no such field, is closed or empty, or the display text is empty.
bool ToggleChoice(TStrings& choiceList, const TDataSet* dataSet, std::string_view fieldName);

}  // namespace bexlo
