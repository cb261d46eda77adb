// The customers list as an editing list: F2 or Enter edits a cell in place (posted when the
// cursor leaves the record, Enter posts, Esc cancels), Ctrl+Ins adds a customer, Shift with the
// arrows or Ctrl+click selects customers and Ctrl+Delete deletes them (or the current one). The
// Notes column has an ellipsis button that opens the notes.
#pragma once

namespace bexlo::demo {

struct TListPage;

// Turns the page's query into a live one and its grid into an editing grid with multi-selection.
void MakeCustomersEditable(TListPage& page);

}  // namespace bexlo::demo
