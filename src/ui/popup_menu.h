#pragma once

#include <QMenu>
#include <vector>

namespace fendrel {

// A context menu shared by several controls. It opens on a right click or the
// context-menu key (or Shift+F10) over any of them and remembers the control it was last
// opened on (its popup component) until it is opened on another one.
// A right click opens it when the button is released without moving, as on
// desktops that open context menus on release; the keyboard opens it at once.
class TPopupMenu : public QMenu {
 public:
  explicit TPopupMenu(QWidget* parent = nullptr);

  // The control and the widgets inside it (a grid's viewport and headers)
  // open this menu from now on.
  void AttachTo(QWidget* control);
  QWidget* PopupComponent() const { return popupComponent_; }
  // Remembers the control, then shows the menu at the global position.
  void Popup(QWidget* control, const QPoint& globalPos);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* ControlOf(QObject* watched) const;

  std::vector<QWidget*> controls_;
  QWidget* popupComponent_ = nullptr;
  // A right press that asked for the menu; it opens on the release, so that a
  // right-button drag (which scrolls a chart) does not open it.
  QWidget* pendingControl_ = nullptr;
  QPoint pendingPressPos_;
};

}  // namespace fendrel
