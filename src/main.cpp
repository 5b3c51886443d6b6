#include "platform/application.h"
#include "platform/termination.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
  // Qt reads no options from the command line: the one argument Fendrel takes
  // is a sample file to open, as the desktop passes it.
  int qtArgc = argc > 0 ? 1 : 0;
  fendrel::TApplication application(qtArgc, argv);
  fendrel::TApplication::SetTitle(QStringLiteral("Fendrel"));
  fendrel::QuitOnTerminationSignals();
  fendrel::TForm1 form;
  form.show();
  if (argc > 1) form.OpenFileLater(argv[1]);
  return fendrel::TApplication::exec();
}
