#pragma once

#include <cstdint>

namespace fendrel {

// 0x00BBGGRR for a red/green/blue colour (red in the low byte), 0xFF0000nn for
// the desktop's system colour number nn. Conversion to a drawable colour lives
// in the platform layer only (ColorToRGB, ToQColor).
using TColor = std::uint32_t;

// Markers, never drawn as such.
inline constexpr TColor clDefault = 0x20000000u;  // automatic colour
inline constexpr TColor clNone = 0x1FFFFFFFu;     // null point

inline constexpr TColor clBlack = 0x00000000u;
inline constexpr TColor clMaroon = 0x00000080u;
inline constexpr TColor clGreen = 0x00008000u;
inline constexpr TColor clOlive = 0x00008080u;
inline constexpr TColor clNavy = 0x00800000u;
inline constexpr TColor clPurple = 0x00800080u;
inline constexpr TColor clTeal = 0x00808000u;
inline constexpr TColor clGray = 0x00808080u;
inline constexpr TColor clSilver = 0x00C0C0C0u;
inline constexpr TColor clRed = 0x000000FFu;
inline constexpr TColor clLime = 0x0000FF00u;
inline constexpr TColor clYellow = 0x0000FFFFu;
inline constexpr TColor clBlue = 0x00FF0000u;
inline constexpr TColor clFuchsia = 0x00FF00FFu;
inline constexpr TColor clAqua = 0x00FFFF00u;
inline constexpr TColor clWhite = 0x00FFFFFFu;

inline constexpr TColor clSystemColor = 0xFF000000u;
inline constexpr TColor clWindow = clSystemColor | 5u;
inline constexpr TColor clWindowText = clSystemColor | 8u;
inline constexpr TColor clHighlight = clSystemColor | 13u;
inline constexpr TColor clBtnFace = clSystemColor | 15u;
inline constexpr TColor clBtnShadow = clSystemColor | 16u;
inline constexpr TColor clBtnText = clSystemColor | 18u;
inline constexpr TColor clBtnHighlight = clSystemColor | 20u;

constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000u) == clSystemColor; }
constexpr TColor RGBColor(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return TColor{r} | (TColor{g} << 8) | (TColor{b} << 16);
}
constexpr std::uint8_t RedOf(TColor c) { return static_cast<std::uint8_t>(c & 0xFFu); }
constexpr std::uint8_t GreenOf(TColor c) { return static_cast<std::uint8_t>((c >> 8) & 0xFFu); }
constexpr std::uint8_t BlueOf(TColor c) { return static_cast<std::uint8_t>((c >> 16) & 0xFFu); }

// The red/green/blue value of a colour; system colours resolve through the
// charts' own light palette, whatever the desktop's palette is.
TColor ColorToRGB(TColor c);

}  // namespace fendrel
