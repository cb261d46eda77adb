#include "widgets/grid/popup_menu.h"

// TPopupMenu is defined inline; this file gives its meta-object a home.
#include "moc_popup_menu.cpp"
