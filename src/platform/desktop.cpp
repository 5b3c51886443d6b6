#include "platform/desktop.h"

#include <QObject>

#include "platform/clipboard.h"
#include "platform/dialogs.h"

namespace fendrel {

TDesktop DesktopOf(const QObject* object) {
  for (; object != nullptr; object = object->parent()) {
    if (const auto* window = dynamic_cast<const TDesktopWindow*>(object)) return window->Desktop();
  }
  return OwnDesktop();
}

TDesktop OwnDesktop() {
  static TQtDialogs dialogs;
  static TQtClipboard clipboard;
  return {dialogs, clipboard};
}

}  // namespace fendrel
