#include "ui/popup_menu.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

namespace fendrel {

TPopupMenu::TPopupMenu(QWidget* parent) : QMenu(parent) {}

void TPopupMenu::AttachTo(QWidget* control) {
  controls_.push_back(control);
  control->setContextMenuPolicy(Qt::DefaultContextMenu);
  control->installEventFilter(this);
  for (QWidget* inner : control->findChildren<QWidget*>()) inner->installEventFilter(this);
}

void TPopupMenu::Popup(QWidget* control, const QPoint& globalPos) {
  popupComponent_ = control;
  popup(globalPos);
}

QWidget* TPopupMenu::ControlOf(QObject* watched) const {
  for (QObject* object = watched; object != nullptr; object = object->parent()) {
    const auto found = std::find(controls_.begin(), controls_.end(), object);
    if (found != controls_.end()) return *found;
  }
  return nullptr;
}

bool TPopupMenu::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::ContextMenu: {
      QWidget* control = ControlOf(watched);
      if (control == nullptr) break;
      const auto* menuEvent = static_cast<QContextMenuEvent*>(event);
      if (menuEvent->reason() == QContextMenuEvent::Mouse &&
          (QApplication::mouseButtons() & Qt::RightButton)) {
        pendingControl_ = control;
        pendingPressPos_ = menuEvent->globalPos();
      } else {
        Popup(control, menuEvent->globalPos());
      }
      return true;
    }
    case QEvent::KeyPress: {
      // Shift+F10 is the context-menu key of keyboards without one: the menu
      // opens where the key would open it, at the focused control's cursor.
      const auto* key = static_cast<QKeyEvent*>(event);
      if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier) break;
      QWidget* control = ControlOf(watched);
      auto* target = qobject_cast<QWidget*>(watched);
      if (control == nullptr || target == nullptr) break;
      const QPoint at = target->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
      Popup(control, target->mapToGlobal(at));
      return true;
    }
    case QEvent::MouseButtonRelease: {
      const auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::RightButton || pendingControl_ == nullptr) break;
      QWidget* control = pendingControl_;
      pendingControl_ = nullptr;
      const QPoint moved = mouse->globalPosition().toPoint() - pendingPressPos_;
      if (moved.manhattanLength() < QApplication::startDragDistance()) {
        Popup(control, mouse->globalPosition().toPoint());
      }
      break;  // the control still sees the release (it ends a scroll drag)
    }
    default:
      break;
  }
  return QMenu::eventFilter(watched, event);
}

}  // namespace fendrel
