#include "chart/zoom.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "chart/axis.h"

namespace fendrel {

TAxisScale SaveAxisScale(const TChartAxis& axis) {
  return {axis.Automatic(), axis.AutomaticMinimum(), axis.AutomaticMaximum(), axis.Minimum(),
          axis.Maximum()};
}

void RestoreAxisScale(TChartAxis& axis, const TAxisScale& scale) {
  if (scale.Automatic) {
    axis.SetAutomatic(true);
    return;
  }
  // Fixing the range clears all three flags; setting them afterwards brings
  // back an end that was automatic on its own.
  axis.SetMinMax(scale.Minimum, scale.Maximum);
  axis.SetAutomaticMinimum(scale.AutomaticMinimum);
  axis.SetAutomaticMaximum(scale.AutomaticMaximum);
}

void SetAxisRange(TChartAxis& axis, TAxisRange range) {
  axis.SetMinMax(range.Minimum, range.Maximum);
}

TZoomDragResult ZoomDragResult(TPoint anchor, TPoint release) {
  const int dx = release.X - anchor.X;
  const int dy = release.Y - anchor.Y;
  if (std::abs(dx) <= MinZoomDragPixels || std::abs(dy) <= MinZoomDragPixels) return zdNothing;
  return dx > 0 && dy > 0 ? zdZoom : zdRestore;
}

TRect OrderedRect(int x0, int y0, int x1, int y1) {
  return {std::min(x0, x1), std::min(y0, y1), std::max(x0, x1), std::max(y0, y1)};
}

TAxisRange ZoomedRange(const TChartAxis& axis, const TRect& rect) {
  if (axis.IsHorizontal) return {axis.PixelToValue(rect.Left), axis.PixelToValue(rect.Right)};
  return {axis.PixelToValue(rect.Bottom), axis.PixelToValue(rect.Top)};
}

TAxisRange ScrolledRange(const TChartAxis& axis, int fromPixel, int toPixel) {
  const double d = axis.PixelToValue(fromPixel) - axis.PixelToValue(toPixel);
  return {axis.Minimum() + d, axis.Maximum() + d};
}

TAxisRange ShiftedRange(const TChartAxis& axis, bool forward) {
  double step = (axis.Maximum() - axis.Minimum()) * WheelScrollShare;
  // A range wider than the largest double still scrolls by its share.
  if (!std::isfinite(step))
    step = axis.Maximum() * WheelScrollShare - axis.Minimum() * WheelScrollShare;
  const double d = forward ? step : -step;
  return {axis.Minimum() + d, axis.Maximum() + d};
}

TAxisRange WheelRange(const TChartAxis& axis, bool towardsUser) {
  return ShiftedRange(axis, towardsUser);
}

TAxisRange CentreZoomedRange(const TChartAxis& axis, bool zoomIn) {
  const double factor = zoomIn ? 1.0 - WheelScrollShare : 1.0 / (1.0 - WheelScrollShare);
  // Halves first, so that a range near the largest doubles does not overflow.
  const double centre = axis.Minimum() / 2 + axis.Maximum() / 2;
  const double half = (axis.Maximum() / 2 - axis.Minimum() / 2) * factor;
  const TAxisRange range{centre - half, centre + half};
  // Widening stops where the ends would leave the doubles.
  if (!std::isfinite(range.Minimum) || !std::isfinite(range.Maximum)) {
    return {axis.Minimum(), axis.Maximum()};
  }
  return range;
}

TAxisRange AnimatedRange(TAxisRange from, TAxisRange to, int step, int steps) {
  if (steps <= 0 || step >= steps) return to;
  const double t = static_cast<double>(step) / steps;
  return {from.Minimum + (to.Minimum - from.Minimum) * t,
          from.Maximum + (to.Maximum - from.Maximum) * t};
}

}  // namespace fendrel
