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

TEST(ColorQt, SystemColoursFollowThePalette) {
  const QPalette saved = QApplication::palette();
  QPalette palette = saved;
  palette.setColor(QPalette::Button, QColor(10, 20, 30));
  palette.setColor(QPalette::Dark, QColor(40, 50, 60));
  palette.setColor(QPalette::Light, QColor(70, 80, 90));
  QApplication::setPalette(palette);
  EXPECT_EQ(ColorToRGB(clBtnFace), RGBColor(10, 20, 30));
  EXPECT_EQ(ColorToRGB(clBtnShadow), RGBColor(40, 50, 60));
  EXPECT_EQ(ToQColor(clBtnHighlight), QColor(70, 80, 90));
  QApplication::setPalette(saved);
}

}  // namespace
}  // namespace fendrel
