#include "widgets/platform/init_widgets.h"

namespace bexlo {

void InitWidgets() {
  static bool done = false;
  if (done) return;
  done = true;
  // Each subsystem of the widget library installs its services and hooks here.
}

}  // namespace bexlo
