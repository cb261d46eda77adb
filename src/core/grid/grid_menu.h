// The shared grid popup menu as data: its items in order with their tags (command numbers) and
// captions, which commands each tag gives, which items are visible with the hooks installed now,
// and the separator tidying of CheckCaptionInMenu. The widget menu builds its actions from
// GridPopupMenuItems and applies the visibility computed here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace bexlo {

// The menu's commands by tag.
enum class TGridCommand : int {
  None = 0,
  ReportList = 1,       // ShowReportList with true        (Ctrl+F7)
  LoadState = 2,        // LoadState                        (F3)
  SaveState = 3,        // SaveState                        (Shift+F3)
  ClearState = 4,       // ClearState with confirm, reopen  (Ctrl+F3)
  BuildWhere = 5,       // query builder                    (Ctrl+F9)
  BuildChoice = 6,      // choose/clean selected records    (Alt+F9)
  LockSearch = 7,       // ChangeLockSearch                 (F9)
  ShowData = 8,         // excerpt                          (F8)
  RecordCount = 9,      // ShowRecordCount                  (Ctrl+F8)
  ClearChoice = 10,     // keypad /
  InvertChoice = 11,    // keypad *
  AddSelectChoice = 12, // keypad +
  AddChoice = 13,       // Ins
  FreezeCol = 14,       // F7
  UnFreezeCol = 15,     // Shift+F7
  DefaultReport = 16,   // ReportExpert with false          (Alt+F7)
  ReportExpert = 17,    // ReportExpert with true
  Autorepeat = 18,      // reload interval dialog
};

struct TGridMenuItemDef {
  int Tag;                   // 0 for a separator
  std::string_view Caption;  // "-" for a separator; the shortcut is part of the caption
};

// The items of the shared menu "Qo_Popup", in order.
const std::vector<TGridMenuItemDef>& GridPopupMenuItems();

// Whether an item with this tag is visible now: tags 1, 2, 3, 4, 5, 8, 9, 16 and 17 only while
// their hook (DBGrid_ShowReportList, _LoadState, _SaveState, _ClearState, _BuildWhere, _ShowData,
// _ShowRecordCount, _ReportExpert) is installed; every other item always.
bool IsGridMenuTagVisible(int tag);

// A menu item for CheckCaptionInMenu: its caption, visibility and sub-items.
struct TMenuEntry {
  std::string Caption;
  bool Visible = true;
  std::vector<TMenuEntry> Items;
};

// First applies itself to every sub-item. With show: an item whose caption is "-" is made
// visible. Without it, among the item's sub-items: visible separators before the first visible
// non-separator and after the last one are hidden, and of two visible separators with no visible
// non-separator between them the second is hidden.
void CheckCaptionInMenu(TMenuEntry& item, bool show);

// The visibility of the shared menu's items (in GridPopupMenuItems order) for a popup now:
// CheckCaptionInMenu(show), the tag rules, CheckCaptionInMenu(tidy).
std::vector<bool> GridPopupMenuVisibility();

}  // namespace bexlo
