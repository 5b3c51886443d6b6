#pragma once

#include <algorithm>
#include <climits>
#include <cmath>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "chart/pens.h"
#include "chart/update_field.h"
#include "raster/geometry.h"

namespace fendrel {

class TChart;
class TChartAxis;

// Raised by an axis setter for a value it refuses; the setting stays as it was.
class AxisException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TAxisLabelStyle { talAuto, talNone, talValue, talMark, talText };
using enum TAxisLabelStyle;

class TChartAxisTitle : public TChartFontObject {
 public:
  TChartAxisTitle(TChart* chart, TChartAxis* axis, int angle);

  TChartAxis* Axis() const { return Axis_; }
  const std::string& Caption() const { return Caption_; }
  void SetCaption(const std::string& value);
  // Degrees, counter-clockwise.
  int Angle() const { return Angle_; }
  void SetAngle(int value);

 private:
  TChartAxis* Axis_;
  std::string Caption_;
  int Angle_;
};

// The settings of one chart axis and the state the paint pass computes for it.
// A setter stores a changed value and asks the chart to repaint; nothing is
// computed before the next paint.
class TChartAxis : public TChangeSink {
 public:
  TChartAxis(TChart* chart, bool horizontal, bool farSide);
  TChartAxis(const TChartAxis&) = delete;
  TChartAxis& operator=(const TChartAxis&) = delete;
  virtual ~TChartAxis() = default;

  void AttributeChanged() override { Repaint(); }

  TChart* ParentChart() const { return Chart_; }

  // Range. Automatic sets both automatic ends; turning one end off clears
  // Automatic, turning it on sets Automatic when the other end is on too.
  bool Automatic() const { return Automatic_; }
  void SetAutomatic(bool value);
  bool AutomaticMaximum() const { return AutomaticMaximum_; }
  void SetAutomaticMaximum(bool value);
  bool AutomaticMinimum() const { return AutomaticMinimum_; }
  void SetAutomaticMinimum(bool value);
  double Maximum() const { return Maximum_; }
  // Refuses a maximum below Minimum (unless the chart is loading).
  void SetMaximum(double value);
  double Minimum() const { return Minimum_; }
  // Refuses a minimum above Maximum (unless the chart is loading).
  void SetMinimum(double value);
  // Fixes the range (a, b) at once: automatic scaling off, ends swapped when
  // reversed and kept at least 1e-10 apart. Never refused, whatever the old range.
  void SetMinMax(double a, double b);
  double Increment() const { return Increment_; }
  // Refuses a negative step.
  void SetIncrement(double value);

  // Lines and ticks.
  TChartAxisPen& Axis() { return Axis_; }
  const TChartAxisPen& Axis() const { return Axis_; }
  TDottedGrayPen& Grid() { return Grid_; }
  const TDottedGrayPen& Grid() const { return Grid_; }
  bool GridCentered() const { return GridCentered_; }
  void SetGridCentered(bool value) { Store(GridCentered_, value); }
  TChartHiddenPen& MinorGrid() { return MinorGrid_; }
  const TChartHiddenPen& MinorGrid() const { return MinorGrid_; }
  TDarkGrayPen& Ticks() { return Ticks_; }
  const TDarkGrayPen& Ticks() const { return Ticks_; }
  int TickLength() const { return TickLength_; }
  void SetTickLength(int value) { Store(TickLength_, value); }
  TDarkGrayPen& TicksInner() { return TicksInner_; }
  const TDarkGrayPen& TicksInner() const { return TicksInner_; }
  int TickInnerLength() const { return TickInnerLength_; }
  void SetTickInnerLength(int value) { Store(TickInnerLength_, value); }
  TDarkGrayPen& MinorTicks() { return MinorTicks_; }
  const TDarkGrayPen& MinorTicks() const { return MinorTicks_; }
  int MinorTickLength() const { return MinorTickLength_; }
  void SetMinorTickLength(int value) { Store(MinorTickLength_, value); }
  int MinorTickCount() const { return MinorTickCount_; }
  void SetMinorTickCount(int value) { Store(MinorTickCount_, value); }
  bool TickOnLabelsOnly() const { return TickOnLabelsOnly_; }
  void SetTickOnLabelsOnly(bool value) { Store(TickOnLabelsOnly_, value); }

  // Labels.
  bool Labels() const { return Labels_; }
  void SetLabels(bool value) { Store(Labels_, value); }
  TChartFont& LabelsFont() { return LabelsFont_; }
  const TChartFont& LabelsFont() const { return LabelsFont_; }
  int LabelsAngle() const { return LabelsAngle_; }
  void SetLabelsAngle(int value) { Store(LabelsAngle_, value); }
  bool LabelsMultiLine() const { return LabelsMultiLine_; }
  void SetLabelsMultiLine(bool value) { Store(LabelsMultiLine_, value); }
  bool LabelsOnAxis() const { return LabelsOnAxis_; }
  void SetLabelsOnAxis(bool value) { Store(LabelsOnAxis_, value); }
  int LabelsSeparation() const { return LabelsSeparation_; }
  // Refuses a negative percentage (0 is accepted).
  void SetLabelsSeparation(int value);
  int LabelsSize() const { return LabelsSize_; }
  void SetLabelsSize(int value) { Store(LabelsSize_, value); }
  TAxisLabelStyle LabelStyle() const { return LabelStyle_; }
  void SetLabelStyle(TAxisLabelStyle value) { Store(LabelStyle_, value); }
  const std::string& AxisValuesFormat() const { return AxisValuesFormat_; }
  void SetAxisValuesFormat(const std::string& value) { Store(AxisValuesFormat_, value); }
  bool RoundFirstLabel() const { return RoundFirstLabel_; }
  void SetRoundFirstLabel(bool value) { Store(RoundFirstLabel_, value); }

  // Title and placement.
  TChartAxisTitle& Title() { return Title_; }
  const TChartAxisTitle& Title() const { return Title_; }
  int TitleSize() const { return TitleSize_; }
  void SetTitleSize(int value) { Store(TitleSize_, value); }
  double StartPosition() const { return StartPosition_; }
  void SetStartPosition(double value) { Store(StartPosition_, value); }
  double EndPosition() const { return EndPosition_; }
  void SetEndPosition(double value) { Store(EndPosition_, value); }
  double PositionPercent() const { return PositionPercent_; }
  void SetPositionPercent(double value) { Store(PositionPercent_, value); }
  bool Visible() const { return Visible_; }
  void SetVisible(bool value) { Store(Visible_, value); }
  bool Inverted() const { return Inverted_; }
  void SetInverted(bool value) { Store(Inverted_, value); }
  bool Logarithmic() const { return Logarithmic_; }
  void SetLogarithmic(bool value) { Store(Logarithmic_, value); }
  int LogarithmicBase() const { return LogarithmicBase_; }
  void SetLogarithmicBase(int value) { Store(LogarithmicBase_, value); }
  const std::string& DateTimeFormat() const { return DateTimeFormat_; }
  void SetDateTimeFormat(const std::string& value) { Store(DateTimeFormat_, value); }
  bool ExactDateTime() const { return ExactDateTime_; }
  void SetExactDateTime(bool value) { Store(ExactDateTime_, value); }

  // Computations of the paint pass, in the order the pass runs them.
  // Takes the range from the series where it is automatic.
  virtual void AutoRange();
  // Shrinks rect by the title, labels and tick space this axis needs on its
  // side of the plot and records TitlePosition and LabelsPosition.
  virtual void ReserveSpace(TRect& rect);
  // Start, end, length and centre along the axis, from the chart's PlotRect.
  void UpdatePixelSpan();
  // Widens the range so that low pixels stay free at StartPixel and high
  // pixels at EndPixel.
  void WidenForMargins(int low, int high);
  // Painting maps every point through here, so the common case is inline:
  // a finite, non-empty range and a value that lands within reach of int.
  int ValueToPixel(double value) const {
    if (CurrentRange != 0 && std::isfinite(CurrentRange)) {
      const double d = (value - CurrentMinimum) * PixelLength / CurrentRange;
      if (std::fabs(d) < 2147483647.0) {
        // rint rounds halves to even in the default rounding mode.
        const auto n = static_cast<long long>(std::rint(d));
        const long long pixel = IsHorizontal != Inverted_ ? StartPixel + n : EndPixel - n;
        return static_cast<int>(std::clamp<long long>(pixel, INT_MIN, INT_MAX));
      }
    }
    return ValueToPixelFar(value);
  }
  double PixelToValue(int pixel) const;
  // The label step for the current range, span and labels font on the surface.
  double ComputeIncrement();
  double IncrementForCount(int maxLabels) const;
  TAxisLabelStyle EffectiveLabelStyle() const;
  int MaxValueLabelWidth();
  int TickAreaSize() const;
  // The label text of a value, with the user's separators.
  std::string FormatLabel(double value) const;
  // Whether a window point lies on the axis line, its ticks or 3 pixels of
  // the plot beside it.
  bool HitsAxis(int x, int y) const;
  // Room the 3D side wall takes between this axis and the plot.
  int WallOffset() const;

  // Painting.
  // Draws title, labels, axis line, ticks and grid; with placeLine it first
  // puts LinePosition on the plot edge.
  virtual void PaintAxis(bool placeLine);
  // Places one label or title text by the axis side and the angle.
  void DrawAxisText(int x, int y, std::string_view text, int angle);
  // The major tick positions of the last PaintAxis, from the highest value down.
  const std::vector<int>& TickPositions() const { return TickList_; }

  // Computed by the paint pass and kept until the next one.
  double CurrentMinimum = 0;
  double CurrentMaximum = 0;
  double CurrentRange = 0;
  int StartPixel = 0;  // along the axis
  int EndPixel = 0;
  int PixelLength = 0;
  int CenterPixel = 0;
  int LinePosition = 0;  // across the axis
  int LabelsPosition = 0;
  int TitlePosition = 0;
  // Fixed when the chart creates the axis.
  bool IsHorizontal = false;
  bool IsFarSide = false;
  bool DepthFlag = false;

 protected:
  TChartAxis(TChart* chart, bool horizontal, bool farSide, bool depth);

  // Asks the chart to repaint.
  void Repaint() const;
  template <typename T>
  void Store(T& field, const T& value) {
    if (UpdateField(field, value)) Repaint();
  }
  bool ChartLoading() const;

  enum class TSide { Bottom, Top, Left, Right };
  TSide Side() const;
  // Moves a position across the axis by PositionPercent of the plot, inwards.
  int PositionOffset() const;
  // The room the label of a value takes across and along the screen's rows,
  // turned by LabelsAngle: lines of "W" height, or the widest line.
  int LabelWidth(double value);
  int LabelHeight(double value);
  void AddTick(int pixel);
  void DrawLabel(int pixel, std::string_view text);
  void DrawValueLabels(double inc);
  void DrawPointLabels();
  void DrawTick(int pixel, int offset, int length);
  void DrawGridLine(int pixel);

  bool Visible_ = true;

 private:
  TChart* Chart_;
  bool Automatic_ = true;
  bool AutomaticMaximum_ = true;
  bool AutomaticMinimum_ = true;
  double Maximum_ = 0;
  double Minimum_ = 0;
  double Increment_ = 0;
  TChartAxisPen Axis_;
  TDottedGrayPen Grid_;
  bool GridCentered_ = false;
  TChartHiddenPen MinorGrid_;
  TDarkGrayPen Ticks_;
  int TickLength_ = 4;
  TDarkGrayPen TicksInner_;
  int TickInnerLength_ = 0;
  TDarkGrayPen MinorTicks_;
  int MinorTickLength_ = 2;
  int MinorTickCount_ = 3;
  bool TickOnLabelsOnly_ = true;
  bool Labels_ = true;
  TChartFont LabelsFont_;
  int LabelsAngle_ = 0;
  bool LabelsMultiLine_ = false;
  bool LabelsOnAxis_ = true;
  int LabelsSeparation_ = 10;
  int LabelsSize_ = 0;
  TAxisLabelStyle LabelStyle_ = talAuto;
  std::string AxisValuesFormat_ = "#,##0.###";
  bool RoundFirstLabel_ = true;
  TChartAxisTitle Title_;
  int TitleSize_ = 0;
  double StartPosition_ = 0;
  double EndPosition_ = 100;
  double PositionPercent_ = 0;
  bool Inverted_ = false;
  bool Logarithmic_ = false;
  int LogarithmicBase_ = 10;
  std::string DateTimeFormat_;
  bool ExactDateTime_ = true;
  // The tick list of one PaintAxis; its room is kept from paint to paint.
  std::vector<int> TickList_;

  // ValueToPixel for empty or infinite ranges and values far off the axis.
  int ValueToPixelFar(double value) const;
  // The pixel offset of a value from StartPixel where the plain product
  // overflows: the same quantity computed on scaled values.
  double ScaledOffset(double value) const;
};

// The axis along the depth of a 3D chart; hidden unless made visible.
class TChartDepthAxis : public TChartAxis {
 public:
  explicit TChartDepthAxis(TChart* chart);
};

}  // namespace fendrel
