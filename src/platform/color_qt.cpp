#include "platform/color_qt.h"

#include <array>

namespace fendrel {

namespace {

struct TSystemColor {
  std::uint8_t Number;
  TColor Value;
};

// The charts' own light palette. A chart keeps the picture it was designed
// with, and stays readable, under any desktop palette, dark ones included; its
// clipboard pictures do not depend on the desktop either. The values are Qt's
// standard light palette, so a chart looks at home on a light desktop.
constexpr std::array<TSystemColor, 16> kSystemColors{{
    {0, RGBColor(0xEF, 0xEF, 0xEF)},   // scroll bar
    {1, RGBColor(0xEF, 0xEF, 0xEF)},   // desktop
    {4, RGBColor(0xEF, 0xEF, 0xEF)},   // menu
    {5, RGBColor(0xFF, 0xFF, 0xFF)},   // window
    {7, RGBColor(0x00, 0x00, 0x00)},   // menu text
    {8, RGBColor(0x00, 0x00, 0x00)},   // window text
    {13, RGBColor(0x30, 0x8C, 0xC6)},  // highlight
    {14, RGBColor(0xFF, 0xFF, 0xFF)},  // highlighted text
    {15, RGBColor(0xEF, 0xEF, 0xEF)},  // button face
    {16, RGBColor(0x9F, 0x9F, 0x9F)},  // button shadow
    {17, RGBColor(0x80, 0x80, 0x80)},  // grey text
    {18, RGBColor(0x00, 0x00, 0x00)},  // button text
    {20, RGBColor(0xFF, 0xFF, 0xFF)},  // button highlight
    {21, RGBColor(0x76, 0x76, 0x76)},  // 3D dark shadow
    {22, RGBColor(0xCA, 0xCA, 0xCA)},  // 3D light
    {24, RGBColor(0xFF, 0xFF, 0xDC)},  // info background
}};

constexpr TColor kOtherSystemColor = RGBColor(0xEF, 0xEF, 0xEF);

}  // namespace

TColor ColorToRGB(TColor c) {
  if (!IsSystemColor(c)) return c;
  const auto number = static_cast<std::uint8_t>(c & 0xFFu);
  for (const TSystemColor& entry : kSystemColors)
    if (entry.Number == number) return entry.Value;
  return kOtherSystemColor;
}

QColor ToQColor(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

}  // namespace fendrel
