// InitWidgets: the one call a host application makes once, after creating its QApplication, to
// put the widget library in place of core's non-interactive defaults: Qt dialogs for the
// user-interaction services, the report presenter (preview and printing of report components),
// every hook the widget library implements (Report_EditFile: the text editor window), and the
// viewer's stored settings (PrinterDPI, ShadowPrint; a PrinterDPI the host set before the call
// is kept). Calling it again does nothing. A QApplication created while the library is loaded
// runs it by itself.
#pragma once

namespace bexlo {

void InitWidgets();

}  // namespace bexlo
