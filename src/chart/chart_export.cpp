#include <QBuffer>
#include <QGuiApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QRegularExpression>
#include <QScreen>
#include <QSvgGenerator>
#include <algorithm>
#include <cctype>
#include <cmath>
#include <stdexcept>
#include <string_view>

#include "chart/chart.h"
#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/qpainter_context.h"
#include "sample/atomic_file.h"

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

bool EndsWithNoCase(const std::string& text, std::string_view end) {
  return text.size() >= end.size() &&
         std::equal(end.begin(), end.end(), text.end() - static_cast<std::ptrdiff_t>(end.size()),
                    [](char a, char b) {
                      return std::tolower(static_cast<unsigned char>(a)) ==
                             std::tolower(static_cast<unsigned char>(b));
                    });
}

// A picture of r's size less one pixel each way, at least 1 x 1.
QSize PictureSize(const TRect& r) {
  return {std::max(1, r.Right - r.Left - 1), std::max(1, r.Bottom - r.Top - 1)};
}

// The vector drawing on one page of the picture's size, a chart pixel being
// a pixel of the screen's resolution, so that text takes the room it takes
// on the screen.
QByteArray PdfOf(TChart& chart, const TRect& r) {
  const QSize size = PictureSize(r);
  QByteArray pdf;
  QBuffer output(&pdf);
  output.open(QIODevice::WriteOnly);
  {
    QPdfWriter writer(&output);
    const int dpi = ScreenDotsPerInch();
    writer.setResolution(dpi);
    // Pages are whole points: the last fraction of one stays blank.
    const QSize points(static_cast<int>(std::ceil(size.width() * 72.0 / dpi)),
                       static_cast<int>(std::ceil(size.height() * 72.0 / dpi)));
    writer.setPageSize(QPageSize(points, QString(), QPageSize::ExactMatch));
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setCreator(QCoreApplication::applicationName());
    RecordOn(chart, writer, r);
  }
  return pdf;
}

}  // namespace

TPictureFormat PictureFormatOfPath(const std::string& path) {
  if (EndsWithNoCase(path, ".svg")) return pfSvg;
  if (EndsWithNoCase(path, ".pdf")) return pfPdf;
  return pfPng;
}

void TChart::CopyPictureToClipboard(bool enhanced) {
  const std::unique_ptr<TChartPicture> picture =
      CreateMetafilePicture(enhanced, {0, 0, width(), height()});
  DesktopOf(this).clipboard.SetPicture(picture->Svg, picture->Image);
}

std::unique_ptr<TChartPicture> TChart::CreateMetafilePicture(bool enhanced, const TRect& r) {
  auto picture = std::make_unique<TChartPicture>();
  const QSize size = PictureSize(r);
  picture->Width = size.width();
  picture->Height = size.height();
  picture->Enhanced = enhanced;
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

void TChart::SavePictureToFile(const std::string& path, TPictureFormat format) {
  const TRect r{0, 0, width(), height()};
  QByteArray bytes;
  if (format == pfPng) {
    QBuffer output(&bytes);
    output.open(QIODevice::WriteOnly);
    if (!RenderToImage(devicePixelRatioF()).save(&output, "PNG")) {
      throw std::runtime_error("Out of system resources");
    }
  } else if (format == pfSvg) {
    bytes = std::move(CreateMetafilePicture(true, r)->Svg);
  } else {
    bytes = PdfOf(*this, r);
  }
  WriteWholeFile(path, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void TChart::DrawOnMetafile(TDrawContext& surface, const TRect& r) {
  const TMetafileScope scope(*this);
  RenderTo(surface, r);
}

}  // namespace fendrel
