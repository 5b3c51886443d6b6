#include "platform/application.h"

#include <gtest/gtest.h>

#include <QWidget>
#include <stdexcept>

#include "support/recording_desktop.h"

namespace fendrel {
namespace {

TEST(ErrorBox, FullStopAfterLettersAndDigitsOnly) {
  EXPECT_EQ(ErrorBoxText("Cannot open clipboard"), "Cannot open clipboard.");
  EXPECT_EQ(ErrorBoxText("List index out of bounds (5)"), "List index out of bounds (5)");
  EXPECT_EQ(ErrorBoxText("Value 42"), "Value 42.");
  EXPECT_EQ(ErrorBoxText("Done."), "Done.");
  EXPECT_EQ(ErrorBoxText("Stop!"), "Stop!");
  EXPECT_EQ(ErrorBoxText("path/"), "path/.");  // '/' comes after '.'
  EXPECT_EQ(ErrorBoxText(""), "");
  EXPECT_EQ(ErrorBoxText("caf\xC3\xA9"), "caf\xC3\xA9.");
}

TEST(ErrorBox, CommandStopsAtTheFailingStepAndReleasesTheMouse) {
  RecordingDialogs log;
  RecordingClipboard clipboard;
  RecordingDesktopWindow holder(log, clipboard);
  holder.show();
  holder.grabMouse();
  ASSERT_EQ(QWidget::mouseGrabber(), &holder);
  int steps = 0;
  const bool completed = RunCommand(&holder, [&] {
    if (++steps == 1) throw std::runtime_error("List index out of bounds (7)");
    ++steps;
  });
  EXPECT_FALSE(completed);
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.errors[0], "List index out of bounds (7)");
  EXPECT_TRUE(RunCommand(&holder, [&] { ++steps; }));
  EXPECT_EQ(steps, 2);
}

}  // namespace
}  // namespace fendrel
