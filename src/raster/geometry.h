#pragma once

namespace fendrel {

// Whole-pixel geometry of the chart. A rectangle's right and bottom edges are
// exclusive, as in the raster conventions of the drawing context.
struct TPoint {
  int X = 0;
  int Y = 0;

  friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
};

struct TRect {
  int Left = 0;
  int Top = 0;
  int Right = 0;
  int Bottom = 0;

  constexpr int Width() const { return Right - Left; }
  constexpr int Height() const { return Bottom - Top; }

  friend constexpr bool operator==(const TRect&, const TRect&) = default;
};

}  // namespace fendrel
