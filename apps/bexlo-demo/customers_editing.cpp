#include "customers_editing.h"

#include "db/field.h"
#include "db/query.h"
#include "order_desk.h"
#include "util/datetime.h"
#include "widgets/grid/search_grid.h"

namespace bexlo::demo {

namespace {

// A new customer: the next number, today as "customer since", and empty texts where the table
// wants a value, so that only the name has to be typed.
void NewCustomer(TDataSet* ds) {
  auto* query = static_cast<TQuery*>(ds);
  TQuery next;
  next.SetDatabaseName(query->DatabaseName());
  next.SetSQLText("select coalesce(max(id), 0) + 1 from customers");
  next.Open();
  ds->FieldByName("id")->SetAsInteger(next.Fields(0)->AsInteger());
  next.Close();
  ds->FieldByName("since")->SetAsDateTime(Date());
  for (const char* name : {"street", "city", "country", "phone"}) ds->FieldByName(name)->SetAsString("");
}

}  // namespace

void MakeCustomersEditable(TListPage& page) {
  TQuery& query = *page.Query;
  TSearchDBGrid& grid = *page.Grid;
  const int frozen = grid.FixedCols();
  query.Close();
  query.SetRequestLive(true);
  query.OnNewRecord = NewCustomer;
  query.Open();
  grid.SetOptions(grid.Options() | dgEditing | dgMultiSelect);
  // The columns become the list's own so that Notes can carry its button; they keep the fields'
  // labels and widths.
  TUDBGridColumns& columns = grid.Columns();
  columns.SetState(TDBGridColumnsState::csCustomized);
  for (int c = 0; c < columns.Count(); ++c) {
    if (columns.Items(c)->FieldName() == "notes") columns.Items(c)->SetButtonStyle(TColumnButtonStyle::cbsEllipsis);
  }
  grid.OnEditButtonClick = [&grid](QObject*) { grid.ShowMemo(); };
  grid.SetFixedCols(frozen);
}

}  // namespace bexlo::demo
