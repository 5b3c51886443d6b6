#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "platform/draw_context.h"
#include "raster/geometry.h"

namespace fendrel {

class TView3DOptions;

// The chart's drawing surface. It draws only through a drawing context: the
// window's outside a paint pass, during a buffered pass an off-screen frame
// that PresentFrame copies to the window. It projects points with a depth z
// (pixels, 0 at the front) onto the window plane: in the oblique 3D view a
// point moves z pixels right and z pixels up, scaled by the zoom about the
// projection centre. Pen, brush, font and background belong to the surface
// and follow it from target to target.
class TCanvas3D {
 public:
  TCanvas3D();
  virtual ~TCanvas3D();

  TCanvas3D(const TCanvas3D&) = delete;
  TCanvas3D& operator=(const TCanvas3D&) = delete;

  // The target outside a paint pass; nullptr draws nowhere. The widget sets
  // it while it paints and clears it before its painter ends.
  void SetWindowCanvas(TDrawContext* canvas);
  TDrawContext& Target() { return *target_; }

  TPoint ProjectPoint(int x, int y, int z) const;

  const TPenState& Pen() const { return pen_; }
  virtual void SetPen(const TPenState& pen);
  void SetPenColor(TColor color);
  const TBrushState& Brush() const { return brush_; }
  virtual void SetBrush(const TBrushState& brush);
  void SetBrushColor(TColor color);
  const TFontState& Font() const { return font_; }
  virtual void SetFont(const TFontState& font);
  TColor BackColor() const { return backColor_; }
  virtual void SetBackColor(TColor color);
  TBackMode BackMode() const { return backMode_; }
  virtual void SetBackMode(TBackMode mode);
  TTextAlign TextAlign() const { return textAlign_; }
  virtual void SetTextAlign(TTextAlign align);

  // Flat primitives: coordinates are window pixels, nothing is projected.
  virtual void Pixel(int x, int y, TColor color);
  // Brush only, right and bottom edges excluded.
  virtual void FillRect(const TRect& rect);
  virtual void MoveTo(int x, int y);
  virtual void LineTo(int x, int y);
  virtual void Line(int x0, int y0, int x1, int y1);
  virtual void HorizontalLine(int left, int right, int y);
  virtual void VerticalLine(int x, int top, int bottom);
  // Outline columns left..right-1 and rows top..bottom-1, filled inside.
  virtual void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& r) { Rectangle(r.Left, r.Top, r.Right, r.Bottom); }
  virtual void Polyline(std::span<const TPoint> points);
  virtual void Polygon(std::span<const TPoint> points);
  virtual void TextOut(int x, int y, std::string_view text);
  virtual int TextWidth(std::string_view text);
  virtual int TextHeight(std::string_view text);
  // Intersects the clip with the rectangle (right and bottom edges excluded).
  virtual void ClipRectangle(const TRect& rect);
  virtual void MarkDirty();

  // Turned by angle degrees counter-clockwise (above 360 less 360), on a clear
  // background; the font is zoomed with the view when the zoom-text flag is on.
  virtual void RotatedText(int x, int y, std::string_view text, int angle);
  virtual void RemoveClip();

  // Starts a paint pass onto target within r and answers the rectangle to
  // draw in: (0, 0, width, height) of the frame buffer when buffered, else r.
  virtual TRect BeginFrame(TDrawContext& target, const TView3DOptions& options, const TRect& r,
                           bool is3D);
  virtual void SetProjectionCentre(int depth, const TRect& plot);
  // Ends the pass: a buffered frame is copied to target at r's top-left
  // corner and becomes clean. The window canvas is the target again.
  virtual void PresentFrame(TDrawContext& target, const TRect& r);
  // With a clean frame buffer, copies it to the window canvas at (0, 0) and
  // answers true; else answers false and draws nothing.
  virtual bool CopyWhenClean();

  // Clips to the plot box rect x [z0, z1]: in 2D the inside of the plot
  // frame, intersected with any clip; in 3D the box's six-sided outline,
  // replacing any clip.
  virtual void ClipToBox(const TRect& rect, int z0, int z1);
  virtual void HorizontalLineAtDepth(int left, int right, int y, int z);
  virtual void VerticalLineAtDepth(int x, int top, int bottom, int z);
  virtual void DepthLine(int x, int y, int z0, int z1);
  virtual void MoveToDepth(int x, int y, int z);
  virtual void LineToDepth(int x, int y, int z);
  // The quadrilateral p0 and p1 at z0, then p1 and p0 at z1.
  virtual void ExtrudedSegment(TPoint p0, TPoint p1, int z0, int z1);
  virtual void RectangleAtDepth(const TRect& rect, int z);
  virtual void FloorPlane(int left, int right, int y, int z0, int z1);
  virtual void SidePlane(int x, int top, int bottom, int z0, int z1);
  virtual void RotatedTextAtDepth(int x, int y, int z, std::string_view text, int angle);
  virtual void TextAtDepth(int x, int y, int z, std::string_view text);

  // The state every paint pass ends with: black one-pixel solid pen, white
  // solid brush, black 10-point font, white transparent background.
  void Reset();

  // While on, the 3D flag reads false (titles are never projected); the
  // orthogonal projection itself stays as it is.
  bool FlatMode() const { return flat_; }
  void SetFlatMode(bool flat) { flat_ = flat; }
  bool Is3D() const { return is3D_ && !flat_; }
  bool IsOrthogonal() const { return orthogonal_; }
  double ZoomFactor() const { return zoom_; }
  bool ZoomText() const { return zoomText_; }
  TPoint Centre() const { return {xc_, yc_}; }
  int CentreZ() const { return zc_; }
  TPoint ShiftedCentre() const { return {xc_ + horizOffset_, yc_ + vertOffset_}; }
  double PerspectiveFactor() const { return perspectiveFactor_; }

  bool IsDirty() const { return dirty_; }
  bool BufferedDisplay() const { return buffered_; }
  // Switching off discards the frame buffer and marks the picture dirty.
  void SetBufferedDisplay(bool buffered);
  bool Monochrome() const { return monochrome_; }
  void SetMonochrome(bool monochrome);
  // Set while the chart paints into a vector picture for the clipboard.
  bool Metafiling() const { return metafiling_; }
  void SetMetafiling(bool metafiling) { metafiling_ = metafiling; }
  TFrameBuffer* FrameBuffer() const { return frame_.get(); }
  // Whether a series may draw the points that share a pixel column as a few
  // strokes or ribbons instead of one segment each (on by default; off draws
  // every segment, to compare against).
  bool CollapseDense() const { return collapseDense_; }
  void SetCollapseDense(bool collapse) { collapseDense_ = collapse; }

 private:
  void SetTarget(TDrawContext& target);
  void DiscardFrame();
  void Quad(TPoint a, TPoint b, TPoint c, TPoint d);
  int ZoomedFontSize() const;

  std::unique_ptr<TDrawContext> nowhere_;
  TDrawContext* windowCanvas_;
  TDrawContext* target_;
  std::unique_ptr<TFrameBuffer> frame_;
  bool targetIsFrame_ = false;

  bool buffered_ = true;
  bool dirty_ = true;
  bool is3D_ = false;
  bool orthogonal_ = false;
  bool flat_ = false;
  double zoom_ = 1.0;
  bool zoomText_ = true;
  bool metafiling_ = false;
  bool collapseDense_ = true;
  bool monochrome_ = false;

  int xc_ = 0;
  int yc_ = 0;
  int zc_ = 0;
  int horizOffset_ = 0;
  int vertOffset_ = 0;
  int perspective_ = 0;
  double perspectiveFactor_ = 0.0;

  TPenState pen_;
  TBrushState brush_;
  TFontState font_;
  TColor backColor_ = clWhite;
  TBackMode backMode_ = bmOpaque;
  TTextAlign textAlign_;
};

}  // namespace fendrel
