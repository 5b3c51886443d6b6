#include "platform/job_runner.h"

#include <gtest/gtest.h>
#include <tbb/global_control.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <thread>

namespace fendrel {
namespace {

// Spins the event loop until the runner is idle or `ms` have passed.
bool EndsWithin(const TQtJobRunner& runner, int ms) {
  QElapsedTimer clock;
  clock.start();
  while (runner.Busy() && clock.elapsed() < ms) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  }
  return !runner.Busy();
}

TJob BigJob(bool& applied, std::thread::id& computedOn) {
  TJob job;
  job.what = "work";
  job.size = TQtJobRunner::kDefaultInlineSize;
  job.compute = [&](TProgress&) -> TJob::TApply {
    computedOn = std::this_thread::get_id();
    return [&] { applied = true; };
  };
  return job;
}

// One thread allowed, as on a machine with one core: the job must still get
// a thread of its own while the window's thread goes on answering.
TEST(QtJobRunner, BigJobEndsWithOneThreadAllowed) {
  const tbb::global_control one(tbb::global_control::max_allowed_parallelism, 1);
  TQtJobRunner runner;
  int started = 0;
  int ended = 0;
  QObject::connect(&runner, &TQtJobRunner::Started, [&] { ++started; });
  QObject::connect(&runner, &TQtJobRunner::Ended, [&] { ++ended; });
  bool applied = false;
  std::thread::id computedOn;
  runner.Run(BigJob(applied, computedOn));
  EXPECT_TRUE(runner.Busy());
  ASSERT_TRUE(EndsWithin(runner, 5000));
  EXPECT_TRUE(applied);
  EXPECT_NE(computedOn, std::this_thread::get_id());
  EXPECT_EQ(started, 1);
  EXPECT_EQ(ended, 1);
}

// A cancelled job applies nothing and still ends.
TEST(QtJobRunner, CancelledJobEndsWithoutApplying) {
  TQtJobRunner runner;
  bool applied = false;
  bool dropped = false;
  TJob job;
  job.what = "work";
  job.size = TQtJobRunner::kDefaultInlineSize;
  job.compute = [&](TProgress& progress) -> TJob::TApply {
    while (!progress.Cancelled()) std::this_thread::yield();
    return [&] { applied = true; };
  };
  job.dropped = [&] { dropped = true; };
  runner.Run(std::move(job));
  runner.Cancel();
  ASSERT_TRUE(EndsWithin(runner, 5000));
  EXPECT_FALSE(applied);
  EXPECT_TRUE(dropped);
}

}  // namespace
}  // namespace fendrel
