#include <QImage>
#include <QMetaObject>
#include <QPaintEvent>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

#include "chart/axis_scale.h"
#include "chart/chart.h"
#include "chart/draw_state.h"
#include "chart/series_paint.h"
#include "platform/application.h"
#include "platform/qpainter_context.h"

namespace fendrel {

namespace {

// a * b / c rounded to the nearest whole number, halves away from zero.
int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  const std::int64_t n = std::int64_t{a} * b;
  const std::int64_t d = std::llabs(c);
  const std::int64_t q = (2 * std::llabs(n) + d) / (2 * d);
  return static_cast<int>((n < 0) != (c < 0) ? -q : q);
}

constexpr TBrushState kClearBrush{clWhite, bsClear};

// Depth is projected as pixels; beyond this a sum of depths could overflow.
constexpr std::int64_t kMaxDepth = std::int64_t{1} << 28;

TPenState ClearPen() {
  TPenState pen;
  pen.Style = psClear;
  return pen;
}

// The fill of a title box, or none.
struct TBlockFill {
  bool Fill = false;
  TBrushState Brush = kClearBrush;
  TBackMode Mode = bmTransparent;
  TColor BackColor = clWhite;
};

TBlockFill BlockFill(const TChartTitle& block) {
  const TChartBrush& brush = block.Brush();
  TBlockFill result;
  if (block.Color() == clDefault) {
    if (brush.Style() != bsSolid) {
      result.Brush = {brush.Color(), brush.Style()};
      result.Fill = brush.Style() != bsClear;
    } else if (brush.Color() != clDefault) {
      result.Brush = {brush.Color(), bsSolid};
      result.Fill = true;
    }
  } else if (brush.Style() != bsSolid) {
    result.Brush = {brush.Color(), brush.Style()};
    result.Fill = brush.Style() != bsClear;
    result.Mode = bmOpaque;
    result.BackColor = block.Color();
  } else {
    result.Brush = {block.Color(), bsSolid};
    result.Fill = true;
  }
  return result;
}

// One text block above (top) or below the plot, taking its room from PlotRect.
void PaintTitleBlock(TChart& chart, const TChartTitle& block, bool top) {
  if (!block.Visible()) return;
  TCanvas3D& canvas = chart.Canvas();
  canvas.SetFont(FontState(block.Font()));
  const int h = canvas.TextHeight("W");
  const int n = block.LineCount();
  const TBlockFill fill = BlockFill(block);
  const TChartPen& frame = block.Frame();
  const int f = frame.Visible() && frame.Color() != clDefault ? frame.Width() : 0;

  const TRect plot = chart.PlotRect;
  const int left = plot.Left + f;
  const int right = plot.Right - f;
  const int y = top ? plot.Top + f : plot.Bottom - f;
  TRect box = top ? TRect{left, y, right, y + n * h} : TRect{left, y - n * h, right, y};
  box = {box.Left - f, box.Top - f, box.Right + f, box.Bottom + f};
  canvas.SetPen(frame.Visible() ? PenState(frame) : ClearPen());
  const int w = canvas.TextWidth("W");

  if (frame.Visible() || fill.Fill) {
    if (block.AdjustFrame()) {
      int widest = 0;
      for (const std::string& line : block.Text())
        widest = std::max(widest, canvas.TextWidth(line));
      const int width = widest + w;
      switch (block.Alignment()) {
        case taLeftJustify:
          box.Right = box.Left + width;
          break;
        case taRightJustify:
          box.Left = box.Right - width;
          break;
        case taCenter: {
          const int centre = (box.Left + box.Right) / 2;
          box.Left = centre - width / 2;
          box.Right = centre + width / 2;
          break;
        }
      }
    }
    canvas.SetBrush(fill.Fill ? fill.Brush : kClearBrush);
    canvas.SetBackColor(fill.BackColor);
    canvas.SetBackMode(fill.Mode);
    canvas.Rectangle(box);
  }

  canvas.SetBackMode(bmTransparent);
  canvas.SetTextAlign({thLeft, tvTop});
  for (int i = 0; i < n; ++i) {
    const std::string& line = block.Text()[static_cast<std::size_t>(i)];
    const int t = canvas.TextWidth(line);
    int x = 0;
    switch (block.Alignment()) {
      case taLeftJustify:
        x = left + w / 2;
        break;
      case taRightJustify:
        x = right - t - w / 2;
        break;
      case taCenter:
        x = (left + right) / 2 - t / 2;
        break;
    }
    canvas.TextOut(x, top ? y + i * h : y - (n - i) * h, line);
  }

  const int gap = n > 0 ? n * h + 5 : 0;
  if (top) {
    chart.PlotRect.Top = y + f + gap;
  } else {
    chart.PlotRect.Bottom = y - f - gap;
  }
  chart.RecomputePlotSize();
}

// One row of samples and titles of the series shown in the legend, below the
// plot (or above it for a legend at the top), taking its room from PlotRect.
void PaintLegendRow(TChart& chart, const TChartLegend& legend, const TChartSeriesList& series) {
  std::vector<const TChartSeries*> shown;
  for (const TChartSeries* s : series) {
    if (s->Active() && s->ShowInLegend()) shown.push_back(s);
  }
  if (shown.empty()) return;
  TCanvas3D& canvas = chart.Canvas();
  const TChartFont font;
  canvas.SetFont(FontState(font));
  const int h = canvas.TextHeight("W");
  const int sample = 2 * canvas.TextWidth("W");
  const int gap = canvas.TextWidth("W");
  int width = 0;
  for (const TChartSeries* s : shown)
    width += sample + gap / 2 + canvas.TextWidth(s->Title()) + gap;
  width -= gap;
  const bool top = legend.Alignment() == laTop;
  const TRect plot = chart.PlotRect;
  const int y = top ? plot.Top : plot.Bottom - h;
  int x = (plot.Left + plot.Right) / 2 - width / 2;
  canvas.SetBackMode(bmTransparent);
  canvas.SetTextAlign({thLeft, tvTop});
  for (const TChartSeries* s : shown) {
    TPenState pen;
    pen.Color = s->SeriesColor();
    pen.Width = 2;
    canvas.SetPen(pen);
    canvas.MoveTo(x, y + h / 2);
    canvas.LineTo(x + sample, y + h / 2);
    x += sample + gap / 2;
    canvas.TextOut(x, y, s->Title());
    x += canvas.TextWidth(s->Title()) + gap;
  }
  if (top) {
    chart.PlotRect.Top = y + h + 5;
  } else {
    chart.PlotRect.Bottom = y - 5;
  }
  chart.RecomputePlotSize();
}

// Pen, fill and background of a wall about to be drawn.
void PrepareWall(TCanvas3D& canvas, const TChartWall& wall) {
  canvas.SetPen(PenState(wall.Pen()));
  const TChartBrush& brush = wall.Brush();
  if (brush.Style() == bsSolid) {
    canvas.SetBackMode(bmTransparent);
    canvas.SetBrush(wall.Color() == clDefault ? kClearBrush : TBrushState{wall.Color(), bsSolid});
    return;
  }
  // Hatch lines in the wall colour over the brush colour; equal colours
  // would hide them.
  TColor lines = wall.Color();
  if (lines == brush.Color()) lines = ColorToRGB(lines) == clBlack ? clWhite : clBlack;
  canvas.SetBackColor(brush.Color());
  canvas.SetBackMode(bmOpaque);
  canvas.SetBrush({lines, brush.Style()});
}

// Leaves the surface's flat mode however the titles end.
class TFlatScope {
 public:
  explicit TFlatScope(TCanvas3D& canvas) : canvas_(canvas) { canvas_.SetFlatMode(true); }
  ~TFlatScope() { canvas_.SetFlatMode(false); }
  TFlatScope(const TFlatScope&) = delete;
  TFlatScope& operator=(const TFlatScope&) = delete;

 private:
  TCanvas3D& canvas_;
};

// Drops the paint pass's series summary however the pass ends.
class TSummaryScope {
 public:
  explicit TSummaryScope(std::optional<TSeriesSummary>& summary) : summary_(summary) {}
  ~TSummaryScope() { summary_.reset(); }
  TSummaryScope(const TSummaryScope&) = delete;
  TSummaryScope& operator=(const TSummaryScope&) = delete;

 private:
  std::optional<TSeriesSummary>& summary_;
};

}  // namespace

void TChart::RenderTo(TDrawContext& target, const TRect& r) {
  ++RenderCount_;
  Canvas_.SetMonochrome(Monochrome_);
  PanelBounds = Canvas_.BeginFrame(target, View3DOptions_, r, View3D_);
  const TRect& b = PanelBounds;
  const int w = b.Width();
  const int h = b.Height();
  PlotRect = {b.Left + BorderWidth_ + MulDiv(MarginLeft_, w, 100),
              b.Top + BorderWidth_ + MulDiv(MarginTop_, h, 100),
              b.Right - BorderWidth_ - MulDiv(MarginRight_, w, 100),
              b.Bottom - BorderWidth_ - MulDiv(MarginBottom_, h, 100)};
  RecomputePlotSize();
  try {
    RenderContent(PanelBounds);
  } catch (...) {
    // Leave no clip or state behind for the next pass, hand the target back
    // and keep the half-drawn frame from counting as clean.
    Canvas_.RemoveClip();
    Canvas_.Reset();
    Canvas_.PresentFrame(target, r);
    Canvas_.MarkDirty();
    throw;
  }
  Canvas_.PresentFrame(target, r);
}

void TChart::RecomputePlotSize() {
  TRect& p = PlotRect;
  p.Left = std::max(p.Left, PanelBounds.Left);
  p.Top = std::max(p.Top, PanelBounds.Top);
  if (p.Left > p.Right) {
    p.Right = p.Left + 1;
  } else if (p.Left == p.Right) {
    p.Right = p.Left + std::max(1, width());
  }
  if (p.Top > p.Bottom) {
    p.Bottom = p.Top + 1;
  } else if (p.Top == p.Bottom) {
    p.Bottom = p.Top + std::max(1, height());
  }
  PlotWidth = p.Right - p.Left;
  PlotHeight = p.Bottom - p.Top;
  PlotCenter = {(p.Left + p.Right) / 2, (p.Top + p.Bottom) / 2};
}

void TChart::RenderContent(const TRect& bounds) {
  PaintBackground(bounds);
  PaintTitles();
  const std::array<const TChartAxis*, 5> axes{AxisList_[0], AxisList_[1], AxisList_[2],
                                              AxisList_[3], AxisList_[4]};
  PaintSummary_.emplace(SeriesList_, axes);
  const TSummaryScope summaryScope(PaintSummary_);
  // The depth order and slice of each series are given in the drawing walk
  // below: nothing before it reads them, and with half a million series
  // every walk over them counts.
  MaxDepthOrder = View3D_ ? PaintSummary_->ActiveCount() - 1 : 0;
  PlaceAxes();
  ApplySeriesMargins();
  Canvas_.SetProjectionCentre(TotalDepth, PlotRect);
  PaintWalls();
  if (AxisVisible_) PaintAxes();
  // Every series clips to the same box: setting it once gives the same
  // picture, and a 3D outline is slow to turn into a clip region.
  if (ClipPoints_) Canvas_.ClipToBox(PlotRect, 0, TotalDepth);
  int number = 0;
  for (TChartSeries* series : SeriesList_) {
    if (!series->Active()) continue;
    series->DepthOrder = View3D_ ? MaxDepthOrder - number : 0;
    ++number;
    AssignSlice(*series);
    DrawSeries(*series, false);
  }
  if (ClipPoints_) Canvas_.RemoveClip();
  Canvas_.Reset();
}

void TChart::PaintBackground(const TRect& bounds) {
  Canvas_.SetBrush({Color_, bsSolid});
  Canvas_.FillRect(bounds);
  PaintBevels(bounds);
}

TRect TChart::PaintBevels(const TRect& bounds) {
  TRect r = bounds;
  Canvas_.SetPen(TPenState{});
  Canvas_.SetBrush(kClearBrush);
  const auto ring = [&](TColor topLeft, TColor bottomRight) {
    const int right = r.Right - 1;
    const int bottom = r.Bottom - 1;
    Canvas_.SetPenColor(topLeft);
    const std::array<TPoint, 3> upper{{{r.Left, bottom}, {r.Left, r.Top}, {right, r.Top}}};
    Canvas_.Polyline(upper);
    Canvas_.SetPenColor(bottomRight);
    const std::array<TPoint, 3> lower{{{right, r.Top}, {right, bottom}, {r.Left - 1, bottom}}};
    Canvas_.Polyline(lower);
    r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
  };
  const auto bevel = [&](TPanelBevel kind) {
    if (kind == bvNone) return;
    const TColor topLeft = kind == bvLowered ? clBtnShadow : clBtnHighlight;
    const TColor bottomRight = kind == bvRaised ? clBtnShadow : clBtnHighlight;
    for (int i = 0; i < BevelWidth_; ++i) ring(topLeft, bottomRight);
  };
  bevel(BevelOuter_);
  for (int i = 0; i < BorderWidth_; ++i) ring(Color_, Color_);
  bevel(BevelInner_);
  return r;
}

void TChart::PaintTitles() {
  const TFlatScope flat(Canvas_);
  PaintTitleBlock(*this, Title_, true);
  PaintTitleBlock(*this, Foot_, false);
  if (Legend_.Drawn()) PaintLegendRow(*this, Legend_, SeriesList_);
}

void TChart::AssignDepths() {
  int active = 0;
  for (const TChartSeries* series : SeriesList_) {
    if (series->Active()) ++active;
  }
  MaxDepthOrder = View3D_ ? active - 1 : 0;
  int number = 0;
  for (TChartSeries* series : SeriesList_) {
    if (!series->Active()) continue;
    series->DepthOrder = View3D_ ? MaxDepthOrder - number : 0;
    ++number;
  }
}

void TChart::ComputeDepthSizes() {
  if (!View3D_) {
    SeriesDepth = 0;
    TotalDepth = 0;
    return;
  }
  const double factor = View3DOptions_.Orthogonal() ? 0.001 : 0.002;
  SeriesDepth = RoundHalfEvenToInt(static_cast<double>(PlotWidth) * Chart3DPercent_ * factor);
  const std::int64_t total = std::int64_t{SeriesDepth} * std::max(1, MaxDepthOrder + 1);
  TotalDepth = static_cast<int>(std::clamp(total, -kMaxDepth, kMaxDepth));
}

void TChart::AssignSliceRanges() {
  for (TChartSeries* series : SeriesList_) {
    if (series->Active()) AssignSlice(*series);
  }
}

void TChart::AssignSlice(TChartSeries& series) const {
  const std::int64_t start = std::int64_t{SeriesDepth} * series.DepthOrder;
  series.StartDepth = static_cast<int>(std::clamp(start, -kMaxDepth, kMaxDepth));
  series.EndDepth = series.StartDepth + SeriesDepth;
  series.MiddleDepth = (series.StartDepth + series.EndDepth) / 2;
}

void TChart::PaintWalls() {
  const TRect& p = PlotRect;
  PrepareWall(Canvas_, BackWall_);
  if (!View3D_) {
    // Covers the pixels of the right and bottom edges too.
    Canvas_.Rectangle(p.Left, p.Top, p.Right + 1, p.Bottom + 1);
    return;
  }
  if (!View3DWalls_) return;
  Canvas_.RectangleAtDepth({p.Left + 1, p.Top - 1, p.Right, p.Bottom}, TotalDepth);
  PrepareWall(Canvas_, LeftWall_);
  Canvas_.SidePlane(p.Left, p.Top, p.Bottom, 0, TotalDepth + 1);
  PrepareWall(Canvas_, BottomWall_);
  Canvas_.FloorPlane(p.Left, p.Right, p.Bottom, 0, TotalDepth);
}

void TChart::DrawSeries(TChartSeries& series, bool clip) {
  clip = clip && ClipPoints_;
  if (clip) Canvas_.ClipToBox(PlotRect, 0, TotalDepth);
  series.DrawAllValues(*this);
  if (clip) Canvas_.RemoveClip();
}

void TChart::PaintRequest(TDrawContext& window) {
  // A frame of another size than the control no longer fits it.
  if (const TFrameBuffer* frame = Canvas_.FrameBuffer();
      frame != nullptr && (frame->Width() != width() || frame->Height() != height() ||
                           frame->PixelRatio() != window.PixelRatio())) {
    Canvas_.MarkDirty();
  }
  Canvas_.SetWindowCanvas(&window);
  // A failed pass has presented what it drew; the frame stays dirty, so the
  // next paint tries again.
  if (PaintGuarded([&] {
        if (!Canvas_.CopyWhenClean()) RenderTo(window, {0, 0, width(), height()});
      })) {
    PaintFailure_.clear();
  }
  Canvas_.SetWindowCanvas(nullptr);
  FrameDirty_ = Canvas_.IsDirty();
}

void TChart::ReportPaintFailure(const std::string& message) noexcept {
  try {
    // Every repaint of an unchanged chart fails alike: one box is enough, and
    // it opens once the paint has ended, never inside it.
    if (message == PaintFailure_) return;
    PaintFailure_ = message;
    QMetaObject::invokeMethod(
        this, [this, message] { ShowFailure(this, message); }, Qt::QueuedConnection);
  } catch (...) {
    // Not even the report could be made; the picture stays as drawn.
  }
}

void TChart::paintEvent(QPaintEvent* /*event*/) {
  PaintRequestServed();
  const std::int64_t renders = RenderCount_;
  PaintGuarded([this] {
    TQPainterContext window(*this);
    PaintRequest(window);
  });
  if (RenderCount_ != renders) PaintGuarded([this] { AnnounceAccessibleChange(); });
}

QImage TChart::RenderToImage(double pixelRatio) {
  const auto deviceSize = [&](int size) {
    return std::max(1, static_cast<int>(std::lround(std::max(1, size) * pixelRatio)));
  };
  QImage image(deviceSize(width()), deviceSize(height()), QImage::Format_RGB32);
  image.setDevicePixelRatio(pixelRatio);
  image.fill(Qt::white);
  {
    TQPainterContext context(image);
    RenderTo(context, {0, 0, std::max(1, width()), std::max(1, height())});
  }
  return image;
}

}  // namespace fendrel
