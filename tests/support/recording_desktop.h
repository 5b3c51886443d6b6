#pragma once

#include <QWidget>

#include "platform/desktop.h"
#include "support/recording_clipboard.h"
#include "support/recording_dialogs.h"

namespace fendrel {

// A window that hands its widgets boxes and a clipboard that keep what they
// were given, for widgets tested on their own.
class RecordingDesktopWindow : public QWidget, public TDesktopWindow {
 public:
  RecordingDesktopWindow(RecordingDialogs& dialogs, RecordingClipboard& clipboard)
      : dialogs_(dialogs), clipboard_(clipboard) {}
  // The widgets put inside belong to their tests, which may outlive this.
  ~RecordingDesktopWindow() override {
    for (QObject* child : children()) {
      if (auto* widget = qobject_cast<QWidget*>(child)) widget->setParent(nullptr);
    }
  }
  TDesktop Desktop() const override { return {dialogs_, clipboard_}; }

 private:
  RecordingDialogs& dialogs_;
  RecordingClipboard& clipboard_;
};

}  // namespace fendrel
