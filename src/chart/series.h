#pragma once

#include <QtCore/qnamespace.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "chart/pens.h"
#include "chart/update_field.h"
#include "chart/value_list.h"
#include "platform/color.h"
#include "raster/geometry.h"

namespace fendrel {

class TChart;
class TChartAxis;
class TChartSeries;

enum class THorizAxis : std::uint8_t { aTopAxis, aBottomAxis, aBothHorizAxis, aCustomHorizAxis };
using enum THorizAxis;
enum class TVertAxis : std::uint8_t { aLeftAxis, aRightAxis, aBothVertAxis, aCustomVertAxis };
using enum TVertAxis;

enum class TSeriesPointerStyle {
  psRectangle,
  psCircle,
  psTriangle,
  psDownTriangle,
  psCross,
  psDiagCross,
  psStar,
  psDiamond,
  psSmallDot
};
using enum TSeriesPointerStyle;

enum class TSeriesMarksStyle : std::uint8_t {
  smsValue,
  smsPercent,
  smsLabel,
  smsLabelPercent,
  smsLabelValue,
  smsLegend,
  smsPercentTotal,
  smsLabelPercentTotal,
  smsXValue
};
using enum TSeriesMarksStyle;

struct TSeriesMargins {
  int Before = 0;
  int After = 0;
};

// Point markers of a series.
class TSeriesPointer {
 public:
  explicit TSeriesPointer(TChartSeries* owner);
  TSeriesPointer(const TSeriesPointer&) = delete;
  TSeriesPointer& operator=(const TSeriesPointer&) = delete;

  bool Visible() const { return Visible_; }
  void SetVisible(bool value);
  TSeriesPointerStyle Style() const { return Style_; }
  void SetStyle(TSeriesPointerStyle value);
  int HorizSize() const { return HorizSize_; }
  // Sizes below 1 raise "Pointer size must be greater than zero" and keep the old size.
  void SetHorizSize(int value);
  int VertSize() const { return VertSize_; }
  void SetVertSize(int value);
  bool InflateMargins() const { return InflateMargins_; }
  void SetInflateMargins(bool value);
  bool Dark3D() const { return Dark3D_; }
  void SetDark3D(bool value);
  bool Draw3D() const { return Draw3D_; }
  void SetDraw3D(bool value);
  // Made on first use, as the pointers of line series stay hidden.
  TChartPen& Pen() { return Attributes().Pen; }
  const TChartPen& Pen() const;
  TChartBrush& Brush() { return Attributes().Brush; }
  const TChartBrush& Brush() const;

 private:
  struct TPointerAttributes {
    explicit TPointerAttributes(TChangeSink* sink) : Pen(sink), Brush(sink) {}
    TChartPen Pen;
    TChartBrush Brush;
  };
  TPointerAttributes& Attributes();
  void Repaint() const;

  TChartSeries* Owner_;
  bool Visible_ = true;
  bool InflateMargins_ = true;
  bool Dark3D_ = true;
  bool Draw3D_ = true;
  TSeriesPointerStyle Style_ = psRectangle;
  int HorizSize_ = 4;
  int VertSize_ = 4;
  std::unique_ptr<TPointerAttributes> Attributes_;
};

// Value marks of a series (kept hidden by the program's charts).
class TSeriesMarks {
 public:
  explicit TSeriesMarks(TChartSeries* owner);
  TSeriesMarks(const TSeriesMarks&) = delete;
  TSeriesMarks& operator=(const TSeriesMarks&) = delete;

  bool Visible() const { return Visible_; }
  void SetVisible(bool value);
  int ArrowLength() const { return ArrowLength_; }
  void SetArrowLength(int value);
  TSeriesMarksStyle Style() const { return Style_; }
  void SetStyle(TSeriesMarksStyle value);
  TColor BackColor() const { return BackColor_; }
  void SetBackColor(TColor value);
  bool Transparent() const { return Transparent_; }
  void SetTransparent(bool value);
  bool Clip() const { return Clip_; }
  void SetClip(bool value);
  // The font and pens are made on first use: hidden marks (the usual case)
  // then cost no memory for them, which counts with many series.
  TChartFont& Font() { return Attributes().Font; }
  const TChartFont& Font() const;
  TChartPen& Frame() { return Attributes().Frame; }
  const TChartPen& Frame() const;
  TChartArrowPen& Arrow() { return Attributes().Arrow; }
  const TChartArrowPen& Arrow() const;

 private:
  struct TMarksAttributes {
    explicit TMarksAttributes(TChangeSink* sink) : Font(sink), Frame(sink), Arrow(sink) {}
    TChartFont Font;
    TChartPen Frame;
    TChartArrowPen Arrow;
  };
  TMarksAttributes& Attributes();
  void Repaint() const;

  TChartSeries* Owner_;
  int ArrowLength_ = 8;
  TColor BackColor_ = 0x0080FFFFu;
  TSeriesMarksStyle Style_ = smsLabel;
  bool Visible_ = false;
  bool Transparent_ = false;
  bool Clip_ = false;
  std::unique_ptr<TMarksAttributes> Attributes_;
};

// Base of every series: points (x, y, colour, label) kept in x order, and the
// link to the chart it is attached to. The series is owned by whoever created
// it; destroying it detaches it from its chart.
class TChartSeries : public TChangeSink {
 public:
  TChartSeries();
  TChartSeries(const TChartSeries&) = delete;
  TChartSeries& operator=(const TChartSeries&) = delete;
  virtual ~TChartSeries();

  void AttributeChanged() override { Repaint(); }

  // Settings.
  bool Active() const { return Active_; }
  virtual void SetActive(bool value);
  TColor SeriesColor() const { return SeriesColor_; }
  virtual void SetSeriesColor(TColor value);
  bool ColorEachPoint() const { return ColorEachPoint_; }
  // Turning it off also resets every stored point colour to clDefault.
  virtual void SetColorEachPoint(bool value);
  const std::string& Title() const { return Title_; }
  void SetTitle(const std::string& value);
  bool ShowInLegend() const { return ShowInLegend_; }
  void SetShowInLegend(bool value);
  THorizAxis HorizAxis() const { return HorizAxis_; }
  void SetHorizAxis(THorizAxis value);
  TVertAxis VertAxis() const { return VertAxis_; }
  void SetVertAxis(TVertAxis value);
  const std::string& ValueFormat() const;
  void SetValueFormat(const std::string& value);
  const std::string& PercentFormat() const;
  void SetPercentFormat(const std::string& value);
  Qt::CursorShape Cursor() const { return Cursor_; }
  void SetCursor(Qt::CursorShape value) { Cursor_ = value; }
  TSeriesMarks& Marks() { return Marks_; }
  const TSeriesMarks& Marks() const { return Marks_; }

  TChartValueList& XValues() { return XValues_; }
  const TChartValueList& XValues() const { return XValues_; }
  TChartValueList& YValues() { return YValues_; }
  const TChartValueList& YValues() const { return YValues_; }
  // All value lists, x first and y second.
  int ValueListCount() const { return 2; }
  TChartValueList& ValueList(int index);

  // Attaching: setting the chart detaches from the previous one and attaches
  // to the new one (nullptr only detaches).
  TChart* ParentChart() const { return ParentChart_; }
  virtual void SetParentChart(TChart* chart);
  // The axes named by HorizAxis / VertAxis on the parent chart; nullptr when
  // detached. A custom choice maps to the bottom / left axis.
  TChartAxis* GetHorizAxis() const;
  TChartAxis* GetVertAxis() const;
  // Whether this series maps its x (horizontal axis) or y (vertical axis) on axis.
  virtual bool AssociatedToAxis(const TChartAxis& axis) const;
  // Pixels to keep free beside the plot edges so that nothing drawn is cut:
  // before and after along a horizontal (left, right) or vertical (top,
  // bottom) axis. None for a plain series.
  virtual TSeriesMargins HorizMargins() const { return {}; }
  virtual TSeriesMargins VertMargins() const { return {}; }

  // Draws the visible points onto chart's surface, in the clip set there.
  virtual void DrawAllValues(TChart& /*chart*/) {}

  // Points.
  // Stores the point at its place in x order and returns its index, or -1
  // when the before-add hook refuses it.
  virtual int AddPoint(double x, double y, const std::string& label = {}, TColor color = clDefault);
  virtual void ClearPoints();
  // The same points as ClearPoints and then AddPoint (x[i], y[i]) for each
  // pair in turn, with the values shown where they are kept instead of
  // copied. The point by point way runs when an add hook is set or x is not
  // in the order of XValues. Takes the pairs both lists have.
  void SharePoints(const TSharedValues& x, const TSharedValues& y);
  // Removes point i; raises the list error outside 0 .. PointCount - 1.
  void Delete(int index);
  int PointCount() const { return XValues_.Count(); }
  virtual double XValue(int index) const;
  virtual double YValue(int index) const;
  virtual TColor PointColor(int index) const;
  // The colour PointColor gives every point when no point has one of its
  // own (none stored, ColorEachPoint off), else nothing: dense paints then
  // skip the call per point. A series that overrides PointColor overrides
  // this too.
  virtual std::optional<TColor> CommonPointColor() const;
  // Empty for a point without label and past the label list.
  virtual std::string PointLabel(int index) const;
  // The colour stored with point i (clDefault when none); unlike PointColor no fallback.
  TColor StoredColor(int index) const;
  virtual double LowestX() const { return XValues_.Lowest(); }
  virtual double HighestX() const { return XValues_.Highest(); }
  virtual double LowestY() const { return YValues_.Lowest(); }
  virtual double HighestY() const { return YValues_.Highest(); }

  // Event hooks; none is set by the program, so they are made on first use.
  // A before-add hook that returns false refuses the point (x, y).
  struct THooks {
    std::function<bool(TChartSeries&, double, double)> OnBeforeAdd;
    std::function<void(TChartSeries&, int)> OnAfterAdd;
    std::function<void(TChartSeries&)> OnClearValues;
  };
  THooks& Hooks();

  // Asks the parent chart to repaint (nothing while detached).
  void Repaint() const;

  // Depth slice for the paint pass.
  int DepthOrder = 0;
  int StartDepth = 0;
  int EndDepth = 0;
  int MiddleDepth = 0;

 protected:
  // Stores value and repaints when it differs.
  template <typename T>
  void Store(T& field, const T& value) {
    if (UpdateField(field, value)) Repaint();
  }

 private:
  friend class TChart;
  friend class TChartSeriesList;

  // Drops every point and releases the storage, without hooks or repaint.
  void ReleasePoints();

  // What is seldom set, made on first need: at the deepest levels half a
  // million series are made and freed at every redraw.
  struct TExtras {
    std::string ValueFormat = "#,##0.###";
    std::string PercentFormat = "##0.## %";
    // Both stay empty while every point has the default colour and no
    // label, so a million plain points cost nothing here.
    std::vector<TColor> Colors;
    std::vector<std::string> Labels;
    std::unique_ptr<THooks> Hooks;
  };
  TExtras& Extras();
  const THooks* HooksIfSet() const { return Extras_ ? Extras_->Hooks.get() : nullptr; }

  // What the paint pass reads of every series comes first.
  bool Active_ = true;
  bool ColorEachPoint_ = false;
  bool ShowInLegend_ = true;
  THorizAxis HorizAxis_ = aBottomAxis;
  TColor SeriesColor_ = clDefault;
  TVertAxis VertAxis_ = aLeftAxis;
  Qt::CursorShape Cursor_ = Qt::ArrowCursor;
  TChart* ParentChart_ = nullptr;
  // The chart whose list holds this series and the slot it has there; kept
  // by the list, so that attaching and detaching need no search.
  TChart* ListedIn_ = nullptr;
  std::size_t ListSlot_ = 0;

  TChartValueList XValues_;
  TChartValueList YValues_;

  std::string Title_;
  TSeriesMarks Marks_;
  std::unique_ptr<TExtras> Extras_;
};

// A series drawn as lines and/or point markers.
class TCustomSeries : public TChartSeries {
 public:
  TCustomSeries();

  TChartPen& LinePen() { return LinePen_; }
  const TChartPen& LinePen() const { return LinePen_; }
  TSeriesPointer& Pointer() { return Pointer_; }
  const TSeriesPointer& Pointer() const { return Pointer_; }
  bool Stairs() const { return Stairs_; }
  void SetStairs(bool value) { Store(Stairs_, value); }
  bool InvertedStairs() const { return InvertedStairs_; }
  void SetInvertedStairs(bool value) { Store(InvertedStairs_, value); }
  int LineHeight() const { return LineHeight_; }
  void SetLineHeight(int value) { Store(LineHeight_, value); }
  TBrushStyle LineBrush() const { return LineBrush_; }
  void SetLineBrush(TBrushStyle value) { Store(LineBrush_, value); }
  bool Dark3D() const { return Dark3D_; }
  void SetDark3D(bool value) { Store(Dark3D_, value); }

  bool DrawLine() const { return DrawLine_; }
  bool DrawArea() const { return DrawArea_; }
  TColor AreaColor() const { return AreaColor_; }
  void SetAreaColor(TColor value) { Store(AreaColor_, value); }
  bool ClickableLine() const { return ClickableLine_; }
  void SetClickableLine(bool value) { ClickableLine_ = value; }

  // A visible pointer that inflates margins asks for its size plus one.
  TSeriesMargins HorizMargins() const override;
  TSeriesMargins VertMargins() const override;
  void DrawAllValues(TChart& chart) override;

  // The points the last paint pass drew.
  int FirstVisible = -1;
  int LastVisible = -1;

 protected:
  // The small fields come together, so that half a million band series
  // pack tightly.
  bool DrawLine_ = false;
  bool DrawArea_ = false;

 private:
  bool Stairs_ = false;
  bool InvertedStairs_ = false;
  TBrushStyle LineBrush_ = bsSolid;
  bool Dark3D_ = true;
  bool ClickableLine_ = true;
  int LineHeight_ = 0;
  TColor AreaColor_ = clDefault;
  TChartPen LinePen_;
  TSeriesPointer Pointer_;
};

class TLineSeries : public TCustomSeries {
 public:
  TLineSeries();
};

// The chart's ordered, non-owning list of attached series. Each series knows
// its slot, so removing one only empties that slot; the next ordered read
// closes the gaps in one pass. Attaching, detaching and freeing any number of
// series thus costs constant time each.
class TChartSeriesList {
 public:
  int Count() const { return static_cast<int>(Items_.size() - Holes_); }
  // Raises the list error outside 0 .. Count - 1.
  TChartSeries* At(int index) const;
  TChartSeries* operator[](int index) const { return Items()[static_cast<std::size_t>(index)]; }
  int IndexOf(const TChartSeries* series) const;
  auto begin() const { return Items().begin(); }
  auto end() const { return Items().end(); }

 private:
  friend class TChart;
  const std::vector<TChartSeries*>& Items() const {
    if (Holes_ != 0) CloseGaps();
    return Items_;
  }
  void Append(TChartSeries* series);
  void Remove(TChartSeries* series);
  // Forgets every series without touching them.
  void Clear();
  void CloseGaps() const;

  // Reads close the gaps that removals leave, so both change under const.
  mutable std::vector<TChartSeries*> Items_;
  mutable std::size_t Holes_ = 0;
};

}  // namespace fendrel
