#pragma once

#include "chart/canvas3d.h"
#include "platform/color.h"
#include "platform/geometry.h"

namespace fendrel {

class TChart;
class TChartValueList;
class TCustomSeries;

// The colour of a ribbon that rises steeply: each channel 64 darker, at least 0.
TColor DarkenColor(TColor color);

// Whether the segment from p to q rises (on screen, y grows downwards) more
// steeply than slopeLimit; a vertical segment never does.
bool RisesSteeply(TPoint p, TPoint q, double slopeLimit);

// Indices of the first and last point to draw for the x range [lo, hi]: the
// first point at or right of lo and the first one at or right of hi, so that
// the line runs on to the right edge. {-1, -1} when nothing is to be drawn.
struct TVisibleRange {
  int First = -1;
  int Last = -1;
};
TVisibleRange VisibleRange(const TChartValueList& x, double lo, double hi);

// A one-pixel line drawn segment after segment. With collapsing on, the
// segments that stay inside one pixel column are held back and drawn as one
// vertical stroke over exactly the pixels they would have covered, so a
// million points cost a few strokes per column and give the same picture.
// That holds only for a solid, copying, one-pixel pen in a single colour:
// the caller flushes before changing the pen and turns collapsing off for
// any other pen.
class TLinePath {
 public:
  TLinePath(TCanvas3D& canvas, bool collapse) : canvas_(canvas), collapse_(collapse) {}
  TLinePath(const TLinePath&) = delete;
  TLinePath& operator=(const TLinePath&) = delete;
  ~TLinePath() { Flush(); }

  // The segment from p to q, q itself left out.
  void Segment(TPoint p, TPoint q);
  // Draws whatever is held back.
  void Flush();

 private:
  TCanvas3D& canvas_;
  bool collapse_;
  bool open_ = false;
  // Where the line has got to; with a held-back column the surface's pen is
  // still at the column's first point.
  TPoint end_;
  bool held_ = false;
  int low_ = 0;  // rows the held-back column covers
  int high_ = 0;
};

// Draws the visible points of one line series of chart, in the clip the
// caller set: 2D lines (with stairs) or 3D ribbons across the series' slice.
void PaintLineSeries(TChart& chart, TCustomSeries& series);

}  // namespace fendrel
