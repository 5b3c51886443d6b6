#pragma once

#include <cstdint>
#include <vector>

namespace fendrel {

class TProgress;
using TEvaluationProgress = TProgress;

// The season of a series from its first `count` samples: the lag k in
// 2 .. min((count - 1) / 3, 400) at which the autocorrelation r_k of the
// one-step changes is a local peak of at least 0.3, the highest such peak
// (the smaller lag on a tie); 1 when no lag qualifies, when count < 16 or
// when the changes do not vary. Every lag's sum runs in index order, so the
// lanes and workers that share out the lags change no bit.
// With a progress, the search reports its share (SeasonCost) as it goes and
// stops early once cancelled, answering 1.
std::int32_t FindSeason(const double* x, std::int32_t count,
                        TEvaluationProgress* progress = nullptr);

// The work of FindSeason in the progress's units (values a forecaster
// reads): a lag's product costs about a thirty-second of one such read.
std::int64_t SeasonCost(std::int32_t count);

// The rule applied to the autocovariances c_0 .. c_top of the changes
// (r_k = c_k / c_0, r_{top + 1} counting as minus infinity); 1 when c_0 is 0
// or no lag qualifies.
std::int32_t SeasonOf(const std::vector<double>& c, std::int32_t top);

// The autocovariances c_0 .. c_lags of the one-step changes of x[0 ..
// count - 1] about their mean, each summed in index order (count >= 2).
std::vector<double> ChangeAutocovariances(const double* x, std::int32_t count, std::int32_t lags,
                                          TEvaluationProgress* progress = nullptr);

}  // namespace fendrel
