#include "platform/termination.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace fendrel {

namespace {

int wakeFds[2] = {-1, -1};

extern "C" void OnTerminationSignal(int) {
  const char byte = 1;
  // Only async-signal-safe calls here; a full pipe already holds a wake-up.
  [[maybe_unused]] const ssize_t written = ::write(wakeFds[0], &byte, 1);
}

}  // namespace

void QuitOnTerminationSignals() {
  if (wakeFds[0] != -1) return;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, wakeFds) != 0) {
    wakeFds[0] = wakeFds[1] = -1;
    return;  // the signals keep their default action
  }
  auto* notifier =
      new QSocketNotifier(wakeFds[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [] {
    char bytes[16];
    while (::read(wakeFds[1], bytes, sizeof bytes) > 0) {
    }
    QCoreApplication::quit();
  });
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) ::sigaction(signal, &action, nullptr);
}

}  // namespace fendrel
