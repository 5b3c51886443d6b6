#include "ui/popup_menu.h"

#include <QContextMenuEvent>
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
  if (event->type() == QEvent::ContextMenu) {
    if (QWidget* control = ControlOf(watched)) {
      Popup(control, static_cast<QContextMenuEvent*>(event)->globalPos());
      return true;
    }
  }
  return QMenu::eventFilter(watched, event);
}

}  // namespace fendrel
