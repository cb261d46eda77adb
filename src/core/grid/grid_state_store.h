// The table SYS_GRIDS: grid states stored in an application's database, keyed by application,
// group and title (sql/sqlite/sys_grids.sql, sql/postgresql/sys_grids.sql). The table must exist;
// the store never creates it.
//
// Memo columns hold their lines each followed by CR LF. Save is one upsert (INSERT ... ON
// CONFLICT on the key), so two workstations saving the same title at the same moment leave one
// row and neither gets an error. An import of .GRD files runs in one transaction: a file that
// fails leaves every state as it was before the import and the error names the file.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "grid/grid_state.h"

namespace bexlo {

class TDatabase;

class TGridStateStore {
 public:
  // The states of application `applicationName` in the database of that name (a grid's query
  // DatabaseName), or in the given database.
  explicit TGridStateStore(std::string databaseName, std::string applicationName);
  explicit TGridStateStore(std::string databaseName);  // ApplicationName
  TGridStateStore(TDatabase& database, std::string applicationName);

  const std::string& ApplicationKey() const noexcept { return app_; }

  // The titles of a group, in title order.
  std::vector<std::string> Titles(std::string_view group);
  // The state of that group and title; nothing when there is none.
  std::optional<TGridState> Load(std::string_view group, std::string_view title);
  // Writes the state under its group and title, replacing a row of that title. The ordering is
  // written when writeOrder is set (the builder set it); otherwise a replaced row keeps its own
  // and a new row gets none. Raises "Name can not be empty" for an empty title, and an error for
  // a key longer than the table holds.
  void Save(const TGridState& state, bool writeOrder);
  // Deletes a state; false when there was none.
  bool Delete(std::string_view group, std::string_view title);
  // The states of the groups matching a LIKE pattern ("%" for all), ordered by group and title.
  std::vector<TGridState> List(std::string_view groupPattern);
  // The groups that have states.
  std::vector<std::string> Groups();

  // Writes one .GRD file per state of the matching groups into dir (ExportGridStates).
  void Export(const std::string& dir, std::string_view groupPattern);

  struct TImportResult {
    int Added = 0;
    int Replaced = 0;
    int Deleted = 0;
    int Skipped = 0;  // .GRD files whose name has no "^"
  };
  // Imports every .GRD file of dir, in name order, in one transaction: a file without a deletion
  // mark adds its state or replaces the four lists of the state of that title; one with the mark
  // deletes that state. When a file cannot be read or stored, nothing of the import is kept and
  // the error names the file, the state and the reason. `progress`, when set, hears the number of
  // files done and the total before each file.
  TImportResult Import(const std::string& dir,
                       const std::function<void(int done, int total)>& progress = {});

 private:
  TDatabase& Database();

  std::string database_name_;
  TDatabase* database_ = nullptr;
  std::string app_;
};

}  // namespace bexlo
