#include "cli/cli_signals.h"

#include <semaphore.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <thread>

namespace fendrel {

namespace {

using Clock = std::chrono::steady_clock;

// Time the work has to stop by itself before the process is ended for it.
constexpr auto kGrace = std::chrono::milliseconds(50);
constexpr auto kProgressDelay = std::chrono::milliseconds(500);
constexpr long kTickNs = 100'000'000;

sem_t gWake;
std::atomic<int> gSignal{0};
std::atomic<bool> gWriting{false};

struct Progress {
  std::mutex lock;
  std::string what;
  std::function<double()> fraction;
  std::function<void()> cancel;
  Clock::time_point since;
  bool shown = false;
};

Progress& CurrentProgress() {
  static Progress progress;
  return progress;
}

void OnSignal(int signal) {
  // Only what is safe in a handler: atomics and sem_post.
  int expected = 0;
  gSignal.compare_exchange_strong(expected, signal);
  TCliSignals::Flag().store(true, std::memory_order_relaxed);
  sem_post(&gWake);
}

void WriteError(const std::string& text) {
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t put = ::write(STDERR_FILENO, text.data() + done, text.size() - done);
    if (put <= 0) return;
    done += static_cast<std::size_t>(put);
  }
}

void ShowTick(bool terminal) {
  Progress& progress = CurrentProgress();
  const std::lock_guard<std::mutex> hold(progress.lock);
  if (!terminal || !progress.fraction || Clock::now() - progress.since < kProgressDelay) return;
  const double fraction = progress.fraction();
  const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0);
  WriteError("\rfendrel-cli: " + progress.what + ": " + std::to_string(percent) + " %\x1b[K");
  progress.shown = true;
}

void Watch() {
  const bool terminal = ::isatty(STDERR_FILENO) == 1;
  for (;;) {
    timespec until{};
    clock_gettime(CLOCK_REALTIME, &until);
    until.tv_nsec += kTickNs;
    if (until.tv_nsec >= 1'000'000'000) {
      until.tv_nsec -= 1'000'000'000;
      ++until.tv_sec;
    }
    if (sem_timedwait(&gWake, &until) != 0) {
      if (errno == ETIMEDOUT) ShowTick(terminal);
      continue;
    }
    // A stop was asked for: the work has kGrace to notice it.
    {
      Progress& progress = CurrentProgress();
      const std::lock_guard<std::mutex> hold(progress.lock);
      if (progress.cancel) progress.cancel();
    }
    std::this_thread::sleep_for(kGrace);
    // An output file being written is finished or removed by its writer.
    gWriting.wait(true);
    if (CurrentProgress().shown) WriteError("\r\x1b[K");
    std::_Exit(TCliSignals::ExitStatus());
  }
}

}  // namespace

std::atomic<bool>& TCliSignals::Flag() {
  static std::atomic<bool> flag{false};
  return flag;
}

int TCliSignals::ExitStatus() {
  const int signal = gSignal.load();
  return 128 + (signal != 0 ? signal : SIGINT);
}

void TCliSignals::Install() {
  sem_init(&gWake, 0, 0);
  // Ready before a signal can arrive.
  (void)Flag();
  (void)CurrentProgress();
  struct sigaction action {};
  action.sa_handler = OnSignal;
  // Calls under way go on: the work learns of the stop from the flag.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  std::thread(Watch).detach();
}

void TCliSignals::ShowProgress(const std::string& what, std::function<double()> fraction,
                               std::function<void()> cancel) {
  Progress& progress = CurrentProgress();
  const std::lock_guard<std::mutex> hold(progress.lock);
  progress.what = what;
  progress.fraction = std::move(fraction);
  progress.cancel = std::move(cancel);
  // A stop asked for before the work began.
  if (Requested() && progress.cancel) progress.cancel();
  progress.since = Clock::now();
}

void TCliSignals::EndProgress() {
  Progress& progress = CurrentProgress();
  const std::lock_guard<std::mutex> hold(progress.lock);
  progress.fraction = nullptr;
  progress.cancel = nullptr;
  if (progress.shown) WriteError("\r\x1b[K");
  progress.shown = false;
}

void TCliSignals::SetWriting(bool writing) {
  gWriting.store(writing);
  gWriting.notify_all();
}

}  // namespace fendrel
