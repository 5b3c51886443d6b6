#include "platform/application.h"

#include <gtest/gtest.h>

#include <QEvent>
#include <QWidget>
#include <stdexcept>

#include "support/recording_dialogs.h"

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

class Failing : public QWidget {
 public:
  int handled = 0;

 protected:
  bool event(QEvent* e) override {
    if (e->type() == QEvent::User) throw std::runtime_error("Handler failed");
    if (e->type() == QEvent::User + 1) ++handled;
    return QWidget::event(e);
  }
};

TEST(ErrorBox, AFailureEscapingAHandlerIsShownAndDispatchGoesOn) {
  RecordingDialogs log;
  Failing widget;
  QEvent failing(QEvent::User);
  EXPECT_NO_THROW(NotifyShowingFailures(*qApp, &widget, &failing));
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.errors[0], "Handler failed.");
  QEvent next(static_cast<QEvent::Type>(QEvent::User + 1));
  NotifyShowingFailures(*qApp, &widget, &next);
  EXPECT_EQ(widget.handled, 1);
  EXPECT_EQ(log.errors.size(), 1u);
}

TEST(ErrorBox, CommandStopsAtTheFailingStepAndReleasesTheMouse) {
  RecordingDialogs log;
  QWidget holder;
  holder.show();
  holder.grabMouse();
  ASSERT_EQ(QWidget::mouseGrabber(), &holder);
  int steps = 0;
  const bool completed = RunCommand([&] {
    if (++steps == 1) throw std::runtime_error("List index out of bounds (7)");
    ++steps;
  });
  EXPECT_FALSE(completed);
  EXPECT_EQ(steps, 1);
  EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
  ASSERT_EQ(log.errors.size(), 1u);
  EXPECT_EQ(log.errors[0], "List index out of bounds (7)");
  EXPECT_TRUE(RunCommand([&] { ++steps; }));
  EXPECT_EQ(steps, 2);
}

}  // namespace
}  // namespace fendrel
