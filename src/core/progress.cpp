#include "core/progress.h"

#include <algorithm>
#include <utility>

namespace fendrel {

namespace {

thread_local TProgress* current = nullptr;

std::int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

double TProgress::Fraction() const {
  const std::int64_t total = total_.load(std::memory_order_relaxed);
  if (total <= 0) return 0.0;
  return std::min(
      1.0, static_cast<double>(done_.load(std::memory_order_relaxed)) / static_cast<double>(total));
}

void TProgress::Start(std::int64_t total) {
  done_.store(0, std::memory_order_relaxed);
  total_.store(total, std::memory_order_relaxed);
}

void TProgress::Advance(std::int64_t done) {
  done_.fetch_add(done, std::memory_order_relaxed);
  if (!watcher_) return;
  const std::int64_t now = NowNs();
  std::int64_t told = toldNs_.load(std::memory_order_relaxed);
  // One thread wins each interval; the others go on with their work.
  if (now - told >= intervalNs_ &&
      toldNs_.compare_exchange_strong(told, now, std::memory_order_relaxed)) {
    watcher_();
  }
}

void TProgress::SetWatcher(std::function<void()> watcher, std::chrono::milliseconds interval) {
  watcher_ = std::move(watcher);
  intervalNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(interval).count();
  toldNs_.store(NowNs(), std::memory_order_relaxed);
}

TProgress* CurrentProgress() { return current; }

TProgressScope::TProgressScope(TProgress* progress) : previous_(current) { current = progress; }

TProgressScope::~TProgressScope() { current = previous_; }

}  // namespace fendrel
