#include "platform/job_runner.h"

// Qt's emit macro would break oneTBB's headers.
#pragma push_macro("emit")
#undef emit
#include <tbb/task_arena.h>
#include <tbb/task_group.h>
#pragma pop_macro("emit")

#include <QMetaObject>
#include <chrono>
#include <exception>
#include <utility>

namespace fendrel {

class TQtJobRunner::TWorkers {
 public:
  // Enqueued rather than spawned: a spawned task waits for a worker to take
  // it, and with one thread allowed (one core, or a limit of one) there is
  // none, so it would wait until Wait. An enqueued one always gets a thread.
  template <typename Work>
  void Start(Work&& work) {
    arena_.enqueue(group_.defer(std::forward<Work>(work)));
  }
  void Wait() {
    arena_.execute([&] { group_.wait(); });
  }

 private:
  tbb::task_arena arena_;
  tbb::task_group group_;
};

struct TQtJobRunner::TState {
  TJob job;
  TProgress progress;
  TJob::TApply apply;
  std::exception_ptr failure;
};

TQtJobRunner::TQtJobRunner(QObject* parent)
    : QObject(parent), workers_(std::make_unique<TWorkers>()) {}

TQtJobRunner::~TQtJobRunner() {
  pending_.reset();
  if (running_) running_->progress.Cancel();
  workers_->Wait();
}

bool TQtJobRunner::Busy() const { return running_ != nullptr; }

const TProgress* TQtJobRunner::Progress() const {
  return running_ ? &running_->progress : nullptr;
}

void TQtJobRunner::Cancel() {
  pending_.reset();
  if (running_) running_->progress.Cancel();
}

void TQtJobRunner::Run(TJob job) {
  if (running_) {
    pending_ = std::make_unique<TJob>(std::move(job));
    return;
  }
  if (job.size < inlineSize_) {
    TProgress progress;
    std::exception_ptr failure;
    const TJob::TApply apply = ComputeJob(job, progress, failure);
    EndJob(job, apply, failure);
    return;
  }
  Launch(std::move(job));
}

void TQtJobRunner::Launch(TJob job) {
  auto state = std::make_shared<TState>();
  state->job = std::move(job);
  state->progress.SetWatcher(
      [this, weak = std::weak_ptr<TState>(state)] {
        const std::shared_ptr<TState> watched = weak.lock();
        if (!watched) return;
        const double fraction = watched->progress.Fraction();
        QMetaObject::invokeMethod(
            this, [this, fraction] { emit Progressed(fraction); }, Qt::QueuedConnection);
      },
      std::chrono::milliseconds(100));
  running_ = state;
  emit Started();
  workers_->Start([this, state] {
    state->apply = ComputeJob(state->job, state->progress, state->failure);
    // Dropped, never run, should the runner be gone by then.
    QMetaObject::invokeMethod(this, [this, state] { Finish(state); }, Qt::QueuedConnection);
  });
}

void TQtJobRunner::Finish(const std::shared_ptr<TState>& state) {
  running_.reset();
  // A job cancelled after its compute ended is dropped all the same.
  if (state->progress.Cancelled()) {
    EndJob(state->job, {}, nullptr);
  } else {
    EndJob(state->job, state->apply, state->failure);
  }
  if (running_) return;  // the apply step started the next job
  if (pending_) {
    std::unique_ptr<TJob> next = std::move(pending_);
    Run(std::move(*next));
    if (running_) return;
  }
  emit Ended();
}

}  // namespace fendrel
