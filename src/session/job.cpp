#include "session/job.h"

#include <utility>

namespace fendrel {

TJob::TApply ComputeJob(const TJob& job, TProgress& progress, std::exception_ptr& failure) {
  const TProgressScope scope(&progress);
  try {
    TJob::TApply apply = job.compute(progress);
    if (progress.Cancelled()) return {};
    return apply;
  } catch (const TCancelled&) {
    if (!progress.Cancelled()) failure = std::current_exception();
  } catch (...) {
    failure = std::current_exception();
  }
  return {};
}

void EndJob(const TJob& job, const TJob::TApply& apply, const std::exception_ptr& failure) {
  if (failure && job.failed) job.failed(failure);
  if (apply) {
    apply();
  } else if (job.dropped) {
    job.dropped();
  }
}

void TSyncJobRunner::Run(TJob job) {
  TProgress progress;
  busy_ = true;
  progress_ = &progress;
  std::exception_ptr failure;
  TJob::TApply apply;
  if (onStart) onStart(progress);
  apply = ComputeJob(job, progress, failure);
  progress_ = nullptr;
  busy_ = false;
  EndJob(job, apply, failure);
}

void TSyncJobRunner::Cancel() {
  if (progress_ != nullptr) progress_->Cancel();
}

}  // namespace fendrel
