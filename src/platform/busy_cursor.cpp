#include "platform/busy_cursor.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>

namespace fendrel {

namespace {

int depth = 0;       // live guards
bool shown = false;  // the override cursor is ours and on show
bool restorePosted = false;

void Show() {
  if (shown || qGuiApp == nullptr) return;
  QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
  shown = true;
}

void Hide() {
  if (!shown) return;
  shown = false;
  if (qGuiApp != nullptr) QGuiApplication::restoreOverrideCursor();
}

}  // namespace

// Receives the restore request. Posted with the low priority of the window
// system's paint requests, it comes after those the command made.
class TBusyCursorRestorer : public QObject {
 public:
  using QObject::QObject;

 protected:
  void customEvent(QEvent* /*event*/) override { TBusyCursor::RestoreIfIdle(); }
};

namespace {

void PostRestore() {
  static QPointer<TBusyCursorRestorer> restorer;
  if (QCoreApplication::instance() == nullptr) {
    Hide();
    return;
  }
  if (restorer.isNull()) restorer = new TBusyCursorRestorer(QCoreApplication::instance());
  QCoreApplication::postEvent(restorer, new QEvent(QEvent::User), Qt::LowEventPriority);
  restorePosted = true;
}

}  // namespace

TBusyCursor::TBusyCursor() {
  ++depth;
  Show();
}

TBusyCursor::~TBusyCursor() {
  --depth;
  if (depth == 0 && shown && !restorePosted) PostRestore();
}

bool TBusyCursor::Shown() { return shown; }

void TBusyCursor::EndForFailure() { Hide(); }

void TBusyCursor::RestoreIfIdle() {
  restorePosted = false;
  if (depth == 0) Hide();
}

TBusyCursor::TPause::TPause() : wasShown_(shown) { Hide(); }

TBusyCursor::TPause::~TPause() {
  if (wasShown_ && depth > 0) Show();
}

}  // namespace fendrel
