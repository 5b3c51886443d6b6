#pragma once

#include <QByteArray>
#include <QImage>
#include <QWidget>
#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

#include "chart/axis.h"
#include "chart/canvas3d.h"
#include "chart/pens.h"
#include "chart/series.h"
#include "chart/series_summary.h"
#include "chart/update_field.h"
#include "chart/zoom.h"
#include "platform/color.h"
#include "raster/geometry.h"

namespace fendrel {

class TChart;

// A picture of a chart made for the clipboard: the vector drawing as SVG and
// the same drawing in pixels, Width by Height.
struct TChartPicture {
  int Width = 1;
  int Height = 1;
  // Kept for the picture's own use; the clipboard always gets the vector form.
  bool Enhanced = true;
  QByteArray Svg;
  QImage Image;
};

// The file types a chart's picture is written as.
enum class TPictureFormat { pfPng, pfSvg, pfPdf };
using enum TPictureFormat;

// The type a file name asks for by its extension, in any case: ".svg" and
// ".pdf" give theirs, anything else PNG, the first of the types offered.
TPictureFormat PictureFormatOfPath(const std::string& path);

enum class TPanelBevel { bvNone, bvLowered, bvRaised, bvSpace };
using enum TPanelBevel;
enum class TPanningMode { pmNone, pmHorizontal, pmVertical, pmBoth };
using enum TPanningMode;
enum class TLegendAlignment { laLeft, laRight, laTop, laBottom };
using enum TLegendAlignment;
enum class TLegendStyle { lsAuto, lsSeries };
using enum TLegendStyle;

class TChartWall {
 public:
  TChartWall(TChart* chart, TColor color, TBrushStyle style);
  TChartWall(const TChartWall&) = delete;
  TChartWall& operator=(const TChartWall&) = delete;

  TColor Color() const { return Color_; }
  void SetColor(TColor value);
  TChartBrush& Brush() { return Brush_; }
  const TChartBrush& Brush() const { return Brush_; }
  TChartPen& Pen() { return Pen_; }
  const TChartPen& Pen() const { return Pen_; }
  // Thickness in pixels; 0 draws a plane.
  int Size() const { return Size_; }
  void SetSize(int value);
  bool Dark3D() const { return Dark3D_; }
  void SetDark3D(bool value);

 private:
  TChart* Chart_;
  TColor Color_;
  TChartBrush Brush_;
  TChartPen Pen_;
  int Size_ = 0;
  bool Dark3D_ = true;
};

// Both charts of the main window hide it. A visible legend is drawn only in
// the series style: one row below the plot (above it at the top) with a line
// in each shown series' colour and its title. The automatic style, the
// default, draws nothing and takes no room.
class TChartLegend {
 public:
  explicit TChartLegend(TChart* chart) : Chart_(chart) {}

  bool Visible() const { return Visible_; }
  void SetVisible(bool value);
  TLegendAlignment Alignment() const { return Alignment_; }
  void SetAlignment(TLegendAlignment value);
  TLegendStyle LegendStyle() const { return LegendStyle_; }
  void SetLegendStyle(TLegendStyle value);
  bool Drawn() const { return Visible_ && LegendStyle_ == lsSeries; }

 private:
  TChart* Chart_;
  bool Visible_ = true;
  TLegendAlignment Alignment_ = laRight;
  TLegendStyle LegendStyle_ = lsAuto;
};

class TView3DOptions {
 public:
  explicit TView3DOptions(TChart* chart) : Chart_(chart) {}

  int Elevation() const { return Elevation_; }
  void SetElevation(int value) { Store(Elevation_, value); }
  int HorizOffset() const { return HorizOffset_; }
  void SetHorizOffset(int value) { Store(HorizOffset_, value); }
  bool Orthogonal() const { return Orthogonal_; }
  void SetOrthogonal(bool value) { Store(Orthogonal_, value); }
  int Perspective() const { return Perspective_; }
  void SetPerspective(int value) { Store(Perspective_, value); }
  int Rotation() const { return Rotation_; }
  void SetRotation(int value) { Store(Rotation_, value); }
  int Tilt() const { return Tilt_; }
  void SetTilt(int value) { Store(Tilt_, value); }
  int VertOffset() const { return VertOffset_; }
  void SetVertOffset(int value) { Store(VertOffset_, value); }
  // Percent.
  int Zoom() const { return Zoom_; }
  void SetZoom(int value) { Store(Zoom_, value); }
  bool ZoomText() const { return ZoomText_; }
  void SetZoomText(bool value) { Store(ZoomText_, value); }

 private:
  template <typename T>
  void Store(T& field, const T& value);

  TChart* Chart_;
  int Elevation_ = 345;
  int HorizOffset_ = 0;
  bool Orthogonal_ = true;
  int Perspective_ = 15;
  int Rotation_ = 345;
  int Tilt_ = 0;
  int VertOffset_ = 0;
  int Zoom_ = 100;
  bool ZoomText_ = true;
};

// The chart control: settings, titles, walls, five axes and the list of
// attached series. Every change only marks the chart dirty and asks Qt for a
// repaint, which Qt merges, so a burst of changes paints once.
class TChart : public QWidget, public TChangeSink {
 public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;

  void AttributeChanged() override { Invalidate(); }

  // Series.
  const TChartSeriesList& SeriesList() const { return SeriesList_; }
  // Raises the list error outside 0 .. SeriesTotal - 1.
  TChartSeries* SeriesAt(int index) const { return SeriesList_.At(index); }
  int SeriesTotal() const { return SeriesList_.Count(); }
  int ActiveSeriesTotal() const;
  // Attaches series (detaching it from any other chart first).
  void AttachSeries(TChartSeries* series);
  // Removes series from the list; the series stays alive.
  void DetachSeries(TChartSeries* series);
  void DetachAllSeries();
  // The first palette colour no attached series uses (and, with
  // checkBackground, that is neither Color nor BackColor); clRed when all are taken.
  virtual TColor NextFreeColor(bool checkBackground) const;
  // NextFreeColor asks only about palette colours no listed series uses.
  virtual bool IsColorFree(TColor color, bool checkBackground) const;

  // Axes, in list order: bottom, top, left, right, depth.
  TChartAxis& BottomAxis() { return *Axes_[0]; }
  TChartAxis& TopAxis() { return *Axes_[1]; }
  TChartAxis& LeftAxis() { return *Axes_[2]; }
  TChartAxis& RightAxis() { return *Axes_[3]; }
  TChartDepthAxis& DepthAxis() { return *DepthAxis_; }
  const std::array<TChartAxis*, 5>& AxisList() const { return AxisList_; }

  // Attributes.
  TChartTitle& Title() { return Title_; }
  const TChartTitle& Title() const { return Title_; }
  TChartTitle& Foot() { return Foot_; }
  const TChartTitle& Foot() const { return Foot_; }
  // What the series stand for, one and many, in what a screen reader hears
  // of the chart: "8 bands of 12 points".
  void SetSeriesNouns(std::string one, std::string many) {
    SeriesNouns_ = {std::move(one), std::move(many)};
  }
  const std::string& SeriesNoun(bool many) const { return many ? SeriesNouns_[1] : SeriesNouns_[0]; }
  TChartWall& BackWall() { return BackWall_; }
  const TChartWall& BackWall() const { return BackWall_; }
  TChartWall& LeftWall() { return LeftWall_; }
  const TChartWall& LeftWall() const { return LeftWall_; }
  TChartWall& BottomWall() { return BottomWall_; }
  const TChartWall& BottomWall() const { return BottomWall_; }
  TChartLegend& Legend() { return Legend_; }
  const TChartLegend& Legend() const { return Legend_; }
  TView3DOptions& View3DOptions() { return View3DOptions_; }
  const TView3DOptions& View3DOptions() const { return View3DOptions_; }
  // Another name for the back wall's colour and pen.
  TColor BackColor() const { return BackWall_.Color(); }
  void SetBackColor(TColor value) { BackWall_.SetColor(value); }
  TChartPen& Frame() { return BackWall_.Pen(); }

  // Painting settings.
  TColor Color() const { return Color_; }
  void SetColor(TColor value) { Store(Color_, value); }
  TPanelBevel BevelOuter() const { return BevelOuter_; }
  void SetBevelOuter(TPanelBevel value) { Store(BevelOuter_, value); }
  TPanelBevel BevelInner() const { return BevelInner_; }
  void SetBevelInner(TPanelBevel value) { Store(BevelInner_, value); }
  int BevelWidth() const { return BevelWidth_; }
  void SetBevelWidth(int value) { Store(BevelWidth_, value); }
  int BorderWidth() const { return BorderWidth_; }
  void SetBorderWidth(int value) { Store(BorderWidth_, value); }
  // Margins in percent of the panel's width (left, right) or height (top, bottom).
  int MarginLeft() const { return MarginLeft_; }
  void SetMarginLeft(int value) { Store(MarginLeft_, value); }
  int MarginTop() const { return MarginTop_; }
  void SetMarginTop(int value) { Store(MarginTop_, value); }
  int MarginRight() const { return MarginRight_; }
  void SetMarginRight(int value) { Store(MarginRight_, value); }
  int MarginBottom() const { return MarginBottom_; }
  void SetMarginBottom(int value) { Store(MarginBottom_, value); }
  bool View3D() const { return View3D_; }
  void SetView3D(bool value) { Store(View3D_, value); }
  bool View3DWalls() const { return View3DWalls_; }
  void SetView3DWalls(bool value) { Store(View3DWalls_, value); }
  // Depth of one series slice in tenths of a percent of the plot width.
  int Chart3DPercent() const { return Chart3DPercent_; }
  // Raises "3D effect percent must be between 1 and 100" outside that range.
  void SetChart3DPercent(int value);
  bool ClipPoints() const { return ClipPoints_; }
  void SetClipPoints(bool value) { Store(ClipPoints_, value); }
  bool AxisVisible() const { return AxisVisible_; }
  void SetAxisVisible(bool value) { Store(AxisVisible_, value); }
  bool Monochrome() const { return Monochrome_; }
  void SetMonochrome(bool value) { Store(Monochrome_, value); }
  int MaxPointsPerPage() const { return MaxPointsPerPage_; }
  void SetMaxPointsPerPage(int value) { Store(MaxPointsPerPage_, value); }

  // Mouse zoom and scroll settings.
  bool AllowZoom() const { return AllowZoom_; }
  void SetAllowZoom(bool value) { Store(AllowZoom_, value); }
  TPanningMode AllowPanning() const { return AllowPanning_; }
  void SetAllowPanning(TPanningMode value) { Store(AllowPanning_, value); }
  bool AnimatedZoom() const { return AnimatedZoom_; }
  void SetAnimatedZoom(bool value) { Store(AnimatedZoom_, value); }
  int AnimatedZoomSteps() const { return AnimatedZoomSteps_; }
  void SetAnimatedZoomSteps(int value) { Store(AnimatedZoomSteps_, value); }

  // Mouse zoom and scroll. The Qt mouse events come here as window pixels;
  // hit tests and ranges use the axes and PlotRect of the last paint.
  // What a press at (x, y) lands on: a series, an axis, the plot, or nothing.
  TChartClickedPart ClickedPart(int x, int y);
  void MouseDown(TMouseButton button, int x, int y);
  void MouseMove(int x, int y);
  void MouseUp(TMouseButton button, int x, int y);
  // The pointer left the control: the creation cursor, and no more scrolling.
  void MouseLeave();
  // One wheel turn: the vertical axes scroll by a small share of their range.
  void MouseWheel(bool towardsUser);
  // Fixes every side axis to the values under the rectangle (any corner order).
  void ZoomToRect(int x0, int y0, int x1, int y1);
  // Back to the scales from before the first zoom or scroll, when saved.
  void RestoreAxisRanges();
  // The keyboard's zoom and scroll, by the wheel's share: every side axis
  // about its centre, or the horizontal or vertical ones along their range.
  // A restore undoes them as it undoes drags.
  void ZoomAboutCentre(bool zoomIn);
  void ScrollByShare(bool horizontal, bool forward);
  bool Zoomed() const { return Mouse_.Zoomed; }
  const TChartMouseState& MouseState() const { return Mouse_; }
  // The colour of the rubber band: the chart colour, black instead of white.
  TColor ZoomBandColor() const;
  // Hooks, unset unless someone wants them. OnAllowScroll may change the
  // new range of an axis or refuse it by answering false.
  std::function<void(TChart&)> OnZoom;
  std::function<void(TChart&)> OnUndoZoom;
  std::function<void(TChart&)> OnScroll;
  std::function<bool(TChartAxis&, double& minimum, double& maximum)> OnAllowScroll;

  // Repainting.
  // Marks the frame dirty and asks Qt for a repaint (while auto-repaint is on).
  void Invalidate();
  bool FrameDirty() const { return FrameDirty_; }
  void SetFrameDirty(bool value) { FrameDirty_ = value; }
  bool AutoRepaint() const { return AutoRepaint_; }
  void SetAutoRepaint(bool value) { AutoRepaint_ = value; }
  // Invalidations so far, and how many of them reached Qt as a repaint request.
  std::int64_t InvalidateCount() const { return InvalidateCount_; }
  std::int64_t UpdateRequestCount() const { return UpdateRequestCount_; }
  // While loading, axis range checks and the Automatic coupling are suspended.
  bool Loading() const { return Loading_; }
  void SetLoading(bool value) { Loading_ = value; }

  // Axes in the paint pass.
  // Hidden when axes are off or the axis is; else shown when an active series
  // uses it or no series is active. The depth axis follows View3D.
  bool IsAxisShown(const TChartAxis& axis) const;
  // The lowest or highest value the series give the axis; 0 without any.
  double SeriesExtreme(const TChartAxis& axis, bool lowest) const;
  // What the series give the axis: during a paint pass from the summary the
  // pass made at its start, else from a walk over the series.
  TAxisSeriesSummary AxisSummary(const TChartAxis& axis) const;
  // Ranges, 3D depth, and PlotRect shrunk by every shown axis.
  void PlaceAxes();
  // The series' pixel margins widen the top, left, right and bottom ranges.
  void ApplySeriesMargins();
  void PaintAxes();

  // Painting.
  // The drawing surface every paint pass goes through.
  TCanvas3D& Canvas() { return Canvas_; }
  // Paints the whole chart onto target within r; when the surface buffers,
  // through the frame buffer, then copied to target at r's top-left corner.
  void RenderTo(TDrawContext& target, const TRect& r);
  // The picture the window shows, at the control's size, with `pixelRatio`
  // image pixels per control pixel.
  QImage RenderToImage(double pixelRatio = 1.0);
  // The window's paint request drawn on window: a clean frame is only copied.
  // Never throws: a failure keeps what was drawn and is reported once, from
  // the event loop after the paint.
  void PaintRequest(TDrawContext& window);
  // Everything inside bounds, in paint order; ends with the surface reset.
  virtual void RenderContent(const TRect& bounds);
  // Width, height and centre of PlotRect after keeping it inside the panel
  // and at least one pixel wide and high.
  void RecomputePlotSize();
  void PaintBackground(const TRect& bounds);
  // Draws the bevel rings inside r and answers what is left inside them.
  TRect PaintBevels(const TRect& r);
  // Title and foot, flat, each taking its room from PlotRect.
  void PaintTitles();
  // In 3D each active series gets a slice of its own, the first the deepest.
  void AssignDepths();
  // SeriesDepth and TotalDepth from the plot width and the depth order.
  void ComputeDepthSizes();
  void AssignSliceRanges();
  // StartDepth, EndDepth and MiddleDepth of a series from its DepthOrder.
  void AssignSlice(TChartSeries& series) const;
  void PaintWalls();
  // Draws one series; with clip, inside the plot box (and without it again after).
  void DrawSeries(TChartSeries& series, bool clip = true);
  // Full paint passes so far; a paint request that only copies does not count.
  std::int64_t RenderCount() const { return RenderCount_; }

  // Export.
  // Puts the picture of the client rectangle on the clipboard.
  void CopyPictureToClipboard(bool enhanced);
  // Records the chart, painted within r, into a picture of r's size less one
  // pixel each way (at least 1 x 1); the picture's origin is (0, 0).
  std::unique_ptr<TChartPicture> CreateMetafilePicture(bool enhanced, const TRect& r);
  // Paints the chart straight onto surface within r, without the frame
  // buffer, which the next screen paint then rebuilds in full.
  void DrawOnMetafile(TDrawContext& surface, const TRect& r);
  // Writes the chart's picture to a file, replacing any old one only once
  // the new one is complete: PNG with the device pixels the screen shows,
  // SVG as the clipboard gets it, PDF as the same vector drawing on a page of
  // that size. Failures throw FileError "Cannot create file "%s". %s".
  void SavePictureToFile(const std::string& path, TPictureFormat format);

  // Paint-pass state.
  TRect PanelBounds;
  TRect PlotRect;
  int PlotWidth = 0;
  int PlotHeight = 0;
  TPoint PlotCenter;
  int SeriesDepth = 0;
  int TotalDepth = 0;
  int MaxDepthOrder = 0;
  bool ApplyZOrder = true;

  QSize sizeHint() const override { return {400, 250}; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void moveEvent(QMoveEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Paints as usual, then the focus frame and the rubber band of a zoom
  // drag over the frame; neither is part of the chart's picture.
  bool event(QEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  // Plus and minus zoom, the arrows scroll, Home restores the scales.
  void keyPressEvent(QKeyEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

  // Every paint handler calls this first: the request it answers is spent, so
  // the next change asks Qt again.
  void PaintRequestServed() { UpdatePending_ = false; }

 private:
  friend class TChartSeries;

  template <typename T>
  void Store(T& field, const T& value) {
    if (UpdateField(field, value)) Invalidate();
  }
  // Runs one step of a paint; a failure is reported instead of leaving it.
  template <typename Paint>
  bool PaintGuarded(Paint&& paint) noexcept {
    try {
      paint();
      return true;
    } catch (const std::exception& failure) {
      ReportPaintFailure(failure.what());
    } catch (...) {
      ReportPaintFailure("Unexpected failure");
    }
    return false;
  }
  // The focus frame and the zoom band over the frame just shown.
  void PaintOverlays();
  // Queues the error box for message unless the last failed paint showed it.
  void ReportPaintFailure(const std::string& message) noexcept;
  // Tells a listening screen reader when a new picture changed what the
  // chart's name or description says.
  void AnnounceAccessibleChange();
  // The attach steps proper, run by the series' parent setter.
  void InsertSeries(TChartSeries* series);
  // Keeps the colour census that makes IsColorFree constant-time.
  void CountColor(TColor color, int delta);
  int ColorUse(TColor color) const;
  // Asks Qt to repaint where the zoom band from anchor to corner lies.
  void UpdateZoomBand(TPoint anchor, TPoint corner);
  void SaveAxisScales();

  // Declared first: the attributes below may ask for a repaint while they are built.
  Qt::CursorShape OriginalCursor_ = Qt::ArrowCursor;
  TCanvas3D Canvas_;
  std::int64_t RenderCount_ = 0;
  bool FrameDirty_ = true;
  bool AutoRepaint_ = false;
  bool UpdatePending_ = false;
  bool Loading_ = false;
  std::int64_t InvalidateCount_ = 0;
  std::int64_t UpdateRequestCount_ = 0;

  TChartSeriesList SeriesList_;
  // Made at the start of a paint pass and dropped at its end: nothing changes
  // the series in between, and outside a pass nothing can go stale.
  std::optional<TSeriesSummary> PaintSummary_;
  // How many listed series use each palette colour, and any other colour.
  std::array<int, 16> PaletteUse_{};
  std::unordered_map<TColor, int> OtherColorUse_;

  std::array<std::unique_ptr<TChartAxis>, 4> Axes_;
  std::unique_ptr<TChartDepthAxis> DepthAxis_;
  std::array<TChartAxis*, 5> AxisList_{};

  TChartTitle Title_;
  TChartTitle Foot_;
  TChartWall BackWall_;
  TChartWall LeftWall_;
  TChartWall BottomWall_;
  TChartLegend Legend_;
  TView3DOptions View3DOptions_;

  TColor Color_ = clBtnFace;
  TPanelBevel BevelOuter_ = bvRaised;
  TPanelBevel BevelInner_ = bvNone;
  int BevelWidth_ = 1;
  int BorderWidth_ = 0;
  int MarginLeft_ = 3;
  int MarginTop_ = 4;
  int MarginRight_ = 3;
  int MarginBottom_ = 4;
  bool View3D_ = true;
  bool View3DWalls_ = true;
  int Chart3DPercent_ = 15;
  bool ClipPoints_ = true;
  bool AxisVisible_ = true;
  bool Monochrome_ = false;
  int MaxPointsPerPage_ = 0;
  bool AllowZoom_ = true;
  TPanningMode AllowPanning_ = pmBoth;
  bool AnimatedZoom_ = false;
  int AnimatedZoomSteps_ = 8;
  TChartMouseState Mouse_;
  // The failure of the last paint, already reported; empty after a good one.
  std::string PaintFailure_;
  // The name and description a screen reader was last told of.
  std::array<std::string, 2> SeriesNouns_{"series", "series"};
  std::string AnnouncedName_;
  std::string AnnouncedDescription_;
};

template <typename T>
void TView3DOptions::Store(T& field, const T& value) {
  if (UpdateField(field, value) && Chart_ != nullptr) Chart_->Invalidate();
}

}  // namespace fendrel
