#include "cli/evaluate_tables.h"

#include <optional>

#include "forecast/evaluation.h"
#include "sample/sample_data.h"

namespace fendrel {

namespace {

TCsvCell Optional(std::optional<double> value) {
  if (!value) return std::monostate{};
  return *value;
}

}  // namespace

TCsvTable LevelsCsvTable(const TEvaluation& evaluation) {
  return {{"Level", "Horizon", "Origins", "MAE", "RMSE", "MAPE", "MASE", "Naive MAE", "Naive RMSE",
           "Relative MAE"},
          static_cast<std::int64_t>(evaluation.levels.size()),
          [&evaluation](std::int64_t row, int column) -> TCsvCell {
            const TLevelEvaluation& level = evaluation.levels[static_cast<std::size_t>(row)];
            if (column == 0) return std::int64_t{level.level};
            if (column == 1) return std::int64_t{level.horizon};
            if (column == 2) return static_cast<std::int64_t>(level.origins.size());
            // A level without an origin has no measure at all.
            if (!level.Evaluable()) return std::monostate{};
            switch (column) {
              case 3:
                return level.method.mae;
              case 4:
                return level.method.rmse;
              case 5:
                return Optional(level.method.mape);
              case 6:
                return Optional(level.method.mase);
              case 7:
                return level.naive.mae;
              case 8:
                return level.naive.rmse;
              default:
                return Optional(level.relativeMae);
            }
          }};
}

TCsvTable HorizonCsvTable(const TEvaluation& evaluation, std::int32_t level) {
  const TLevelEvaluation& chosen = evaluation.levels[static_cast<std::size_t>(level)];
  return {{"Horizon", "MAE", "RMSE", "Naive MAE", "Naive RMSE"},
          static_cast<std::int64_t>(chosen.perHorizon.size()),
          [&chosen](std::int64_t row, int column) -> TCsvCell {
            const THorizonErrors& errors = chosen.perHorizon[static_cast<std::size_t>(row)];
            switch (column) {
              case 0:
                return row + 1;
              case 1:
                return errors.mae;
              case 2:
                return errors.rmse;
              case 3:
                return errors.naiveMae;
              default:
                return errors.naiveRmse;
            }
          }};
}

TCsvTable ForecastsCsvTable(const TEvaluation& evaluation, const TSampleData& series,
                            std::int32_t level) {
  const TLevelEvaluation& chosen = evaluation.levels[static_cast<std::size_t>(level)];
  const auto h = static_cast<std::int64_t>(chosen.horizon);
  return {{"Index", "Actual", "Forecast", "Naive"},
          static_cast<std::int64_t>(chosen.origins.size()) * h,
          [&chosen, &series, h](std::int64_t row, int column) -> TCsvCell {
            const std::int32_t origin = chosen.origins[static_cast<std::size_t>(row / h)];
            const auto i = static_cast<std::int32_t>(origin + row % h);
            switch (column) {
              case 0:
                return std::int64_t{i};
              case 1:
                return series.GetY(i);
              case 2:
                return chosen.forecasts[static_cast<std::size_t>(row)];
              default:
                return series.GetY(origin - 1);
            }
          }};
}

}  // namespace fendrel
