#include "chart/canvas3d.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "chart/chart.h"

namespace fendrel {

namespace {

// Drawing before the window gives a canvas goes nowhere.
class TNowhereContext final : public TDrawContext {
 public:
  void SetPen(const TPenState&) override {}
  void SetBrush(const TBrushState&) override {}
  void SetFont(const TFontState&) override {}
  void SetBackground(TColor, TBackMode) override {}
  void SetTextAlign(TTextAlign) override {}
  void MoveTo(int, int) override {}
  void LineTo(int, int) override {}
  void Polyline(std::span<const TPoint>) override {}
  void Polygon(std::span<const TPoint>) override {}
  void Rectangle(int, int, int, int) override {}
  void FillRect(const TRect&) override {}
  void Pixel(int, int, TColor) override {}
  void TextOut(int, int, std::string_view) override {}
  int TextWidth(std::string_view) override { return 0; }
  int TextHeight(std::string_view) override { return 0; }
  void ClipRect(const TRect&, TClipOp) override {}
  void ClipPolygon(std::span<const TPoint>, TClipOp) override {}
  void RemoveClip() override {}
  std::unique_ptr<TFrameBuffer> CreateFrameBuffer(int, int, bool) override {
    throw std::runtime_error("No window to draw on");
  }
  void DrawFrame(int, int, TFrameBuffer&) override {}
};

// Nearest whole number, halves to even, whatever the floating-point rounding
// mode; far values are held where later integer sums cannot overflow.
int RoundHalfEven(double v) {
  constexpr double kLimit = 1 << 29;
  if (std::isnan(v)) return 0;
  v = std::clamp(v, -kLimit, kLimit);
  double whole = std::floor(v);
  const double fraction = v - whole;
  if (fraction > 0.5 || (fraction == 0.5 && std::fmod(whole, 2.0) != 0.0)) whole += 1.0;
  return static_cast<int>(whole);
}

}  // namespace

TCanvas3D::TCanvas3D()
    : nowhere_(std::make_unique<TNowhereContext>()),
      windowCanvas_(nowhere_.get()),
      target_(nowhere_.get()) {}

TCanvas3D::~TCanvas3D() = default;

void TCanvas3D::SetWindowCanvas(TDrawContext* canvas) {
  const bool targetWasWindow = target_ == windowCanvas_;
  windowCanvas_ = canvas != nullptr ? canvas : nowhere_.get();
  if (targetWasWindow) SetTarget(*windowCanvas_);
}

void TCanvas3D::SetTarget(TDrawContext& target) {
  target_ = &target;
  target.SetPen(pen_);
  target.SetBrush(brush_);
  target.SetFont(font_);
  target.SetBackground(backColor_, backMode_);
  target.SetTextAlign(textAlign_);
}

TPoint TCanvas3D::ProjectPoint(int x, int y, int z) const {
  // Only the oblique view is drawn in 3D, orthogonal or not.
  if (!orthogonal_ && !Is3D()) return {x, y};
  return {RoundHalfEven(zoom_ * (static_cast<double>(x) - xc_ + z)) + xc_ + horizOffset_,
          RoundHalfEven(zoom_ * (static_cast<double>(y) - yc_ - z)) + yc_ + vertOffset_};
}

void TCanvas3D::SetPen(const TPenState& pen) {
  pen_ = pen;
  target_->SetPen(pen_);
}

void TCanvas3D::SetPenColor(TColor color) {
  TPenState pen = pen_;
  pen.Color = color;
  SetPen(pen);
}

void TCanvas3D::SetBrush(const TBrushState& brush) {
  brush_ = brush;
  target_->SetBrush(brush_);
}

void TCanvas3D::SetBrushColor(TColor color) {
  TBrushState brush = brush_;
  brush.Color = color;
  SetBrush(brush);
}

void TCanvas3D::SetFont(const TFontState& font) {
  font_ = font;
  target_->SetFont(font_);
}

void TCanvas3D::SetBackColor(TColor color) {
  backColor_ = color;
  target_->SetBackground(backColor_, backMode_);
}

void TCanvas3D::SetBackMode(TBackMode mode) {
  backMode_ = mode;
  target_->SetBackground(backColor_, backMode_);
}

void TCanvas3D::SetTextAlign(TTextAlign align) {
  textAlign_ = align;
  target_->SetTextAlign(align);
}

void TCanvas3D::Pixel(int x, int y, TColor color) { target_->Pixel(x, y, color); }

void TCanvas3D::FillRect(const TRect& rect) { target_->FillRect(rect); }

void TCanvas3D::MoveTo(int x, int y) { target_->MoveTo(x, y); }

void TCanvas3D::LineTo(int x, int y) { target_->LineTo(x, y); }

void TCanvas3D::Line(int x0, int y0, int x1, int y1) {
  MoveTo(x0, y0);
  LineTo(x1, y1);
}

void TCanvas3D::HorizontalLine(int left, int right, int y) { Line(left, y, right, y); }

void TCanvas3D::VerticalLine(int x, int top, int bottom) { Line(x, top, x, bottom); }

void TCanvas3D::Rectangle(int left, int top, int right, int bottom) {
  target_->Rectangle(left, top, right, bottom);
}

void TCanvas3D::Polyline(std::span<const TPoint> points) { target_->Polyline(points); }

void TCanvas3D::Polygon(std::span<const TPoint> points) { target_->Polygon(points); }

void TCanvas3D::TextOut(int x, int y, std::string_view text) { target_->TextOut(x, y, text); }

int TCanvas3D::TextWidth(std::string_view text) { return target_->TextWidth(text); }

int TCanvas3D::TextHeight(std::string_view text) { return target_->TextHeight(text); }

void TCanvas3D::ClipRectangle(const TRect& rect) { target_->ClipRect(rect, coIntersect); }

void TCanvas3D::MarkDirty() { dirty_ = true; }

int TCanvas3D::ZoomedFontSize() const {
  if (!zoomText_ || zoom_ == 1.0) return font_.Size;
  return std::max(1, RoundHalfEven(font_.Size * zoom_));
}

void TCanvas3D::RotatedText(int x, int y, std::string_view text, int angle) {
  TFontState turned = font_;
  turned.Angle = angle > 360 ? angle - 360 : angle;
  turned.Size = ZoomedFontSize();
  target_->SetFont(turned);
  target_->SetBackground(backColor_, bmTransparent);
  target_->TextOut(x, y, text);
  target_->SetBackground(backColor_, backMode_);
  target_->SetFont(font_);
}

void TCanvas3D::RemoveClip() { target_->RemoveClip(); }

TRect TCanvas3D::BeginFrame(TDrawContext& target, const TView3DOptions& options, const TRect& r,
                            bool is3D) {
  horizOffset_ = options.HorizOffset();
  vertOffset_ = options.VertOffset();
  perspective_ = options.Perspective();
  is3D_ = is3D;
  orthogonal_ = false;
  zoom_ = 1.0;
  if (is3D) {
    orthogonal_ = options.Orthogonal();
    zoom_ = options.Zoom() * 0.01;
    zoomText_ = options.ZoomText();
  }
  if (!buffered_) {
    targetIsFrame_ = false;
    SetTarget(target);
    return r;
  }
  const int width = r.Right - r.Left;
  const int height = r.Bottom - r.Top;
  if (frame_ && (frame_->Width() != width || frame_->Height() != height ||
                 frame_->PixelRatio() != target.PixelRatio())) {
    DiscardFrame();
  }
  if (!frame_) frame_ = target.CreateFrameBuffer(width, height, monochrome_);
  targetIsFrame_ = true;
  SetTarget(frame_->BeginPaint());
  return {0, 0, width, height};
}

void TCanvas3D::SetProjectionCentre(int depth, const TRect& plot) {
  xc_ = (plot.Left + plot.Right) / 2;
  yc_ = (plot.Top + plot.Bottom) / 2;
  zc_ = depth / 2;
  perspectiveFactor_ = perspective_ > 0 ? perspective_ / 35000.0 : 0.0;
}

void TCanvas3D::PresentFrame(TDrawContext& target, const TRect& r) {
  if (buffered_ && frame_) {
    frame_->EndPaint();
    target.DrawFrame(r.Left, r.Top, *frame_);
    dirty_ = false;
  }
  targetIsFrame_ = false;
  SetTarget(*windowCanvas_);
}

bool TCanvas3D::CopyWhenClean() {
  if (dirty_ || !buffered_ || !frame_) return false;
  frame_->EndPaint();
  windowCanvas_->DrawFrame(0, 0, *frame_);
  return true;
}

void TCanvas3D::DiscardFrame() {
  // The surface must not keep drawing into a picture that is gone.
  if (targetIsFrame_) {
    targetIsFrame_ = false;
    SetTarget(*windowCanvas_);
  }
  frame_.reset();
}

void TCanvas3D::SetBufferedDisplay(bool buffered) {
  if (buffered == buffered_) return;
  buffered_ = buffered;
  if (!buffered) {
    DiscardFrame();
    dirty_ = true;
  }
}

void TCanvas3D::SetMonochrome(bool monochrome) {
  if (monochrome == monochrome_) return;
  monochrome_ = monochrome;
  DiscardFrame();
  dirty_ = true;
}

void TCanvas3D::ClipToBox(const TRect& rect, int z0, int z1) {
  if (!Is3D()) {
    target_->ClipRect({rect.Left + 1, rect.Top + 1, rect.Right, rect.Bottom - 1}, coIntersect);
    return;
  }
  const std::array<TPoint, 6> outline{
      ProjectPoint(rect.Left, rect.Bottom, z0),  ProjectPoint(rect.Left, rect.Top, z0),
      ProjectPoint(rect.Left, rect.Top, z1),     ProjectPoint(rect.Right, rect.Top, z1),
      ProjectPoint(rect.Right, rect.Bottom, z1), ProjectPoint(rect.Right, rect.Bottom, z0)};
  target_->ClipPolygon(outline, coReplace);
}

void TCanvas3D::HorizontalLineAtDepth(int left, int right, int y, int z) {
  MoveToDepth(left, y, z);
  LineToDepth(right, y, z);
}

void TCanvas3D::VerticalLineAtDepth(int x, int top, int bottom, int z) {
  MoveToDepth(x, top, z);
  LineToDepth(x, bottom, z);
}

void TCanvas3D::DepthLine(int x, int y, int z0, int z1) {
  MoveToDepth(x, y, z0);
  LineToDepth(x, y, z1);
}

void TCanvas3D::MoveToDepth(int x, int y, int z) {
  const TPoint p = ProjectPoint(x, y, z);
  target_->MoveTo(p.X, p.Y);
}

void TCanvas3D::LineToDepth(int x, int y, int z) {
  const TPoint p = ProjectPoint(x, y, z);
  target_->LineTo(p.X, p.Y);
}

void TCanvas3D::Quad(TPoint a, TPoint b, TPoint c, TPoint d) {
  const std::array<TPoint, 4> corners{a, b, c, d};
  Polygon(corners);
}

void TCanvas3D::ExtrudedSegment(TPoint p0, TPoint p1, int z0, int z1) {
  Quad(ProjectPoint(p0.X, p0.Y, z0), ProjectPoint(p1.X, p1.Y, z0), ProjectPoint(p1.X, p1.Y, z1),
       ProjectPoint(p0.X, p0.Y, z1));
}

void TCanvas3D::RectangleAtDepth(const TRect& rect, int z) {
  Quad(ProjectPoint(rect.Left, rect.Top, z), ProjectPoint(rect.Right, rect.Top, z),
       ProjectPoint(rect.Right, rect.Bottom, z), ProjectPoint(rect.Left, rect.Bottom, z));
}

void TCanvas3D::FloorPlane(int left, int right, int y, int z0, int z1) {
  Quad(ProjectPoint(left, y, z0), ProjectPoint(right, y, z0), ProjectPoint(right, y, z1),
       ProjectPoint(left, y, z1));
}

void TCanvas3D::SidePlane(int x, int top, int bottom, int z0, int z1) {
  Quad(ProjectPoint(x, top, z0), ProjectPoint(x, top, z1), ProjectPoint(x, bottom, z1),
       ProjectPoint(x, bottom, z0));
}

void TCanvas3D::RotatedTextAtDepth(int x, int y, int z, std::string_view text, int angle) {
  const TPoint p = ProjectPoint(x, y, z);
  RotatedText(p.X, p.Y, text, angle);
}

void TCanvas3D::TextAtDepth(int x, int y, int z, std::string_view text) {
  const TPoint p = ProjectPoint(x, y, z);
  const int size = ZoomedFontSize();
  if (size == font_.Size) {
    target_->TextOut(p.X, p.Y, text);
    return;
  }
  TFontState zoomed = font_;
  zoomed.Size = size;
  target_->SetFont(zoomed);
  target_->TextOut(p.X, p.Y, text);
  target_->SetFont(font_);
}

void TCanvas3D::Reset() {
  SetPen(TPenState{});
  SetBrush(TBrushState{clWhite, bsSolid});
  TFontState font = font_;
  font.Color = clBlack;
  font.Size = 10;
  SetFont(font);
  backColor_ = clWhite;
  SetBackMode(bmTransparent);
}

}  // namespace fendrel
