#include "widgets/platform/init_widgets.h"

#include "widgets/grid/grid_windows.h"

namespace bexlo {

void InitWidgets() {
  static bool done = false;
  if (done) return;
  done = true;
  // Each subsystem of the widget library installs its services and hooks here.

  // ---- data grid: excerpt, memo view, record count and the shared popup menu ----
  InstallGridHooks();
}

}  // namespace bexlo
