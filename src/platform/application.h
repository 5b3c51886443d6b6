#pragma once

#include <QApplication>
#include <exception>
#include <string>

namespace fendrel {

// The application object. Its title is the caption of every message box and
// error box. A failure that escapes any event handler is caught here and shown
// in the error box, and the message loop goes on.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  static QString Title();
  static void SetTitle(const QString& title);

  bool notify(QObject* receiver, QEvent* event) override;

 protected:
  bool event(QEvent* event) override;
};

// The error box's text: a message whose last character code is above that of
// "." (letters and digits, not ".", "!" or ")") gets a full stop appended.
std::string ErrorBoxText(std::string message);

// Shows a failure in the error box: any mouse capture is released first.
void ShowFailure(const std::string& message);
void ShowException(const std::exception& failure);

// Delivers an event through the application's own dispatch, showing any
// failure that escapes it instead of letting it leave the message loop.
bool NotifyShowingFailures(QApplication& application, QObject* receiver, QEvent* event);

// Runs one command; a failure stops it at the failing step and is shown in the
// error box. Returns whether the command ran to its end.
template <typename Command>
bool RunCommand(Command&& command) {
  try {
    command();
    return true;
  } catch (const std::exception& failure) {
    ShowException(failure);
  } catch (...) {
    ShowFailure("Unexpected failure");
  }
  return false;
}

}  // namespace fendrel
