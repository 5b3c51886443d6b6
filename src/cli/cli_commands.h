#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "forecast/band_forecast.h"

namespace fendrel {

enum class TCliCommand : std::uint8_t { ccRead, ccBands, ccForecast, ccEvaluate };
using enum TCliCommand;

// What the command line asked for, checked for its form only: what depends
// on the series (a level beyond its deepest, a span longer than it) is
// checked once it is read.
struct TCliOptions {
  TCliCommand command = ccRead;
  // "-" for standard input.
  std::string file;
  TForecastSettings forecast;
  std::optional<std::string> column;
  std::optional<std::string> output;

  // bands and forecast
  std::int32_t level = 0;
  bool bandsForecast = false;
  std::int32_t times = 1;

  // evaluate: the dialog's defaults where absent
  std::optional<std::int32_t> span;
  std::optional<std::int32_t> origins;
  std::optional<std::int32_t> season;
  std::optional<std::int32_t> horizonLevel;
  std::optional<std::int32_t> forecastsLevel;
};

// Exit statuses besides 0, and 130 and 143 for SIGINT and SIGTERM.
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// Runs a command through the session, prints its table and tells what went
// wrong on standard error; returns the exit status.
int RunCliCommand(const TCliOptions& options);

}  // namespace fendrel
