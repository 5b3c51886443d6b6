#include <array>
#include <span>
#include <vector>

#include "chart/axis.h"
#include "chart/axis_scale.h"
#include "chart/canvas3d.h"
#include "chart/chart.h"
#include "chart/draw_state.h"

namespace fendrel {

namespace {

constexpr TColor kGridGray = RGBColor(128, 128, 128);

// Where the reference point lies on a text, by axis side (bottom, top, left,
// right) and angle (0, 90, 180, 270), in the text's own turned frame.
constexpr std::array<std::array<TTextAlign, 4>, 4> kTextAlign{{
    {{{thCenter, tvTop}, {thCenter, tvBottom}, {thRight, tvTop}, {thLeft, tvTop}}},
    {{{thRight, tvTop}, {thLeft, tvTop}, {thCenter, tvBottom}, {thCenter, tvTop}}},
    {{{thCenter, tvBottom}, {thCenter, tvTop}, {thLeft, tvTop}, {thRight, tvTop}}},
    {{{thLeft, tvTop}, {thRight, tvTop}, {thCenter, tvTop}, {thCenter, tvBottom}}},
}};

}  // namespace

void TChartAxis::DrawAxisText(int x, int y, std::string_view text, int angle) {
  TCanvas3D& canvas = Chart_->Canvas();
  const int z = IsFarSide ? Chart_->TotalDepth : 0;
  const std::vector<std::string_view> lines = TextLines(text);
  const auto draw = [&](std::string_view line) {
    if (angle == 0) {
      canvas.TextAtDepth(x, y, z, line);
    } else {
      canvas.RotatedTextAtDepth(x, y, z, line, angle);
    }
  };

  if (angle != 0 && angle != 90 && angle != 180 && angle != 270) {
    canvas.SetTextAlign({thLeft, tvTop});
    for (const std::string_view line : lines) draw(line);
    return;
  }
  const int side = static_cast<int>(Side());
  canvas.SetTextAlign(
      kTextAlign[static_cast<std::size_t>(angle / 90)][static_cast<std::size_t>(side)]);

  // Lines run one text height apart; the block is moved back first so that
  // for one line only the pre-move remains (labels beside a vertical axis
  // centre on their tick).
  const int textHeight = canvas.TextHeight("W");
  const int half = textHeight / 2;
  const int n = static_cast<int>(lines.size());
  const int h = angle == 180 || angle == 270 ? -textHeight : textHeight;
  const bool alongY = angle == 0 || angle == 180;
  const int centred = RoundHalfEvenToInt(h * 0.5 * (n + 1));
  const bool nearSide = !IsFarSide;
  if (IsHorizontal) {
    if (angle == 90) x -= half;
    if (angle == 270) x += half;
    if (angle == 0) y -= nearSide ? h : n * h;
    if (angle == 180) y -= nearSide ? n * h : h;
    if (!alongY) x -= centred;
  } else {
    if (angle == 0) y -= half;
    if (angle == 180) y += half;
    if (alongY) y -= centred;
    if (angle == 90) x -= nearSide ? n * h : h;
    if (angle == 270) x -= nearSide ? h : n * h;
  }
  for (const std::string_view line : lines) {
    if (alongY) {
      y += h;
    } else {
      x += h;
    }
    draw(line);
  }
  canvas.SetTextAlign({thLeft, tvTop});
}

void TChartAxis::AddTick(int pixel) {
  if (TickList_.size() < kMaxTicks) TickList_.push_back(pixel);
}

void TChartAxis::DrawLabel(int pixel, std::string_view text) {
  if (TickOnLabelsOnly_) AddTick(pixel);
  TCanvas3D& canvas = Chart_->Canvas();
  canvas.SetFont(FontState(LabelsFont_));
  // A clear brush behind a text leaves the picture under it visible.
  canvas.SetBrush({Chart_->Color(), bsClear});
  canvas.SetBackMode(bmTransparent);
  if (IsHorizontal) {
    DrawAxisText(pixel, LabelsPosition, text, LabelsAngle_);
  } else {
    DrawAxisText(LabelsPosition, pixel, text, LabelsAngle_);
  }
}

void TChartAxis::DrawValueLabels(double inc) {
  for (const double value :
       ValueLabelValues(CurrentMinimum, CurrentMaximum, inc, RoundFirstLabel_)) {
    const int p = ValueToPixel(value);
    if (!LabelsOnAxis_ && !(StartPixel < p && p < EndPixel)) continue;
    if (!TickOnLabelsOnly_) AddTick(p);
    if (Labels_) DrawLabel(p, FormatLabel(value));
  }
}

void TChartAxis::DrawPointLabels() {
  std::size_t drawn = 0;
  for (const TChartSeries* series : Chart_->SeriesList()) {
    if (!series->Active() || !series->AssociatedToAxis(*this)) continue;
    for (int i = 0; i < series->PointCount() && drawn < kMaxTicks; ++i) {
      const std::string label = series->PointLabel(i);
      if (label.empty()) continue;
      const double value = IsHorizontal ? series->XValue(i) : series->YValue(i);
      if (value < CurrentMinimum || value > CurrentMaximum) continue;
      const int p = ValueToPixel(value);
      if (!LabelsOnAxis_ && !(StartPixel < p && p < EndPixel)) continue;
      ++drawn;
      if (!TickOnLabelsOnly_) AddTick(p);
      if (Labels_) DrawLabel(p, label);
    }
  }
}

void TChartAxis::DrawTick(int pixel, int offset, int length) {
  if (length == 0) return;
  TCanvas3D& canvas = Chart_->Canvas();
  const int line = LinePosition;
  const int wall = WallOffset();
  const int depth = Chart_->TotalDepth;
  switch (Side()) {
    case TSide::Bottom:
      canvas.VerticalLineAtDepth(pixel, line + wall + offset, line + wall + offset + length, 0);
      break;
    case TSide::Top:
      canvas.VerticalLineAtDepth(pixel, line - offset, line - offset - length, depth);
      break;
    case TSide::Left:
      canvas.HorizontalLineAtDepth(line - wall - offset, line - wall - offset - length, pixel, 0);
      break;
    case TSide::Right:
      canvas.HorizontalLineAtDepth(line + offset, line + offset + length, pixel, depth);
      break;
  }
}

void TChartAxis::DrawGridLine(int pixel) {
  TCanvas3D& canvas = Chart_->Canvas();
  const TRect& plot = Chart_->PlotRect;
  const int depth = Chart_->TotalDepth;
  if (!Chart_->View3D()) {
    if (IsHorizontal) {
      canvas.Line(pixel, plot.Top, pixel, plot.Bottom);
    } else {
      canvas.Line(plot.Left, pixel, plot.Right, pixel);
    }
    return;
  }
  // In 3D the grid lies on the back wall; a near axis joins it along the depth.
  switch (Side()) {
    case TSide::Bottom:
      canvas.DepthLine(pixel, LinePosition, 0, depth);
      [[fallthrough]];
    case TSide::Top:
      canvas.VerticalLineAtDepth(pixel, plot.Top, plot.Bottom, depth);
      break;
    case TSide::Left:
      canvas.DepthLine(LinePosition, pixel, 0, depth);
      [[fallthrough]];
    case TSide::Right:
      canvas.HorizontalLineAtDepth(plot.Left, plot.Right, pixel, depth);
      break;
  }
}

void TChartAxis::PaintAxis(bool placeLine) {
  if (Chart_ == nullptr || DepthFlag) return;
  TChart& chart = *Chart_;
  TCanvas3D& canvas = chart.Canvas();

  canvas.SetFont(FontState(LabelsFont_));
  const double inc = ComputeIncrement();
  if (placeLine) {
    const TRect& plot = chart.PlotRect;
    switch (Side()) {
      case TSide::Bottom:
        LinePosition = plot.Bottom;
        break;
      case TSide::Top:
        LinePosition = plot.Top;
        break;
      case TSide::Left:
        LinePosition = plot.Left;
        break;
      case TSide::Right:
        LinePosition = plot.Right;
        break;
    }
    LinePosition += PositionOffset();
  }

  if (!Title_.Caption().empty()) {
    canvas.SetFont(FontState(Title_.Font()));
    canvas.SetBrush({chart.Color(), bsClear});
    canvas.SetBackMode(bmTransparent);
    if (IsHorizontal) {
      DrawAxisText(CenterPixel, TitlePosition, Title_.Caption(), Title_.Angle());
    } else {
      DrawAxisText(TitlePosition, CenterPixel, Title_.Caption(), Title_.Angle());
    }
  }

  TickList_.clear();
  TickList_.reserve(kMaxTicks);
  if (inc > 0 && CurrentMaximum >= CurrentMinimum) {
    switch (EffectiveLabelStyle()) {
      case talValue:
        DrawValueLabels(inc);
        break;
      case talMark:
      case talText:
        DrawPointLabels();
        break;
      default:
        break;
    }
  }

  const int line = LinePosition;
  const int depth = chart.TotalDepth;
  const int wall = WallOffset();
  if (Axis_.Visible()) {
    canvas.SetPen(PenState(Axis_));
    switch (Side()) {
      case TSide::Bottom:
        canvas.HorizontalLineAtDepth(StartPixel - chart.LeftAxis().WallOffset(), EndPixel,
                                     line + wall, 0);
        break;
      case TSide::Top:
        canvas.HorizontalLineAtDepth(StartPixel, EndPixel, line, depth);
        break;
      case TSide::Left:
        canvas.VerticalLineAtDepth(line - wall, StartPixel,
                                   EndPixel + chart.BottomAxis().WallOffset(), 0);
        break;
      case TSide::Right:
        canvas.VerticalLineAtDepth(line, StartPixel, EndPixel, depth);
        break;
    }
  }
  if (Ticks_.Visible()) {
    canvas.SetPen(PenState(Ticks_));
    for (const int p : TickList_) DrawTick(p, 1, TickLength_);
  }
  const auto drawGrid = [&](const TChartPen& pen, std::span<const int> positions, bool centred) {
    canvas.SetBrush({canvas.Brush().Color, bsClear});
    canvas.SetBackMode(bmTransparent);
    canvas.SetPen(PenState(pen, pen.Color() == clDefault ? kGridGray : pen.Color()));
    if (centred) {
      for (std::size_t i = 1; i < positions.size(); ++i) {
        DrawGridLine(RoundHalfEvenToInt((positions[i] + positions[i - 1]) * 0.5));
      }
    } else {
      for (const int p : positions) DrawGridLine(p);
    }
    canvas.SetBackMode(bmOpaque);
  };
  if (Grid_.Visible()) drawGrid(Grid_, TickList_, GridCentered_);
  if (TicksInner_.Visible()) {
    canvas.SetPen(PenState(TicksInner_));
    for (const int p : TickList_) DrawTick(p, -1, -TickInnerLength_);
  }
  const bool minorTicks = MinorTicks_.Visible() && !TickList_.empty();
  const bool minorGrid = MinorGrid_.Visible() && !TickList_.empty();
  if (minorTicks || minorGrid) {
    const std::vector<int> minor =
        MinorTickPositions(TickList_, MinorTickCount_, StartPixel, EndPixel);
    if (minorTicks) {
      canvas.SetPen(PenState(MinorTicks_));
      for (const int p : minor) DrawTick(p, 1, MinorTickLength_);
    }
    if (minorGrid) drawGrid(MinorGrid_, minor, false);
  }
}

}  // namespace fendrel
