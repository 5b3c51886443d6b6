#include "forecast/evaluation_table.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <memory>
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
  table.columns = {"Level",
                   "Horizon",
                   "Origins",
                   "MAE",
                   "RMSE",
                   "MAPE",
                   "MASE",
                   "Naive MAE",
                   "Naive RMSE",
                   "Relative MAE",
                   "Seasonal naive MAE",
                   "Drift MAE",
                   "Mean MAE",
                   "Best simple",
                   "Relative to best",
                   "p-value"};
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
      case 10:
        return Measure(level.seasonalNaiveMae);
      case 11:
        return level.driftMae;
      case 12:
        return level.meanMae;
      case 13:
        if (!level.bestSimple) return std::monostate{};
        return SimpleForecastTitle(*level.bestSimple);
      case 14:
        return Measure(level.relativeToBest);
      case 15:
        return Measure(level.pValue);
      default:
        return std::monostate{};
    }
  };
  return table;
}

TTable HorizonTable(const TEvaluation& evaluation, std::int32_t level) {
  TTable table;
  table.columns = {"Horizon",         "MAE",      "RMSE",      "Naive MAE", "Naive RMSE",
                   "Best simple MAE", "80 % low", "80 % high", "95 % low",  "95 % high"};
  const TLevelEvaluation* shown = LevelAt(evaluation, level);
  if (shown == nullptr) return table;
  table.rows = static_cast<std::int64_t>(shown->perHorizon.size());
  auto intervals = std::make_shared<const std::vector<TInterval>>(StepIntervals(*shown));
  table.cell = [shown, intervals](std::int64_t row, int column) -> TTableCell {
    const THorizonErrors& errors = shown->perHorizon[Size(row)];
    const TInterval& interval = (*intervals)[Size(row)];
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
      case 5:
        return errors.bestMae;
      case 6:
        return interval.low80;
      case 7:
        return interval.high80;
      case 8:
        return interval.low95;
      case 9:
        return interval.high95;
      default:
        return std::monostate{};
    }
  };
  return table;
}

TTable ForecastsTable(const TEvaluation& evaluation, const TSampleData& series,
                      std::int32_t level) {
  TTable table;
  table.columns = {"Index",    "Actual",    "Forecast", "Naive",     "Best simple",
                   "80 % low", "80 % high", "95 % low", "95 % high", "Part"};
  const TLevelEvaluation* shown = LevelAt(evaluation, level);
  if (shown == nullptr) return table;
  const auto tested = static_cast<std::int64_t>(shown->forecasts.size());
  table.rows = tested + static_cast<std::int64_t>(shown->next.size());
  const double* x = series.YData();
  const TEvaluation* whole = &evaluation;
  auto intervals = std::make_shared<const std::vector<TInterval>>(StepIntervals(*shown));
  table.cell = [shown, whole, x, tested, intervals](std::int64_t row, int column) -> TTableCell {
    const std::int64_t h = shown->horizon;
    const TSimpleForecast best = shown->bestSimple.value_or(sfNaive);
    if (row < tested) {
      const std::size_t o = Size(row / h);
      const std::int32_t t = shown->origins[o];
      const auto j = static_cast<std::int32_t>(row % h);
      switch (column) {
        case 0:
          return std::int64_t{t} + j;
        case 1:
          return x[t + j];
        case 2:
          return shown->forecasts[Size(row)];
        case 3:
          return x[t - 1];
        case 4:
          return shown->Simple(x, whole->season, best, o, j);
        case 9:
          return std::string("test span");
        default:
          return std::monostate{};
      }
    }
    // The block after the last sample, with its intervals.
    const std::int32_t n = whole->count;
    const auto j = static_cast<std::int32_t>(row - tested);
    const double f = shown->next[Size(j)];
    const TInterval& step = (*intervals)[Size(j)];
    switch (column) {
      case 0:
        return std::int64_t{n} + j;
      case 2:
        return f;
      case 3:
        return x[n - 1];
      case 4:
        return SimpleForecast(best, x, n, j, whole->season, whole->sumAll);
      case 5:
        return f + step.low80;
      case 6:
        return f + step.high80;
      case 7:
        return f + step.low95;
      case 8:
        return f + step.high95;
      case 9:
        return std::string("next block");
      default:
        return std::monostate{};
    }
  };
  return table;
}

namespace {

std::string Percent(double share) { return std::to_string(std::lround(share * 100)) + " %"; }

std::string PText(std::optional<double> p) {
  if (!p) return "no p-value";
  if (*p < 0.001) return "p < 0.001";
  char buffer[32];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, *p, std::chars_format::general, 2);
  return "p = " + std::string(buffer, end.ptr);
}

// "18 % less error" or "3 % more error".
std::string Difference(double relative) {
  return Percent(std::fabs(1.0 - relative)) + (relative < 1.0 ? " less error" : " more error");
}

std::string ForecastName(const TLevelEvaluation& level) {
  return std::string("the ") + SimpleForecastName(level.bestSimple.value_or(sfNaive)) + " forecast";
}

}  // namespace

std::string SimpleForecastTitle(TSimpleForecast method) {
  std::string title = SimpleForecastName(method);
  if (!title.empty()) title[0] = static_cast<char>(title[0] - 'a' + 'A');
  return title;
}

std::string VerdictText(const TEvaluation& evaluation) {
  if (const std::optional<std::int32_t> best = evaluation.VerdictLevel()) {
    const TLevelEvaluation& level = evaluation.levels[Size(*best)];
    return "Level " + std::to_string(level.level) + " beats " + ForecastName(level) + ": " +
           Difference(*level.relativeToBest) + " (" + PText(level.pValue) + ").";
  }
  if (const std::optional<std::int32_t> closest = evaluation.ClosestLevel()) {
    const TLevelEvaluation& level = evaluation.levels[Size(*closest)];
    return "No level beats the best simple forecast with confidence (p < 0.05). Closest: level " +
           std::to_string(level.level) + ", " + Difference(*level.relativeToBest) + " than " +
           ForecastName(level) + " (" + PText(level.pValue) + ").";
  }
  const bool any = std::ranges::any_of(evaluation.levels, &TLevelEvaluation::Evaluable);
  return any ? "No level can be compared: the best simple forecast has no error."
             : "No level can be evaluated: the series is too short.";
}

std::string CoverageText(const TLevelEvaluation& level) {
  if (!level.Evaluable()) return {};
  const std::optional<TCoverage> measured = LevelCoverage(level);
  if (!measured) {
    return "Coverage needs at least " + std::to_string(kCoverageHistory + 1) +
           " origins; this level has " + std::to_string(level.origins.size()) + ".";
  }
  const TCoverage& coverage = *measured;
  return "80 % interval covered " + Percent(coverage.covered80) + " of " +
         std::to_string(coverage.steps) + " later steps; 95 % covered " +
         Percent(coverage.covered95) + ".";
}

std::string SeasonText(const TEvaluation& evaluation) {
  return "Season " + std::to_string(evaluation.season) +
         (evaluation.seasonFound ? ", found in the series" : ", set by you");
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
