#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/clipboard.h"
#include "platform/qpainter_context.h"
#include "sample/file_error.h"
#include "support/file_bytes.h"
#include "support/recording_desktop.h"

namespace fendrel {
namespace {

// A chart set up as the window sets up its test chart, with a sine on it.
struct TExportChart {
  explicit TExportChart(const char* title, int width = 398, int height = 191) {
    Chart.Title().ClearText();
    Chart.Title().AddText(title);
    Chart.BottomAxis().Title().SetCaption("Time");
    Chart.LeftAxis().Title().SetCaption("Values");
    Chart.Legend().SetVisible(false);
    Chart.SetView3D(false);
    Series.SetParentChart(&Chart);
    for (int i = 0; i < 100; ++i) Series.AddPoint(i, std::sin(i * 0.2));
    Chart.resize(width, height);
  }

  TChart Chart;
  TLineSeries Series;
};

// Watches the surface while the chart paints, and can fail half-way.
class TWatchedChart : public TChart {
 public:
  void RenderContent(const TRect& bounds) override {
    sawMetafiling = Canvas().Metafiling();
    sawBuffered = Canvas().BufferedDisplay();
    if (fail) throw std::runtime_error("paint failed");
    TChart::RenderContent(bounds);
  }

  bool fail = false;
  bool sawMetafiling = false;
  bool sawBuffered = true;
};

QImage Render(TChart& chart) {
  QImage image(chart.width(), chart.height(), QImage::Format_RGB32);
  TQPainterContext window(image);
  chart.PaintRequest(window);
  return image;
}

TEST(ChartExport, PictureIsTheSettledScreenPictureLessOnePixelEachWay) {
  for (const bool view3D : {false, true}) {
    TExportChart test("Test data");
    test.Chart.SetView3D(view3D);
    // A label width carries over from the pass before: compare settled pictures.
    test.Chart.RenderToImage();
    const QImage screen = test.Chart.RenderToImage();
    const auto picture = test.Chart.CreateMetafilePicture(true, {0, 0, 398, 191});
    EXPECT_EQ(picture->Width, 397);
    EXPECT_EQ(picture->Height, 190);
    QSvgRenderer svg(picture->Svg);
    ASSERT_TRUE(svg.isValid());
    EXPECT_EQ(svg.viewBox(), QRect(0, 0, 397, 190));
    EXPECT_EQ(svg.defaultSize(), QSize(397, 190));
    for (const char* text : {"Time", "Values", "Test data"}) {
      EXPECT_TRUE(picture->Svg.contains(text)) << text;
    }
    EXPECT_EQ(picture->Image, screen.copy(0, 0, 397, 190)) << "3D " << view3D;
  }
}

QImage DrawSvg(const QByteArray& svg, QSize size) {
  QImage image(size, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  QSvgRenderer(svg).render(&painter);
  return image;
}

// A dense series is recorded as a few strokes or ribbons per pixel column:
// the vector picture stays small and looks as if every segment were in it.
TEST(ChartExport, DenseSeriesRecordAFewPrimitivesPerColumn) {
  for (const bool view3D : {false, true}) {
    TExportChart test("Test data", 398, 256);
    test.Chart.SetView3D(view3D);
    test.Series.ClearPoints();
    for (int i = 0; i < 30000; ++i) {
      test.Series.AddPoint(i, std::sin(i * 0.0005) + 0.2 * std::sin(i * 1.7) * (i % 4000 < 2000));
    }
    test.Chart.RenderToImage();
    const auto few = test.Chart.CreateMetafilePicture(true, {0, 0, 398, 256});
    test.Chart.Canvas().SetCollapseDense(false);
    const auto every = test.Chart.CreateMetafilePicture(true, {0, 0, 398, 256});
    test.Chart.Canvas().SetCollapseDense(true);
    EXPECT_LT(few->Svg.size(), 1024 * 1024) << "3D " << view3D;
    EXPECT_GT(every->Svg.size(), 8 * few->Svg.size()) << "3D " << view3D;
    EXPECT_EQ(few->Image, every->Image) << "3D " << view3D;

    const QSize size(few->Width, few->Height);
    const QImage drawn = DrawSvg(few->Svg, size);
    const QImage drawnEvery = DrawSvg(every->Svg, size);
    if (const char* dir = std::getenv("FENDREL_PICTURE_DIR")) {
      drawn.save(QString("%1/svg_%2_few.png").arg(dir).arg(view3D ? "3d" : "2d"));
      drawnEvery.save(QString("%1/svg_%2_every.png").arg(dir).arg(view3D ? "3d" : "2d"));
    }
    int differ = 0;
    for (int y = 0; y < size.height(); ++y) {
      for (int x = 0; x < size.width(); ++x) {
        const QRgb a = drawn.pixel(x, y);
        const QRgb b = drawnEvery.pixel(x, y);
        differ += std::abs(qGray(a) - qGray(b)) > 64 || std::abs(qRed(a) - qRed(b)) > 64;
      }
    }
    // Drawn smoothly, thousands of overlapping strokes and a few give nearly
    // the same pixels.
    EXPECT_LT(differ, size.width() * size.height() / 30) << "3D " << view3D;
  }
}

TEST(ChartExport, TinyChartsStillGiveOnePixel) {
  for (const int size : {0, 1, 2}) {
    TExportChart test("Test data", size, size);
    const auto picture = test.Chart.CreateMetafilePicture(false, {0, 0, size, size});
    EXPECT_EQ(QSize(picture->Width, picture->Height), QSize(1, 1));
    EXPECT_EQ(QSvgRenderer(picture->Svg).viewBox(), QRect(0, 0, 1, 1)) << size;
    EXPECT_EQ(picture->Image.size(), QSize(1, 1));
  }
}

TEST(ChartExport, RecordsWithoutFrameBufferAndScreenRepaintsInFullAfter) {
  TWatchedChart chart;
  chart.resize(200, 120);
  Render(chart);
  Render(chart);
  ASSERT_FALSE(chart.Canvas().IsDirty());
  RecordingClipboard clipboard;
  RecordingDialogs dialogs;
  RecordingDesktopWindow window(dialogs, clipboard);
  chart.setParent(&window);
  chart.CopyPictureToClipboard(true);
  EXPECT_TRUE(chart.sawMetafiling);
  EXPECT_FALSE(chart.sawBuffered);
  EXPECT_FALSE(chart.Canvas().Metafiling());
  EXPECT_TRUE(chart.Canvas().BufferedDisplay());
  EXPECT_TRUE(chart.FrameDirty());
  const auto paints = chart.RenderCount();
  Render(chart);
  EXPECT_EQ(chart.RenderCount(), paints + 1);
}

TEST(ChartExport, FailedPaintRestoresTheSurfaceAndLeavesTheClipboard) {
  TWatchedChart chart;
  chart.resize(120, 80);
  Render(chart);
  RecordingClipboard clipboard;
  RecordingDialogs dialogs;
  RecordingDesktopWindow window(dialogs, clipboard);
  chart.setParent(&window);
  clipboard.HoldText("kept");
  chart.fail = true;
  EXPECT_THROW(chart.CopyPictureToClipboard(true), std::runtime_error);
  EXPECT_TRUE(chart.Canvas().BufferedDisplay());
  EXPECT_FALSE(chart.Canvas().Metafiling());
  EXPECT_EQ(clipboard.openings, 0);
  EXPECT_EQ(clipboard.Text(), "kept");
  chart.fail = false;
  const auto paints = chart.RenderCount();
  Render(chart);
  EXPECT_EQ(chart.RenderCount(), paints + 1);
}

// Fails once everything is drawn, as a late step of a pass would.
class TLateFailingChart : public TChart {
 public:
  void RenderContent(const TRect& bounds) override {
    TChart::RenderContent(bounds);
    if (fail) throw std::runtime_error("paint failed");
  }

  bool fail = true;
};

TEST(ChartExport, FailedPaintKeepsItsPictureAndIsReportedOnceAfterThePaint) {
  RecordingDialogs dialogs;
  RecordingClipboard clipboard;
  RecordingDesktopWindow window(dialogs, clipboard);
  TLateFailingChart chart;
  chart.setParent(&window);
  chart.resize(120, 80);
  Render(chart);
  QImage failed;
  EXPECT_NO_THROW(failed = Render(chart));
  EXPECT_TRUE(dialogs.errors.empty()) << "no box inside a paint";
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"paint failed."});
  Render(chart);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dialogs.errors.size(), 1u) << "the same failure again is not news";

  chart.fail = false;
  EXPECT_EQ(Render(chart), failed);
  chart.fail = true;
  chart.Invalidate();
  Render(chart);
  QCoreApplication::sendPostedEvents();
  EXPECT_EQ(dialogs.errors.size(), 2u) << "a failure after a good paint is";
}

TEST(ChartExport, DesktopClipboardGetsOnlyTheLastPictureAsSvgAndPng) {
  QClipboard* desktop = QGuiApplication::clipboard();
  desktop->setText(QStringLiteral("before"));
  TExportChart first("First chart");
  TExportChart second("Second chart", 300, 150);
  first.Chart.CopyPictureToClipboard(true);
  second.Chart.CopyPictureToClipboard(true);
  const QMimeData* data = desktop->mimeData();
  ASSERT_NE(data, nullptr);
  EXPECT_EQ(data->formats(), (QStringList{"image/svg+xml", "image/png"}));
  const QByteArray svg = data->data(QStringLiteral("image/svg+xml"));
  EXPECT_TRUE(svg.contains("Second chart"));
  EXPECT_FALSE(svg.contains("First chart"));
  const QImage png = QImage::fromData(data->data(QStringLiteral("image/png")), "PNG");
  EXPECT_EQ(png.size(), QSize(299, 149));

  TClipboard& own = OwnDesktop().clipboard;
  own.SetText("0\t0.5\r\n");
  EXPECT_EQ(desktop->text(), QStringLiteral("0\t0.5\r\n"));
  EXPECT_EQ(own.GetText(), "0\t0.5\r\n");
  desktop->clear();
  EXPECT_EQ(own.GetText(), "");
}

TEST(ChartExport, PictureFilesInEachFormat) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const std::string base = folder.path().toStdString() + "/chart";
  TExportChart test("Test data");
  test.Chart.RenderToImage();
  const QImage screen = test.Chart.RenderToImage();
  EXPECT_EQ(test.Chart.RenderToImage(2.0).size(), QSize(796, 382));

  // PNG: the screen's pixels, the whole control.
  ASSERT_EQ(PictureFormatOfPath(base + ".PNG"), pfPng);
  test.Chart.SavePictureToFile(base + ".png", pfPng);
  EXPECT_EQ(QImage(QString::fromStdString(base + ".png")).convertToFormat(QImage::Format_RGB32),
            screen);

  // SVG: the clipboard's picture, byte for byte.
  ASSERT_EQ(PictureFormatOfPath(base + ".Svg"), pfSvg);
  test.Chart.SavePictureToFile(base + ".svg", pfSvg);
  EXPECT_EQ(QByteArray::fromStdString(ReadBytes(base + ".svg")),
            test.Chart.CreateMetafilePicture(true, {0, 0, 398, 191})->Svg);

  // PDF: drawn as vectors on a page of the picture's size (397 x 190 pixels
  // at 96 per inch) in whole points.
  ASSERT_EQ(PictureFormatOfPath(base + ".pdf"), pfPdf);
  test.Chart.SavePictureToFile(base + ".pdf", pfPdf);
  const std::string pdf = ReadBytes(base + ".pdf");
  EXPECT_EQ(pdf.rfind("%PDF-", 0), 0u);
  EXPECT_EQ(pdf.find("/Subtype /Image"), std::string::npos) << "a raster picture inside";
  EXPECT_NE(pdf.find("/MediaBox [0 0 298.000000 143.000000]"), std::string::npos);

  const std::string missing = base + "-missing/chart.png";
  try {
    test.Chart.SavePictureToFile(missing, pfPng);
    ADD_FAILURE() << "no error";
  } catch (const FileError& error) {
    EXPECT_EQ(error.what(), "Cannot create file \"" + missing + "\". No such file or directory");
  }
}

}  // namespace
}  // namespace fendrel
