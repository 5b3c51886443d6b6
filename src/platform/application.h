#pragma once

#include <QApplication>
#include <exception>
#include <string>

namespace fendrel {

// The application object. Its title is the caption of every message box and
// error box. Failures never reach it: Qt does not carry exceptions through its
// event dispatch, so every command and event handler catches its own.
class TApplication : public QApplication {
 public:
  TApplication(int& argc, char** argv);

  static QString Title();
  static void SetTitle(const QString& title);

 protected:
  bool event(QEvent* event) override;
};

// The error box's text: a message whose last character code is above that of
// "." (letters and digits, not ".", "!" or ")") gets a full stop appended.
std::string ErrorBoxText(std::string message);

// Shows a failure in the error box of the desktop that `where` (a widget,
// a window, or nullptr for none) reaches: any mouse capture is released
// first.
void ShowFailure(const QObject* where, const std::string& message);
void ShowException(const QObject* where, const std::exception& failure);

// Runs one command; a failure stops it at the failing step and is shown in the
// error box that `where` reaches. Returns whether the command ran to its end.
template <typename Command>
bool RunCommand(const QObject* where, Command&& command) {
  try {
    command();
    return true;
  } catch (const std::exception& failure) {
    ShowException(where, failure);
  } catch (...) {
    ShowFailure(where, "Unexpected failure");
  }
  return false;
}

}  // namespace fendrel
