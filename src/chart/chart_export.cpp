#include <QBuffer>
#include <QGuiApplication>
#include <QPainter>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgGenerator>
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "chart/chart.h"
#include "platform/clipboard.h"
#include "platform/qpainter_context.h"

namespace fendrel {

namespace {

// Fonts sized in points take as many pixels in the picture as on the screen.
int ScreenDotsPerInch() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const double dpi = screen != nullptr ? screen->logicalDotsPerInchX() : 0.0;
  return dpi >= 1.0 ? static_cast<int>(std::lround(dpi)) : 96;
}

// Qt declares the picture's size in millimetres, which other programs turn
// back into pixels each at a resolution of its own; in pixels it is shown at
// the chart's size everywhere.
void DeclarePixelSize(QByteArray& svg, const QSize& size) {
  const qsizetype start = svg.indexOf("<svg");
  const qsizetype end = svg.indexOf('>', start);
  if (start < 0 || end < 0) throw std::runtime_error("Out of system resources");
  QString head = QString::fromLatin1(svg.mid(start, end - start));
  static const QRegularExpression width(QStringLiteral(R"(\swidth="[^"]*")"));
  static const QRegularExpression height(QStringLiteral(R"(\sheight="[^"]*")"));
  head.replace(width, QStringLiteral(R"( width="%1px")").arg(size.width()));
  head.replace(height, QStringLiteral(R"( height="%1px")").arg(size.height()));
  svg.replace(start, end - start, head.toLatin1());
}

// The chart paints straight onto the picture while this lives: the frame
// buffer is off and the surface knows it records. Both come back however
// the painting ends.
class TMetafileScope {
 public:
  explicit TMetafileScope(TChart& chart)
      : chart_(chart), buffered_(chart.Canvas().BufferedDisplay()) {
    chart_.Canvas().SetMetafiling(true);
    chart_.Canvas().SetBufferedDisplay(false);
  }
  ~TMetafileScope() {
    chart_.Canvas().SetBufferedDisplay(buffered_);
    chart_.Canvas().SetMetafiling(false);
    // The buffer was discarded; the next screen paint draws from scratch.
    chart_.SetFrameDirty(chart_.FrameDirty() || chart_.Canvas().IsDirty());
  }
  TMetafileScope(const TMetafileScope&) = delete;
  TMetafileScope& operator=(const TMetafileScope&) = delete;

 private:
  TChart& chart_;
  bool buffered_;
};

// Paints the chart on a vector device through a painter of its own.
void RecordOn(TChart& chart, QPaintDevice& device, const TRect& r) {
  QPainter painter;
  if (!painter.begin(&device)) throw std::runtime_error("Out of system resources");
  {
    TQPainterContext surface(painter);
    chart.DrawOnMetafile(surface, r);
  }
  painter.end();
}

}  // namespace

void TChart::CopyPictureToClipboard(bool enhanced) {
  const std::unique_ptr<TChartPicture> picture =
      CreateMetafilePicture(enhanced, {0, 0, width(), height()});
  Clipboard().SetPicture(picture->Svg, picture->Image);
}

std::unique_ptr<TChartPicture> TChart::CreateMetafilePicture(bool enhanced, const TRect& r) {
  auto picture = std::make_unique<TChartPicture>();
  picture->Width = std::max(1, r.Right - r.Left - 1);
  picture->Height = std::max(1, r.Bottom - r.Top - 1);
  picture->Enhanced = enhanced;
  const QSize size(picture->Width, picture->Height);
  {
    QBuffer output(&picture->Svg);
    output.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&output);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setResolution(ScreenDotsPerInch());
    RecordOn(*this, generator, r);
  }
  DeclarePixelSize(picture->Svg, size);
  // The same drawing in pixels, for programs that paste no vector pictures.
  picture->Image = QImage(size, QImage::Format_RGB32);
  if (picture->Image.isNull()) throw std::runtime_error("Out of system resources");
  picture->Image.fill(Qt::white);
  {
    // On pixels the context draws by the raster rules itself, as on screen.
    TQPainterContext surface(picture->Image);
    DrawOnMetafile(surface, r);
  }
  return picture;
}

void TChart::DrawOnMetafile(TDrawContext& surface, const TRect& r) {
  const TMetafileScope scope(*this);
  RenderTo(surface, r);
}

}  // namespace fendrel
