#pragma once

class QObject;

namespace fendrel {

class TClipboard;
class TDialogs;

// What a window reaches of the desktop: its boxes, file dialogs and import
// question, and the clipboard. Each window is handed one (tests hand it
// answerers without a person); the widgets inside it reach it through
// DesktopOf, never through anything installed for the whole process.
struct TDesktop {
  TDialogs& dialogs;
  TClipboard& clipboard;
};

// A window that hands a desktop to the widgets inside it.
class TDesktopWindow {
 public:
  virtual TDesktop Desktop() const = 0;

 protected:
  ~TDesktopWindow() = default;
};

// The desktop of the nearest window around `object` (itself included) that
// hands one out; outside any, the desktop's own boxes and clipboard.
TDesktop DesktopOf(const QObject* object);

// The desktop's own boxes (Qt's, the import question answered with its
// proposal) and clipboard.
TDesktop OwnDesktop();

}  // namespace fendrel
