#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <string_view>
#include <vector>

#include "forecast/k_nearest_neighbor.h"
#include "forecast/moving_average.h"
#include "fuzz_targets.h"
#include "reference_models.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "sample/text_format.h"
#include "wavelet/wavelet.h"

namespace fendrel::fuzz {

namespace {

// Extends every band of the current level by one forecast, as "Do forecast"
// does, in the packet and in its reference alike.
void ForecastEveryBand(TWavelet& packet, ReferencePacket& reference, bool nearest,
                       std::int32_t window, bool average) {
  for (std::int32_t i = 0; i < packet.BandCount(); ++i) {
    TSampleData& band = *packet.GetBand(i);
    std::vector<double>& expected = reference.Bands()[static_cast<std::size_t>(i)];
    double forecast = 0;
    double reference_forecast = 0;
    if (nearest) {
      TKNearestNeighbor forecaster(band);
      forecaster.SetUseWindowAverage(average);
      if (window > 0) forecaster.SetWindow(window);
      forecast = forecaster.Forecast();
      reference_forecast = ReferenceNearestNeighbor(expected, forecaster.Window(), average);
    } else {
      TMovingAverage forecaster(band);
      if (window > 0) forecaster.SetWindow(window);
      forecast = forecaster.Forecast();
      reference_forecast = ReferenceMovingAverage(expected, forecaster.Window());
    }
    FUZZ_CHECK(SameValue(forecast, reference_forecast));
    band.Append(band.Count(), forecast);
    expected.push_back(forecast);
  }
}

}  // namespace

// Input: the decimal separator (',' or '"', anything else for '.'), one byte of
// forecast settings (low four bits the window, 0 for the default; bit 4 turns
// window averaging off), then the file's bytes.
void SampleFile(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return;
  SetDecimalSeparator(data[0] == ',' || data[0] == '"' ? static_cast<char>(data[0]) : '.');
  const std::int32_t window = data[1] & 0x0F;
  const bool average = (data[1] & 0x10) == 0;
  const std::string_view text(reinterpret_cast<const char*>(data + 2), size - 2);

  TSampleData series(3);
  ReadSampleFileText(text, series);
  const std::vector<double> expected = ReferenceFileValues(text);
  FUZZ_CHECK(static_cast<std::size_t>(series.Count()) * 2 == expected.size());
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    FUZZ_CHECK(SameValue(series.GetX(i), expected[2 * static_cast<std::size_t>(i)]));
    FUZZ_CHECK(SameValue(series.GetY(i), expected[2 * static_cast<std::size_t>(i) + 1]));
  }

  // The same bytes as a file give the same series.
  const int fd = ::memfd_create("sample", MFD_CLOEXEC);
  if (fd >= 0) {
    if (::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size())) {
      TSampleData loaded(1);
      loaded.LoadFromFile("/proc/self/fd/" + std::to_string(fd));
      FUZZ_CHECK(loaded.Count() == series.Count());
      for (std::int32_t i = 0; i < series.Count(); ++i) {
        FUZZ_CHECK(SameValue(loaded.GetX(i), series.GetX(i)));
        FUZZ_CHECK(SameValue(loaded.GetY(i), series.GetY(i)));
      }
    }
    ::close(fd);
  }

  // Written back and read again, every value reads as its fixed-point text
  // does: the file's quoting never gets in the way.
  TSampleData again;
  ReadSampleFileText(SampleFileText(series), again);
  FUZZ_CHECK(again.Count() == series.Count());
  for (std::int32_t i = 0; i < series.Count(); ++i) {
    FUZZ_CHECK(SameValue(again.GetX(i), ReadNumberOrZero(FormatKept(series.GetX(i)))));
    FUZZ_CHECK(SameValue(again.GetY(i), ReadNumberOrZero(FormatKept(series.GetY(i)))));
  }

  // The window's road: load, every level in turn with a forecast at each,
  // then back to the top; out-of-range levels change nothing.
  TWavelet packet;
  packet.Load(&series);
  ReferencePacket reference(series);
  CheckPacket(packet, reference);
  for (std::int32_t level = 0; level < packet.MaxLevel(); ++level) {
    packet.SetLevel(level);
    reference.SetLevel(level);
    CheckPacket(packet, reference);
    ForecastEveryBand(packet, reference, level % 2 == 1, window, average);
    CheckPacket(packet, reference);
  }
  packet.SetLevel(packet.MaxLevel());
  packet.SetLevel(-1);
  CheckPacket(packet, reference);
  packet.SetLevel(0);
  reference.SetLevel(0);
  CheckPacket(packet, reference);
}

}  // namespace fendrel::fuzz

FENDREL_FUZZ_TARGET(SampleFile)
