#pragma once

#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "chart/canvas3d.h"
#include "platform/color.h"
#include "raster/geometry.h"

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
  // What a chain of segments from p, all inside p's pixel column and ending
  // at q, does with collapsing on, given the rows low..high they cover
  // together: the same as calling Segment for each of them.
  void ColumnRun(TPoint p, int low, int high, TPoint q);
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

// One ribbon of a collapsed run in a pixel column: from row From to row To,
// filled with the run's fill or, for Outline, with the pen's colour.
struct TRibbonStretch {
  int From = 0;
  int To = 0;
  bool Outline = false;
};

// Scratch for ColumnStretches, kept from run to run.
struct TStretchScratch {
  std::vector<std::uint8_t> Shows;
  std::vector<int> Next;
};

// The ribbons that draw a run of vertical ribbons in one column, each given
// as its start and end rows in drawing order and together covering rows
// low..high: stretches of like diagonals, or the ribbons as they stand for a
// run of one or a very tall run. Appends them to out.
void ColumnStretches(std::span<const std::pair<int, int>> steps, int low, int high,
                     TStretchScratch& scratch, std::vector<TRibbonStretch>& out);

// The 3D ribbons of one series across the slice z0..z1, drawn segment after
// segment, each filled with its own colour and outlined with the surface's
// pen. A ribbon that runs straight up or down a pixel column X covers, in
// each of the slice's columns, the same diagonal rows: it outlines its two
// end diagonals and both sides and fills the diagonals between. Whatever a
// later ribbon of the column covers it paints over, so after a run of such
// ribbons each diagonal shows what the last ribbon to cover it gave it.
// With collapsing on, such a run (thousands of ribbons when a series is
// dense) is held back and drawn as one ribbon per stretch of diagonals that
// ends up alike: a filled one for each stretch of fill, a ribbon filled with
// the pen colour for each stretch of outline. The pixels are the same; that
// holds for a solid copying one-pixel pen, a solid brush and a view at zoom
// 1, so the caller turns collapsing off otherwise. A run of one segment, all
// that sparse data has, is drawn as it stands. Vertical ribbons are never
// darkened, so a run keeps one fill.
class TRibbonPath {
 public:
  TRibbonPath(TCanvas3D& canvas, bool collapse, TBrushStyle style, int z0, int z1)
      : canvas_(canvas), collapse_(collapse), style_(style), z0_(z0), z1_(z1) {}
  TRibbonPath(const TRibbonPath&) = delete;
  TRibbonPath& operator=(const TRibbonPath&) = delete;
  ~TRibbonPath() { Flush(); }

  // The ribbon from p to q (p != q) filled with fill.
  void Segment(TPoint p, TPoint q, TColor fill);
  // A run collapsed beforehand: draws what is held back, then the stretches
  // in column x.
  void Stretches(int x, std::span<const TRibbonStretch> stretches, TColor fill);
  // Draws whatever is held back.
  void Flush();

 private:
  void Draw(TPoint p, TPoint q, TColor fill);

  TCanvas3D& canvas_;
  bool collapse_;
  TBrushStyle style_;
  int z0_;
  int z1_;
  bool brushSet_ = false;
  TColor brushColor_ = clNone;
  // The held-back run: its column, fill and rows covered, and each segment
  // as the rows of its start and end.
  bool held_ = false;
  TPoint end_;
  TColor fill_ = clNone;
  int low_ = 0;
  int high_ = 0;
  std::vector<std::pair<int, int>> steps_;
  TStretchScratch scratch_;
  std::vector<TRibbonStretch> stretches_;
};

// Draws the visible points of one line series of chart, in the clip the
// caller set: 2D lines (with stairs) or 3D ribbons across the series' slice.
// Many points are first mapped to pixels in parallel blocks, which also
// gather each run of points that stays in one pixel column; the drawing
// itself stays on the calling thread and is the same whatever the number of
// workers.
void PaintLineSeries(TChart& chart, TCustomSeries& series);

}  // namespace fendrel
