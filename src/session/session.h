#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forecast/band_forecast.h"
#include "forecast/evaluation.h"
#include "sample/foreign_text.h"
#include "session/job.h"
#include "session/session_desktop.h"
#include "session/session_view.h"

namespace fendrel {

class TSampleData;
class TWavelet;
struct TBandsSnapshot;

// The grid a clipboard command works on.
enum class TGridTarget : std::uint8_t { gtTest, gtWave };
using enum TGridTarget;

// The window's state and commands without widgets: the test series, the
// wavelet packet at its level, and the settings of "Do forecast". Every
// command runs its steps in order and tells the view what to show; a failure
// stops it at the failing step, keeps what was done before, and is shown in
// the error box. A command whose work can be long runs it as a job (compute,
// then apply): a cancelled or failed job changes nothing. Commands return
// whether they ran to their end, or, with a runner that works on while the
// window answers, whether they started.
class TSession {
 public:
  // Runs every job at once, on the calling thread.
  TSession(TSessionView& view, TSessionDesktop& desktop);
  TSession(TSessionView& view, TSessionDesktop& desktop, TJobRunner& runner);
  ~TSession();
  TSession(const TSession&) = delete;
  TSession& operator=(const TSession&) = delete;

  // The spin maxima, kept within a spin's own range.
  static std::int16_t LevelSpinMax(std::int32_t maxLevel);
  static std::int16_t WindowSpinMax(std::int32_t count);

  TSampleData& TestData() { return *testData_; }
  const TSampleData& TestData() const { return *testData_; }
  TWavelet& Wavelet() { return *wavelet_; }
  const TWavelet& Wavelet() const { return *wavelet_; }

  // The settings of "Do forecast" and of the evaluation; the window's
  // controls write them as the user changes them.
  const TForecastSettings& ForecastSettings() const { return settings_; }
  void SetForecastSettings(const TForecastSettings& settings) { settings_ = settings; }
  void SetMethod(TForecastMethod method) { settings_.method = method; }
  void SetWindow(std::int32_t window) { settings_.window = window; }
  void SetUseWindowAverage(bool on) { settings_.useWindowAverage = on; }

  // A job runs: every other command waits for it.
  bool Busy() const { return runner_->Busy(); }
  // Asks the running job to stop; nothing of it is applied.
  void Cancel() { runner_->Cancel(); }

  // 100 new samples, random or a sine, then the plot step.
  bool Generate(bool random);
  // Lists and plots the test series, loads it into the packet at level 0,
  // then redraws the bands.
  bool Plot();
  // Shows the bands of the packet's current level.
  bool Redraw();
  // Moves the packet to a level (one outside its range is ignored), then
  // redraws.
  bool ChangeLevel(std::int32_t level);
  // One more value for every band of the current level, then a redraw.
  bool Forecast();

  // Asks for a sample file and opens it.
  bool Open();
  // Every way a file comes in (the open dialog, the command line, a drop)
  // ends here: read completely, then shown from level 0.
  bool OpenFile(const std::string& path);
  // A file's whole text that came another way (a pipe), read as OpenFile
  // reads a file.
  bool OpenText(std::string_view text);
  // Asks for a file and writes the test series to it.
  bool Save();
  // Asks for a file and writes the band table of the current level to it as
  // CSV; at level 0 after a forecast, the rebuilt, longer series.
  bool ExportWaveData();

  // Copies the test data text or the band table and confirms it.
  bool CopyData(TGridTarget target);
  // Copies the band table under its own confirmation.
  bool CopyWaveData();
  // Pastes the clipboard's text into the test series; the wavelet grid
  // takes none.
  bool PasteData(TGridTarget target);
  // Every pasted text ends here: read into the test series, shown from
  // level 0, confirmed. A text without a field changes nothing.
  bool PasteText(std::string_view text);
  // Puts a chart's picture on the clipboard and confirms it.
  bool CopyChart(TChartTarget target);
  // Asks for a file and writes a chart's picture to it, in the type its name
  // asks for.
  bool ExportPicture(TChartTarget target);
  void About();

  // Evaluates every level of the test series by rolling origins with the
  // forecast settings and hands the result to `show`; nothing when cancelled
  // (a failure goes to the error box).
  bool Evaluate(const TEvaluationSettings& settings, std::function<void(TEvaluation&&)> show);

  // The band table of the current level.
  std::string BandTableText() const;
  // The bands of the current level as they stand, read in place.
  std::vector<std::span<const double>> Bands() const;

 private:
  // The command boundary: a failure stops the step and reaches the error box.
  bool Run(const std::function<void()>& steps);
  // Runs a job; its failure reaches the error box ("Not enough memory to
  // `what`." when memory ran out) and `dropped` runs when nothing is applied.
  bool RunJob(std::string what, std::int64_t size, TJob::TCompute compute,
              std::function<void()> dropped = {});
  // A new test series made ready where a job's work runs: loaded beside the
  // packet's level (swapped in by the apply step) and copied for the view,
  // so that showing it is only handing it on.
  struct TLoadedSeries {
    std::unique_ptr<TSampleData> series;
    TShownSeries shown;
  };
  std::shared_ptr<TLoadedSeries> Prepare(std::unique_ptr<TSampleData> series);
  TShownSeries Shown(const TSampleData& series) const;

  void PlotStep();
  void RedrawStep();
  void ShowBandsStep(const TBandsSnapshot& bands);
  // Reads a whole text (a paste's, or a file's that came through a pipe)
  // into the test series in a job, asking the import question when due.
  bool ImportTextJob(std::shared_ptr<const std::string> text, TTextSource source, std::string what);
  // Asks the import question about a text (a file's or a paste's), then
  // reads it by the answer into a new series in a job and shows it.
  void ImportJob(std::shared_ptr<const std::string> text, TTextSource source,
                 const TTextLayout& proposal, std::string what);
  // Replaces the test series by what a text became and shows it from level
  // 0, with the number of missing values filled in.
  void ShowImported(const TTextImport& import, const std::shared_ptr<TLoadedSeries>& loaded,
                    TTextSource source);

  TSessionView& view_;
  TSessionDesktop& desktop_;
  std::unique_ptr<TJobRunner> ownRunner_;
  TJobRunner* runner_;
  std::unique_ptr<TSampleData> testData_;
  std::unique_ptr<TWavelet> wavelet_;
  TForecastSettings settings_;
  // What the last job's failure or cancellation did to the command: false
  // until it was applied.
  bool lastApplied_ = false;
};

}  // namespace fendrel
