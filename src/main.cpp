#include "platform/application.h"
#include "ui/main_window.h"

int main(int argc, char* argv[]) {
  fendrel::TApplication application(argc, argv);
  fendrel::TApplication::SetTitle(QStringLiteral("Fendrel"));
  fendrel::TForm1 form;
  form.show();
  return fendrel::TApplication::exec();
}
