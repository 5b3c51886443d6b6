#include <cstdio>
#include <string>
#include <string_view>

#include "platform/application.h"
#include "platform/termination.h"
#include "ui/main_window.h"

namespace {

constexpr char kUsage[] =
    "Usage: fendrel [FILE]\n"
    "       fendrel -- FILE      (a FILE whose name starts with '-')\n"
    "\n"
    "Haar wavelet analysis and one-step forecasting of a number series.\n"
    "FILE is a sample file (*.qls) or another tool's delimited text (CSV, TSV,\n"
    "R, pandas, numpy, spreadsheets), opened as File > Open would.\n"
    "\n"
    "Options:\n"
    "  -h, --help     print this help and exit\n"
    "  --version      print the version and exit\n"
    "\n"
    "Keys:\n"
    "  Ctrl+O         File > Open\n"
    "  Ctrl+S         File > Save\n"
    "  Ctrl+E         Forecast > Evaluate\n"
    "  F1             Help > About\n"
    "  Alt+F, Alt+E, Alt+O, Alt+H   open the File, Edit, Forecast and Help menus\n"
    "  Tab            the next control; Up and Down step a focused spin\n"
    "  Shift+F10      the context menu of a grid or chart\n"
    "  In a grid:     arrows, Page Up, Page Down, Home, End (with Ctrl: to the corners)\n"
    "                 move; Shift with them selects; Ctrl+A selects all;\n"
    "                 Ctrl+C copies the selected cells; Ctrl+V pastes into the test grid\n"
    "  On a chart:    + and - zoom, the arrows scroll, Home shows it whole again\n"
    "  Escape         closes a dialog; stops an evaluation\n"
    "\n"
    "Help > User Guide explains the window, the bands and the forecast.\n";

// What the command line asks for: a file to open, or an answer on the
// terminal with the exit status.
struct TCommandLine {
  std::string file;
  bool answered = false;
  int status = 0;
};

TCommandLine ReadCommandLine(int argc, char* argv[]) {
  TCommandLine line;
  bool options = true;
  int files = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (options && arg == "--") {
      options = false;
    } else if (options && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      line.answered = true;
      return line;
    } else if (options && arg == "--version") {
      std::printf("fendrel %s\n", FENDREL_VERSION);
      line.answered = true;
      return line;
    } else if (options && arg.starts_with('-')) {
      // Never a file: "fendrel -- -name" opens one whose name starts so.
      std::fprintf(stderr, "fendrel: unknown option '%s'\nTry 'fendrel --help'.\n", argv[i]);
      line.answered = true;
      line.status = 2;
      return line;
    } else if (++files > 1) {
      std::fputs("fendrel: one file at most\nTry 'fendrel --help'.\n", stderr);
      line.answered = true;
      line.status = 2;
      return line;
    } else {
      line.file = arg;
    }
  }
  return line;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before any window or display is needed.
  const TCommandLine line = ReadCommandLine(argc, argv);
  if (line.answered) return line.status;
  // Qt reads no options from the command line.
  int qtArgc = argc > 0 ? 1 : 0;
  fendrel::TApplication application(qtArgc, argv);
  fendrel::TApplication::SetTitle(QStringLiteral("Fendrel"));
  fendrel::QuitOnTerminationSignals();
  fendrel::TForm1 form;
  form.show();
  if (!line.file.empty()) form.OpenFileLater(line.file);
  return fendrel::TApplication::exec();
}
