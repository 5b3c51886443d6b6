#include "ui/up_down.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

#include "platform/locale.h"

namespace fendrel {
namespace {

TEST(UpDownText, ThousandsSeparatorFromOneThousandOn) {
  EXPECT_EQ(TUpDown::PositionText(999, ","), "999");
  EXPECT_EQ(TUpDown::PositionText(1000, ","), "1,000");
  EXPECT_EQ(TUpDown::PositionText(32767, "."), "32.767");
  EXPECT_EQ(TUpDown::PositionText(-1234, ","), "-1,234");
  EXPECT_EQ(TUpDown::PositionText(12345, QString(QChar(0x00A0))),
            QString("12") + QChar(0x00A0) + "345");
}

class UpDownTest : public ::testing::Test {
 protected:
  UpDownTest() {
    ApplySeparators({'.', ","});
    upDown.SetAssociate(&edit);
    upDown.SetMax(2);
  }
  ~UpDownTest() override { ApplySeparators({'.', ","}); }

  QLineEdit edit;
  TUpDown upDown;
};

TEST_F(UpDownTest, StepsByOneWithoutWrapAndSignalsOnlyChanges) {
  QSignalSpy clicks(&upDown, &TUpDown::Click);
  EXPECT_TRUE(edit.isReadOnly());
  EXPECT_FALSE(upDown.Step(btPrev));  // at the minimum
  EXPECT_EQ(clicks.count(), 0);
  EXPECT_TRUE(upDown.Step(btNext));
  EXPECT_TRUE(upDown.Step(btNext));
  EXPECT_FALSE(upDown.Step(btNext));  // at the maximum
  EXPECT_EQ(upDown.Position(), 2);
  EXPECT_EQ(edit.text(), "2");
  ASSERT_EQ(clicks.count(), 2);
  EXPECT_EQ(clicks[1][0].value<TUDBtnType>(), btNext);
}

TEST_F(UpDownTest, ProgramSettingsSignalNothingAndTheMaximumDoesNotMoveThePosition) {
  QSignalSpy clicks(&upDown, &TUpDown::Click);
  upDown.SetMax(5000);
  upDown.SetPosition(1500);
  EXPECT_EQ(edit.text(), "1,500");
  upDown.SetMax(10);
  EXPECT_EQ(upDown.Position(), 1500);
  EXPECT_EQ(clicks.count(), 0);
  // The next user step lands inside the new range.
  EXPECT_TRUE(upDown.Step(btNext));
  EXPECT_EQ(upDown.Position(), 10);
}

TEST_F(UpDownTest, ArrowClicksAndArrowKeysInTheEditStep) {
  QSignalSpy clicks(&upDown, &TUpDown::Click);
  upDown.resize(16, 21);
  QTest::mouseClick(upDown.UpButton(), Qt::LeftButton);
  EXPECT_EQ(upDown.Position(), 1);
  QTest::keyClick(&edit, Qt::Key_Up);
  EXPECT_EQ(upDown.Position(), 2);
  QTest::keyClick(&edit, Qt::Key_Up);
  QTest::keyClick(&edit, Qt::Key_Down);
  QTest::mouseClick(upDown.DownButton(), Qt::LeftButton);
  EXPECT_EQ(upDown.Position(), 0);
  EXPECT_EQ(clicks.count(), 4);
  QTest::keyClick(&edit, Qt::Key_Down);
  EXPECT_EQ(clicks.count(), 4);
  EXPECT_EQ(edit.text(), "0");
}

}  // namespace
}  // namespace fendrel
