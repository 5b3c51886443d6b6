#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <functional>

namespace fendrel {

// Work given up because whoever started it asked it to stop.
struct TCancelled : std::exception {
  const char* what() const noexcept override { return "Cancelled"; }
};

// How far a piece of long work has come, and a request to stop it; shared
// between the threads that do the work and the one that watches it.
class TProgress {
 public:
  TProgress() = default;
  TProgress(const TProgress&) = delete;
  TProgress& operator=(const TProgress&) = delete;

  // 0 .. 1, an estimate of the work rather than of the time; 0 until Start.
  double Fraction() const;
  // Whether the work told how much of it there is.
  bool Counted() const { return total_.load(std::memory_order_relaxed) > 0; }

  void Cancel() { cancelled_.store(true, std::memory_order_relaxed); }
  bool Cancelled() const { return cancelled_.load(std::memory_order_relaxed); }
  const std::atomic<bool>* CancelFlag() const { return &cancelled_; }
  void ThrowIfCancelled() const {
    if (Cancelled()) throw TCancelled();
  }

  // Starts counting anew towards `total` units of work.
  void Start(std::int64_t total);
  // Safe from any thread; tells the watcher at most once per its interval.
  void Advance(std::int64_t done);

  // Called on the advancing thread, at most once per `interval`, while the
  // work moves: for a watcher that would rather be told than look.
  void SetWatcher(std::function<void()> watcher, std::chrono::milliseconds interval);

 private:
  std::atomic<std::int64_t> done_{0};
  std::atomic<std::int64_t> total_{0};
  std::atomic<bool> cancelled_{false};
  std::function<void()> watcher_;
  std::int64_t intervalNs_ = 0;
  std::atomic<std::int64_t> toldNs_{0};
};

// The progress of the job this thread works for, or nullptr outside a job.
// Work handed to the workers through ForEachBlock carries it along, so that
// deep code can stop without a flag passed down to it.
TProgress* CurrentProgress();

// Makes `progress` the current one on this thread for the scope's life.
class TProgressScope {
 public:
  explicit TProgressScope(TProgress* progress);
  ~TProgressScope();
  TProgressScope(const TProgressScope&) = delete;
  TProgressScope& operator=(const TProgressScope&) = delete;

 private:
  TProgress* previous_;
};

// Throws TCancelled when the current job was asked to stop.
inline void ThrowIfCancelled() {
  if (const TProgress* progress = CurrentProgress()) progress->ThrowIfCancelled();
}

// Advances the current job's progress, if any.
inline void AdvanceProgress(std::int64_t done) {
  if (TProgress* progress = CurrentProgress()) progress->Advance(done);
}

}  // namespace fendrel
