#include "forecast/evaluation_table.h"

#include <algorithm>
#include <optional>

#include "sample/sample_data.h"
#include "sample/text_format.h"

namespace fendrel {

namespace {

std::size_t Size(std::int64_t n) { return static_cast<std::size_t>(n); }

TTableCell Measure(std::optional<double> value) {
  if (!value) return std::monostate{};
  return *value;
}

// The level a table is asked for, kept within the evaluation's levels;
// nullptr when there is none.
const TLevelEvaluation* LevelAt(const TEvaluation& evaluation, std::int32_t level) {
  if (evaluation.levels.empty()) return nullptr;
  const auto last = static_cast<std::int32_t>(evaluation.levels.size()) - 1;
  return &evaluation.levels[Size(std::clamp(level, 0, last))];
}

}  // namespace

TTable LevelsTable(const TEvaluation& evaluation) {
  TTable table;
  table.columns = {"Level",     "Horizon",    "Origins",     "MAE",
                   "RMSE",      "MAPE",       "MASE",        "Naive MAE",
                   "Naive RMSE", "Relative MAE"};
  table.rows = static_cast<std::int64_t>(evaluation.levels.size());
  table.cell = [&evaluation](std::int64_t row, int column) -> TTableCell {
    const TLevelEvaluation& level = evaluation.levels[Size(row)];
    switch (column) {
      case 0:
        return std::int64_t{level.level};
      case 1:
        return std::int64_t{level.horizon};
      case 2:
        return static_cast<std::int64_t>(level.origins.size());
      default:
        break;
    }
    // A level without an origin has no measure at all.
    if (!level.Evaluable()) return std::monostate{};
    switch (column) {
      case 3:
        return level.method.mae;
      case 4:
        return level.method.rmse;
      case 5:
        return Measure(level.method.mape);
      case 6:
        return Measure(level.method.mase);
      case 7:
        return level.naive.mae;
      case 8:
        return level.naive.rmse;
      case 9:
        return Measure(level.relativeMae);
      default:
        return std::monostate{};
    }
  };
  return table;
}

TTable HorizonTable(const TEvaluation& evaluation, std::int32_t level) {
  TTable table;
  table.columns = {"Horizon", "MAE", "RMSE", "Naive MAE", "Naive RMSE"};
  const TLevelEvaluation* shown = LevelAt(evaluation, level);
  if (shown == nullptr) return table;
  table.rows = static_cast<std::int64_t>(shown->perHorizon.size());
  table.cell = [shown](std::int64_t row, int column) -> TTableCell {
    const THorizonErrors& errors = shown->perHorizon[Size(row)];
    switch (column) {
      case 0:
        return row + 1;
      case 1:
        return errors.mae;
      case 2:
        return errors.rmse;
      case 3:
        return errors.naiveMae;
      case 4:
        return errors.naiveRmse;
      default:
        return std::monostate{};
    }
  };
  return table;
}

TTable ForecastsTable(const TEvaluation& evaluation, const TSampleData& series,
                      std::int32_t level) {
  TTable table;
  table.columns = {"Index", "Actual", "Forecast", "Naive"};
  const TLevelEvaluation* shown = LevelAt(evaluation, level);
  if (shown == nullptr) return table;
  table.rows = static_cast<std::int64_t>(shown->forecasts.size());
  const double* x = series.YData();
  table.cell = [shown, x](std::int64_t row, int column) -> TTableCell {
    const std::int64_t h = shown->horizon;
    const std::int32_t t = shown->origins[Size(row / h)];
    const std::int64_t i = t + row % h;
    switch (column) {
      case 0:
        return i;
      case 1:
        return x[i];
      case 2:
        return shown->forecasts[Size(row)];
      case 3:
        return x[t - 1];
      default:
        return std::monostate{};
    }
  };
  return table;
}

std::string CellText(const TTableCell& cell) {
  if (const auto* integer = std::get_if<std::int64_t>(&cell)) return std::to_string(*integer);
  if (const auto* number = std::get_if<double>(&cell)) return FormatFixed(*number, 16, 8);
  if (const auto* text = std::get_if<std::string>(&cell)) return *text;
  return {};
}

std::string TableText(const TTable& table) {
  std::string text;
  const auto columns = static_cast<int>(table.columns.size());
  for (int c = 0; c < columns; ++c) {
    if (c > 0) text += '\t';
    text += table.columns[Size(c)];
  }
  text += "\r\n";
  for (std::int64_t row = 0; row < table.rows; ++row) {
    for (int c = 0; c < columns; ++c) {
      if (c > 0) text += '\t';
      text += CellText(table.cell(row, c));
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace fendrel
