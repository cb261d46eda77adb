#include "widgets/states/state_hooks.h"

#include <QMetaObject>
#include <QWidget>

#include "db/query.h"
#include "grid/grid_state_store.h"
#include "util/format.h"
#include "util/hooks.h"
#include "util/messages.h"
#include "util/ui_services.h"
#include "widgets/grid/search_grid.h"
#include "widgets/states/state_forms.h"

namespace bexlo {

namespace {

// The search grid over a query that a state command works on; null otherwise.
TSearchDBGrid* StateGrid(TUCustomDBGrid* grid) {
  auto* search = dynamic_cast<TSearchDBGrid*>(grid);
  if (search == nullptr || search->Query() == nullptr) return nullptr;
  return search;
}

void ShowError(const std::exception& e) { MessageDlg(e.what(), TMsgDlgType::mtError, mbOK); }

}  // namespace

std::string FormClassName(const QWidget* widget) {
  if (widget == nullptr) return {};
  std::string name = widget->window()->metaObject()->className();
  const std::size_t colon = name.rfind("::");
  if (colon != std::string::npos) name.erase(0, colon + 2);
  return name;
}

std::string GridStateGroupOf(const TSearchDBGrid& grid) {
  return GridStateGroup(FormClassName(&grid), grid.objectName().toStdString());
}

TGridStateLists GridStateListsOf(TSearchDBGrid& grid) {
  return TGridStateLists{grid.SearchList(), grid.ChoiceList(), grid.BuilderList(), grid.BuilderOrder()};
}

void GridLoadState(TUCustomDBGrid* g) {
  TSearchDBGrid* grid = StateGrid(g);
  if (grid == nullptr) return;
  // The list of the choice window is not a grid that states are loaded into.
  if (FormClassName(grid) == "TChoiceGridForm") return;
  TQuery& query = *grid->Query();
  const std::string group = GridStateGroupOf(*grid);
  std::string title;
  try {
    TChoiceGridForm form(query.DatabaseName(), group, grid->window());
    form.OpenList();
    if (form.exec() != QDialog::Accepted) return;
    title = form.ChosenTitle();
  } catch (const std::exception& e) {
    ShowError(e);
    return;
  }
  if (title.empty()) return;
  std::vector<TGridStateRefusal> refused;
  try {
    const std::optional<TGridState> state = TGridStateStore(query.DatabaseName()).Load(group, title);
    if (!state) return;
    LoadGridState(query, GridStateListsOf(*grid), *state, &refused);
  } catch (const std::exception& e) {
    ShowError(e);
  }
  grid->LayoutChanged();
  if (!refused.empty()) {
    std::string lines;
    for (const TGridStateRefusal& r : refused) {
      if (!lines.empty()) lines += '\n';
      lines += Format(msg::SQoStateLineRefused, r.List, r.Line, r.Reason);
    }
    MessageDlg(Format(msg::SQoStateLinesRefused, title, lines), TMsgDlgType::mtWarning, mbOK);
  }
}

void GridSaveState(TUCustomDBGrid* g) {
  TSearchDBGrid* grid = StateGrid(g);
  if (grid == nullptr) return;
  const TGridStateLists lists = GridStateListsOf(*grid);
  if (!HasGridStateToSave(lists)) return;
  TQuery& query = *grid->Query();
  const std::string group = GridStateGroupOf(*grid);
  TSaveGridForm form(query.DatabaseName(), group, grid->window());
  form.OnSave = [&](const std::string& title) {
    const TGridState state = CaptureGridState(lists, query.SQLText(), group, title);
    TGridStateStore(query.DatabaseName()).Save(state, lists.Order.OrderSet);
  };
  form.exec();
}

void GridClearState(TUCustomDBGrid* g, bool confirm, bool reopen) {
  TSearchDBGrid* grid = StateGrid(g);
  if (grid == nullptr) return;
  try {
    ClearGridState(*grid->Query(), GridStateListsOf(*grid), confirm, reopen);
  } catch (const std::exception& e) {
    ShowError(e);
  }
  grid->LayoutChanged();
}

void InstallStateHooks() {
  DBGrid_LoadState = GridLoadState;
  DBGrid_SaveState = GridSaveState;
  DBGrid_ClearState = GridClearState;
}

}  // namespace bexlo
