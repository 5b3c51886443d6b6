#pragma once

#include <atomic>
#include <functional>
#include <string>

namespace fendrel {

// SIGINT and SIGTERM stop the program within a fifth of a second: the
// handler raises a cancel flag that long work polls, and a watcher thread
// ends the process itself when the work has not stopped by then. No output
// file is left either way: files are written whole or not at all, and the
// watcher never ends the process while one is being written.
//
// The watcher also shows the progress of a long command on standard error,
// when that is a terminal: a percentage rewritten in place.
class TCliSignals {
 public:
  // Installs the handlers and starts the watcher; once per process.
  static void Install();

  static bool Requested() { return Flag().load(std::memory_order_relaxed); }
  static std::atomic<bool>& Flag();
  // 128 + the signal's number: 130 for SIGINT, 143 for SIGTERM.
  static int ExitStatus();

  // What to show while `fraction` (0 .. 1) is set, and how to ask that work
  // to stop; a command that ends within half a second shows nothing.
  static void ShowProgress(const std::string& what, std::function<double()> fraction,
                           std::function<void()> cancel);
  static void EndProgress();

  // While a file is being written the watcher leaves the stopping to the
  // writer, which removes its unfinished file.
  static void SetWriting(bool writing);
};

}  // namespace fendrel
