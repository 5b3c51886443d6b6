#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "core/progress.h"

namespace fendrel {

// A command's long work in two steps: compute, which reads the session's
// state and changes nothing of it (it may run on the workers while the window
// goes on answering), and apply, which changes the state and tells the view,
// on the thread the command came from. Nothing is applied before compute has
// ended, so a cancelled or failed compute leaves everything as it was.
struct TJob {
  using TApply = std::function<void()>;
  // Returns the apply step; may throw (TCancelled once cancelled).
  using TCompute = std::function<TApply(TProgress& progress)>;

  // What the work does, in the words of "Not enough memory to ...".
  std::string what;
  TCompute compute;
  // How many samples the work goes over: small work may run at once.
  std::int64_t size = 0;
  // Told on the command's thread, instead of the apply step, of a failure
  // of compute (never of a cancellation).
  std::function<void(std::exception_ptr failure)> failed;
  // Called on the command's thread when nothing is applied: after a
  // cancellation, or after `failed`.
  std::function<void()> dropped;
};

// Runs jobs one at a time.
class TJobRunner {
 public:
  virtual ~TJobRunner() = default;

  // Starts a job: compute, then apply, unless the job is cancelled first.
  virtual void Run(TJob job) = 0;
  // A job has started and not yet ended.
  virtual bool Busy() const = 0;
  // Asks the running job to stop; nothing of it is applied.
  virtual void Cancel() = 0;
};

// Runs each job to its end before Run returns, on the calling thread: the
// command-line program and the tests.
class TSyncJobRunner : public TJobRunner {
 public:
  void Run(TJob job) override;
  bool Busy() const override { return busy_; }
  void Cancel() override;

  // Called once compute has started with its progress: a test may cancel
  // there, or a front end watch it.
  std::function<void(TProgress&)> onStart;

 private:
  bool busy_ = false;
  TProgress* progress_ = nullptr;
};

// Runs a job's steps in order on the calling thread with `progress` as the
// current progress: what every runner does once it has a thread for compute.
// Returns the apply step, or an empty one when cancelled; a failure goes to
// `failure`.
TJob::TApply ComputeJob(const TJob& job, TProgress& progress, std::exception_ptr& failure);

// Ends a job on the command's thread once compute is over: tells of its
// failure, then applies it, or says that nothing was applied.
void EndJob(const TJob& job, const TJob::TApply& apply, const std::exception_ptr& failure);

}  // namespace fendrel
