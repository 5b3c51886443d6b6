#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/draw_context.h"

namespace fendrel {

enum class TDrawOp : std::uint8_t {
  MoveTo,
  LineTo,
  Polyline,
  Polygon,
  Rectangle,
  FillRect,
  Pixel,
  TextOut,
  ClipRect,
  ClipPolygon,
  RemoveClip,
  DrawFrame
};

// One drawing call with the state it was made in.
struct TDrawRecord {
  TDrawOp Op = TDrawOp::MoveTo;
  // LineTo: {from, to}; MoveTo, Pixel, TextOut, DrawFrame: {at};
  // Polyline, Polygon, ClipPolygon: the points as given.
  std::vector<TPoint> Points;
  // Rectangle, FillRect, ClipRect; DrawFrame: the area the frame covers.
  TRect Rect;
  std::string Text;
  // Pixel: the colour set.
  TColor Color = clBlack;
  TClipOp Clip = coIntersect;

  TPenState Pen;
  TBrushState Brush;
  TFontState Font;
  TColor BackColor = clWhite;
  TBackMode BackMode = bmOpaque;
  TTextAlign Align;
};

// Keeps every call as a record so that geometry can be checked as numbers.
// Text is measured by a fixed metric, whatever the font: CharWidth pixels per
// character (default 7) and LineHeight pixels per line (default 13).
class TRecordingContext : public TDrawContext {
 public:
  TRecordingContext() = default;

  const std::vector<TDrawRecord>& Records() const { return records_; }
  std::vector<TDrawRecord> RecordsOf(TDrawOp op) const;
  void ClearRecords() { records_.clear(); }

  void SetTextMetric(int charWidth, int lineHeight);
  int CharWidth() const { return charWidth_; }
  int LineHeight() const { return lineHeight_; }

  const TPenState& Pen() const { return state_.Pen; }
  const TBrushState& Brush() const { return state_.Brush; }
  const TFontState& Font() const { return state_.Font; }
  TColor BackColor() const { return state_.BackColor; }
  TBackMode BackMode() const { return state_.BackMode; }
  TTextAlign Align() const { return state_.Align; }
  TPoint PenPos() const { return penPos_; }
  int FrameBuffersCreated() const { return frameBuffersCreated_; }

  void SetPen(const TPenState& pen) override { state_.Pen = pen; }
  void SetBrush(const TBrushState& brush) override { state_.Brush = brush; }
  void SetFont(const TFontState& font) override { state_.Font = font; }
  void SetBackground(TColor color, TBackMode mode) override;
  void SetTextAlign(TTextAlign align) override { state_.Align = align; }

  void MoveTo(int x, int y) override;
  void LineTo(int x, int y) override;
  void Polyline(std::span<const TPoint> points) override;
  void Polygon(std::span<const TPoint> points) override;
  void Rectangle(int left, int top, int right, int bottom) override;
  void FillRect(const TRect& rect) override;
  void Pixel(int x, int y, TColor color) override;

  void TextOut(int x, int y, std::string_view text) override;
  int TextWidth(std::string_view text) override;
  int TextHeight(std::string_view text) override;

  void ClipRect(const TRect& rect, TClipOp op) override;
  void ClipPolygon(std::span<const TPoint> points, TClipOp op) override;
  void RemoveClip() override;

  std::unique_ptr<TFrameBuffer> CreateFrameBuffer(int width, int height, bool monochrome) override;
  void DrawFrame(int x, int y, TFrameBuffer& frame) override;

 private:
  TDrawRecord& Add(TDrawOp op);

  TDrawRecord state_;
  std::vector<TDrawRecord> records_;
  TPoint penPos_;
  int charWidth_ = 7;
  int lineHeight_ = 13;
  int frameBuffersCreated_ = 0;
};

// A frame buffer whose drawing is recorded; it shares its creator's metric.
class TRecordingFrameBuffer : public TFrameBuffer {
 public:
  TRecordingFrameBuffer(int width, int height, bool monochrome);

  int Width() const override { return width_; }
  int Height() const override { return height_; }
  bool Monochrome() const { return monochrome_; }
  TDrawContext& BeginPaint() override;
  void EndPaint() override { painting_ = false; }
  bool Painting() const { return painting_; }

  TRecordingContext& Recording() { return recording_; }

 private:
  int width_;
  int height_;
  bool monochrome_;
  bool painting_ = false;
  TRecordingContext recording_;
};

}  // namespace fendrel
