#pragma once

#include <array>

#include "platform/color.h"

namespace fendrel {

// The automatic series colours, in the order they are handed out.
inline constexpr std::array<TColor, 16> ColorPalette = {
    clRed,  clGreen,  clYellow, clBlue,  clWhite,  clGray,   clFuchsia, clTeal,
    clNavy, clMaroon, clLime,   clOlive, clPurple, clSilver, clAqua,    clBlack};

// Palette colour for a running number: wraps around after the sixteenth.
constexpr TColor ColorOfIndex(int index) {
  const int n = static_cast<int>(ColorPalette.size());
  return ColorPalette[static_cast<std::size_t>(((index % n) + n) % n)];
}

}  // namespace fendrel
