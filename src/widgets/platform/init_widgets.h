// InitWidgets: the one call a host application makes once, after creating its QApplication, to
// put the widget library in place of core's non-interactive defaults: Qt dialogs for the
// user-interaction services, the report presenter (preview and printing of report components),
// and every hook the widget library implements. Calling it again does nothing.
#pragma once

namespace bexlo {

void InitWidgets();

}  // namespace bexlo
