#pragma once

#include <span>

#include "raster/geometry.h"

namespace fendrel {

class TChart;
class TChartSeries;

// How near a press must come to a drawn line or point to count as on it.
inline constexpr double SeriesHitPixels = 3.0;

// Distance from p to the segment from a to b (to the point a when a == b).
double DistanceToSegment(TPoint p, TPoint a, TPoint b);

// Whether p lies inside polygon (crossing rule; a point on an edge may go
// either way).
bool InsidePolygon(TPoint p, std::span<const TPoint> polygon);

// Whether the window point (x, y) lies on series as the last paint drew it:
// within SeriesHitPixels of one of its segments or points, and in 3D also
// anywhere on the ribbon across its depth slice. Null points break the line.
// Only line series can be hit.
bool SeriesHitAt(TChart& chart, const TChartSeries& series, int x, int y);

}  // namespace fendrel
