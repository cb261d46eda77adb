#include "grid/grid_menu.h"

#include "util/hooks.h"
#include "util/messages.h"

namespace bexlo {

const std::vector<TGridMenuItemDef>& GridPopupMenuItems() {
  static const std::vector<TGridMenuItemDef> items = {
      {1, msg::SPuReportList},    {16, msg::SPuReportDef},     {17, msg::SPuReportExpert},
      {0, "-"},
      {2, msg::SPuLoadState},     {3, msg::SPuSaveState},      {4, msg::SPuClearState},
      {5, msg::SPuBuilder},       {6, msg::SPuChoice},         {7, msg::SPuLockSearch},
      {0, "-"},
      {8, msg::SPuMemo},          {9, msg::SPuCalcSum},        {18, msg::SPuRepeat},
      {0, "-"},
      {10, msg::SPuClearChoice},  {11, msg::SPuInvertChoice},  {12, msg::SPuChoiceDef},
      {13, msg::SPuChoiceKey},    {14, msg::SPuFreeze},        {15, msg::SPuUnFreeze},
  };
  return items;
}

bool IsGridMenuTagVisible(int tag) {
  switch (static_cast<TGridCommand>(tag)) {
    case TGridCommand::ReportList: return IsHookInstalled(THook::DBGrid_ShowReportList);
    case TGridCommand::LoadState: return IsHookInstalled(THook::DBGrid_LoadState);
    case TGridCommand::SaveState: return IsHookInstalled(THook::DBGrid_SaveState);
    case TGridCommand::ClearState: return IsHookInstalled(THook::DBGrid_ClearState);
    case TGridCommand::BuildWhere: return IsHookInstalled(THook::DBGrid_BuildWhere);
    case TGridCommand::ShowData: return IsHookInstalled(THook::DBGrid_ShowData);
    case TGridCommand::RecordCount: return IsHookInstalled(THook::DBGrid_ShowRecordCount);
    case TGridCommand::DefaultReport:
    case TGridCommand::ReportExpert: return IsHookInstalled(THook::DBGrid_ReportExpert);
    default: return true;
  }
}

namespace {

bool IsSeparator(const TMenuEntry& e) { return e.Caption == "-"; }

// Hides leading, trailing and doubled visible separators among items.
void TidySeparators(std::vector<TMenuEntry>& items) {
  TMenuEntry* pending = nullptr;  // a visible separator after the last visible item
  bool seenItem = false;
  for (TMenuEntry& e : items) {
    if (!e.Visible) continue;
    if (!IsSeparator(e)) {
      seenItem = true;
      pending = nullptr;
    } else if (!seenItem || pending != nullptr) {
      e.Visible = false;  // at the top, or the second of two
    } else {
      pending = &e;
    }
  }
  if (pending != nullptr) pending->Visible = false;  // at the bottom
}

}  // namespace

void CheckCaptionInMenu(TMenuEntry& item, bool show) {
  for (TMenuEntry& sub : item.Items) CheckCaptionInMenu(sub, show);
  if (show) {
    if (IsSeparator(item)) item.Visible = true;
  } else {
    TidySeparators(item.Items);
  }
}

std::vector<bool> GridPopupMenuVisibility() {
  TMenuEntry menu;
  for (const TGridMenuItemDef& def : GridPopupMenuItems()) {
    menu.Items.push_back(TMenuEntry{std::string(def.Caption), true, {}});
  }
  CheckCaptionInMenu(menu, true);
  const auto& defs = GridPopupMenuItems();
  for (std::size_t i = 0; i < defs.size(); ++i) {
    if (defs[i].Tag != 0) menu.Items[i].Visible = IsGridMenuTagVisible(defs[i].Tag);
  }
  CheckCaptionInMenu(menu, false);
  std::vector<bool> visible;
  for (const TMenuEntry& e : menu.Items) visible.push_back(e.Visible);
  return visible;
}

}  // namespace bexlo
