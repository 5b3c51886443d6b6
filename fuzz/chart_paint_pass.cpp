#include <QApplication>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "fuzz_targets.h"
#include "platform/recording_context.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "sample/text_format.h"
#include "wavelet/wavelet.h"

namespace fendrel::fuzz {

namespace {

struct ChartSize {
  int width;
  int height;
};

// The window's own chart sizes first, then the awkward ones.
constexpr ChartSize kSizes[] = {{398, 191}, {398, 256},   {1, 1},    {0, 0},
                                {17, 9},    {2000, 1400}, {60, 900}, {900, 30}};

void SetUpLikeTheWindow(TChart& chart, const char* title, const ChartSize& size) {
  chart.resize(size.width, size.height);
  chart.Title().ClearText();
  chart.Title().AddText(title);
  chart.BottomAxis().Title().SetCaption("Time");
  chart.LeftAxis().Title().SetCaption("Values");
  chart.Legend().SetVisible(false);
  chart.BackWall().Brush().SetColor(clWhite);
  chart.BackWall().Brush().SetStyle(bsClear);
  chart.Canvas().SetBufferedDisplay(false);
}

std::unique_ptr<TLineSeries> LineOf(const TSampleData& data, TChart& chart, std::string title) {
  auto series = std::make_unique<TLineSeries>();
  series->SetTitle(title);
  series->Marks().SetVisible(false);
  series->Pointer().SetVisible(false);
  series->XValues().SetOrder(loAscending);
  series->YValues().SetOrder(loNone);
  series->SetParentChart(&chart);
  for (std::int32_t i = 0; i < data.Count(); ++i) series->AddPoint(i, data.GetY(i));
  return series;
}

void PaintOnce(TChart& chart) {
  TRecordingContext recording;
  chart.RenderTo(recording, {0, 0, chart.width(), chart.height()});
  FUZZ_CHECK(!recording.Records().empty());
}

}  // namespace

// Input: a mode byte ('d': the rest is raw doubles, the y values; ',' or
// anything else: a sample file with that decimal separator), a level byte, a
// size byte, then the data.
void ChartPaint(const std::uint8_t* data, std::size_t size) {
  if (size < 3) return;
  const char mode = static_cast<char>(data[0]);
  const std::uint8_t levelByte = data[1];
  const ChartSize& chartSize = kSizes[data[2] % std::size(kSizes)];
  const std::string_view rest(reinterpret_cast<const char*>(data + 3), size - 3);

  TSampleData series;
  if (mode == 'd') {
    for (std::size_t at = 0; at + sizeof(double) <= rest.size(); at += sizeof(double)) {
      double y = 0;
      std::memcpy(&y, rest.data() + at, sizeof y);
      series.Append(static_cast<double>(series.Count()), y);
    }
  } else {
    SetDecimalSeparator(mode == ',' ? ',' : '.');
    ReadSampleFileText(rest, series);
  }

  TChart test;
  SetUpLikeTheWindow(test, "Test data", chartSize);
  test.SetView3D(false);
  const auto line = LineOf(series, test, "Sample");
  PaintOnce(test);

  TWavelet packet;
  packet.Load(&series);
  if (packet.MaxLevel() > 0) packet.SetLevel(levelByte % packet.MaxLevel());
  TChart wave;
  SetUpLikeTheWindow(wave, "Wavelet data (haars)", chartSize);
  wave.Foot().ClearText();
  wave.Foot().AddText("Level " + std::to_string(packet.Level()));
  wave.SetView3D(true);
  std::vector<std::unique_ptr<TLineSeries>> bands;
  for (std::int32_t b = 0; b < packet.BandCount(); ++b) {
    bands.push_back(LineOf(*packet.GetBand(b), wave, "Wave " + std::to_string(b)));
  }
  PaintOnce(wave);
}

}  // namespace fendrel::fuzz

#ifdef FENDREL_FUZZ_ENTRY
extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  static QApplication application(*argc, *argv);
  return 0;
}
#endif

FENDREL_FUZZ_TARGET(ChartPaint)
