#include "platform/color_qt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>

namespace fendrel {
namespace {

TEST(ColorQt, RedIsInTheLowByte) {
  EXPECT_EQ(ToQColor(clRed), QColor(255, 0, 0));
  EXPECT_EQ(ToQColor(clBlue), QColor(0, 0, 255));
  EXPECT_EQ(ToQColor(0x0080FFFFu), QColor(255, 255, 128));
  EXPECT_EQ(ColorToRGB(clGreen), clGreen);
}

TEST(ColorQt, ChartSystemColoursStayLightUnderADarkDesktopPalette) {
  const QPalette saved = QApplication::palette();
  QPalette dark(QColor(49, 54, 59), QColor(35, 38, 41));
  dark.setColor(QPalette::WindowText, QColor(239, 240, 241));
  dark.setColor(QPalette::Text, QColor(239, 240, 241));
  QApplication::setPalette(dark);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(239, 239, 239));
  EXPECT_EQ(ColorToRGB(clBtnShadow), RGBColor(159, 159, 159));
  EXPECT_EQ(ToQColor(clBtnHighlight), QColor(255, 255, 255));
  EXPECT_EQ(ColorToRGB(clWindowText), clBlack);
  EXPECT_EQ(ColorToRGB(clHighlight), RGBColor(48, 140, 198));
  QApplication::setPalette(saved);
}

}  // namespace
}  // namespace fendrel
