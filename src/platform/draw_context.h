#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "platform/color.h"
#include "platform/draw_style.h"
#include "raster/geometry.h"

namespace fendrel {

struct TPenState {
  TColor Color = clBlack;
  int Width = 1;
  TPenStyle Style = psSolid;
  TPenMode Mode = pmCopy;
  // A one-pixel pen that sets every other pixel; ignored for wider pens.
  bool SmallDots = false;

  friend bool operator==(const TPenState&, const TPenState&) = default;
};

struct TBrushState {
  TColor Color = clWhite;
  TBrushStyle Style = bsSolid;

  friend bool operator==(const TBrushState&, const TBrushState&) = default;
};

struct TFontState {
  std::string Name = "Arial";
  // Points at 96 dots per inch: 8 points are 11 pixels.
  int Size = 10;
  TColor Color = clBlack;
  TFontStyles Style = 0;
  // Degrees, counter-clockwise; text is turned about its reference point.
  int Angle = 0;

  friend bool operator==(const TFontState&, const TFontState&) = default;
};

// Text, hatch fills and the gaps of styled pens are drawn over the background
// colour when opaque and leave the picture alone when transparent.
enum class TBackMode : std::uint8_t { bmTransparent, bmOpaque };
using enum TBackMode;

enum class TTextHorz : std::uint8_t { thLeft, thCenter, thRight };
using enum TTextHorz;
enum class TTextVert : std::uint8_t { tvTop, tvBaseline, tvBottom };
using enum TTextVert;

// Where the reference point of TextOut lies on the text's box, in the text's
// own (possibly turned) frame.
struct TTextAlign {
  TTextHorz Horz = thLeft;
  TTextVert Vert = tvTop;

  friend bool operator==(const TTextAlign&, const TTextAlign&) = default;
};

enum class TClipOp : std::uint8_t { coIntersect, coReplace };
using enum TClipOp;

class TDrawContext;

// An off-screen picture of fixed size: drawn into between BeginPaint and
// EndPaint, then copied onto another context with DrawFrame.
class TFrameBuffer {
 public:
  virtual ~TFrameBuffer() = default;

  virtual int Width() const = 0;
  virtual int Height() const = 0;
  // Device pixels per coordinate unit; a frame fits only a context of its ratio.
  virtual double PixelRatio() const { return 1.0; }
  // Starting twice returns the same context.
  virtual TDrawContext& BeginPaint() = 0;
  virtual void EndPaint() = 0;
};

// The two-dimensional drawing target of the chart, with the classic raster
// conventions so that whole-pixel geometry lands where the numbers say:
// - a line from A to B covers A and stops one pixel short of B;
// - Rectangle(l, t, r, b) outlines columns l..r-1 and rows t..b-1 and fills
//   inside; without a pen the fill covers l..r-2 and t..b-2;
// - FillRect covers l..r-1 and t..b-1 with the brush, no outline;
// - a polygon is filled with the brush by the alternate rule (pixels whose
//   centres lie inside, right and bottom edges excluded) and outlined with the pen;
// - no antialiasing.
// The pen's mix mode applies to lines, pixels and fills, never to text or to
// copied frames.
class TDrawContext {
 public:
  virtual ~TDrawContext() = default;

  virtual void SetPen(const TPenState& pen) = 0;
  virtual void SetBrush(const TBrushState& brush) = 0;
  virtual void SetFont(const TFontState& font) = 0;
  virtual void SetBackground(TColor color, TBackMode mode) = 0;
  virtual void SetTextAlign(TTextAlign align) = 0;

  virtual void MoveTo(int x, int y) = 0;
  // Draws from the pen position and leaves the pen at (x, y).
  virtual void LineTo(int x, int y) = 0;
  // Connected lines; the last point is not drawn. The pen position is kept.
  virtual void Polyline(std::span<const TPoint> points) = 0;
  virtual void Polygon(std::span<const TPoint> points) = 0;
  virtual void Rectangle(int left, int top, int right, int bottom) = 0;
  virtual void FillRect(const TRect& rect) = 0;
  virtual void Pixel(int x, int y, TColor color) = 0;

  // Placed by the text alignment, turned by the font angle, in the font colour.
  virtual void TextOut(int x, int y, std::string_view text) = 0;
  // Measured in the current font, unturned.
  virtual int TextWidth(std::string_view text) = 0;
  virtual int TextHeight(std::string_view text) = 0;

  // Right and bottom edges excluded.
  virtual void ClipRect(const TRect& rect, TClipOp op) = 0;
  // Alternate rule, as a polygon fill.
  virtual void ClipPolygon(std::span<const TPoint> points, TClipOp op) = 0;
  virtual void RemoveClip() = 0;

  // Device pixels per coordinate unit: above 1 on screens of high density,
  // where geometry stays in coordinate units and the pixels are finer.
  virtual double PixelRatio() const { return 1.0; }
  // A picture this context can copy quickly with DrawFrame, at its pixel ratio.
  virtual std::unique_ptr<TFrameBuffer> CreateFrameBuffer(int width, int height,
                                                          bool monochrome) = 0;
  // Copies the whole picture with its top-left corner at (x, y), clip applied.
  virtual void DrawFrame(int x, int y, TFrameBuffer& frame) = 0;
};

// Pixel size of a font given in points on a 96 dots-per-inch screen, rounded
// halves away from zero as the desktop does.
constexpr int FontPixelSize(int points) {
  const int scaled = points * 96;
  return scaled >= 0 ? (scaled + 36) / 72 : -((-scaled + 36) / 72);
}

}  // namespace fendrel
