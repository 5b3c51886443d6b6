#pragma once

namespace fendrel {

// Ends the message loop when the desktop or a session manager asks the
// program to stop (SIGTERM, SIGINT, SIGHUP): the window closes as it does on
// Alt+F4 and the program exits with 0, instead of dying in the middle of
// whatever it was drawing. The signal handler only writes to a pipe; the
// message loop reads it. Call once, after the application object exists.
void QuitOnTerminationSignals();

}  // namespace fendrel
