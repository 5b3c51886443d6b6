#pragma once

#include <cstdint>

#include "sample/csv_file.h"

namespace fendrel {

class TSampleData;
struct TEvaluation;

// The evaluation's tables as the dialog copies them, with every number in
// full: the levels, the per-horizon errors of one level, and the forecasts of
// one level beside the actual values and the naive forecast. The evaluation
// and the series must outlive the tables.
TCsvTable LevelsCsvTable(const TEvaluation& evaluation);
TCsvTable HorizonCsvTable(const TEvaluation& evaluation, std::int32_t level);
TCsvTable ForecastsCsvTable(const TEvaluation& evaluation, const TSampleData& series,
                            std::int32_t level);

}  // namespace fendrel
