#include "ui/wavelet_view.h"

#include <algorithm>
#include <climits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "chart/chart.h"
#include "core/parallel.h"
#include "session/session_view.h"
#include "ui/text_grid.h"
#include "wavelet/wavelet.h"

namespace fendrel {

namespace {

// Large copies and fills run on every worker in pieces of 2 MiB: the first
// touch of a fresh buffer costs page faults, and those spread too.
constexpr std::size_t kPiece = std::size_t{1} << 18;

template <typename Body>
void ForEachPiece(std::size_t count, Body&& body) {
  ForEachRange(count, kPiece, body);
}

// Band series are made and freed on the workers in blocks of this many.
constexpr std::size_t kBandBlock = 4096;

template <typename Body>
void ForEachBandBlock(std::size_t count, Body&& body) {
  ForEachRange(count, kBandBlock, body);
}

}  // namespace

TWaveletView::TWaveletView(TChart& chart, TStringGrid& grid)
    : TWaveletView(chart, grid, &TWaveletView::SetUpBandSeries) {}

TWaveletView::TWaveletView(TChart& chart, TStringGrid& grid, TBandSetUp setUp)
    : chart_(chart), grid_(grid), setUp_(std::move(setUp)) {}

TWaveletView::~TWaveletView() { Clear(); }

void TWaveletView::SetUpBandSeries(TLineSeries& series, std::int32_t band) {
  series.Marks().SetArrowLength(8);
  series.Marks().SetVisible(false);
  series.SetTitle("Wave " + std::to_string(band));
  series.XValues().SetDateTime(false);
  series.XValues().SetName("X");
  series.XValues().SetMultiplier(1);
  series.XValues().SetOrder(loAscending);
  series.YValues().SetDateTime(false);
  series.YValues().SetName("Bar");
  series.YValues().SetMultiplier(1);
  series.YValues().SetOrder(loNone);
}

void TWaveletView::ShowTestSeries(const TShownSeries& shown, TStringGrid& grid,
                                  TChartSeries& series) {
  const std::int32_t count = std::max(shown.count, 0);
  grid.SetRowCount(count + 1);
  grid.SetIndexColumn(0, 1, count);
  const auto n = static_cast<std::size_t>(count);
  // A much shorter series gets indices of its own, so that the long ones go
  // with the points that used them.
  if (indexCount_ / 2 > n) indices_.reset();
  const std::shared_ptr<const double[]> xs = IndexValues(n);
  // The chart and the grid share the one copy the session made.
  const std::shared_ptr<const double[]>& ys = shown.values;
  series.SharePoints({xs, xs.get(), count}, {ys, ys.get(), count});
  grid.SetValueColumns(1, 1, 1, count, ys, n);
}

std::shared_ptr<const double[]> TWaveletView::IndexValues(std::size_t count) {
  if (const std::shared_ptr<const double[]> kept = indices_.lock(); kept && indexCount_ >= count) {
    return kept;
  }
  // With room for the bands' growth: every forecast lengthens the rebuilt
  // series, and a new buffer of millions of values costs the window time.
  const std::size_t made = count + count / 16;
  const std::shared_ptr<double[]> xs = MakeSharedLarge(made);
  ForEachPiece(made, [&](std::size_t begin, std::size_t end) {
    for (std::size_t i = begin; i < end; ++i) xs[i] = static_cast<double>(i);
  });
  indices_ = xs;
  indexCount_ = made;
  return xs;
}

TLineSeries* TWaveletView::Series(std::int32_t band) const {
  if (band < 0 || band >= waveCount_) return nullptr;
  return &*waveSeries_[static_cast<std::size_t>(band)];
}

void TWaveletView::Clear() {
  chart_.DetachAllSeries();
  FreeWaveSeries(0);
}

void TWaveletView::ResetSlots(std::size_t count) {
  if (chart_.SeriesTotal() == 0) {
    // Unattached series touch nothing but themselves when they go, and a
    // block's series share a keeper of their own (see ShowBands).
    ForEachBandBlock(count, [&](std::size_t begin, std::size_t end) {
      for (std::size_t b = begin; b < end; ++b) waveSeries_[b].reset();
    });
  } else {
    for (std::size_t b = 0; b < count; ++b) waveSeries_[b].reset();
  }
}

void TWaveletView::FreeWaveSeries(std::size_t next) {
  ResetSlots(static_cast<std::size_t>(waveCount_));
  waveCount_ = 0;
  if (next > waveRoom_) {
    waveSeries_.reset();
    waveRoom_ = 0;
    waveSeries_.reset(static_cast<TBandSlot*>(AllocateLarge(next * sizeof(TBandSlot))));
    // Fresh pages cost far more at their first touch than at later ones:
    // the workers make the empty slots, so that the faults spread too.
    ForEachBandBlock(next, [&](std::size_t begin, std::size_t end) {
      for (std::size_t b = begin; b < end; ++b)
        ::new (static_cast<void*>(&waveSeries_[b])) TBandSlot();
    });
    waveRoom_ = next;
  }
}

void TWaveletView::ShowBands(const TBandsSnapshot& shot) {
  const std::int32_t bandCount = shot.bandCount;
  const auto bands = static_cast<std::size_t>(std::max(bandCount, 0));
  grid_.SetColCount(bandCount + 1);

  chart_.DetachAllSeries();
  // The detached series are never shown again: free them now, so memory
  // does not grow with the number of redraws.
  FreeWaveSeries(bands);

  // Every band's points live in two shared buffers: the sample indices, the
  // same for all bands, and the snapshot's values of all bands one after
  // the other.
  const auto start = [&](std::size_t b) {
    return shot.Uniform() ? b * shot.length : shot.starts[b];
  };
  std::size_t longest = shot.length;
  if (!shot.Uniform()) {
    for (std::size_t b = 0; b < bands; ++b) longest = std::max(longest, start(b + 1) - start(b));
  }
  const std::shared_ptr<const double[]> xs = IndexValues(longest);
  const std::shared_ptr<const double[]>& ys = shot.values;

  const std::int32_t rows = bands == 0 ? 0 : static_cast<std::int32_t>(start(1));
  if (bands != 0) grid_.SetRowCount(rows + 1);
  // Bands of one length, as a level's bands are, lie in ys just as the grid
  // lists them, so the grid shares them.
  const bool uniform = shot.Total() == bands * static_cast<std::size_t>(rows);
  std::vector<double> values(uniform ? 0 : bands * static_cast<std::size_t>(rows));
  std::vector<std::int32_t> lengths;
  bool even = true;
  if (!uniform) {
    for (std::size_t b = 0; b < bands; ++b) {
      const std::span<const double> band = shot.Band(static_cast<std::int32_t>(b));
      // The grid shows each band down to band 0's length.
      const auto shown = static_cast<std::int32_t>(std::min<std::size_t>(band.size(), rows));
      std::copy_n(band.begin(), shown, values.begin() + static_cast<std::ptrdiff_t>(b) * rows);
      lengths.push_back(shown);
      even = even && shown == rows;
    }
  }

  // The series are made and given their points on every worker, a fixed
  // block of bands each; they touch nothing else until they are attached.
  // Each block shares the buffers through keepers of its own, so that the
  // workers never count on one reference counter. A worker that fails
  // leaves blocks unmade: the view counts the series only once every one
  // exists. Attaching, which hands out the palette colours, stays in band
  // order.
  try {
    ForEachBandBlock(bands, [&](std::size_t begin, std::size_t end) {
      const std::shared_ptr<const double[]> blockXs(xs.get(), [xs](const double*) {});
      const std::shared_ptr<const double[]> blockYs(ys.get(), [ys](const double*) {});
      for (std::size_t b = begin; b < end; ++b) {
        TLineSeries& series = waveSeries_[b].emplace();
        setUp_(series, static_cast<std::int32_t>(b));
        const auto length = static_cast<int>(start(b + 1) - start(b));
        series.SharePoints({blockXs, xs.get(), length}, {blockYs, ys.get() + start(b), length});
      }
    });
  } catch (...) {
    ResetSlots(bands);
    throw;
  }
  waveCount_ = bandCount;
  for (std::size_t b = 0; b < bands; ++b) {
    waveSeries_[b]->SetParentChart(&chart_);
    if (b == 0) {
      chart_.Foot().ClearText();
      chart_.Foot().AddText("Level " + std::to_string(shot.level));
    }
  }
  grid_.SetNumberedRow(0, 1, bandCount, "Wave ");
  grid_.SetIndexColumn(0, 1, rows);
  // The rows whose band values a forecast went into, even in part.
  const std::int64_t firstForecast = shot.appendedFrom >> shot.level;
  grid_.SetMarkedRows(
      static_cast<std::int32_t>(std::min<std::int64_t>(firstForecast + 1, INT32_MAX)), "forecast");
  if (uniform) {
    grid_.SetValueColumns(1, 1, bandCount, rows, ys, shot.Total());
    return;
  }
  if (even) lengths.clear();
  grid_.SetValueColumns(1, 1, bandCount, rows, std::move(values), std::move(lengths));
}

}  // namespace fendrel
