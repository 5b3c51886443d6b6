#include "platform/application.h"

#include <QWidget>

#include "platform/busy_cursor.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/locale.h"

namespace fendrel {

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv) {
  // No style is set: Qt takes the desktop's own style and palette (Fusion
  // where the desktop names none), so the window looks like its neighbours.
  ApplySystemLocale();
  // Lets the desktop match the window with the installed menu entry and its icon.
  setDesktopFileName(QStringLiteral("org.fendrel.Fendrel"));
}

QString TApplication::Title() { return QCoreApplication::applicationName(); }

void TApplication::SetTitle(const QString& title) { QCoreApplication::setApplicationName(title); }

bool TApplication::event(QEvent* event) {
  if (event->type() == QEvent::LocaleChange) RunCommand(nullptr, [] { ApplySystemLocale(); });
  return QApplication::event(event);
}

std::string ErrorBoxText(std::string message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') message += '.';
  return message;
}

void ShowFailure(const QObject* where, const std::string& message) {
  if (QWidget* grabber = QWidget::mouseGrabber()) grabber->releaseMouse();
  TBusyCursor::EndForFailure();
  DesktopOf(where).dialogs.ShowError(ErrorBoxText(message));
}

void ShowException(const QObject* where, const std::exception& failure) {
  ShowFailure(where, failure.what());
}

}  // namespace fendrel
