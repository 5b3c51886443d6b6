#include "chart/series_paint.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numeric>
#include <vector>

#include "chart/axis.h"
#include "chart/chart.h"
#include "chart/draw_state.h"
#include "chart/series.h"
#include "chart/value_list.h"

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
  const std::vector<double>& stored = list.Stored();
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

void TRibbonPath::Flush() {
  if (!held_) return;
  held_ = false;
  // Beyond this many rows the scratch would cost more than the ribbons.
  constexpr int kMaxRows = 1 << 16;
  if (steps_.size() == 1 || high_ - low_ > kMaxRows) {
    for (const auto& [from, to] : steps_) Draw({end_.X, from}, {end_.X, to}, fill_);
    return;
  }
  DrawStretches();
}

void TRibbonPath::DrawStretches() {
  enum : std::uint8_t { kOpen, kOutline, kFill };
  const auto rows = static_cast<std::size_t>(high_ - low_ + 1);
  shows_.assign(rows, kOpen);
  next_.resize(rows + 1);
  std::iota(next_.begin(), next_.end(), 0);
  // The next open diagonal at or after i, halving the chain as it goes.
  const auto open = [this](int i) {
    while (next_[static_cast<std::size_t>(i)] != i) {
      int& link = next_[static_cast<std::size_t>(i)];
      link = next_[static_cast<std::size_t>(link)];
      i = link;
    }
    return i;
  };
  // Last ribbon first: each diagonal takes what the first ribbon here to
  // cover it gives, and is then closed.
  std::size_t left = rows;
  for (auto step = steps_.rbegin(); step != steps_.rend() && left > 0; ++step) {
    const int a = std::min(step->first, step->second) - low_;
    const int b = std::max(step->first, step->second) - low_;
    for (int i = open(a); i <= b; i = open(i + 1)) {
      shows_[static_cast<std::size_t>(i)] = i == a || i == b ? kOutline : kFill;
      next_[static_cast<std::size_t>(i)] = i + 1;
      --left;
    }
  }
  const int x = end_.X;
  const TColor outline = canvas_.Pen().Color;
  const int count = static_cast<int>(rows);
  for (int i = 0; i < count;) {
    int j = i;
    while (j + 1 < count &&
           shows_[static_cast<std::size_t>(j + 1)] == shows_[static_cast<std::size_t>(i)])
      ++j;
    if (shows_[static_cast<std::size_t>(i)] == kFill) {
      // Its neighbours are outline: a ribbon's end diagonals.
      Draw({x, low_ + i - 1}, {x, low_ + j + 1}, fill_);
    } else if (j > i) {
      Draw({x, low_ + i}, {x, low_ + j}, outline);
    }
    // A lone outline diagonal is the end of a neighbouring fill's ribbon.
    i = j + 1;
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
  // The point where the line from point i - 1 to point i meets the near
  // edge of the plot.
  TPoint EdgePoint(int i) const;
  void Segment(TPoint p, TPoint q, TColor color);
  void Ribbon(TPoint p, TPoint q, TColor color);
  void Line(TPoint p, TPoint q, TColor color);

  TChart& chart_;
  TCustomSeries& series_;
  TCanvas3D& canvas_;
  const TChartAxis& horiz_;
  const TChartAxis& vert_;
  const std::vector<double>& x_;
  const std::vector<double>& y_;
  double xFactor_;
  double yFactor_;
  bool view3D_;
  TLinePath path_;
  TRibbonPath ribbons_;
  bool penSet_ = false;
  TColor penColor_ = clNone;
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
  }
  return {edge, vert_.ValueToPixel(y)};
}

void TLineSeriesDrawer::Draw(int first, int last) {
  // Nothing drawn yet in this pass: a far first point must not join the
  // line to where the previous pass ended.
  bool started = false;
  for (int i = first; i <= last; ++i) {
    const TColor color = series_.PointColor(i);
    const TPoint point{horiz_.ValueToPixel(X(i)), vert_.ValueToPixel(Y(i))};
    if (!Drawable(point.X) || !Drawable(point.Y)) {
      series_.PreviousColor = color;
      continue;
    }
    if (series_.PreviousColor == clNone || !started) series_.PreviousPoint = point;
    if (i == first) {
      if (series_.Dark3D()) series_.SlopeLimit = 1.0;
      if (i > 0) {
        series_.PreviousPoint = EdgePoint(i);
        if (series_.PointColor(i - 1) != clNone) Segment(series_.PreviousPoint, point, color);
      }
    } else {
      Segment(series_.PreviousPoint, point, color);
    }
    series_.PreviousPoint = point;
    series_.PreviousColor = color;
    started = true;
  }
  path_.Flush();
  ribbons_.Flush();
}

void TLineSeriesDrawer::Segment(TPoint p, TPoint q, TColor color) {
  if (p == q || color == clNone || !series_.DrawLine()) return;
  if (view3D_) {
    Ribbon(p, q, color);
  } else {
    Line(p, q, color);
  }
}

void TLineSeriesDrawer::Ribbon(TPoint p, TPoint q, TColor color) {
  if (series_.LineBrush() == bsClear) return;
  TColor fill = color;
  if (series_.AreaColor() != clDefault && !series_.ColorEachPoint()) fill = series_.AreaColor();
  if (series_.Dark3D() && RisesSteeply(p, q, series_.SlopeLimit)) fill = DarkenColor(fill);
  if (!penSet_) {
    canvas_.SetPen(PenState(series_.LinePen()));
    penSet_ = true;
  }
  ribbons_.Segment(p, q, fill);
}

void TLineSeriesDrawer::Line(TPoint p, TPoint q, TColor color) {
  if (!penSet_ || color != penColor_) {
    // What is held back belongs to the old colour.
    path_.Flush();
    canvas_.SetPen(PenState(series_.LinePen(), color));
    penSet_ = true;
    penColor_ = color;
  }
  if (!series_.Stairs()) {
    path_.Segment(p, q);
    return;
  }
  const TPoint corner = series_.InvertedStairs() ? TPoint{p.X, q.Y} : TPoint{q.X, p.Y};
  path_.Segment(p, corner);
  path_.Segment(corner, q);
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

  chart.Canvas().SetPenColor(clBlack);
  TLineSeriesDrawer(chart, series).Draw(range.First, range.Last);
}

}  // namespace fendrel
