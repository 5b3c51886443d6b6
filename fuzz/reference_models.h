#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "sample/sample_data.h"
#include "wavelet/wavelet.h"

// Plain, slow versions of the domain algorithms, written straight from their
// rules, for the fuzz targets to hold the fast ones against.
namespace fendrel::fuzz {

// Equal bits, or both NaN.
bool SameValue(double a, double b);

// The sample file read line by line, field by field, number by number, with
// the decimal separator the text's numbers call for.
std::vector<double> ReferenceFileValues(std::string_view text);

// The pasted text read token by token: false when it holds no token, else
// true with the values of the series, in order.
bool ReferencePasteValues(std::string_view text, std::vector<double>& values);

// A wavelet packet kept as plain vectors and moved one step at a time.
class ReferencePacket {
 public:
  explicit ReferencePacket(const TSampleData& series);

  std::int32_t MaxLevel() const { return maxLevel_; }
  std::int32_t Level() const { return level_; }
  std::vector<std::vector<double>>& Bands() { return bands_; }
  void SetLevel(std::int32_t level);

 private:
  void Decompose();
  void Reconstruct();

  std::vector<std::vector<double>> bands_;
  std::int32_t maxLevel_ = 0;
  std::int32_t level_ = 0;
};

// The forecasts after the last value, window below 2 taken as 2.
double ReferenceMovingAverage(const std::vector<double>& y, std::int32_t window);
// Without any earlier run the forecast repeats the last value (0 for none).
double ReferenceNearestNeighbor(const std::vector<double>& y, std::int32_t window, bool average);

// A packet matches its reference: level, band count, lengths, x = position
// and every y. Aborts on a difference.
void CheckPacket(TWavelet& packet, ReferencePacket& reference);

}  // namespace fendrel::fuzz
