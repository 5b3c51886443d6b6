#include "platform/qpainter_context.h"

#include <QPaintDevice>
#include <QPolygon>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <numeric>
#include <stdexcept>
#include <vector>

#include "platform/color_qt.h"

namespace fendrel {

namespace {

struct TPattern {
  std::uint32_t Mask = 0;  // bit k set: pixel k of the period is drawn
  int Period = 0;          // 0: solid
  std::array<int, 6> Runs{};
  int RunCount = 0;
};

// On and off runs in pixels, starting with "on".
TPattern MakePattern(std::initializer_list<int> runs) {
  TPattern pattern;
  bool on = true;
  for (int run : runs) {
    pattern.Runs[static_cast<std::size_t>(pattern.RunCount++)] = run;
    for (int k = 0; k < run; ++k, ++pattern.Period) {
      if (on) pattern.Mask |= std::uint32_t{1} << pattern.Period;
    }
    on = !on;
  }
  return pattern;
}

// The styles of one-pixel desktop pens: a "dot" is three pixels long, which
// is why the chart has its own alternate-pixel pen for fine dotted lines.
TPattern PatternOf(const TPenState& pen) {
  if (pen.SmallDots && pen.Width <= 1) return MakePattern({1, 1});
  switch (pen.Style) {
    case psDash:
      return MakePattern({18, 6});
    case psDot:
      return MakePattern({3, 3});
    case psDashDot:
      return MakePattern({9, 6, 3, 6});
    case psDashDotDot:
      return MakePattern({9, 3, 3, 3, 3, 3});
    default:
      return {};
  }
}

Qt::BrushStyle QtBrushStyle(TBrushStyle style) {
  switch (style) {
    case bsSolid:
      return Qt::SolidPattern;
    case bsClear:
      return Qt::NoBrush;
    case bsHorizontal:
      return Qt::HorPattern;
    case bsVertical:
      return Qt::VerPattern;
    case bsFDiagonal:
      return Qt::FDiagPattern;
    case bsBDiagonal:
      return Qt::BDiagPattern;
    case bsCross:
      return Qt::CrossPattern;
    case bsDiagCross:
      return Qt::DiagCrossPattern;
  }
  return Qt::SolidPattern;
}

// Texts are UTF-8; bytes that are not are taken as Latin-1 rather than lost.
QString ToQString(std::string_view text) {
  QString s = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  if (s.contains(QChar::ReplacementCharacter) &&
      text.find("\xEF\xBF\xBD") == std::string_view::npos) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
  }
  return s;
}

// Cuts a polygon to a rectangle (Sutherland-Hodgman, in doubles, rounded at
// the end). A region is built row by row, so an outline reaching millions of
// pixels off the frame (a deep chart projects its box that far) would take
// minutes to turn into a clip; cut far outside the frame, what is visible
// stays as it was.
QPolygon CutToRect(const QPolygon& polygon, const QRect& rect) {
  struct P {
    double x, y;
  };
  std::vector<P> points;
  points.reserve(polygon.size());
  for (const QPoint& p : polygon) points.push_back({double(p.x()), double(p.y())});
  const double left = rect.left(), right = rect.right() + 1.0;
  const double top = rect.top(), bottom = rect.bottom() + 1.0;
  auto cut = [&points](auto inside, auto cross) {
    std::vector<P> kept;
    kept.reserve(points.size() + 4);
    for (std::size_t i = 0; i < points.size(); ++i) {
      const P a = points[i];
      const P b = points[(i + 1) % points.size()];
      const bool aIn = inside(a), bIn = inside(b);
      if (aIn) kept.push_back(a);
      if (aIn != bIn) kept.push_back(cross(a, b));
    }
    points.swap(kept);
  };
  auto atX = [](double x) {
    return [x](P a, P b) { return P{x, a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x)}; };
  };
  auto atY = [](double y) {
    return [y](P a, P b) { return P{a.x + (b.x - a.x) * (y - a.y) / (b.y - a.y), y}; };
  };
  cut([left](P p) { return p.x >= left; }, atX(left));
  cut([right](P p) { return p.x <= right; }, atX(right));
  cut([top](P p) { return p.y >= top; }, atY(top));
  cut([bottom](P p) { return p.y <= bottom; }, atY(bottom));
  QPolygon result;
  result.reserve(static_cast<int>(points.size()));
  for (const P& p : points) {
    result.append(QPoint(static_cast<int>(std::lround(p.x)), static_cast<int>(std::lround(p.y))));
  }
  return result;
}

QPolygon ToQPolygon(std::span<const TPoint> points) {
  QPolygon polygon(static_cast<qsizetype>(points.size()));
  for (std::size_t i = 0; i < points.size(); ++i) {
    polygon[static_cast<qsizetype>(i)] = QPoint(points[i].X, points[i].Y);
  }
  return polygon;
}

QRect ToQRect(const TRect& r) {
  if (r.Right <= r.Left || r.Bottom <= r.Top) return {};
  return QRect(r.Left, r.Top, r.Right - r.Left, r.Bottom - r.Top);
}

}  // namespace

TQPainterContext::TQPainterContext(QPaintDevice& device, double scale)
    : ownPainter_(std::make_unique<QPainter>()),
      painter_(ownPainter_.get()),
      scale_(scale > 0.0 ? scale : 1.0),
      scaled_(scale_ != 1.0) {
  if (!painter_->begin(&device)) throw std::runtime_error("Cannot paint on this device");
  Init();
}

// Qt draws in coordinates, scaled to the device, while this lives; the
// painter's own state comes back after.
class TQPainterContext::TScaledScope {
 public:
  explicit TScaledScope(TQPainterContext& context) : context_(context) {
    if (!context_.scaled_) return;
    context_.painter_->save();
    context_.painter_->scale(context_.scale_, context_.scale_);
  }
  ~TScaledScope() {
    if (!context_.scaled_) return;
    context_.painter_->restore();
    context_.currentQPen_ = context_.painter_->pen();
  }
  TScaledScope(const TScaledScope&) = delete;
  TScaledScope& operator=(const TScaledScope&) = delete;

 private:
  TQPainterContext& context_;
};

int TQPainterContext::DeviceEdge(int v) const {
  if (!scaled_) return v;
  const double edge = std::round(v * scale_);
  return static_cast<int>(std::clamp(edge, -1e9, 1e9));
}

QRect TQPainterContext::DeviceRect(const QRect& r) const {
  if (!scaled_ || r.isEmpty()) return r;
  return QRect(QPoint(DeviceEdge(r.left()), DeviceEdge(r.top())),
               QPoint(DeviceEdge(r.left() + r.width()) - 1, DeviceEdge(r.top() + r.height()) - 1));
}

double TQPainterContext::PixelRatio() const {
  return scaled_ ? scale_ : painter_->device()->devicePixelRatio();
}

TQPainterContext::TQPainterContext(QPainter& painter) : painter_(&painter) {
  painter_->save();
  Init();
}

TQPainterContext::~TQPainterContext() {
  Flush();
  if (ownPainter_) {
    ownPainter_->end();
  } else {
    painter_->restore();
  }
}

void TQPainterContext::Init() {
  painter_->setRenderHint(QPainter::Antialiasing, false);
  painter_->setRenderHint(QPainter::TextAntialiasing, false);
  QPaintDevice* device = painter_->device();
  const int type = device->devType();
  pixelDevice_ = type == QInternal::Image || type == QInternal::Widget || type == QInternal::Pixmap;
  deviceRect_ = QRect(0, 0, device->width(), device->height());
  walkBounds_ = deviceRect_;
  if (type == QInternal::Image && painter_->worldTransform().isIdentity()) {
    auto* image = static_cast<QImage*>(device);
    const QImage::Format format = image->format();
    if ((format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
        image->devicePixelRatio() == 1.0) {
      bits_ = reinterpret_cast<std::uint32_t*>(image->bits());
      stride_ = image->bytesPerLine() / 4;
    }
  }
  // Scaled drawing needs the image's memory; anything else draws unscaled.
  if (bits_ == nullptr) {
    scale_ = 1.0;
    scaled_ = false;
  }
  if (scaled_) {
    walkBounds_ =
        QRect(QPoint(0, 0), QPoint(static_cast<int>(std::ceil(deviceRect_.width() / scale_)),
                                   static_cast<int>(std::ceil(deviceRect_.height() / scale_))));
  }
  currentQPen_ = painter_->pen();
  painter_->setCompositionMode(QPainter::CompositionMode_SourceOver);
  currentNotXor_ = false;
  // Start from the state a fresh desktop context has.
  SetPen(TPenState{});
  SetBrush(TBrushState{});
  SetFont(TFontState{});
  SetBackground(clWhite, bmOpaque);
  ready_ = true;
}

void TQPainterContext::SetPen(const TPenState& pen) {
  if (ready_ && pen == pen_) return;
  Flush();
  pen_ = pen;
  penColor_ = ToQColor(pen.Color);
  penArgb_ = penColor_.rgb();
  const TPattern pattern = PatternOf(pen);
  patternMask_ = pattern.Mask;
  patternPeriod_ = pattern.Period;
  linePhase_ = 0;
}

void TQPainterContext::SetBrush(const TBrushState& brush) {
  if (ready_ && brush == brush_) return;
  brush_ = brush;
  const QColor color = ToQColor(brush.Color);
  brushArgb_ = color.rgb();
  qbrush_ = brush.Style == bsClear ? QBrush(Qt::NoBrush) : QBrush(color, QtBrushStyle(brush.Style));
}

void TQPainterContext::SetFont(const TFontState& font) {
  if (ready_ && font == font_) return;
  font_ = font;
  QFont f(ToQString(font.Name));
  f.setPixelSize(std::max(1, FontPixelSize(font.Size)));
  f.setBold((font.Style & fsBold) != 0);
  f.setItalic((font.Style & fsItalic) != 0);
  f.setUnderline((font.Style & fsUnderline) != 0);
  f.setStrikeOut((font.Style & fsStrikeOut) != 0);
  f.setStyleStrategy(QFont::NoAntialias);
  qfont_ = f;
  metrics_.emplace(qfont_);
}

void TQPainterContext::SetBackground(TColor color, TBackMode mode) {
  if (ready_ && color == backColor_ && mode == backMode_) return;
  backColor_ = color;
  backMode_ = mode;
  backQColor_ = ToQColor(color);
  backArgb_ = backQColor_.rgb();
  painter_->setBackground(QBrush(backQColor_));
  painter_->setBackgroundMode(mode == bmOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
}

void TQPainterContext::UseQPen(const QPen& pen) {
  if (pen == currentQPen_) return;
  painter_->setPen(pen);
  currentQPen_ = pen;
}

void TQPainterContext::UseMix(bool notXor) {
  if (notXor == currentNotXor_ || !pixelDevice_) return;
  painter_->setCompositionMode(notXor ? QPainter::RasterOp_NotSourceXorDestination
                                      : QPainter::CompositionMode_SourceOver);
  currentNotXor_ = notXor;
}

QPen TQPainterContext::StrokePen() const {
  QPen pen(penColor_);
  if (pen_.Width <= 1) {
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
  } else {
    pen.setWidth(pen_.Width);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
  }
  const TPattern pattern = PatternOf(pen_);
  if (pattern.Period > 0) {
    QList<qreal> dashes;
    for (int k = 0; k < pattern.RunCount; ++k) {
      dashes.append(pattern.Runs[static_cast<std::size_t>(k)]);
    }
    pen.setDashPattern(dashes);
  }
  return pen;
}

void TQPainterContext::MoveTo(int x, int y) {
  Flush();
  penPos_ = {x, y};
  linePhase_ = 0;
}

void TQPainterContext::LineTo(int x, int y) {
  const TPoint from = penPos_;
  penPos_ = {x, y};
  if (!PenVisible() || from == penPos_) return;
  // Steps up and down one column, as a dense series draws, are gathered and
  // laid as one run: the pixels are the same, each written once.
  if (from.X == x && bits_ != nullptr && DrawsPixelLines() && patternPeriod_ == 0 &&
      pen_.Mode == pmCopy && !scaled_) {
    if (!columnPending_) {
      columnPending_ = true;
      columnLow_ = from.Y;
      columnHigh_ = from.Y;
    } else {
      columnLow_ = std::min(columnLow_, from.Y);
      columnHigh_ = std::max(columnHigh_, from.Y);
    }
    columnEnd_ = penPos_;
    return;
  }
  Flush();
  if (DrawsPixelLines()) {
    PixelLine(from, penPos_, linePhase_);
    FlushPixels();
  } else {
    const TScaledScope scope(*this);
    UseQPen(StrokePen());
    UseMix(pen_.Mode == pmNotXor);
    painter_->drawLine(from.X, from.Y, x, y);
  }
}

void TQPainterContext::PutPixel(int x, int y, std::uint32_t color, bool notXor) {
  const QRect& bounds = clip_ ? clipBounds_ : deviceRect_;
  const int left = std::max(DeviceEdge(x), bounds.left());
  const int right = std::min(DeviceEdge(x + 1) - 1, bounds.right());
  const int top = std::max(DeviceEdge(y), bounds.top());
  const int bottom = std::min(DeviceEdge(y + 1) - 1, bounds.bottom());
  const bool checkSpans = clip_ && !clipIsRect_;
  if (checkSpans && left <= right && top <= bottom) EnsureSpans();
  for (int dy = top; dy <= bottom; ++dy) {
    std::uint32_t* row = bits_ + static_cast<qsizetype>(dy) * stride_;
    for (int dx = left; dx <= right; ++dx) {
      if (checkSpans && !InSpans(dx, dy)) continue;
      row[dx] = notXor ? ~(color ^ row[dx]) : color;
    }
  }
}

void TQPainterContext::PixelLine(TPoint a, TPoint b, int& phase) {
  const std::int64_t dx = std::int64_t{b.X} - a.X;
  const std::int64_t dy = std::int64_t{b.Y} - a.Y;
  const std::int64_t adx = std::llabs(dx);
  const std::int64_t ady = std::llabs(dy);
  const bool xMajor = adx >= ady;
  const std::int64_t n = xMajor ? adx : ady;
  if (n == 0) return;
  const int majorStep = (xMajor ? dx : dy) < 0 ? -1 : 1;
  const int minorStep = (xMajor ? dy : dx) < 0 ? -1 : 1;
  const std::int64_t major0 = xMajor ? a.X : a.Y;
  const std::int64_t minor0 = xMajor ? a.Y : a.X;
  const std::int64_t minorLen = xMajor ? ady : adx;

  // Only the steps whose major coordinate can be seen are walked.
  const QRect& bounds = scaled_ ? walkBounds_ : clip_ ? clipBounds_ : deviceRect_;
  const std::int64_t lowBound = xMajor ? bounds.left() : bounds.top();
  const std::int64_t highBound = xMajor ? bounds.right() : bounds.bottom();
  std::int64_t first = majorStep > 0 ? lowBound - major0 : major0 - highBound;
  std::int64_t last = majorStep > 0 ? highBound - major0 : major0 - lowBound;
  first = std::max<std::int64_t>(first, 0);
  last = std::min(last, n - 1);

  if (!bounds.isEmpty() && first <= last) {
    // Step i lies minorLen * i / n off the start, rounded: q is the whole
    // part and e the remainder, both advanced without division.
    const std::int64_t den = 2 * n;
    std::int64_t q = 0;
    std::int64_t e = n;
    if (first > 0) {
      const std::int64_t num = 2 * first * minorLen + n;
      q = num / den;
      e = num % den;
    }
    const bool opaqueGaps = backMode_ == bmOpaque;
    const bool notXor = pen_.Mode == pmNotXor;
    const bool checkSpans = clip_ && !clipIsRect_;
    if (bits_ != nullptr && patternPeriod_ == 0 && !scaled_) {
      // A solid pen on an image: the series lines and outlines, kept to an
      // index walk.
      if (checkSpans) EnsureSpans();
      const int minorLow = xMajor ? bounds.top() : bounds.left();
      const int minorHigh = xMajor ? bounds.bottom() : bounds.right();
      const qsizetype majorStride = xMajor ? majorStep : majorStep * stride_;
      const qsizetype minorStride = xMajor ? minorStep * stride_ : minorStep;
      int minor = static_cast<int>(minor0 + minorStep * q);
      auto major = static_cast<int>(major0 + majorStep * first);
      qsizetype index = xMajor ? static_cast<qsizetype>(minor) * stride_ + major
                               : static_cast<qsizetype>(major) * stride_ + minor;
      const std::uint32_t color = penArgb_;
      for (std::int64_t i = first; i <= last; ++i) {
        if (minor >= minorLow && minor <= minorHigh &&
            (!checkSpans || InSpans(xMajor ? major : minor, xMajor ? minor : major))) {
          std::uint32_t& pixel = bits_[index];
          pixel = notXor ? ~(color ^ pixel) : color;
        }
        major += majorStep;
        index += majorStride;
        e += 2 * minorLen;
        if (e >= den) {
          e -= den;
          minor += minorStep;
          index += minorStride;
        }
      }
      return;
    }
    for (std::int64_t i = first; i <= last; ++i) {
      const int major = static_cast<int>(major0 + majorStep * i);
      const int minor = static_cast<int>(minor0 + minorStep * q);
      e += 2 * minorLen;
      if (e >= den) {
        e -= den;
        ++q;
      }
      const int x = xMajor ? major : minor;
      const int y = xMajor ? minor : major;
      const bool on =
          patternPeriod_ == 0 || ((patternMask_ >> ((phase + i) % patternPeriod_)) & 1u) != 0;
      if (!on && !opaqueGaps) continue;
      if (!bounds.contains(x, y)) continue;
      if (scaled_) {
        PutPixel(x, y, on ? penArgb_ : backArgb_, notXor);
      } else if (bits_ != nullptr) {
        if (checkSpans && !ClipContains(x, y)) continue;
        std::uint32_t& pixel = bits_[static_cast<qsizetype>(y) * stride_ + x];
        const std::uint32_t color = on ? penArgb_ : backArgb_;
        pixel = notXor ? ~(color ^ pixel) : color;
      } else {
        (on ? onPixels_ : gapPixels_).emplace_back(x, y);
      }
    }
  }
  if (patternPeriod_ > 0) phase = static_cast<int>((phase + n) % patternPeriod_);
}

void TQPainterContext::Flush() {
  if (!columnPending_) return;
  columnPending_ = false;
  // Every start of a step is drawn; the last end only where an earlier step
  // passed it.
  const int low = std::min(columnLow_, columnEnd_.Y + 1);
  const int high = std::max(columnHigh_, columnEnd_.Y - 1);
  int phase = 0;
  PixelLine({columnEnd_.X, low}, {columnEnd_.X, high + 1}, phase);
}

void TQPainterContext::FlushPixels() {
  if (onPixels_.empty() && gapPixels_.empty()) return;
  UseMix(pen_.Mode == pmNotXor);
  auto draw = [this](std::vector<QPoint>& pixels, const QColor& color) {
    if (pixels.empty()) return;
    if (painter_->device()->devicePixelRatio() != 1.0) {
      // Points would be one device pixel; a coordinate pixel is more.
      for (const QPoint& p : pixels) painter_->fillRect(QRect(p, QSize(1, 1)), color);
      pixels.clear();
      return;
    }
    QPen pen(color);
    pen.setWidth(1);
    pen.setCosmetic(true);
    UseQPen(pen);
    painter_->drawPoints(pixels.data(), static_cast<int>(pixels.size()));
    pixels.clear();
  };
  draw(gapPixels_, backQColor_);
  draw(onPixels_, penColor_);
}

void TQPainterContext::StrokeSegments(std::span<const TPoint> points, bool closed) {
  Flush();
  if (!PenVisible() || points.size() < 2) return;
  if (DrawsPixelLines()) {
    // Flushed per segment: where segments cross, the later one must win.
    int phase = 0;
    for (std::size_t i = 0; i + 1 < points.size(); ++i) {
      PixelLine(points[i], points[i + 1], phase);
      FlushPixels();
    }
    if (closed) {
      PixelLine(points.back(), points.front(), phase);
      FlushPixels();
    }
    return;
  }
  const TScaledScope scope(*this);
  UseQPen(StrokePen());
  UseMix(pen_.Mode == pmNotXor);
  painter_->setBrush(Qt::NoBrush);
  const QPolygon polygon = ToQPolygon(points);
  if (closed) {
    painter_->drawPolygon(polygon);
  } else {
    painter_->drawPolyline(polygon);
  }
}

void TQPainterContext::Polyline(std::span<const TPoint> points) { StrokeSegments(points, false); }

void TQPainterContext::Polygon(std::span<const TPoint> points) {
  Flush();
  if (points.size() >= 3 && brush_.Style != bsClear && !FillPolygonDirect(points)) {
    const TScaledScope scope(*this);
    UseQPen(QPen(Qt::NoPen));
    UseMix(pen_.Mode == pmNotXor);
    painter_->setBrush(qbrush_);
    // Qt samples pixel (x, y) at (x + 0.5, y + 0.5), leaving a centre that
    // falls on a left edge out. Shifting the figure by a little less than a
    // half samples it at whole coordinates with left and top edges in, as
    // the direct fill does.
    constexpr qreal kShift = 0.5 - 1.0 / 16;
    QPolygonF shifted(static_cast<qsizetype>(points.size()));
    for (std::size_t i = 0; i < points.size(); ++i) {
      shifted[static_cast<qsizetype>(i)] = QPointF(points[i].X + kShift, points[i].Y + kShift);
    }
    if (pixelDevice_) {
      painter_->drawPolygon(shifted, Qt::OddEvenFill);
    } else {
      painter_->drawPolygon(ToQPolygon(points), Qt::OddEvenFill);
    }
  }
  StrokeSegments(points, true);
}

void TQPainterContext::Rectangle(int left, int top, int right, int bottom) {
  Flush();
  if (right < left) std::swap(left, right);
  if (bottom < top) std::swap(top, bottom);
  const int width = right - left;
  const int height = bottom - top;
  if (width == 0 || height == 0) return;
  if (brush_.Style != bsClear) {
    const QRect fill = PenVisible() ? QRect(left + 1, top + 1, width - 2, height - 2)
                                    : QRect(left, top, width - 1, height - 1);
    if (fill.width() > 0 && fill.height() > 0) {
      UseQPen(QPen(Qt::NoPen));
      UseMix(pen_.Mode == pmNotXor);
      painter_->setBrush(qbrush_);
      painter_->drawRect(DeviceRect(fill));
    }
  }
  if (!PenVisible()) return;
  if (!DrawsPixelLines()) {
    const TScaledScope scope(*this);
    UseQPen(StrokePen());
    UseMix(pen_.Mode == pmNotXor);
    painter_->setBrush(Qt::NoBrush);
    painter_->drawRect(QRect(left, top, width - 1, height - 1));
    return;
  }
  // One-pixel-thin rectangles are a single line, so that no pixel is drawn
  // twice (which not-xor would undo).
  int phase = 0;
  if (width == 1) {
    PixelLine({left, top}, {left, bottom}, phase);
  } else if (height == 1) {
    PixelLine({left, top}, {right, top}, phase);
  } else {
    const TPoint corners[] = {
        {left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
    for (int i = 0; i < 4; ++i) {
      PixelLine(corners[i], corners[(i + 1) % 4], phase);
      FlushPixels();
    }
  }
  FlushPixels();
}

void TQPainterContext::FillRect(const TRect& rect) {
  Flush();
  const QRect area = ToQRect(rect);
  if (area.isEmpty() || brush_.Style == bsClear) return;
  UseMix(false);
  painter_->fillRect(DeviceRect(area), qbrush_);
}

void TQPainterContext::Pixel(int x, int y, TColor color) {
  Flush();
  const QColor qcolor = ToQColor(color);
  if (scaled_) {
    PutPixel(x, y, qcolor.rgb(), false);
    return;
  }
  if (bits_ != nullptr) {
    if (ClipContains(x, y)) bits_[static_cast<qsizetype>(y) * stride_ + x] = qcolor.rgb();
    return;
  }
  UseMix(false);
  if (pixelDevice_) {
    QPen pen(qcolor);
    pen.setWidth(1);
    pen.setCosmetic(true);
    UseQPen(pen);
    painter_->drawPoint(x, y);
  } else {
    painter_->fillRect(QRect(x, y, 1, 1), qcolor);
  }
}

void TQPainterContext::TextOut(int x, int y, std::string_view text) {
  Flush();
  if (text.empty()) return;
  const QString s = ToQString(text);
  const int width = metrics_->horizontalAdvance(s);
  const int ascent = metrics_->ascent();
  const int height = metrics_->height();
  const int dx = align_.Horz == thLeft ? 0 : align_.Horz == thCenter ? -(width / 2) : -width;
  const int dy = align_.Vert == tvTop ? 0 : align_.Vert == tvBaseline ? -ascent : -height;

  UseMix(false);
  const bool turned = font_.Angle % 360 != 0;
  int ox = x;
  int oy = y;
  // At a finer scale the glyphs are drawn at the device's resolution.
  const TScaledScope scope(*this);
  if (turned) {
    painter_->save();
    painter_->translate(x, y);
    painter_->rotate(-font_.Angle);
    ox = 0;
    oy = 0;
  }
  if (backMode_ == bmOpaque)
    painter_->fillRect(QRect(ox + dx, oy + dy, width, height), backQColor_);
  // The box is filled above; Qt's own opaque text background would differ.
  painter_->setBackgroundMode(Qt::TransparentMode);
  UseQPen(QPen(ToQColor(font_.Color)));
  painter_->setFont(qfont_);
  painter_->drawText(QPoint(ox + dx, oy + dy + ascent), s);
  if (turned) {
    painter_->restore();
    currentQPen_ = painter_->pen();
  }
  painter_->setBackgroundMode(backMode_ == bmOpaque ? Qt::OpaqueMode : Qt::TransparentMode);
}

int TQPainterContext::TextWidth(std::string_view text) {
  return metrics_->horizontalAdvance(ToQString(text));
}

int TQPainterContext::TextHeight(std::string_view) { return metrics_->height(); }

void TQPainterContext::ClipRect(const TRect& rect, TClipOp op) {
  Flush();
  const QRegion region(DeviceRect(ToQRect(rect)));
  clip_ = op == coIntersect && clip_ ? clip_->intersected(region) : region;
  ApplyClip();
}

void TQPainterContext::ClipPolygon(std::span<const TPoint> points, TClipOp op) {
  Flush();
  QPolygon polygon = ToQPolygon(points);
  if (scaled_) {
    for (QPoint& p : polygon) p = QPoint(DeviceEdge(p.x()), DeviceEdge(p.y()));
  }
  const int margin = std::max(deviceRect_.width(), deviceRect_.height()) + 16;
  const QRect reach = deviceRect_.adjusted(-margin, -margin, margin, margin);
  if (!deviceRect_.isEmpty() && !reach.contains(polygon.boundingRect())) {
    polygon = CutToRect(polygon, reach);
  }
  const QRegion region(polygon, Qt::OddEvenFill);
  clip_ = op == coIntersect && clip_ ? clip_->intersected(region) : region;
  ApplyClip();
}

void TQPainterContext::RemoveClip() {
  Flush();
  clip_.reset();
  painter_->setClipping(false);
  spansValid_ = false;
  if (scaled_) {
    walkBounds_ =
        QRect(QPoint(0, 0), QPoint(static_cast<int>(std::ceil(deviceRect_.width() / scale_)),
                                   static_cast<int>(std::ceil(deviceRect_.height() / scale_))));
  }
}

void TQPainterContext::ApplyClip() {
  painter_->setClipRegion(*clip_);
  clipBounds_ = clip_->boundingRect() & deviceRect_;
  clipIsRect_ = clip_->rectCount() <= 1;
  spansValid_ = false;
  if (scaled_) {
    // Every coordinate pixel that reaches into the clip, whole.
    walkBounds_ =
        clipBounds_.isEmpty()
            ? QRect()
            : QRect(QPoint(static_cast<int>(std::floor(clipBounds_.left() / scale_)),
                           static_cast<int>(std::floor(clipBounds_.top() / scale_))),
                    QPoint(static_cast<int>(std::ceil((clipBounds_.right() + 1) / scale_)),
                           static_cast<int>(std::ceil((clipBounds_.bottom() + 1) / scale_))));
  }
}

bool TQPainterContext::ClipContains(int x, int y) {
  if (!deviceRect_.contains(x, y)) return false;
  if (!clip_) return true;
  if (!clipBounds_.contains(x, y)) return false;
  if (clipIsRect_) return true;
  EnsureSpans();
  return InSpans(x, y);
}

bool TQPainterContext::InSpans(int x, int y) const {
  const auto row = static_cast<std::size_t>(y);
  for (int k = spanStart_[row]; k < spanStart_[row + 1]; ++k) {
    const auto& span = spans_[static_cast<std::size_t>(k)];
    if (x >= span.first && x <= span.second) return true;
  }
  return false;
}

void TQPainterContext::EnsureSpans() {
  if (spansValid_) return;
  const int rows = deviceRect_.height();
  spanStart_.assign(static_cast<std::size_t>(rows) + 1, 0);
  for (const QRect& r : *clip_) {
    for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), rows - 1); ++row) {
      ++spanStart_[static_cast<std::size_t>(row) + 1];
    }
  }
  std::partial_sum(spanStart_.begin(), spanStart_.end(), spanStart_.begin());
  spans_.resize(static_cast<std::size_t>(spanStart_.back()));
  std::vector<int> next(spanStart_.begin(), spanStart_.end() - 1);
  for (const QRect& r : *clip_) {
    for (int row = std::max(r.top(), 0); row <= std::min(r.bottom(), rows - 1); ++row) {
      spans_[static_cast<std::size_t>(next[static_cast<std::size_t>(row)]++)] = {r.left(),
                                                                                 r.right()};
    }
  }
  spansValid_ = true;
}

bool TQPainterContext::FillPolygonDirect(std::span<const TPoint> points) {
  if (bits_ == nullptr || brush_.Style != bsSolid) return false;
  if (scaled_) {
    // Filled on the device along the same edges, so that figures sharing an
    // edge still meet without a gap or an overlap.
    devicePoints_.resize(points.size());
    for (std::size_t i = 0; i < points.size(); ++i) {
      devicePoints_[i] = {DeviceEdge(points[i].X), DeviceEdge(points[i].Y)};
    }
    points = devicePoints_;
  }
  const QRect& bounds = clip_ ? clipBounds_ : deviceRect_;
  if (bounds.isEmpty()) return true;
  int top = points.front().Y;
  int bottom = top;
  for (const TPoint& p : points) {
    top = std::min(top, p.Y);
    bottom = std::max(bottom, p.Y);
  }
  top = std::max(top, bounds.top());
  bottom = std::min(bottom - 1, bounds.bottom());
  const bool checkSpans = clip_ && !clipIsRect_;
  if (checkSpans) EnsureSpans();
  const bool notXor = pen_.Mode == pmNotXor;
  const std::uint32_t color = brushArgb_;
  auto fill = [&](std::uint32_t* row, int from, int to) {
    for (int x = from; x <= to; ++x) row[x] = notXor ? ~(color ^ row[x]) : color;
  };
  const std::size_t count = points.size();
  for (int y = top; y <= bottom; ++y) {
    // Pixel centres sit on whole coordinates, as for lines, so a fill never
    // strays outside its outline: an edge holds its top row but not its
    // bottom one, a span its left crossing but not its right.
    crossings_.clear();
    for (std::size_t i = 0; i < count; ++i) {
      TPoint a = points[i];
      TPoint b = points[(i + 1) % count];
      if (a.Y == b.Y) continue;
      if (a.Y > b.Y) std::swap(a, b);
      if (y < a.Y || y >= b.Y) continue;
      const std::int64_t num = std::int64_t{y - a.Y} * (std::int64_t{b.X} - a.X);
      const std::int64_t den = std::int64_t{b.Y} - a.Y;
      const std::int64_t ceiling = num >= 0 ? (num + den - 1) / den : -((-num) / den);
      crossings_.push_back(static_cast<int>(a.X + ceiling));
    }
    std::sort(crossings_.begin(), crossings_.end());
    std::uint32_t* row = bits_ + static_cast<qsizetype>(y) * stride_;
    for (std::size_t k = 0; k + 1 < crossings_.size(); k += 2) {
      const int from = std::max(crossings_[k], bounds.left());
      const int to = std::min(crossings_[k + 1] - 1, bounds.right());
      if (from > to) continue;
      if (!checkSpans) {
        fill(row, from, to);
        continue;
      }
      const auto r = static_cast<std::size_t>(y);
      for (int s = spanStart_[r]; s < spanStart_[r + 1]; ++s) {
        const auto& span = spans_[static_cast<std::size_t>(s)];
        fill(row, std::max(from, span.first), std::min(to, span.second));
      }
    }
  }
  return true;
}

std::unique_ptr<TFrameBuffer> TQPainterContext::CreateFrameBuffer(int width, int height,
                                                                  bool monochrome) {
  // The finer pixels of a screen of high density, so that the frame is not
  // blown up when it is shown.
  return std::make_unique<TImageFrameBuffer>(width, height, monochrome, PixelRatio());
}

void TQPainterContext::DrawFrame(int x, int y, TFrameBuffer& frame) {
  Flush();
  auto* imageFrame = dynamic_cast<TImageFrameBuffer*>(&frame);
  if (imageFrame == nullptr) {
    throw std::runtime_error("Cannot copy a frame from another kind of drawing context");
  }
  UseMix(false);
  if (imageFrame->Monochrome()) {
    painter_->drawImage(QPoint(x, y), imageFrame->PresentedImage());
  } else {
    painter_->drawImage(QPoint(x, y), imageFrame->Image());
  }
}

// A control of no size still gets a one-pixel picture to paint on.
namespace {
int DeviceSize(int size, double ratio) {
  return std::max(1, static_cast<int>(std::round(std::max(size, 1) * ratio)));
}
}  // namespace

TImageFrameBuffer::TImageFrameBuffer(int width, int height, bool monochrome, double pixelRatio)
    : width_(width),
      height_(height),
      pixelRatio_(pixelRatio > 0.0 ? pixelRatio : 1.0),
      image_(DeviceSize(width, pixelRatio_), DeviceSize(height, pixelRatio_), QImage::Format_RGB32),
      monochrome_(monochrome) {
  image_.fill(Qt::white);
  image_.setDevicePixelRatio(pixelRatio_);
}

TImageFrameBuffer::~TImageFrameBuffer() = default;

TDrawContext& TImageFrameBuffer::BeginPaint() {
  if (!context_) {
    // Painted pixel by pixel; shown at its ratio.
    image_.setDevicePixelRatio(1.0);
    context_ = std::make_unique<TQPainterContext>(image_, pixelRatio_);
  }
  return *context_;
}

void TImageFrameBuffer::EndPaint() {
  context_.reset();
  image_.setDevicePixelRatio(pixelRatio_);
}

QImage TImageFrameBuffer::PresentedImage() const {
  if (!monochrome_) return image_;
  return image_.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither)
      .convertToFormat(QImage::Format_RGB32);
}

}  // namespace fendrel
