#include <tbb/global_control.h>

#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "cli/cli_commands.h"
#include "cli/cli_ports.h"
#include "cli/cli_signals.h"
#include "sample/text_format.h"

namespace {

using fendrel::TCliOptions;

// Files are read with the decimal separator of the user's locale, as the
// window reads them; what is written always has a full stop.
void UseLocaleDecimalSeparator() {
  if (std::setlocale(LC_NUMERIC, "") != nullptr) {
    const char* point = std::localeconv()->decimal_point;
    if (point != nullptr && point[0] > ' ' && point[0] < 127 && point[1] == '\0') {
      fendrel::SetDecimalSeparator(point[0]);
    }
  }
  std::setlocale(LC_NUMERIC, "C");
}

void AddCommonOptions(CLI::App& command, TCliOptions& options, std::optional<int>& workers) {
  const std::map<std::string, fendrel::TForecastMethod> methods{
      {"ma", fendrel::fmMovingAverage}, {"knn", fendrel::fmNearestNeighbor}};
  command
      .add_option("--method", options.forecast.method,
                  "ma: \"Moving average\" (default); knn: \"K-Nearest-Neighbor\"")
      ->transform(CLI::CheckedTransformer(methods, CLI::ignore_case))
      ->option_text("ma|knn");
  command
      .add_option("--window", options.forecast.window, "the window size; 0: automatic (default)")
      ->check(CLI::Range(0, 32767))
      ->option_text("N");
  command.add_flag_callback(
      "--no-average", [&options] { options.forecast.useWindowAverage = false; },
      "K-Nearest-Neighbor without \"Use window average\"");
  command
      .add_option("--column", options.column,
                  "the value column, by name or number from 1, where a text has three or more")
      ->option_text("NAME|NUMBER");
  command.add_option("--output", options.output, "write the CSV to FILE, whole or not at all")
      ->option_text("FILE");
  command.add_option("--workers", workers, "use at most N workers (the results are the same)")
      ->check(CLI::Range(1, 4096))
      ->option_text("N");
  command.add_option("FILE", options.file, "the file to read; - for standard input")
      ->required()
      ->option_text(" ");
}

}  // namespace

int main(int argc, char** argv) {
  UseLocaleDecimalSeparator();
  TCliOptions options;
  std::optional<int> workers;

  CLI::App app{
      "Fendrel's results without a window: the series, the bands of a level, the forecast and "
      "its evaluation, as CSV on standard output.",
      "fendrel-cli"};
  app.set_version_flag("--version", "fendrel-cli " FENDREL_VERSION);
  app.require_subcommand(1);
  app.footer("See fendrel-cli(1) for more.");

  CLI::App* read = app.add_subcommand("read", "the series as Fendrel reads it: index,value");
  CLI::App* bands = app.add_subcommand("bands", "the band table of a level, as Export Wave Data");
  CLI::App* forecast = app.add_subcommand(
      "forecast",
      "the series rebuilt at level 0 after K forecasts at a level: index,value,forecast");
  CLI::App* evaluate =
      app.add_subcommand("evaluate", "the rolling-origin evaluation of every level (levels table)");
  for (CLI::App* command : {read, bands, forecast, evaluate}) {
    AddCommonOptions(*command, options, workers);
  }
  bands->add_option("--level", options.level, "the level L")
      ->required()
      ->check(CLI::Range(0, 32767))
      ->option_text("L");
  bands->add_flag("--forecast", options.bandsForecast, "the table after one \"Do forecast\"");
  forecast->add_option("--level", options.level, "the level L")
      ->required()
      ->check(CLI::Range(0, 32767))
      ->option_text("L");
  forecast->add_option("--times", options.times, "presses of \"Do forecast\" (default 1)")
      ->check(CLI::Range(0, 1'000'000))
      ->option_text("K");
  evaluate->add_option("--span", options.span, "the test span, in samples (default a fifth)")
      ->check(CLI::Range(1, 2'147'483'647))
      ->option_text("S");
  evaluate->add_option("--origins", options.origins, "at most M origins per level (default 50)")
      ->check(CLI::Range(1, 1'000'000))
      ->option_text("M");
  evaluate
      ->add_option("--season", options.season,
                   "the season m of the seasonal forecast (default: found in the series)")
      ->check(CLI::Range(1, 2'147'483'647))
      ->option_text("m");
  CLI::Option* horizon =
      evaluate->add_option("--horizon", options.horizonLevel, "the per-horizon table of level L")
          ->check(CLI::Range(0, 32767))
          ->option_text("L");
  evaluate->add_option("--forecasts", options.forecastsLevel, "the forecasts of level L")
      ->check(CLI::Range(0, 32767))
      ->option_text("L")
      ->excludes(horizon);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);
    std::fprintf(stderr, "fendrel-cli: %s\nTry 'fendrel-cli --help' for more information.\n",
                 fendrel::ErrorBoxText(error.what()).c_str());
    return fendrel::kExitUsage;
  }
  if (bands->parsed()) options.command = fendrel::ccBands;
  if (forecast->parsed()) options.command = fendrel::ccForecast;
  if (evaluate->parsed()) options.command = fendrel::ccEvaluate;

  std::optional<tbb::global_control> limit;
  if (workers) {
    limit.emplace(tbb::global_control::max_allowed_parallelism, static_cast<std::size_t>(*workers));
  }
  fendrel::TCliSignals::Install();
  return fendrel::RunCliCommand(options);
}
