#include "grid/grid_state.h"

#include "db/dataset.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "grid/search_input.h"
#include "grid/search_sql.h"
#include "util/messages.h"
#include "util/strings.h"
#include "util/text.h"
#include "util/ui_services.h"

namespace bexlo {

namespace {

std::vector<std::string> ListLines(const TStrings& list) {
  std::vector<std::string> out;
  out.reserve(static_cast<std::size_t>(list.Count()));
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

void SetListLines(TStrings& list, const std::vector<std::string>& lines) {
  list.Clear();
  for (const std::string& l : lines) list.Add(l);
}

void Refuse(std::vector<TGridStateRefusal>* refused, const char* list, const std::string& line,
            std::string reason) {
  if (refused != nullptr) refused->push_back({list, line, std::move(reason)});
}

// The value typing `value` character by character into a search cell of this kind gives; false
// when the cell refuses a character.
bool ReplayTyping(char kind, std::string_view value, std::string& typed) {
  typed.clear();
  std::size_t pos = 0;
  while (pos < value.size()) {
    const std::size_t start = pos;
    Utf8Decode(value, pos);
    const std::string_view ch = value.substr(start, pos - start);
    if (static_cast<unsigned char>(ch.front()) < 32) return false;
    const std::optional<std::string> next = SearchCellTypeChar(kind, typed, ch);
    if (!next) return false;
    typed = *next;
  }
  return true;
}

// The kind of a stored line's field: a field the data set has under exactly that name (typing
// only ever writes such names), of a kind the grid searches on; "U" otherwise.
char StoredFieldKind(const TDataSet& dataSet, std::string_view field) {
  const TField* f = dataSet.FindField(field);
  if (f == nullptr || f->FieldName() != field) return fkSearchUnknown;
  return GetFieldType(&dataSet, field);
}

std::string JoinBlank(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) {
    if (!out.empty()) out += ' ';
    out += l;
  }
  return out;
}

// The lists, ordering state and query text as they were before a load, put back on failure.
class GridSnapshot {
 public:
  GridSnapshot(TQuery& query, const TGridStateLists& lists)
      : query_(query), lists_(lists), search_(ListLines(lists.SearchList)),
        choice_(ListLines(lists.ChoiceList)), builder_(ListLines(lists.BuilderList)),
        order_(lists.Order), text_(query.SQLText()), wasOpen_(query.Active()) {}

  void Restore() {
    SetListLines(lists_.SearchList, search_);
    SetListLines(lists_.ChoiceList, choice_);
    SetListLines(lists_.BuilderList, builder_);
    lists_.Order = order_;
    try {
      ReloadQuery(query_, text_, false, wasOpen_, nullptr);
    } catch (...) {
      // The first error is the one the caller hears of.
    }
  }

 private:
  TQuery& query_;
  const TGridStateLists& lists_;
  std::vector<std::string> search_, choice_, builder_;
  TBuilderOrderState order_;
  std::string text_;
  bool wasOpen_;
};

class ControlsDisabled {
 public:
  explicit ControlsDisabled(TDataSet& dataSet) : dataSet_(dataSet) { dataSet_.DisableControls(); }
  ~ControlsDisabled() { dataSet_.EnableControls(); }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  TDataSet& dataSet_;
};

}  // namespace

std::string GridStateGroup(std::string_view formClassName, std::string_view gridName) {
  return std::string(formClassName) + "_" + std::string(gridName);
}

bool HasGridStateToSave(const TGridStateLists& lists) {
  return lists.SearchList.Count() > 0 || lists.ChoiceList.Count() > 0 ||
         lists.BuilderList.Count() > 0 || lists.Order.OrderSet;
}

TGridState CaptureGridState(const TGridStateLists& lists, std::string_view queryText,
                            std::string group, std::string title) {
  TGridState state;
  state.Group = std::move(group);
  state.Title = std::move(title);
  state.Search = ListLines(lists.SearchList);
  state.Choice = ListLines(lists.ChoiceList);
  state.Build = ListLines(lists.BuilderList);
  if (lists.Order.OrderSet) {
    const std::string order = BuilderOrderOf(queryText);
    if (!order.empty()) {
      TStringList split;
      split.SetText(order);
      state.Order = ListLines(split);
    }
  }
  return state;
}

std::vector<std::string> CheckStateSearchLines(const TDataSet& dataSet,
                                               const std::vector<std::string>& lines,
                                               std::vector<TGridStateRefusal>* refused) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      Refuse(refused, "search", line, "not a FIELD=value line");
      continue;
    }
    const std::string_view field = std::string_view(line).substr(0, eq);
    const std::string_view value = std::string_view(line).substr(eq + 1);
    const char kind = StoredFieldKind(dataSet, field);
    if (kind == fkSearchUnknown) {
      Refuse(refused, "search", line, "the query has no searchable field of that name");
      continue;
    }
    std::string typed;
    if (value != "^" && (!ReplayTyping(kind, value, typed) || typed != value)) {
      Refuse(refused, "search", line, "the value cannot be typed into the field's search cell");
      continue;
    }
    out.push_back(line);
  }
  return out;
}

std::vector<std::string> CheckStateChoiceLines(const TDataSet& dataSet,
                                               const std::vector<std::string>& lines,
                                               std::vector<TGridStateRefusal>* refused) {
  std::vector<std::string> out;
  for (const std::string& line : lines) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) {
      Refuse(refused, "choice", line, "not a FIELD=text line");
      continue;
    }
    if (StoredFieldKind(dataSet, std::string_view(line).substr(0, eq)) == fkSearchUnknown) {
      Refuse(refused, "choice", line, "the query has no searchable field of that name");
      continue;
    }
    out.push_back(line);
  }
  return out;
}

void ClearSearchList(TStrings& searchList) {
  for (int i = 0; i < searchList.Count(); ++i) {
    const std::string& line = searchList.Strings(i);
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos) searchList.SetStrings(i, line.substr(0, eq + 1) + "^");
  }
}

void LoadGridState(TQuery& query, const TGridStateLists& lists, const TGridState& state,
                   std::vector<TGridStateRefusal>* refused) {
  const std::vector<std::string> search = CheckStateSearchLines(query, state.Search, refused);
  const std::vector<std::string> choice = CheckStateChoiceLines(query, state.Choice, refused);
  GridSnapshot snapshot(query, lists);
  try {
    const bool orderOnly = !state.Order.empty() && state.Search.empty() && state.Build.empty();
    if (!orderOnly) {
      ClearSearchList(lists.SearchList);
      for (const std::string& line : search) lists.SearchList.Add(line);
      SetListLines(lists.BuilderList, state.Build);
    }
    SetListLines(lists.ChoiceList, choice);
    {
      ControlsDisabled disabled(query);
      TParams params;
      params.Assign(&query.Params());
      const std::string text = GetSearchSQL(query, query.SQLText(), lists.SearchList, &params);
      RunQueryBuilder(query, lists.BuilderList, lists.Order, JoinBlank(state.Order), text, false);
      ReloadQuery(query, query.SQLText(), false, true, &params);
    }
  } catch (...) {
    snapshot.Restore();
    throw;
  }
  for (int i = lists.SearchList.Count() - 1; i >= 0; --i) {
    const std::string& line = lists.SearchList.Strings(i);
    const std::size_t eq = line.find('=');
    if (eq != std::string::npos && std::string_view(line).substr(eq + 1) == "^") lists.SearchList.Delete(i);
  }
}

bool ClearGridState(TQuery& query, const TGridStateLists& lists, bool confirm, bool reopen) {
  if (confirm && MessageDlg(msg::SQoStateClear, TMsgDlgType::mtWarning, mbYesNoCancel) != mrYes) {
    return false;
  }
  ClearSearchList(lists.SearchList);
  lists.ChoiceList.Clear();
  lists.BuilderList.Clear();
  ControlsDisabled disabled(query);
  TParams params;
  params.Assign(&query.Params());
  const std::string text = GetSearchSQL(query, query.SQLText(), lists.SearchList, &params);
  RunQueryBuilder(query, lists.BuilderList, lists.Order, "", text, false);
  ReloadQuery(query, query.SQLText(), false, reopen, &params);
  return true;
}

}  // namespace bexlo
