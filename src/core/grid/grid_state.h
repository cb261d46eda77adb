// Grid states: the whole filter set-up of a search grid (its typed search values, its choice
// list, its query-builder lines and the ordering the builder set) stored under a title, so that
// the same view of the data can be brought back later, on any workstation of the application.
//
// Stored lines are outside input: every user of a database shares its states. Loading lets a
// state do only what the user could have done by typing: search lines are replayed through the
// search cell's typing rules (a value the cell would not accept is refused), choice lines must
// name a field of the query, builder lines go through the builder's value checks and the stored
// ordering must be a list of the query's fields.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "grid/query_builder.h"

namespace bexlo {

class TDataSet;
class TQuery;
class TStrings;

// One stored state: a row of SYS_GRIDS, or one .GRD file.
struct TGridState {
  std::string Group;                // GR_GRD_NAM: the grid's identity (GridStateGroup)
  std::string Title;                // GR_GRD_CMT
  std::vector<std::string> Search;  // GR_GRD_SRH: "FIELD=value" ("^" cleared)
  std::vector<std::string> Choice;  // GR_GRD_CHS: "FIELD=display text"
  std::vector<std::string> Build;   // GR_GRD_BLD: the builder's condition lines
  std::vector<std::string> Order;   // GR_GRD_ORD: the builder's ordering list

  bool operator==(const TGridState&) const = default;
};

// The longest application key, group and title the table holds (characters).
inline constexpr int kGridStateNameLength = 60;

// A grid's state group: the class name of the form that holds it, "_", the grid's name
// ("TOrderForm_Grid1").
std::string GridStateGroup(std::string_view formClassName, std::string_view gridName);

// The lists of a search grid that states read and fill.
struct TGridStateLists {
  TStrings& SearchList;
  TStrings& ChoiceList;
  TStrings& BuilderList;
  TBuilderOrderState& Order;
};

// Whether a grid has something to save: a search line, a choice line, a builder line, or an
// ordering set by the builder.
bool HasGridStateToSave(const TGridStateLists& lists);

// The state of a grid under a title: its three lists and, when the builder set the ordering, the
// query text's ordering list. A state without an ordering keeps the stored one when saved
// (TGridStateStore::Save with writeOrder false).
TGridState CaptureGridState(const TGridStateLists& lists, std::string_view queryText,
                            std::string group, std::string title);

// A stored line that loading refused, and why.
struct TGridStateRefusal {
  std::string List;  // "search" or "choice"
  std::string Line;
  std::string Reason;
};

// The search lines a user could have typed into the grid of this data set: "FIELD=VALUE" where
// FIELD is a field of a searchable kind and VALUE ("^" cleared) is what typing its characters
// one by one into that field's search cell gives. FIELD must be the data set's field name exactly
// (the grid writes no other), not merely one the grid's field lookup finds ("T.NAME", ".NAME").
// Others are refused.
std::vector<std::string> CheckStateSearchLines(const TDataSet& dataSet,
                                               const std::vector<std::string>& lines,
                                               std::vector<TGridStateRefusal>* refused);
// The choice lines that name a field of the data set of a searchable kind ("FIELD=text").
std::vector<std::string> CheckStateChoiceLines(const TDataSet& dataSet,
                                               const std::vector<std::string>& lines,
                                               std::vector<TGridStateRefusal>* refused);

// Loads a state into a grid's lists and its query (F3):
// - the replacement rule: a state with an ordering but neither search nor builder lines keeps the
//   grid's search values and builder lines; otherwise every search value is cleared ("^"), the
//   state's checked search lines are appended and the builder lines replaced;
// - the choice list takes the state's checked choice lines;
// - the search list is applied to the query's text (GetSearchSQL), then the builder lines and the
//   ordering (RunQueryBuilder), and the query is reopened with a copy of its parameters;
// - search lines with the cleared value "^" are removed.
// A failure (a builder value that does not fit, a query that does not open) puts the lists, the
// ordering state and the query's text back as they were and passes the error on. Refused lines
// are reported in `refused` when given.
void LoadGridState(TQuery& query, const TGridStateLists& lists, const TGridState& state,
                   std::vector<TGridStateRefusal>* refused = nullptr);

// Clears a grid's state (Ctrl+F3): with confirm, asks "Are you sure, that want to clear table
// state ?" first and does nothing unless the answer is Yes. Clears every search value, empties
// the choice and builder lists, removes their blocks and the builder's ordering from the query's
// text, and reloads the query (reopened when reopen is set). Returns false when not confirmed.
bool ClearGridState(TQuery& query, const TGridStateLists& lists, bool confirm, bool reopen);

// Sets every search-list value to "^" (cleared).
void ClearSearchList(TStrings& searchList);

}  // namespace bexlo
