// TPopupMenu: a popup menu that remembers the component it was opened on (PopupComponent), so
// that one menu can serve many grids. TDBGridPopupMenu (grid_popup_menu.h) is the grids' shared
// menu.
#pragma once

#include <QMenu>
#include <QPointer>

namespace bexlo {

class TPopupMenu : public QMenu {
  Q_OBJECT
 public:
  explicit TPopupMenu(QWidget* parent = nullptr) : QMenu(parent) {}

  // The widget the menu was last opened on (null when it is gone).
  QWidget* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(QWidget* component) { popup_component_ = component; }
  // Shows the menu at a global position, without waiting for a choice.
  virtual void Popup(const QPoint& globalPos) { popup(globalPos); }

 private:
  QPointer<QWidget> popup_component_;
};

}  // namespace bexlo
