#include "chart/series_paint.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <numeric>
#include <optional>
#include <span>
#include <vector>

#include "chart/axis.h"
#include "chart/chart.h"
#include "chart/draw_state.h"
#include "chart/pixel_lanes.h"
#include "chart/series.h"
#include "chart/value_list.h"
#include "core/parallel.h"

namespace fendrel {

TColor DarkenColor(TColor color) {
  const TColor rgb = ColorToRGB(color);
  const auto darker = [](std::uint8_t channel) {
    return static_cast<std::uint8_t>(channel > 64 ? channel - 64 : 0);
  };
  return RGBColor(darker(RedOf(rgb)), darker(GreenOf(rgb)), darker(BlueOf(rgb)));
}

bool RisesSteeply(TPoint p, TPoint q, double slopeLimit) {
  if (q.X == p.X) return false;
  // In doubles: a point on the plot edge may lie far off.
  const double slope = (static_cast<double>(p.Y) - q.Y) / (static_cast<double>(q.X) - p.X);
  return slope > slopeLimit;
}

namespace {

// Rows this far off are drawn as plain lines, so column bounds cannot overflow.
bool NearRow(int y) { return y > -(1 << 24) && y < (1 << 24); }

// First index from `from` on whose value is at least v, else count.
int FirstAtLeast(const TChartValueList& list, int from, double v) {
  const std::span<const double> stored = list.Stored();
  const double factor = list.Multiplier();
  const auto begin = stored.begin() + from;
  if (list.Order() == loAscending && factor > 0) {
    // Added values keep an ascending list in order, so a search finds the
    // same index as a walk without visiting the points in between.
    const auto it =
        std::partition_point(begin, stored.end(), [&](double value) { return value * factor < v; });
    return static_cast<int>(it - stored.begin());
  }
  const auto it =
      std::find_if(begin, stored.end(), [&](double value) { return value * factor >= v; });
  return static_cast<int>(it - stored.begin());
}

}  // namespace

TVisibleRange VisibleRange(const TChartValueList& x, double lo, double hi) {
  const int count = x.Count();
  if (count == 0) return {};
  if (x.Order() == loNone) return {0, count - 1};
  const int first = FirstAtLeast(x, 0, lo);
  if (first == count) return {};
  if (x.Value(count - 1) <= hi) return {first, count - 1};
  const int last = FirstAtLeast(x, first, hi);
  return {first, last == count ? count - 1 : last};
}

void TLinePath::Segment(TPoint p, TPoint q) {
  if (!open_ || p != end_) {
    Flush();
    canvas_.MoveTo(p.X, p.Y);
    open_ = true;
    end_ = p;
  }
  if (collapse_ && q.X == p.X && NearRow(p.Y) && NearRow(q.Y)) {
    // Each step inside the column covers the rows from p towards q, q left
    // out, and starts where the last one stopped: together they cover one
    // run of rows.
    const int low = q.Y > p.Y ? p.Y : q.Y + 1;
    const int high = q.Y > p.Y ? q.Y - 1 : p.Y;
    low_ = held_ ? std::min(low_, low) : low;
    high_ = held_ ? std::max(high_, high) : high;
    held_ = true;
    end_ = q;
    return;
  }
  Flush();
  canvas_.LineTo(q.X, q.Y);
  end_ = q;
}

void TLinePath::ColumnRun(TPoint p, int low, int high, TPoint q) {
  if (!open_ || p != end_) {
    Flush();
    canvas_.MoveTo(p.X, p.Y);
    open_ = true;
  }
  low_ = held_ ? std::min(low_, low) : low;
  high_ = held_ ? std::max(high_, high) : high;
  held_ = true;
  end_ = q;
}

void TLinePath::Flush() {
  if (!held_) return;
  held_ = false;
  canvas_.MoveTo(end_.X, low_);
  canvas_.LineTo(end_.X, high_ + 1);
  canvas_.MoveTo(end_.X, end_.Y);
}

void TRibbonPath::Segment(TPoint p, TPoint q, TColor fill) {
  if (!collapse_ || p.X != q.X || !NearRow(p.Y) || !NearRow(q.Y)) {
    Flush();
    Draw(p, q, fill);
    return;
  }
  if (!held_ || p != end_ || fill != fill_) {
    Flush();
    held_ = true;
    fill_ = fill;
    low_ = high_ = p.Y;
    steps_.clear();
  }
  steps_.emplace_back(p.Y, q.Y);
  low_ = std::min(low_, q.Y);
  high_ = std::max(high_, q.Y);
  end_ = q;
}

void ColumnStretches(std::span<const std::pair<int, int>> steps, int low, int high,
                     TStretchScratch& scratch, std::vector<TRibbonStretch>& out) {
  // Beyond this many rows the scratch would cost more than the ribbons.
  constexpr int kMaxRows = 1 << 16;
  if (steps.size() == 1 || high - low > kMaxRows) {
    for (const auto& [from, to] : steps) out.push_back({from, to, false});
    return;
  }
  enum : std::uint8_t { kOpen, kOutline, kFill };
  std::vector<std::uint8_t>& shows = scratch.Shows;
  std::vector<int>& next = scratch.Next;
  const auto rows = static_cast<std::size_t>(high - low + 1);
  shows.assign(rows, kOpen);
  next.resize(rows + 1);
  std::iota(next.begin(), next.end(), 0);
  // The next open diagonal at or after i, halving the chain as it goes.
  const auto open = [&next](int i) {
    while (next[static_cast<std::size_t>(i)] != i) {
      int& link = next[static_cast<std::size_t>(i)];
      link = next[static_cast<std::size_t>(link)];
      i = link;
    }
    return i;
  };
  // Last ribbon first: each diagonal takes what the first ribbon here to
  // cover it gives, and is then closed.
  std::size_t left = rows;
  for (auto step = steps.rbegin(); step != steps.rend() && left > 0; ++step) {
    const int a = std::min(step->first, step->second) - low;
    const int b = std::max(step->first, step->second) - low;
    for (int i = open(a); i <= b; i = open(i + 1)) {
      shows[static_cast<std::size_t>(i)] = i == a || i == b ? kOutline : kFill;
      next[static_cast<std::size_t>(i)] = i + 1;
      --left;
    }
  }
  const int count = static_cast<int>(rows);
  for (int i = 0; i < count;) {
    int j = i;
    while (j + 1 < count &&
           shows[static_cast<std::size_t>(j + 1)] == shows[static_cast<std::size_t>(i)])
      ++j;
    if (shows[static_cast<std::size_t>(i)] == kFill) {
      // Its neighbours are outline: a ribbon's end diagonals.
      out.push_back({low + i - 1, low + j + 1, false});
    } else if (j > i) {
      out.push_back({low + i, low + j, true});
    }
    // A lone outline diagonal is the end of a neighbouring fill's ribbon.
    i = j + 1;
  }
}

void TRibbonPath::Flush() {
  if (!held_) return;
  held_ = false;
  stretches_.clear();
  ColumnStretches(steps_, low_, high_, scratch_, stretches_);
  for (const TRibbonStretch& stretch : stretches_) {
    Draw({end_.X, stretch.From}, {end_.X, stretch.To},
         stretch.Outline ? canvas_.Pen().Color : fill_);
  }
}

void TRibbonPath::Stretches(int x, std::span<const TRibbonStretch> stretches, TColor fill) {
  Flush();
  for (const TRibbonStretch& stretch : stretches) {
    Draw({x, stretch.From}, {x, stretch.To}, stretch.Outline ? canvas_.Pen().Color : fill);
  }
}

void TRibbonPath::Draw(TPoint p, TPoint q, TColor fill) {
  if (!brushSet_ || fill != brushColor_) {
    canvas_.SetBrush({fill, style_});
    brushSet_ = true;
    brushColor_ = fill;
  }
  canvas_.ExtrudedSegment(q, p, z0_, z1_);
}

namespace {

// Far pixels are not drawn: the line skips from the last point drawn to the
// next one that can be.
bool Drawable(int pixel) { return pixel > -32767 && pixel < 32767; }

// Visible points are mapped to pixels in blocks of this many when there are
// more of them; the boundaries depend on the visible range only.
constexpr int kDenseBlock = 8192;

// What a worker leaves of a block of visible points: the points to draw one
// by one, and between them runs of points that stay in one pixel column,
// reduced to what they draw.
struct TDenseEntry {
  // The point, or the run's last point.
  int Index = 0;
  TPoint Pixel;
  TColor Color = clNone;
  bool Drawable = true;
  // A run: points that follow the entry before in its pixel column, each
  // drawable and of the same colour, with at least one step between rows.
  bool Run = false;
  // 2D: the rows the run's line covers, its last row left out.
  int Low = 0;
  int High = 0;
  // 3D: the run's ribbons, in the block's stretches.
  std::size_t StretchBegin = 0;
  std::size_t StretchEnd = 0;
};

struct TDenseBlock {
  std::vector<TDenseEntry> Entries;
  std::vector<TRibbonStretch> Stretches;
};

class TLineSeriesDrawer {
 public:
  TLineSeriesDrawer(TChart& chart, TCustomSeries& series)
      : chart_(chart),
        series_(series),
        canvas_(chart.Canvas()),
        horiz_(*series.GetHorizAxis()),
        vert_(*series.GetVertAxis()),
        x_(series.XValues().Stored()),
        y_(series.YValues().Stored()),
        xFactor_(series.XValues().Multiplier()),
        yFactor_(series.YValues().Multiplier()),
        view3D_(chart.View3D()),
        path_(canvas_, CanCollapse()),
        ribbons_(canvas_, CanCollapseRibbons(), series.LineBrush(), series.StartDepth,
                 series.EndDepth) {}

  void Draw(int first, int last);

 private:
  bool CanCollapse() const {
    const TChartPen& pen = series_.LinePen();
    // A vector picture gets the same strokes: it then holds a few per
    // column instead of one per point, and looks the same.
    return !view3D_ && !series_.Stairs() && canvas_.CollapseDense() && pen.Visible() &&
           pen.Width() <= 1 && pen.Style() == psSolid && pen.Mode() == pmCopy &&
           !pen.DrawsAlternatePixels();
  }
  bool CanCollapseRibbons() const {
    const TPenState pen = PenState(series_.LinePen());
    return view3D_ && canvas_.CollapseDense() && canvas_.IsOrthogonal() &&
           canvas_.ZoomFactor() == 1.0 && series_.LineBrush() == bsSolid && pen.Style == psSolid &&
           pen.Width <= 1 && pen.Mode == pmCopy && !pen.SmallDots;
  }
  // The values as XValue and YValue give them, without a call per point.
  double X(int i) const { return x_[static_cast<std::size_t>(i)] * xFactor_; }
  double Y(int i) const { return y_[static_cast<std::size_t>(i)] * yFactor_; }
  TPoint Pixel(int i) const { return {horiz_.ValueToPixel(X(i)), vert_.ValueToPixel(Y(i))}; }
  // The point where the line from point i - 1 to point i meets the near
  // edge of the plot.
  TPoint EdgePoint(int i) const;
  void DrawPoint(int i, TColor color, TPoint point, bool drawable);
  // Reads the block's points on a worker; draws nothing.
  void MapBlock(int begin, int end, TDenseBlock& block) const;
  // The pixels of points Begin .. End - 1, from Begin on.
  struct TMappedBlock {
    int Begin;
    int End;
    const int* Columns;
    const int* Rows;
  };
  template <typename ColorOf>
  void MapRuns(const TMappedBlock& mapped, ColorOf colorOf, TDenseBlock& block) const;
  void DrawRun(const TDenseEntry& run, const TDenseBlock& block);
  void Segment(TPoint p, TPoint q, TColor color);
  TColor RibbonFill(TPoint p, TPoint q, TColor color) const;
  void UseRibbonPen();
  void Ribbon(TPoint p, TPoint q, TColor color);
  void UseLinePen(TColor color);
  void Line(TPoint p, TPoint q, TColor color);

  TChart& chart_;
  TCustomSeries& series_;
  TCanvas3D& canvas_;
  const TChartAxis& horiz_;
  const TChartAxis& vert_;
  const std::span<const double> x_;
  const std::span<const double> y_;
  double xFactor_;
  double yFactor_;
  bool view3D_;
  TLinePath path_;
  TRibbonPath ribbons_;
  bool penSet_ = false;
  TColor penColor_ = clNone;
  int first_ = 0;
  // Nothing drawn yet in this pass: a far first point must not join the
  // line to where the previous pass ended.
  bool started_ = false;
  // The line so far: its last point and colour, and the slope beyond which
  // a 3D ribbon is shaded darker.
  TPoint previousPoint_;
  TColor previousColor_ = 0;
  double slopeLimit_ = 0;
};

TPoint TLineSeriesDrawer::EdgePoint(int i) const {
  const int edge = horiz_.Inverted() ? chart_.PlotRect.Right : chart_.PlotRect.Left;
  const double x0 = X(i - 1);
  const double y0 = Y(i - 1);
  const double x1 = X(i);
  double y = y0;
  if (x1 != x0 && !series_.Stairs()) {
    const double edgeX = horiz_.PixelToValue(edge);
    y = y0 + (Y(i) - y0) * (edgeX - x0) / (x1 - x0);
    if (!std::isfinite(y) && std::isfinite(y0) && std::isfinite(Y(i))) {
      // Values near the largest doubles overflow the difference: weigh the
      // two ends instead, which stays finite between them.
      const double f = (edgeX - x0) / (x1 - x0);
      y = y0 * (1 - f) + Y(i) * f;
    }
  }
  return {edge, vert_.ValueToPixel(y)};
}

void TLineSeriesDrawer::Draw(int first, int last) {
  first_ = first;
  started_ = false;
  const int count = last - first + 1;
  if (count <= kDenseBlock || !(view3D_ ? CanCollapseRibbons() : CanCollapse())) {
    for (int i = first; i <= last; ++i) {
      const TPoint point = Pixel(i);
      DrawPoint(i, series_.PointColor(i), point, Drawable(point.X) && Drawable(point.Y));
    }
  } else {
    std::vector<TDenseBlock> blocks(static_cast<std::size_t>((count - 1) / kDenseBlock + 1));
    ForEachBlock(blocks.size(), [&](std::size_t b) {
      const int begin = first + static_cast<int>(b) * kDenseBlock;
      MapBlock(begin, std::min(last + 1, begin + kDenseBlock), blocks[b]);
    });
    for (const TDenseBlock& block : blocks) {
      for (const TDenseEntry& entry : block.Entries) {
        if (entry.Run) {
          DrawRun(entry, block);
        } else {
          DrawPoint(entry.Index, entry.Color, entry.Pixel, entry.Drawable);
        }
      }
    }
  }
  path_.Flush();
  ribbons_.Flush();
}

void TLineSeriesDrawer::DrawPoint(int i, TColor color, TPoint point, bool drawable) {
  if (!drawable) {
    previousColor_ = color;
    return;
  }
  if (previousColor_ == clNone || !started_) previousPoint_ = point;
  if (i == first_) {
    if (series_.Dark3D()) slopeLimit_ = 1.0;
    if (i > 0) {
      previousPoint_ = EdgePoint(i);
      if (series_.PointColor(i - 1) != clNone) Segment(previousPoint_, point, color);
    }
  } else {
    Segment(previousPoint_, point, color);
  }
  previousPoint_ = point;
  previousColor_ = color;
  started_ = true;
}

void TLineSeriesDrawer::MapBlock(int begin, int end, TDenseBlock& block) const {
  const auto count = static_cast<std::size_t>(end - begin);
  // Every one is written before it is read.
  const auto columns = std::make_unique_for_overwrite<int[]>(count);
  const auto rows = std::make_unique_for_overwrite<int[]>(count);
  ValuesToPixels(horiz_, x_.subspan(static_cast<std::size_t>(begin), count), xFactor_,
                 columns.get());
  ValuesToPixels(vert_, y_.subspan(static_cast<std::size_t>(begin), count), yFactor_, rows.get());
  const TMappedBlock mapped{begin, end, columns.get(), rows.get()};
  // Without colours of their own every point has the series colour: no
  // call per point then.
  if (const std::optional<TColor> common = series_.CommonPointColor()) {
    const auto seriesColor = [color = *common](int) { return color; };
    MapRuns(mapped, seriesColor, block);
  } else {
    const auto pointColor = [this](int i) { return series_.PointColor(i); };
    MapRuns(mapped, pointColor, block);
  }
}

// Every point of a run would be drawn as the segment from the point before,
// in the same column and colour: in 2D a step the line path holds back, in
// 3D a vertical ribbon, never darkened, that the ribbon path holds back.
template <typename ColorOf>
void TLineSeriesDrawer::MapRuns(const TMappedBlock& mapped, ColorOf colorOf,
                                TDenseBlock& block) const {
  const int begin = mapped.Begin;
  const int* const columns = mapped.Columns;
  const int* const rows = mapped.Rows;
  TStretchScratch scratch;
  std::vector<std::pair<int, int>> steps;  // 3D only
  int stepCount = 0;
  bool open = false;  // points may join the last entry's run
  TDenseEntry run;
  const auto closeRun = [&] {
    if (!open) return;
    open = false;
    if (stepCount == 0) return;
    if (view3D_) {
      run.StretchBegin = block.Stretches.size();
      ColumnStretches(steps, run.Low, run.High, scratch, block.Stretches);
      run.StretchEnd = block.Stretches.size();
    }
    block.Entries.push_back(run);
  };
  for (int i = mapped.Begin; i < mapped.End;) {
    const TColor color = colorOf(i);
    const TPoint point{columns[i - begin], rows[i - begin]};
    const bool drawable = Drawable(point.X) && Drawable(point.Y);
    const bool joins = drawable && color != clNone && i != first_;
    if (open && joins && point.X == run.Pixel.X && color == run.Color) {
      // The run goes on while the points stay in its column, drawable and of
      // its colour.
      const int column = run.Pixel.X;
      int from = run.Pixel.Y;
      int j = i;
      if (view3D_) {
        for (; j < mapped.End; ++j) {
          const int to = rows[j - begin];
          if (columns[j - begin] != column || !Drawable(to) || colorOf(j) != run.Color) break;
          if (to != from) {
            steps.emplace_back(from, to);
            run.Low = std::min(run.Low, to);
            run.High = std::max(run.High, to);
          }
          from = to;
        }
        stepCount = static_cast<int>(steps.size());
      } else {
        int low = run.Low;
        int high = run.High;
        for (; j < mapped.End; ++j) {
          const int to = rows[j - begin];
          if (columns[j - begin] != column || !Drawable(to) || colorOf(j) != run.Color) break;
          // A step covers the rows from `from` towards `to`, `to` left out.
          const bool step = to != from;
          const int stepLow = to > from ? from : to + 1;
          const int stepHigh = to > from ? to - 1 : from;
          low = std::min(low, step ? stepLow : INT_MAX);
          high = std::max(high, step ? stepHigh : INT_MIN);
          stepCount += step ? 1 : 0;
          from = to;
        }
        run.Low = low;
        run.High = high;
      }
      run.Index = j - 1;
      run.Pixel = {column, from};
      i = j;
      continue;
    }
    closeRun();
    block.Entries.push_back({i, point, color, drawable});
    if (joins) {
      open = true;
      // 2D gathers the rows its steps cover, 3D the rows its points reach.
      run = {i, point, color, true, true, view3D_ ? point.Y : INT_MAX, view3D_ ? point.Y : INT_MIN};
      steps.clear();
      stepCount = 0;
    }
    ++i;
  }
  closeRun();
}

void TLineSeriesDrawer::DrawRun(const TDenseEntry& run, const TDenseBlock& block) {
  if (series_.DrawLine()) {
    if (view3D_) {
      if (series_.LineBrush() != bsClear) {
        UseRibbonPen();
        const auto stretches =
            std::span(block.Stretches).subspan(run.StretchBegin, run.StretchEnd - run.StretchBegin);
        ribbons_.Stretches(run.Pixel.X, stretches, RibbonFill(run.Pixel, run.Pixel, run.Color));
      }
    } else {
      UseLinePen(run.Color);
      path_.ColumnRun(previousPoint_, run.Low, run.High, run.Pixel);
    }
  }
  previousPoint_ = run.Pixel;
  previousColor_ = run.Color;
}

void TLineSeriesDrawer::Segment(TPoint p, TPoint q, TColor color) {
  if (p == q || color == clNone || !series_.DrawLine()) return;
  if (view3D_) {
    Ribbon(p, q, color);
  } else {
    Line(p, q, color);
  }
}

TColor TLineSeriesDrawer::RibbonFill(TPoint p, TPoint q, TColor color) const {
  TColor fill = color;
  if (series_.AreaColor() != clDefault && !series_.ColorEachPoint()) fill = series_.AreaColor();
  if (series_.Dark3D() && RisesSteeply(p, q, slopeLimit_)) fill = DarkenColor(fill);
  return fill;
}

void TLineSeriesDrawer::UseRibbonPen() {
  if (penSet_) return;
  canvas_.SetPen(PenState(series_.LinePen()));
  penSet_ = true;
}

void TLineSeriesDrawer::Ribbon(TPoint p, TPoint q, TColor color) {
  if (series_.LineBrush() == bsClear) return;
  const TColor fill = RibbonFill(p, q, color);
  UseRibbonPen();
  ribbons_.Segment(p, q, fill);
}

void TLineSeriesDrawer::UseLinePen(TColor color) {
  if (penSet_ && color == penColor_) return;
  // What is held back belongs to the old colour.
  path_.Flush();
  canvas_.SetPen(PenState(series_.LinePen(), color));
  penSet_ = true;
  penColor_ = color;
}

void TLineSeriesDrawer::Line(TPoint p, TPoint q, TColor color) {
  UseLinePen(color);
  if (!series_.Stairs()) {
    path_.Segment(p, q);
    return;
  }
  const TPoint corner = series_.InvertedStairs() ? TPoint{p.X, q.Y} : TPoint{q.X, p.Y};
  path_.Segment(p, corner);
  path_.Segment(corner, q);
}

// Series of at most this many visible points are checked for lying wholly
// off the panel before they are drawn.
constexpr int kFewPoints = 16;

// Whether nothing the series would draw for the range could reach the panel:
// at the deepest levels nearly every band's slice lies far off the picture,
// and drawing half a million such ribbons would cost more than the rest of
// the paint. The projection moves x and y each one way with depth, so the
// corners of the points' box over the slice bound the drawing; the pen's
// width and a pixel either way are added.
bool LiesOffPanel(TChart& chart, const TCustomSeries& series, TVisibleRange range) {
  if (range.Last - range.First >= kFewPoints) return false;
  const TCanvas3D& canvas = chart.Canvas();
  if (!(canvas.ZoomFactor() > 0)) return false;
  const TChartAxis& horiz = *series.GetHorizAxis();
  const TChartAxis& vert = *series.GetVertAxis();
  int left = std::numeric_limits<int>::max();
  int right = std::numeric_limits<int>::min();
  int top = left;
  int bottom = right;
  // A line that comes in from before the plot edge starts on the edge, at a
  // height only the drawing works out: then only x can tell.
  const bool fromEdge = range.First > 0;
  if (fromEdge) left = right = horiz.Inverted() ? chart.PlotRect.Right : chart.PlotRect.Left;
  for (int i = range.First; i <= range.Last; ++i) {
    const int x = horiz.ValueToPixel(series.XValue(i));
    const int y = vert.ValueToPixel(series.YValue(i));
    if (!Drawable(x) || !Drawable(y)) continue;
    left = std::min(left, x);
    right = std::max(right, x);
    top = std::min(top, y);
    bottom = std::max(bottom, y);
  }
  // Segments only join drawable points.
  if (top > bottom) return true;
  const int z0 = std::min(series.StartDepth, series.EndDepth);
  const int z1 = std::max(series.StartDepth, series.EndDepth);
  const int margin = std::max(series.LinePen().Width(), 1) + 1;
  const TRect& panel = chart.PanelBounds;
  if (canvas.ProjectPoint(right, 0, z1).X + margin < panel.Left) return true;
  if (canvas.ProjectPoint(left, 0, z0).X - margin >= panel.Right) return true;
  if (fromEdge) return false;
  return canvas.ProjectPoint(0, bottom, z0).Y + margin < panel.Top ||
         canvas.ProjectPoint(0, top, z1).Y - margin >= panel.Bottom;
}

}  // namespace

void PaintLineSeries(TChart& chart, TCustomSeries& series) {
  series.FirstVisible = -1;
  series.LastVisible = -1;
  const TChartAxis* horiz = series.GetHorizAxis();
  if (series.PointCount() == 0 || horiz == nullptr || series.GetVertAxis() == nullptr) return;
  const TRect& plot = chart.PlotRect;
  const int nearEdge = horiz->Inverted() ? plot.Right : plot.Left;
  const int farEdge = horiz->Inverted() ? plot.Left : plot.Right;
  const TVisibleRange range =
      VisibleRange(series.XValues(), horiz->PixelToValue(nearEdge), horiz->PixelToValue(farEdge));
  if (range.First < 0) return;
  series.FirstVisible = range.First;
  series.LastVisible = range.Last;
  if (LiesOffPanel(chart, series, range)) return;

  chart.Canvas().SetPenColor(clBlack);
  TLineSeriesDrawer(chart, series).Draw(range.First, range.Last);
}

}  // namespace fendrel
