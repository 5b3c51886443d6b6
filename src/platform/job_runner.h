#pragma once

#include <QObject>
#include <cstdint>
#include <memory>

#include "session/job.h"

namespace fendrel {

// Runs the session's jobs for the window: compute on oneTBB's workers, in an
// arena of its own, while the window goes on answering; then apply on the
// window's thread through a queued call. Jobs over fewer samples than the
// inline size run at once on the window's thread instead: they end long
// before anyone could see a difference, and the window behaves exactly as
// with one thread. One job at a time: a job started while one runs waits for
// it (a later one replaces an earlier waiting one).
class TQtJobRunner : public QObject, public TJobRunner {
  Q_OBJECT

 public:
  explicit TQtJobRunner(QObject* parent = nullptr);
  // Cancels a running job and waits until its compute has let go of what
  // it reads; that takes as long as the job needs to notice.
  ~TQtJobRunner() override;

  void Run(TJob job) override;
  bool Busy() const override;
  void Cancel() override;

  static constexpr std::int64_t kDefaultInlineSize = std::int64_t{1} << 18;
  void SetInlineSize(std::int64_t size) { inlineSize_ = size; }

  // The running job's progress; nullptr while idle.
  const TProgress* Progress() const;

 signals:
  // A job went to the workers; the window is busy until Ended.
  void Started();
  // The running job moved on (at most about ten times a second).
  void Progressed(double fraction);
  // Idle again: the last job was applied, dropped or failed.
  void Ended();

 private:
  struct TState;
  void Launch(TJob job);
  void Finish(const std::shared_ptr<TState>& state);

  class TWorkers;
  std::unique_ptr<TWorkers> workers_;
  std::shared_ptr<TState> running_;
  std::unique_ptr<TJob> pending_;
  std::int64_t inlineSize_ = kDefaultInlineSize;
};

}  // namespace fendrel
