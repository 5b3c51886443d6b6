#include "chart/axis.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <utility>

#include "chart/axis_scale.h"
#include "chart/canvas3d.h"
#include "chart/chart.h"
#include "chart/draw_state.h"
#include "platform/locale.h"
#include "sample/text_format.h"

namespace fendrel {

namespace {

int DefaultTitleAngle(bool horizontal, bool farSide, bool depth) {
  if (horizontal || depth) return 0;
  return farSide ? 270 : 90;
}

int NormalAngle(int angle) { return ((angle % 360) + 360) % 360; }

// The width of the widest line of a chart text in the surface's font.
int WidestLineWidth(TCanvas3D& canvas, std::string_view text) {
  int widest = 0;
  for (const std::string_view line : TextLines(text)) {
    widest = std::max(widest, canvas.TextWidth(line));
  }
  return widest;
}

int ClampToInt(long long v) { return static_cast<int>(std::clamp<long long>(v, INT_MIN, INT_MAX)); }

}  // namespace

TChartAxisTitle::TChartAxisTitle(TChart* chart, TChartAxis* axis, int angle)
    : TChartFontObject(chart), Axis_(axis), Angle_(angle) {}

void TChartAxisTitle::SetCaption(const std::string& value) {
  if (value == Caption_) return;
  Caption_ = value;
  Repaint();
}

void TChartAxisTitle::SetAngle(int value) {
  if (value == Angle_) return;
  Angle_ = value;
  Repaint();
}

TChartAxis::TChartAxis(TChart* chart, bool horizontal, bool farSide)
    : TChartAxis(chart, horizontal, farSide, false) {}

TChartAxis::TChartAxis(TChart* chart, bool horizontal, bool farSide, bool depth)
    : IsHorizontal(horizontal),
      IsFarSide(farSide),
      DepthFlag(depth),
      Chart_(chart),
      Axis_(this),
      Grid_(this),
      MinorGrid_(this),
      Ticks_(this),
      TicksInner_(this),
      MinorTicks_(this),
      LabelsFont_(this),
      Title_(chart, this, DefaultTitleAngle(horizontal, farSide, depth)) {}

void TChartAxis::Repaint() const {
  if (Chart_ != nullptr) Chart_->Invalidate();
}

bool TChartAxis::ChartLoading() const { return Chart_ != nullptr && Chart_->Loading(); }

void TChartAxis::SetAutomatic(bool value) {
  Store(Automatic_, value);
  if (!ChartLoading()) {
    Store(AutomaticMinimum_, value);
    Store(AutomaticMaximum_, value);
  }
}

void TChartAxis::SetAutomaticMaximum(bool value) {
  Store(AutomaticMaximum_, value);
  if (!value) {
    Store(Automatic_, false);
  } else if (AutomaticMinimum_) {
    Store(Automatic_, true);
  }
}

void TChartAxis::SetAutomaticMinimum(bool value) {
  Store(AutomaticMinimum_, value);
  if (!value) {
    Store(Automatic_, false);
  } else if (AutomaticMaximum_) {
    Store(Automatic_, true);
  }
}

void TChartAxis::SetMaximum(double value) {
  if (!ChartLoading() && value < Minimum_) {
    throw AxisException("Axis Maximum Value must be >= Minimum");
  }
  Store(Maximum_, value);
}

void TChartAxis::SetMinimum(double value) {
  if (!ChartLoading() && value > Maximum_) {
    throw AxisException("Axis Minimum Value must be <= Maximum");
  }
  Store(Minimum_, value);
}

void TChartAxis::SetMinMax(double a, double b) {
  SetAutomatic(false);
  SetAutomaticMinimum(false);
  SetAutomaticMaximum(false);
  if (a > b) std::swap(a, b);
  // Both ends are stored together, so no intermediate state can be refused.
  if (b - a < 1e-10) b = a + 1e-10;
  Store(Minimum_, a);
  Store(Maximum_, b);
}

void TChartAxis::SetIncrement(double value) {
  if (value < 0) throw AxisException("Axis increment must be >= 0");
  Store(Increment_, value);
}

void TChartAxis::SetLabelsSeparation(int value) {
  if (value < 0) throw AxisException("Labels Separation % must be greater than 0");
  Store(LabelsSeparation_, value);
}

TChartAxis::TSide TChartAxis::Side() const {
  if (IsHorizontal) return IsFarSide ? TSide::Top : TSide::Bottom;
  return IsFarSide ? TSide::Right : TSide::Left;
}

void TChartAxis::AutoRange() {
  const auto extreme = [this](bool lowest) {
    return Chart_ != nullptr ? Chart_->SeriesExtreme(*this, lowest) : 0.0;
  };
  // Written straight into the published ends: no range check, no repaint.
  if (Automatic_ || AutomaticMaximum_) Maximum_ = extreme(false);
  if (Automatic_ || AutomaticMinimum_) Minimum_ = extreme(true);
  CurrentMaximum = Maximum_;
  CurrentMinimum = Minimum_;
  CurrentRange = CurrentMaximum - CurrentMinimum;
}

int TChartAxis::WallOffset() const {
  if (Chart_ == nullptr || DepthFlag || !Chart_->View3D() || !Chart_->View3DWalls()) return 0;
  switch (Side()) {
    case TSide::Left:
      return Chart_->LeftWall().Size();
    case TSide::Bottom:
      return Chart_->BottomWall().Size();
    default:
      return 0;
  }
}

int TChartAxis::TickAreaSize() const {
  int size = (Axis_.Visible() ? Axis_.Width() : 0) + (Ticks_.Visible() ? TickLength_ : 0);
  if (MinorTicks_.Visible()) size = std::max(size, MinorTickLength_);
  return size;
}

int TChartAxis::PositionOffset() const {
  if (PositionPercent_ == 0 || Chart_ == nullptr) return 0;
  const int across = IsHorizontal ? Chart_->PlotHeight : Chart_->PlotWidth;
  const int offset = RoundHalfEvenToInt(across * 0.01 * PositionPercent_);
  return Side() == TSide::Bottom || Side() == TSide::Right ? -offset : offset;
}

void TChartAxis::ReserveSpace(TRect& rect) {
  // The depth axis is never drawn, so it takes no room either.
  if (DepthFlag || Chart_ == nullptr) return;
  TCanvas3D& canvas = Chart_->Canvas();
  const auto shrink = [this, &rect](int size) {
    switch (Side()) {
      case TSide::Bottom:
        return rect.Bottom -= size;
      case TSide::Top:
        return rect.Top += size;
      case TSide::Left:
        return rect.Left += size;
      case TSide::Right:
        return rect.Right -= size;
    }
    return 0;
  };
  const auto runsAlong = [this](int angle) {
    const int a = NormalAngle(angle);
    return IsHorizontal ? (a == 0 || a == 180) : (a == 90 || a == 270);
  };

  if (!Title_.Caption().empty()) {
    int size = TitleSize_;
    if (size == 0) {
      canvas.SetFont(FontState(Title_.Font()));
      size = runsAlong(Title_.Angle()) ? canvas.TextHeight("W")
                                       : WidestLineWidth(canvas, Title_.Caption());
    }
    TitlePosition = shrink(size);
  }
  if (Labels_) {
    int size = LabelsSize_;
    if (size == 0) {
      canvas.SetFont(FontState(LabelsFont_));
      size = runsAlong(LabelsAngle_) ? canvas.TextHeight("W") : MaxValueLabelWidth();
    }
    LabelsPosition = shrink(size);
  }
  if (const int ticks = TickAreaSize() + WallOffset(); ticks > 0) shrink(ticks);
  // Only positions set in this pass move, or an unused one would drift.
  const int offset = PositionOffset();
  if (!Title_.Caption().empty()) TitlePosition += offset;
  if (Labels_) LabelsPosition += offset;
}

void TChartAxis::UpdatePixelSpan() {
  if (Chart_ == nullptr) return;
  const TRect& plot = Chart_->PlotRect;
  const int origin = IsHorizontal ? plot.Left : plot.Top;
  const int size = IsHorizontal ? plot.Width() : plot.Height();
  StartPixel = origin + RoundHalfEvenToInt(size * 0.01 * StartPosition_);
  EndPixel = origin + RoundHalfEvenToInt(size * 0.01 * EndPosition_);
  PixelLength = EndPixel - StartPixel;
  CenterPixel = (StartPixel + EndPixel) / 2;
}

int TChartAxis::ValueToPixelFar(double value) const {
  if (CurrentRange == 0) return CenterPixel;
  double d = (value - CurrentMinimum) * PixelLength / CurrentRange;
  if (!std::isfinite(d) || !std::isfinite(CurrentRange)) d = ScaledOffset(value);
  // Also true for NaN: what cannot be placed goes to the centre.
  if (!(std::fabs(d) < 2147483647.0)) return CenterPixel;
  const auto n = static_cast<long long>(RoundHalfEven(d));
  const bool fromStart = IsHorizontal != Inverted_;
  return ClampToInt(fromStart ? StartPixel + n : EndPixel - n);
}

double TChartAxis::PixelToValue(int pixel) const {
  if (PixelLength < 1) return 0;
  const double offset =
      Inverted_ ? static_cast<double>(EndPixel) - pixel : static_cast<double>(pixel) - StartPixel;
  const double a = offset * CurrentRange / PixelLength;
  if (std::isfinite(a)) return IsHorizontal ? CurrentMinimum + a : CurrentMaximum - a;
  // Near the largest doubles the range or the product overflows although the
  // value does not: work on a quarter of every quantity (exact in binary),
  // dividing before multiplying, and scale back at the end.
  const double quarterRange = CurrentMaximum * 0.25 - CurrentMinimum * 0.25;
  const double quarterA = quarterRange / PixelLength * offset;
  return 4 * (IsHorizontal ? CurrentMinimum * 0.25 + quarterA : CurrentMaximum * 0.25 - quarterA);
}

double TChartAxis::ScaledOffset(double value) const {
  // Quarters of finite doubles differ by at most half the largest double, and
  // the ratio is bounded by the value's distance in ranges, so nothing
  // overflows unless the pixel distance itself is out of reach.
  const double quarterRange = CurrentMaximum * 0.25 - CurrentMinimum * 0.25;
  return (value * 0.25 - CurrentMinimum * 0.25) / quarterRange * PixelLength;
}

void TChartAxis::WidenForMargins(int low, int high) {
  // Without margins the range must stay exactly as it is, which the round
  // trip through pixels would not promise.
  if (low == 0 && high == 0) return;
  const int start = StartPixel;
  const int end = EndPixel;
  StartPixel += low;
  EndPixel -= high;
  PixelLength = EndPixel - StartPixel;
  const double u = PixelToValue(start);
  const double t = PixelToValue(end);
  UpdatePixelSpan();
  CurrentMinimum = std::min(u, t);
  CurrentMaximum = std::max(u, t);
  CurrentRange = CurrentMaximum - CurrentMinimum;
}

std::string TChartAxis::FormatLabel(double value) const {
  std::string text = FormatAxisValue(value, ThousandsSeparator().toStdString(), DecimalSeparator());
  if (LabelsMultiLine_) std::replace(text.begin(), text.end(), ' ', '\r');
  return text;
}

int TChartAxis::LabelWidth(double value) {
  TCanvas3D& canvas = Chart_->Canvas();
  const std::string text = FormatLabel(value);
  const int a = NormalAngle(LabelsAngle_);
  if (a == 90 || a == 270) {
    return canvas.TextHeight("W") * static_cast<int>(TextLines(text).size());
  }
  return WidestLineWidth(canvas, text);
}

int TChartAxis::LabelHeight(double value) {
  TCanvas3D& canvas = Chart_->Canvas();
  const std::string text = FormatLabel(value);
  const int a = NormalAngle(LabelsAngle_);
  if (a == 0 || a == 180) {
    return canvas.TextHeight("W") * static_cast<int>(TextLines(text).size());
  }
  return WidestLineWidth(canvas, text);
}

double TChartAxis::ComputeIncrement() {
  int maxLabels = 1;
  if (Chart_ != nullptr) {
    const int m = IsHorizontal ? std::max(LabelWidth(CurrentMinimum), LabelWidth(CurrentMaximum))
                               : std::max(LabelHeight(CurrentMinimum), LabelHeight(CurrentMaximum));
    if (m > 0) {
      const int gap = LabelsSeparation_ > 0 ? RoundHalfEvenToInt(LabelsSeparation_ * 0.01 * m) : 0;
      maxLabels = RoundHalfEvenToInt(static_cast<double>(PixelLength) / (m + gap));
    }
  }
  return IncrementForCount(maxLabels);
}

double TChartAxis::IncrementForCount(int maxLabels) const {
  return fendrel::IncrementForCount(maxLabels, CurrentRange, Increment_, LabelsSeparation_);
}

TAxisLabelStyle TChartAxis::EffectiveLabelStyle() const {
  if (LabelStyle_ != talAuto) return LabelStyle_;
  // The depth axis would take the series titles; it is never drawn here.
  if (DepthFlag || Chart_ == nullptr) return talNone;
  const TAxisSeriesSummary summary = Chart_->AxisSummary(*this);
  if (!summary.ActiveAttached) return talNone;
  // Line series are placed by their x values, which run along a horizontal axis.
  return IsHorizontal && summary.Labelled ? talText : talValue;
}

int TChartAxis::MaxValueLabelWidth() {
  if (Chart_ == nullptr) return 0;
  TCanvas3D& canvas = Chart_->Canvas();
  switch (EffectiveLabelStyle()) {
    case talValue: {
      double a = CurrentMinimum;
      double b = CurrentMaximum;
      if (RoundFirstLabel_) {
        const double inc = ComputeIncrement();
        a = std::trunc(a / inc) * inc;
        b = std::trunc(b / inc) * inc;
      }
      return std::max(WidestLineWidth(canvas, FormatLabel(a)),
                      WidestLineWidth(canvas, FormatLabel(b))) +
             canvas.TextWidth(" ");
    }
    case talMark:
    case talText: {
      int widest = 0;
      for (const TChartSeries* series : Chart_->SeriesList()) {
        if (!series->Active() || !series->AssociatedToAxis(*this)) continue;
        for (int i = 0; i < series->PointCount(); ++i) {
          widest = std::max(widest, WidestLineWidth(canvas, series->PointLabel(i)));
        }
      }
      return widest;
    }
    default:
      return 0;
  }
}

bool TChartAxis::HitsAxis(int x, int y) const {
  if (Chart_ == nullptr || !Chart_->IsAxisShown(*this)) return false;
  const int first = std::min(StartPixel, EndPixel);
  const int last = std::max(StartPixel, EndPixel);
  // Top and left axes have their labels before the line, the others after it.
  const bool labelsFirst = LabelsPosition < LinePosition;
  const int low = labelsFirst ? LabelsPosition : LinePosition - 3;
  const int high = labelsFirst ? LinePosition + 3 : LabelsPosition;
  const int along = IsHorizontal ? x : y;
  const int across = IsHorizontal ? y : x;
  return first <= along && along < last && low <= across && across < high;
}

TChartDepthAxis::TChartDepthAxis(TChart* chart) : TChartAxis(chart, false, true, true) {
  Visible_ = false;
}

}  // namespace fendrel
