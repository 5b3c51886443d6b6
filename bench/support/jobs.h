#pragma once

#include <QCoreApplication>
#include <QEventLoop>

#include "session/session.h"
#include "ui/main_window.h"

namespace fendrel::bench {

// A command over many samples runs as a job: when its call returns it has
// only started. Spins the window's event loop (paints included) until the
// job has been applied or dropped, so that a benchmark times the whole
// command as a user waits for it, the hand-over to the workers and back
// included. A command that ran at once leaves nothing to wait for.
inline void WaitForJob(TForm1& form) {
  while (form.Session().Busy()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

}  // namespace fendrel::bench
