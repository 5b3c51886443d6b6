#pragma once

#include <cstdint>

namespace fendrel {

// Pen, brush and font styles shared by the chart attributes and the drawing
// context, so that a chart pen reaches the context without translation.

enum class TPenStyle : std::uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };
using enum TPenStyle;

// How pen pixels combine with the picture: plain copy, or not-xor for the
// rubber band that a second drawing removes again.
enum class TPenMode : std::uint8_t { pmCopy, pmNotXor };
using enum TPenMode;

enum class TBrushStyle : std::uint8_t {
  bsSolid,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};
using enum TBrushStyle;

using TFontStyles = std::uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

}  // namespace fendrel
