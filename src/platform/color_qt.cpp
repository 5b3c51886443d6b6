#include "platform/color_qt.h"

#include <QGuiApplication>
#include <QPalette>
#include <array>

namespace fendrel {

namespace {

struct TSystemColor {
  std::uint8_t Number;
  QPalette::ColorRole Role;
  TColor Fallback;  // the classic desktop value, used before there is an application
};

// Desktop system colour numbers and the palette roles that play their part.
constexpr std::array<TSystemColor, 16> kSystemColors{{
    {0, QPalette::Button, 0xC0C0C0},            // scroll bar
    {1, QPalette::Window, 0x808000},            // desktop
    {4, QPalette::Window, 0xC0C0C0},            // menu
    {5, QPalette::Base, 0xFFFFFF},              // window
    {7, QPalette::WindowText, 0x000000},        // menu text
    {8, QPalette::Text, 0x000000},              // window text
    {13, QPalette::Highlight, 0x800000},        // highlight
    {14, QPalette::HighlightedText, 0xFFFFFF},  // highlighted text
    {15, QPalette::Button, 0xC0C0C0},           // button face
    {16, QPalette::Dark, 0x808080},             // button shadow
    {17, QPalette::PlaceholderText, 0x808080},  // grey text
    {18, QPalette::ButtonText, 0x000000},       // button text
    {20, QPalette::Light, 0xFFFFFF},            // button highlight
    {21, QPalette::Shadow, 0x000000},           // 3D dark shadow
    {22, QPalette::Midlight, 0xDFDFDF},         // 3D light
    {24, QPalette::ToolTipBase, 0xE1FFFF},      // info background
}};

TColor FromQColor(const QColor& c) {
  return RGBColor(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                  static_cast<std::uint8_t>(c.blue()));
}

}  // namespace

TColor ColorToRGB(TColor c) {
  if (!IsSystemColor(c)) return c;
  const auto number = static_cast<std::uint8_t>(c & 0xFFu);
  const bool haveApp = QGuiApplication::instance() != nullptr;
  for (const TSystemColor& entry : kSystemColors) {
    if (entry.Number != number) continue;
    return haveApp ? FromQColor(QGuiApplication::palette().color(QPalette::Active, entry.Role))
                   : entry.Fallback;
  }
  return haveApp ? FromQColor(QGuiApplication::palette().color(QPalette::Active, QPalette::Window))
                 : TColor{0xC0C0C0};
}

QColor ToQColor(TColor c) {
  const TColor rgb = ColorToRGB(c);
  return QColor(RedOf(rgb), GreenOf(rgb), BlueOf(rgb));
}

}  // namespace fendrel
