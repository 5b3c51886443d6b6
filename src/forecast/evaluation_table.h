#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "forecast/evaluation.h"

namespace fendrel {

class TSampleData;

// One field of a table: empty where the value is undefined, a whole number
// or a measure.
using TTableCell = std::variant<std::monostate, std::int64_t, double, std::string>;

// A table whose fields are made when asked: the per-horizon table of a deep
// level has hundreds of thousands of rows. `cell` keeps references to what
// the table was made from, which must outlive it.
struct TTable {
  std::vector<std::string> columns;
  std::int64_t rows = 0;
  std::function<TTableCell(std::int64_t row, int column)> cell;
};

// The evaluation's tables, the same for every front end: the levels table,
// the per-horizon table of one level, and the index, actual, forecast and
// simple forecasts of one level.
TTable LevelsTable(const TEvaluation& evaluation);
TTable HorizonTable(const TEvaluation& evaluation, std::int32_t level);
TTable ForecastsTable(const TEvaluation& evaluation, const TSampleData& series, std::int32_t level);

// The verdict under the levels table: which level beats the best simple
// forecast with confidence, or which comes closest.
std::string VerdictText(const TEvaluation& evaluation);
// How the intervals of a level held, or why that cannot be told.
std::string CoverageText(const TLevelEvaluation& level);
// "Season 12, found in the series" or "Season 12, set by you".
std::string SeasonText(const TEvaluation& evaluation);
// A simple forecast's name with a capital, as a table shows it.
std::string SimpleForecastTitle(TSimpleForecast method);

// A table as clipboard text: a header line, TAB-separated fields,
// fixed-point numbers with 16 digits and 8 decimals, an empty field where a
// value is undefined, CR LF after every line.
std::string TableText(const TTable& table);
// One field as the clipboard writes it.
std::string CellText(const TTableCell& cell);

}  // namespace fendrel
