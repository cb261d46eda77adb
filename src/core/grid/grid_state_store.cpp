#include "grid/grid_state_store.h"

#include <filesystem>
#include <functional>
#include <memory>

#include "db/database.h"
#include "db/field.h"
#include "db/params.h"
#include "db/query.h"
#include "grid/grid_state_file.h"
#include "util/exceptions.h"
#include "util/format.h"
#include "util/messages.h"
#include "util/settings.h"
#include "util/strings.h"
#include "util/text.h"

namespace bexlo {

namespace {

constexpr const char* kColumns =
    "GR_APP_NAM, GR_GRD_NAM, GR_GRD_CMT, GR_GRD_SRH, GR_GRD_CHS, GR_GRD_BLD, GR_GRD_ORD";

std::string MemoText(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& l : lines) {
    out += l;
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> MemoLines(const std::string& text) {
  TStringList list;
  list.SetText(text);
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  return out;
}

void CheckLength(const char* what, std::string_view value) {
  if (Utf8Length(value) > static_cast<std::size_t>(kGridStateNameLength)) {
    throw Exception(Format(msg::SQoStateTooLong, std::string(what), std::string(value), kGridStateNameLength));
  }
}

TGridState StateOfRow(const TQuery& q) {
  TGridState s;
  s.Group = q.Fields(1)->AsString();
  s.Title = q.Fields(2)->AsString();
  s.Search = MemoLines(q.Fields(3)->AsString());
  s.Choice = MemoLines(q.Fields(4)->AsString());
  s.Build = MemoLines(q.Fields(5)->AsString());
  s.Order = MemoLines(q.Fields(6)->AsString());
  return s;
}

void SetString(TParams& params, std::string_view name, std::string_view value) {
  params.CreateParam(ftString, name, TParamType::ptInput)->SetAsString(value);
}

}  // namespace

TGridStateStore::TGridStateStore(std::string databaseName, std::string applicationName)
    : database_name_(std::move(databaseName)), app_(std::move(applicationName)) {}

TGridStateStore::TGridStateStore(std::string databaseName)
    : TGridStateStore(std::move(databaseName), ApplicationName) {}

TGridStateStore::TGridStateStore(TDatabase& database, std::string applicationName)
    : database_name_(database.DatabaseName()), database_(&database), app_(std::move(applicationName)) {}

TDatabase& TGridStateStore::Database() {
  if (database_ != nullptr) return *database_;
  return *Session().OpenDatabase(database_name_);
}

std::vector<std::string> TGridStateStore::Titles(std::string_view group) {
  TQuery q;
  q.SetDatabaseName(database_name_);
  q.SetSQLText(
      "SELECT GR_GRD_CMT FROM SYS_GRIDS\nWHERE\nGR_GRD_NAM = :GrdName AND\nGR_APP_NAM = :AppName\n"
      "ORDER BY GR_GRD_CMT");
  q.ParamByName("GrdName")->SetAsString(group);
  q.ParamByName("AppName")->SetAsString(app_);
  q.Open();
  std::vector<std::string> titles;
  for (; !q.Eof(); q.Next()) titles.push_back(q.Fields(0)->AsString());
  return titles;
}

std::optional<TGridState> TGridStateStore::Load(std::string_view group, std::string_view title) {
  TQuery q;
  q.SetDatabaseName(database_name_);
  q.SetSQLText(std::string("SELECT ") + kColumns +
               " FROM SYS_GRIDS\nWHERE\nGR_APP_NAM = :AppName AND\nGR_GRD_NAM = :GrdName AND\n"
               "GR_GRD_CMT = :GrdCmt");
  q.ParamByName("AppName")->SetAsString(app_);
  q.ParamByName("GrdName")->SetAsString(group);
  q.ParamByName("GrdCmt")->SetAsString(title);
  q.Open();
  if (q.Eof()) return std::nullopt;
  return StateOfRow(q);
}

void TGridStateStore::Save(const TGridState& state, bool writeOrder) {
  if (state.Title.empty()) throw Exception(msg::SQoStateNameEmpty);
  CheckLength("application key", app_);
  CheckLength("state group", state.Group);
  CheckLength("state name", state.Title);
  std::string sql = std::string("INSERT INTO SYS_GRIDS (") + kColumns +
                    ")\nVALUES (:AppName, :GrdName, :GrdCmt, :GrdSrh, :GrdChs, :GrdBld, :GrdOrd)\n"
                    "ON CONFLICT (GR_APP_NAM, GR_GRD_NAM, GR_GRD_CMT) DO UPDATE SET\n"
                    "GR_GRD_SRH = excluded.GR_GRD_SRH, GR_GRD_CHS = excluded.GR_GRD_CHS, "
                    "GR_GRD_BLD = excluded.GR_GRD_BLD";
  if (writeOrder) sql += ", GR_GRD_ORD = excluded.GR_GRD_ORD";
  TParams params;
  SetString(params, "AppName", app_);
  SetString(params, "GrdName", state.Group);
  SetString(params, "GrdCmt", state.Title);
  SetString(params, "GrdSrh", MemoText(state.Search));
  SetString(params, "GrdChs", MemoText(state.Choice));
  SetString(params, "GrdBld", MemoText(state.Build));
  SetString(params, "GrdOrd", writeOrder ? MemoText(state.Order) : std::string());
  Database().Execute(sql, &params);
}

bool TGridStateStore::Delete(std::string_view group, std::string_view title) {
  TParams params;
  SetString(params, "AppName", app_);
  SetString(params, "GrdName", group);
  SetString(params, "GrdCmt", title);
  return Database().Execute(
             "DELETE FROM SYS_GRIDS\nWHERE\nGR_APP_NAM = :AppName and\nGR_GRD_NAM = :GrdName and\n"
             "GR_GRD_CMT = :GrdCmt",
             &params) > 0;
}

std::vector<TGridState> TGridStateStore::List(std::string_view groupPattern) {
  TQuery q;
  q.SetDatabaseName(database_name_);
  q.SetSQLText(std::string("SELECT ") + kColumns +
               " FROM SYS_GRIDS\nWHERE\nGR_APP_NAM = :AppNam AND\nGR_GRD_NAM LIKE :GrdNam\n"
               "ORDER BY GR_GRD_NAM, GR_GRD_CMT");
  q.ParamByName("AppNam")->SetAsString(app_);
  q.ParamByName("GrdNam")->SetAsString(groupPattern);
  q.Open();
  std::vector<TGridState> states;
  for (; !q.Eof(); q.Next()) states.push_back(StateOfRow(q));
  return states;
}

std::vector<std::string> TGridStateStore::Groups() {
  TQuery q;
  q.SetDatabaseName(database_name_);
  q.SetSQLText("SELECT DISTINCT GR_GRD_NAM FROM SYS_GRIDS\nWHERE GR_APP_NAM = :AppNam\nORDER BY GR_GRD_NAM");
  q.ParamByName("AppNam")->SetAsString(app_);
  q.Open();
  std::vector<std::string> groups;
  for (; !q.Eof(); q.Next()) groups.push_back(q.Fields(0)->AsString());
  return groups;
}

void TGridStateStore::Export(const std::string& dir, std::string_view groupPattern) {
  ExportGridStates(dir, List(groupPattern));
}

TGridStateStore::TImportResult TGridStateStore::Import(
    const std::string& dir, const std::function<void(int done, int total)>& progress) {
  const std::vector<std::string> files = ListGridStateFiles(dir);
  TImportResult result;
  Database().Atomic([&] {
    result = TImportResult();
    const int total = static_cast<int>(files.size());
    for (int i = 0; i < total; ++i) {
      if (progress) progress(i, total);
      const std::string& path = files[static_cast<std::size_t>(i)];
      std::string group, title;
      if (!SplitGridStateFileName(std::filesystem::path(path).filename().string(), group, title)) {
        ++result.Skipped;
        continue;
      }
      try {
        const TGridStateFile file = ReadGridStateFile(path);
        const bool exists = Load(file.State.Group, file.State.Title).has_value();
        if (file.DeleteMark) {
          if (exists) {
            Delete(file.State.Group, file.State.Title);
            ++result.Deleted;
          }
          continue;
        }
        Save(file.State, true);
        ++(exists ? result.Replaced : result.Added);
      } catch (const std::exception& e) {
        const std::string what = Format(msg::SQoStateAddError, title, group) + ": " + e.what();
        throw Exception(Format(msg::SQoStateImportFailed, path, what));
      }
    }
    if (progress) progress(total, total);
  });
  return result;
}

}  // namespace bexlo
