#include "platform/recording_context.h"

namespace fendrel {

std::vector<TDrawRecord> TRecordingContext::RecordsOf(TDrawOp op) const {
  std::vector<TDrawRecord> found;
  for (const TDrawRecord& record : records_) {
    if (record.Op == op) found.push_back(record);
  }
  return found;
}

void TRecordingContext::SetTextMetric(int charWidth, int lineHeight) {
  charWidth_ = charWidth;
  lineHeight_ = lineHeight;
}

void TRecordingContext::SetBackground(TColor color, TBackMode mode) {
  state_.BackColor = color;
  state_.BackMode = mode;
}

TDrawRecord& TRecordingContext::Add(TDrawOp op) {
  TDrawRecord& record = records_.emplace_back(state_);
  record.Op = op;
  return record;
}

void TRecordingContext::MoveTo(int x, int y) {
  penPos_ = {x, y};
  Add(TDrawOp::MoveTo).Points = {penPos_};
}

void TRecordingContext::LineTo(int x, int y) {
  Add(TDrawOp::LineTo).Points = {penPos_, TPoint{x, y}};
  penPos_ = {x, y};
}

void TRecordingContext::Polyline(std::span<const TPoint> points) {
  Add(TDrawOp::Polyline).Points.assign(points.begin(), points.end());
}

void TRecordingContext::Polygon(std::span<const TPoint> points) {
  Add(TDrawOp::Polygon).Points.assign(points.begin(), points.end());
}

void TRecordingContext::Rectangle(int left, int top, int right, int bottom) {
  Add(TDrawOp::Rectangle).Rect = {left, top, right, bottom};
}

void TRecordingContext::FillRect(const TRect& rect) { Add(TDrawOp::FillRect).Rect = rect; }

void TRecordingContext::Pixel(int x, int y, TColor color) {
  TDrawRecord& record = Add(TDrawOp::Pixel);
  record.Points = {TPoint{x, y}};
  record.Color = color;
}

void TRecordingContext::TextOut(int x, int y, std::string_view text) {
  TDrawRecord& record = Add(TDrawOp::TextOut);
  record.Points = {TPoint{x, y}};
  record.Text = text;
}

int TRecordingContext::TextWidth(std::string_view text) {
  return charWidth_ * static_cast<int>(text.size());
}

int TRecordingContext::TextHeight(std::string_view) { return lineHeight_; }

void TRecordingContext::ClipRect(const TRect& rect, TClipOp op) {
  TDrawRecord& record = Add(TDrawOp::ClipRect);
  record.Rect = rect;
  record.Clip = op;
}

void TRecordingContext::ClipPolygon(std::span<const TPoint> points, TClipOp op) {
  TDrawRecord& record = Add(TDrawOp::ClipPolygon);
  record.Points.assign(points.begin(), points.end());
  record.Clip = op;
}

void TRecordingContext::RemoveClip() { Add(TDrawOp::RemoveClip); }

std::unique_ptr<TFrameBuffer> TRecordingContext::CreateFrameBuffer(int width, int height,
                                                                   bool monochrome) {
  ++frameBuffersCreated_;
  auto frame = std::make_unique<TRecordingFrameBuffer>(width, height, monochrome);
  frame->Recording().SetTextMetric(charWidth_, lineHeight_);
  return frame;
}

void TRecordingContext::DrawFrame(int x, int y, TFrameBuffer& frame) {
  TDrawRecord& record = Add(TDrawOp::DrawFrame);
  record.Points = {TPoint{x, y}};
  record.Rect = {x, y, x + frame.Width(), y + frame.Height()};
}

TRecordingFrameBuffer::TRecordingFrameBuffer(int width, int height, bool monochrome)
    : width_(width), height_(height), monochrome_(monochrome) {}

TDrawContext& TRecordingFrameBuffer::BeginPaint() {
  painting_ = true;
  return recording_;
}

}  // namespace fendrel
