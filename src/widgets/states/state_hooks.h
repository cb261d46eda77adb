// The grid-state commands of a search grid, installed into the hooks DBGrid_LoadState (F3),
// DBGrid_SaveState (Shift+F3) and DBGrid_ClearState (Ctrl+F3). They work on a TSearchDBGrid whose
// data set is a TQuery and do nothing on any other grid. States live in SYS_GRIDS of the grid
// query's database, under the ApplicationName setting and the grid's group (the class name of the
// window holding the grid, "_", the grid's objectName).
#pragma once

#include <string>

#include "grid/grid_state.h"

class QWidget;

namespace bexlo {

class TUCustomDBGrid;
class TSearchDBGrid;

// The class name of the window that holds a widget (its top-level widget), without namespace.
std::string FormClassName(const QWidget* widget);
// The grid's state group.
std::string GridStateGroupOf(const TSearchDBGrid& grid);
// The grid's lists that states read and fill.
TGridStateLists GridStateListsOf(TSearchDBGrid& grid);

// F3: lets the user choose one of the group's states (TChoiceGridForm) and loads it. Nothing is
// loaded into the grid of the choice window itself. Stored lines that loading refuses are named in
// a warning; an error (a condition that no longer fits, a query that does not open) is shown and
// leaves the grid as it was.
void GridLoadState(TUCustomDBGrid* grid);
// Shift+F3: when the grid has something to save, asks for a title (TSaveGridForm) and stores the
// grid's state under it, replacing a state of that title.
void GridSaveState(TUCustomDBGrid* grid);
// Ctrl+F3: ClearGridState on the grid (the question when confirm is set); errors are shown.
void GridClearState(TUCustomDBGrid* grid, bool confirm, bool reopen);

// Installs the three routines above (InitWidgets calls it).
void InstallStateHooks();

}  // namespace bexlo
