#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "chart/series.h"
#include "sample/huge_page_allocator.h"

namespace fendrel {

class TChart;
class TChartSeries;
class TStringGrid;
struct TBandsSnapshot;
struct TShownSeries;

// Renders the packet's bands into the wavelet grid and chart, one line
// series per band, and owns those series. The sample indices, the x of every
// chart point, live in one buffer that the test series' display shares.
class TWaveletView {
 public:
  // Gives a new band series its settings.
  using TBandSetUp = std::function<void(TLineSeries& series, std::int32_t band)>;

  TWaveletView(TChart& chart, TStringGrid& grid);
  // With the band series' settings of one's own (a test's failing ones).
  TWaveletView(TChart& chart, TStringGrid& grid, TBandSetUp setUp);
  ~TWaveletView();
  TWaveletView(const TWaveletView&) = delete;
  TWaveletView& operator=(const TWaveletView&) = delete;

  // The settings the window gives every band series.
  static void SetUpBandSeries(TLineSeries& series, std::int32_t band);

  // Lists the series in the grid's second column and shows it in `series`,
  // both over the shown values, without a copy.
  void ShowTestSeries(const TShownSeries& shown, TStringGrid& grid, TChartSeries& series);
  // Rebuilds the grid and the chart from the bands of a level, sharing their
  // values. A failure leaves the chart without band series and the view
  // empty.
  void ShowBands(const TBandsSnapshot& bands);
  // Detaches and frees every band series.
  void Clear();

  // The series of the bands now shown, band 0 first.
  std::int32_t SeriesCount() const { return waveCount_; }
  TLineSeries* Series(std::int32_t band) const;

 private:
  // The sample indices 0 .. count - 1 or more.
  std::shared_ptr<const double[]> IndexValues(std::size_t count);
  // Empties the first `count` slots.
  void ResetSlots(std::size_t count);
  // Frees the band series and makes room for `next` of them. The room stays,
  // so that walking the levels up and down makes no fresh pages.
  void FreeWaveSeries(std::size_t next);

  TChart& chart_;
  TStringGrid& grid_;
  TBandSetUp setUp_;
  // The band series live side by side, made in place: a redraw at the
  // deepest level makes half a million of them. Every counted slot holds a
  // series; the count is raised only once all of them are made.
  using TBandSlot = std::optional<TLineSeries>;
  std::unique_ptr<TBandSlot[], FreeLargeDeleter> waveSeries_;
  std::size_t waveRoom_ = 0;
  std::int32_t waveCount_ = 0;
  std::weak_ptr<const double[]> indices_;
  std::size_t indexCount_ = 0;
};

}  // namespace fendrel
