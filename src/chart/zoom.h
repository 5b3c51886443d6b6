#pragma once

#include <array>

#include "raster/geometry.h"

namespace fendrel {

class TChartAxis;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
using enum TMouseButton;

// A left drag zooms, a right drag scrolls; no shift key is needed for either.
inline constexpr TMouseButton ZoomButton = mbLeft;
inline constexpr TMouseButton ScrollButton = mbRight;
// A zoom drag must move more than this many pixels both ways to count.
inline constexpr int MinZoomDragPixels = 16;
// Share of the vertical range one wheel turn scrolls.
inline constexpr double WheelScrollShare = 0.03;

// What lies under a window point when a button goes down.
enum class TChartClickedPart { cpNone, cpSeries, cpAxis, cpTitle, cpFoot, cpChartRect, cpLegend };
using enum TChartClickedPart;

struct TAxisRange {
  double Minimum = 0;
  double Maximum = 0;

  friend bool operator==(const TAxisRange&, const TAxisRange&) = default;
};

// How an axis was scaled before the first zoom or scroll.
struct TAxisScale {
  bool Automatic = true;
  bool AutomaticMinimum = true;
  bool AutomaticMaximum = true;
  double Minimum = 0;
  double Maximum = 0;

  friend bool operator==(const TAxisScale&, const TAxisScale&) = default;
};

TAxisScale SaveAxisScale(const TChartAxis& axis);
// Puts the scale back exactly: a fixed range first, then the automatic
// flags, so that an automatic end stays automatic.
void RestoreAxisScale(TChartAxis& axis, const TAxisScale& scale);

// Fixes the axis to range at once: automatic scaling off, ends swapped when
// reversed and kept at least 1e-10 apart.
void SetAxisRange(TChartAxis& axis, TAxisRange range);

enum class TZoomDragResult { zdNothing, zdZoom, zdRestore };
using enum TZoomDragResult;
// A release more than MinZoomDragPixels away both ways zooms when the drag
// went right and down, and restores the saved scales otherwise.
TZoomDragResult ZoomDragResult(TPoint anchor, TPoint release);

// The rectangle with its corners ordered (left <= right, top <= bottom).
TRect OrderedRect(int x0, int y0, int x1, int y1);

// The values under rect along axis, from the last paint's mapping; rect is
// ordered. A vertical axis reads the bottom edge as its low end.
TAxisRange ZoomedRange(const TChartAxis& axis, const TRect& rect);

// The axis range moved so that the value that was under fromPixel comes
// to lie under toPixel.
TAxisRange ScrolledRange(const TChartAxis& axis, int fromPixel, int toPixel);

// The axis range moved by WheelScrollShare of itself: up when forward.
TAxisRange ShiftedRange(const TChartAxis& axis, bool forward);

// The axis range after one wheel turn: up by WheelScrollShare of the range
// for a turn towards the user, down for one away.
TAxisRange WheelRange(const TChartAxis& axis, bool towardsUser);

// The axis range narrowed (zoom in) or widened about its centre by the
// wheel's share; widening undoes narrowing.
TAxisRange CentreZoomedRange(const TChartAxis& axis, bool zoomIn);

// Step step of steps on the straight way from from to to (steps itself gives to).
TAxisRange AnimatedRange(TAxisRange from, TAxisRange to, int step, int steps);

// Whether (x, y) lies inside r, right and bottom edges excluded.
constexpr bool PointInRect(const TRect& r, int x, int y) {
  return r.Left <= x && x < r.Right && r.Top <= y && y < r.Bottom;
}

// The drag state of one chart.
struct TChartMouseState {
  bool Zooming = false;
  TPoint ZoomAnchor;
  TPoint ZoomCorner;
  bool Scrolling = false;
  TPoint ScrollStart;
  TPoint ScrollLast;
  // Bottom, top, left, right, as the chart lists its axes.
  std::array<TAxisScale, 4> SavedScales{};
  bool Saved = false;
  bool Zoomed = false;
  // Wheel movement not yet worth a whole turn, in the platform's units.
  int WheelRest = 0;
};

}  // namespace fendrel
