// TDBGridPopupMenu: the popup menu all grids share ("Qo_Popup"). It lists the grid commands with
// their shortcut keys (grid/grid_menu.h holds the items, tags and visibility rules); each popup
// hides the commands whose hook is not installed and tidies the separators. A command runs on the
// search grid the menu was opened on.
//
// SharedGridPopupMenu is what the DBGrid_PopupMenu hook returns: created on first use, freed when
// the application object goes away.
#pragma once

#include <QAction>
#include <vector>

#include "widgets/grid/popup_menu.h"

namespace bexlo {

class TUCustomDBGrid;

class TDBGridPopupMenu : public TPopupMenu {
  Q_OBJECT
 public:
  explicit TDBGridPopupMenu(QWidget* parent = nullptr);

  // Sets every item's visibility for the hooks installed now, then shows the menu.
  void Popup(const QPoint& globalPos) override;
  // Only the visibility step of Popup (the screenshots and tests look at the menu this way).
  void UpdateVisibility();
  // The item with this tag (null for none).
  QAction* ItemByTag(int tag) const;
  // Runs the command of a tag on the popup component, as a click on the item does.
  void RunCommand(int tag);

 private:
  std::vector<QAction*> items_;  // in the order of GridPopupMenuItems()
};

TPopupMenu* SharedGridPopupMenu();

}  // namespace bexlo
