#include "cli/cli_commands.h"

#include <unistd.h>

#include <cerrno>
#include <exception>
#include <new>
#include <span>
#include <stdexcept>
#include <variant>
#include <vector>

#include "cli/cli_output.h"
#include "cli/cli_ports.h"
#include "cli/cli_signals.h"
#include "forecast/evaluation.h"
#include "forecast/evaluation_table.h"
#include "sample/csv_file.h"
#include "sample/file_error.h"
#include "sample/sample_data.h"
#include "session/session.h"
#include "wavelet/wavelet.h"

namespace fendrel {

namespace {

// A failure of the work whose text is the program's own.
class CliFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

void StopIfAsked() {
  if (TCliSignals::Requested()) throw TCliCancelled{};
}

std::string ReadStandardInput() {
  std::string text;
  std::size_t used = 0;
  for (;;) {
    if (text.size() - used < (std::size_t{1} << 16))
      text.resize(std::max<std::size_t>(2 * text.size(), std::size_t{1} << 20));
    const ssize_t got = ::read(STDIN_FILENO, text.data() + used, text.size() - used);
    if (got < 0 && errno == EINTR) {
      StopIfAsked();
      continue;
    }
    if (got < 0) throw FileError("Cannot read standard input. " + SystemErrorText(errno));
    if (got == 0) break;
    used += static_cast<std::size_t>(got);
  }
  text.resize(used);
  return text;
}

// The series is read as File > Open reads a file; false when the session
// failed and has said why.
bool Open(TSession& session, const std::string& file) {
  if (file == "-") return session.OpenText(ReadStandardInput());
  return session.OpenFile(file);
}

// After each session command: one that did not run to its end failed (and
// said why) or was stopped.
void Step(bool ran) {
  if (!ran) throw TCliCancelled{};
  StopIfAsked();
}

void CheckLevel(const TSession& session, std::int32_t level) {
  const std::int16_t deepest = TSession::LevelSpinMax(session.Wavelet().MaxLevel());
  if (level > deepest) {
    throw CliFailure("Level " + std::to_string(level) + " is beyond this series' deepest level, " +
                     std::to_string(deepest) + ".");
  }
}

void CheckWindow(const TSession& session) {
  const std::int32_t window = session.ForecastSettings().window;
  const std::int16_t largest = TSession::WindowSpinMax(session.TestData().Count());
  if (window > largest) {
    throw CliFailure("The window size " + std::to_string(window) +
                     " is beyond the largest for this series, " + std::to_string(largest) + ".");
  }
}

TCsvTable SeriesTable(const TSampleData& series) {
  return {{"index", "value"}, series.Count(), [&series](std::int64_t row, int column) -> TCsvCell {
            if (column == 0) return row;
            return series.GetY(static_cast<std::int32_t>(row));
          }};
}

void Read(TSession& session, const TCliOptions& options) {
  const TCsvTable table = SeriesTable(session.TestData());
  WriteOutput(options.output, TablePieces(table, leLf));
}

void Bands(TSession& session, const TCliOptions& options) {
  CheckLevel(session, options.level);
  if (options.bandsForecast) CheckWindow(session);
  Step(session.ChangeLevel(options.level));
  if (options.bandsForecast) Step(session.Forecast());
  const std::vector<std::span<const double>> bands = session.Bands();
  WriteOutput(options.output, BandTablePieces(bands, leLf));
}

void Forecast(TSession& session, const TCliOptions& options) {
  CheckLevel(session, options.level);
  CheckWindow(session);
  const std::int64_t measured = session.TestData().Count();
  // Each band of level L holds one value per block of 2^L samples: a last,
  // partial block does not take part.
  const std::int64_t kept = (measured >> options.level) << options.level;
  if (kept < measured) {
    const std::string block = std::to_string(std::int64_t{1} << options.level);
    Say(kept + 1 == measured
            ? "Sample " + std::to_string(kept) + " is left out: level " +
                  std::to_string(options.level) + " takes whole blocks of " + block + " samples."
            : "Samples " + std::to_string(kept) + " to " + std::to_string(measured - 1) +
                  " are left out: level " + std::to_string(options.level) +
                  " takes whole blocks of " + block + " samples.");
  }
  Step(session.ChangeLevel(options.level));
  for (std::int32_t press = 0; press < options.times; ++press) Step(session.Forecast());
  Step(session.ChangeLevel(0));
  const std::vector<std::span<const double>> bands = session.Bands();
  const std::span<const double> rebuilt = bands.empty() ? std::span<const double>() : bands[0];
  const TCsvTable table{{"index", "value", "forecast"},
                        static_cast<std::int64_t>(rebuilt.size()),
                        [rebuilt, kept](std::int64_t row, int column) -> TCsvCell {
                          if (column == 0) return row;
                          if (column == 1) return rebuilt[static_cast<std::size_t>(row)];
                          return std::int64_t{row >= kept ? 1 : 0};
                        }};
  WriteOutput(options.output, TablePieces(table, leLf));
}

// The season, within the dialog's spin: 1 (none) to half the samples before
// the test span.
void SetSeason(TEvaluationSettings& settings, std::int32_t count,
               const std::optional<std::int32_t>& season) {
  if (!season) return;
  const std::int32_t largest = std::max((count - settings.testSpan) / 2, 1);
  if (*season > largest) {
    throw CliFailure("The season " + std::to_string(*season) +
                     " is beyond the largest for this series, " + std::to_string(largest) + ".");
  }
  settings.season = *season;
}

void PrintEvaluation(const TEvaluation& evaluation, const TSampleData& series,
                     const TCliOptions& options) {
  // The line the dialog shows under the levels table.
  Say(VerdictText(evaluation));
  const auto checkLevel = [&](std::int32_t level) {
    const auto levels = static_cast<std::int32_t>(evaluation.levels.size());
    if (level >= levels) {
      throw CliFailure("Level " + std::to_string(level) + " is beyond the evaluation's deepest, " +
                       std::to_string(levels - 1) + ".");
    }
  };
  // The dialog's tables, every number in full.
  TTable shown;
  if (options.forecastsLevel) {
    checkLevel(*options.forecastsLevel);
    shown = ForecastsTable(evaluation, series, *options.forecastsLevel);
  } else if (options.horizonLevel) {
    checkLevel(*options.horizonLevel);
    shown = HorizonTable(evaluation, *options.horizonLevel);
  } else {
    shown = LevelsTable(evaluation);
  }
  const TCsvTable table{shown.columns, shown.rows,
                        [&shown](std::int64_t row, int column) -> TCsvCell {
                          return std::visit([](const auto& value) -> TCsvCell { return value; },
                                            shown.cell(row, column));
                        }};
  WriteOutput(options.output, TablePieces(table, leLf));
}

void Evaluate(TSession& session, const TCliOptions& options) {
  const TSampleData& series = session.TestData();
  const std::int32_t count = series.Count();
  CheckWindow(session);
  TEvaluationSettings settings;
  settings.forecast = session.ForecastSettings();
  settings.testSpan = options.span.value_or(DefaultTestSpan(count));
  const std::int32_t longest = std::max(count - 1, 1);
  if (settings.testSpan > longest) {
    throw CliFailure("The test span " + std::to_string(settings.testSpan) +
                     " is beyond the longest for this series, " + std::to_string(longest) + ".");
  }
  if (options.origins) settings.maxOrigins = *options.origins;
  SetSeason(settings, count, options.season);
  // Printed where the session shows it, so that the evaluation, which can
  // hold millions of forecasts, is not copied; a failure there is told once
  // the command is back.
  bool shown = false;
  std::exception_ptr failure;
  Step(session.Evaluate(settings, [&](const TEvaluation& evaluation) {
    shown = true;
    try {
      PrintEvaluation(evaluation, series, options);
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  if (failure) std::rethrow_exception(failure);
  if (!shown) throw TCliCancelled{};
}

}  // namespace

int RunCliCommand(const TCliOptions& options) {
  TCliView view;
  TCliDesktop desktop(options.column);
  TCliJobRunner runner;
  TSession session(view, desktop, runner);
  session.SetForecastSettings(options.forecast);
  try {
    Step(Open(session, options.file));
    if (options.column && !desktop.Asked()) {
      Say("--column is not used: this text is read without a choice of column.");
    }
    switch (options.command) {
      case ccRead:
        Read(session, options);
        break;
      case ccBands:
        Bands(session, options);
        break;
      case ccForecast:
        Forecast(session, options);
        break;
      case ccEvaluate:
        Evaluate(session, options);
        break;
    }
  } catch (const TCliCancelled&) {
    // A step stopped by a signal, or failed and said why.
    return TCliSignals::Requested() ? TCliSignals::ExitStatus() : kExitFailure;
  } catch (const std::bad_alloc&) {
    Say("Not enough memory.");
    return kExitFailure;
  } catch (const std::exception& failure) {
    Say(ErrorBoxText(failure.what()));
    return kExitFailure;
  }
  return 0;
}

}  // namespace fendrel
