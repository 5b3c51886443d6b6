// Runs random sessions on the real window for a given time.
// Usage: fendrel_soak [SECONDS [SEED]]; FENDREL_SOAK_SECONDS and
// FENDREL_SOAK_SEED stand in for missing arguments, FENDREL_SOAK_MAX_RSS_MB
// bounds the resident memory (default 8192), FENDREL_SOAK_ACTION_SECONDS the
// time one action may take (default 300), FENDREL_SOAK_ACTIONS ends the run
// after that many actions, FENDREL_SOAK_LOG_MB bounds the action log
// (default 2048), FENDREL_SOAK_INLINE_SIZE the job runner's inline size for
// every action (how many samples a command needs to run as a job while the
// window answers; by default only the job actions run jobs, so that a log
// replays alike on any machine; a log made with it replays only with the same
// size), and FENDREL_SOAK_TRACE prints every action with its time.
// The run writes its action log as it goes. A failing run keeps it as
// soak-<seed>.log in the current folder (or at FENDREL_SOAK_LOG), ready to be
// copied into tests/soak/logs/, whose logs the unit tests replay; a passing
// run keeps it only when FENDREL_SOAK_LOG names where.
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <mutex>
#include <random>
#include <string>
#include <thread>

#include "platform/application.h"
#include "soak/soak_session.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Setting(int argc, char** argv, int index, const char* variable) {
  if (argc > index) return argv[index];
  const char* value = std::getenv(variable);
  return value != nullptr ? value : "";
}

// Ends the process when one action takes far too long: a frozen window is a
// fault too, and nothing else would ever report it.
class Watchdog {
 public:
  Watchdog(const fendrel::SoakSession& session, std::uint64_t seed, double limitSeconds,
           std::function<void()> keepLog)
      : session_(session),
        seed_(seed),
        limit_(limitSeconds),
        keepLog_(std::move(keepLog)),
        thread_([this] { Run(); }) {}
  ~Watchdog() {
    {
      const std::lock_guard lock(mutex_);
      stop_ = true;
    }
    wake_.notify_all();
    thread_.join();
  }
  void Beat(std::int64_t action) { action_ = action; }

 private:
  void Run() {
    std::int64_t seen = -1;
    auto since = Clock::now();
    std::unique_lock lock(mutex_);
    while (!wake_.wait_for(lock, std::chrono::seconds(1), [this] { return stop_; })) {
      if (action_ != seen) {
        seen = action_;
        since = Clock::now();
        continue;
      }
      if (std::chrono::duration<double>(Clock::now() - since).count() < limit_) continue;
      std::printf("soak: FAULT with seed %llu: action %lld (%s) has not finished in %.0f s\n",
                  static_cast<unsigned long long>(seed_), static_cast<long long>(seen + 1),
                  session_.CurrentAction().c_str(), limit_);
      keepLog_();
      std::printf("0 passed, 1 failed\n");
      std::fflush(stdout);
      ::_exit(2);
    }
  }

  const fendrel::SoakSession& session_;
  std::uint64_t seed_;
  double limit_;
  std::function<void()> keepLog_;
  std::atomic<std::int64_t> action_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stop_ = false;
  std::thread thread_;
};

// Qt's warnings about what the offscreen platform cannot do, or about clicks
// that a shrunken window no longer covers, would drown the report.
void QuietMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtDebugMsg || type == QtInfoMsg || type == QtWarningMsg) return;
  std::fprintf(stderr, "%s (%s:%d)\n", message.toLocal8Bit().constData(),
               context.file != nullptr ? context.file : "", context.line);
}

}  // namespace

int main(int argc, char** argv) {
  qInstallMessageHandler(QuietMessages);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  const std::string secondsText = Setting(argc, argv, 1, "FENDREL_SOAK_SECONDS");
  const std::string seedText = Setting(argc, argv, 2, "FENDREL_SOAK_SEED");
  const double seconds = secondsText.empty() ? 60 : std::strtod(secondsText.c_str(), nullptr);
  const std::uint64_t seed =
      seedText.empty() ? std::random_device{}() : std::strtoull(seedText.c_str(), nullptr, 10);
  const char* rss = std::getenv("FENDREL_SOAK_MAX_RSS_MB");
  const char* actionSeconds = std::getenv("FENDREL_SOAK_ACTION_SECONDS");

  fendrel::TApplication application(argc, argv);
  fendrel::TApplication::SetTitle(QStringLiteral("Fendrel"));
  std::printf("soak: seed %llu, %.0f s (repeat with: scripts/soak %.0f %llu)\n",
              static_cast<unsigned long long>(seed), seconds, seconds,
              static_cast<unsigned long long>(seed));
  std::fflush(stdout);

  // The log is written beside the temporary files, and moved where it is
  // kept once the run has failed (or when asked for).
  const char* keptLog = std::getenv("FENDREL_SOAK_LOG");
  const std::filesystem::path logPath =
      keptLog != nullptr && *keptLog != '\0' ? std::filesystem::path(keptLog)
                                               : std::filesystem::current_path() /
                                                     ("soak-" + std::to_string(seed) + ".log");
  const std::filesystem::path writing =
      std::filesystem::temp_directory_path() /
      ("fendrel-soak-" + std::to_string(::getpid()) + ".log");
  std::ofstream log(writing, std::ios::binary | std::ios::trunc);
  std::printf("soak: writing the action log to %s\n", writing.c_str());
  // The texts handed out make a log grow by megabytes a second; past this the
  // run goes on without one, and only the seed repeats it.
  const char* logLimitText = std::getenv("FENDREL_SOAK_LOG_MB");
  const std::int64_t logLimit = (logLimitText != nullptr ? std::atoll(logLimitText) : 2048) << 20;
  std::atomic<bool> logging{true};
  const auto keepLog = [&] {
    if (!logging) return;
    std::error_code error;
    std::filesystem::copy_file(writing, logPath,
                               std::filesystem::copy_options::overwrite_existing, error);
    if (error) {
      std::printf("soak: could not keep the action log at %s: %s\n", logPath.c_str(),
                  error.message().c_str());
    } else {
      std::printf("soak: action log kept at %s\n", logPath.c_str());
    }
  };
  const char* maxActionsText = std::getenv("FENDREL_SOAK_ACTIONS");
  const std::int64_t maxActions = maxActionsText != nullptr ? std::atoll(maxActionsText) : 0;

  const auto start = Clock::now();
  fendrel::SoakSession session(seed, &log);
  session.SetMemoryLimit((rss != nullptr ? std::atoll(rss) : 8192) << 20);
  Watchdog watchdog(session, seed, actionSeconds != nullptr ? std::atof(actionSeconds) : 300,
                    keepLog);
  auto nextReport = start + std::chrono::seconds(60);
  const bool trace = !qEnvironmentVariableIsEmpty("FENDREL_SOAK_TRACE");
  bool passed = true;
  while (std::chrono::duration<double>(Clock::now() - start).count() < seconds &&
         (maxActions <= 0 || session.Actions() < maxActions)) {
    const auto before = Clock::now();
    passed = session.Step();
    if (trace && !session.RecentActions().empty()) {
      std::printf("%8.3f s  %s\n", std::chrono::duration<double>(Clock::now() - before).count(),
                  session.RecentActions().back().c_str());
    }
    watchdog.Beat(session.Actions());
    if (!passed) break;
    if (logging && static_cast<std::int64_t>(log.tellp()) > logLimit) {
      logging = false;
      log.close();
      std::error_code ignored;
      std::filesystem::remove(writing, ignored);
      std::printf("soak: the action log passed %lld MiB and is given up\n",
                  static_cast<long long>(logLimit >> 20));
    }
    if (Clock::now() >= nextReport) {
      nextReport += std::chrono::seconds(60);
      std::printf("soak: %lld actions, %lld MiB resident\n",
                  static_cast<long long>(session.Actions()),
                  static_cast<long long>(fendrel::SoakSession::ResidentBytes() >> 20));
      std::fflush(stdout);
    }
  }
  const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
  if (!passed) {
    std::printf("soak: FAULT with seed %llu at action %lld: %s\nsoak: the actions before it:\n",
                static_cast<unsigned long long>(seed), static_cast<long long>(session.Actions()),
                session.Failure().c_str());
    for (const std::string& action : session.RecentActions()) std::printf("  %s\n", action.c_str());
  }
  log.close();
  if (!passed || keptLog != nullptr) keepLog();
  std::error_code ignored;
  std::filesystem::remove(writing, ignored);
  std::printf("soak: seed %llu, %lld actions in %.0f s (%.1f per second), peak %lld MiB resident\n",
              static_cast<unsigned long long>(seed), static_cast<long long>(session.Actions()),
              elapsed, static_cast<double>(session.Actions()) / elapsed,
              static_cast<long long>(session.PeakResidentBytes() >> 20));
  const fendrel::SoakSession::Stats& reached = session.Reached();
  std::printf(
      "soak: %lld message boxes, %lld error boxes, %lld file dialogs; up to %lld samples, "
      "level %lld, %lld bands; %lld jobs, %lld cancelled\n",
      static_cast<long long>(reached.messages), static_cast<long long>(reached.errors),
      static_cast<long long>(reached.fileDialogs), static_cast<long long>(reached.largestSeries),
      static_cast<long long>(reached.deepestLevel), static_cast<long long>(reached.mostBands),
      static_cast<long long>(reached.jobs), static_cast<long long>(reached.cancelledJobs));
  std::printf("%lld passed, %d failed\n",
              static_cast<long long>(session.Actions() - (passed ? 0 : 1)), passed ? 0 : 1);
  std::fflush(stdout);
  return passed ? 0 : 1;
}
