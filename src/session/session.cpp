#include "session/session.h"

#include <algorithm>
#include <exception>
#include <new>
#include <span>
#include <utility>
#include <vector>

#include "forecast/forecaster.h"
#include "sample/clipboard_text.h"
#include "sample/csv_file.h"
#include "sample/foreign_text.h"
#include "sample/memory_room.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "session/session_view.h"
#include "wavelet/wavelet.h"

namespace fendrel {

namespace {

constexpr std::int32_t kGeneratedCount = 100;

std::string FailureText(const std::exception_ptr& failure, const std::string& what) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::bad_alloc&) {
    return "Not enough memory to " + what;
  } catch (const std::exception& known) {
    return known.what();
  } catch (...) {
    return "Unexpected failure";
  }
}

// The values one forecast of every band reads, roughly: what the progress
// of "Do forecast" counts.
std::int64_t ForecastWork(const TWavelet& wavelet, const TForecastSettings& settings) {
  const std::int64_t bands = std::max(wavelet.BandCount(), 0);
  const auto length = static_cast<std::int64_t>(wavelet.BandValues(0).size());
  if (settings.method == fmMovingAverage) return bands * length;
  const std::int64_t window =
      std::max(ForecastWindow(settings, static_cast<std::int32_t>(length)), 2);
  return bands * std::max<std::int64_t>(length - window, 1) * window;
}

}  // namespace

TSession::TSession(TSessionView& view, TSessionDesktop& desktop)
    : view_(view),
      desktop_(desktop),
      ownRunner_(std::make_unique<TSyncJobRunner>()),
      runner_(ownRunner_.get()),
      testData_(std::make_unique<TSampleData>()),
      wavelet_(std::make_unique<TWavelet>()) {}

TSession::TSession(TSessionView& view, TSessionDesktop& desktop, TJobRunner& runner)
    : view_(view),
      desktop_(desktop),
      runner_(&runner),
      testData_(std::make_unique<TSampleData>()),
      wavelet_(std::make_unique<TWavelet>()) {}

TSession::~TSession() = default;

std::int16_t TSession::LevelSpinMax(std::int32_t maxLevel) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(maxLevel - 1, 0, INT16_MAX));
}

std::int16_t TSession::WindowSpinMax(std::int32_t count) {
  return static_cast<std::int16_t>(std::clamp<std::int32_t>(count - 1, 0, INT16_MAX));
}

bool TSession::Run(const std::function<void()>& steps) {
  std::exception_ptr failure;
  try {
    steps();
  } catch (...) {
    failure = std::current_exception();
  }
  // Reported outside the handler, so that the box may itself fail cleanly.
  if (failure) desktop_.ShowError(FailureText(failure, "finish the command"));
  return !failure;
}

bool TSession::RunJob(std::string what, std::int64_t size, TJob::TCompute compute,
                      std::function<void()> dropped) {
  lastApplied_ = false;
  TJob job;
  job.what = what;
  job.size = size;
  job.compute = [this, compute = std::move(compute)](TProgress& progress) -> TJob::TApply {
    TJob::TApply apply = compute(progress);
    if (!apply) return {};
    return [this, apply = std::move(apply)] { lastApplied_ = Run(apply); };
  };
  job.failed = [this, what](std::exception_ptr failure) {
    desktop_.ShowError(FailureText(failure, what));
  };
  job.dropped = std::move(dropped);
  const bool wasBusy = runner_->Busy();
  runner_->Run(std::move(job));
  // A runner that works on in the background has only started the job.
  if (runner_->Busy() && !wasBusy) return true;
  return lastApplied_;
}

bool TSession::Generate(bool random) {
  return Run([&] {
    view_.ShowLevelPosition(0);
    if (testData_->Count() != kGeneratedCount) testData_->SetCount(kGeneratedCount);
    if (random) {
      testData_->GenerateRandom();
    } else {
      testData_->GenerateSine();
    }
    PlotStep();
  });
}

bool TSession::Plot() {
  return Run([&] { PlotStep(); });
}

void TSession::PlotStep() {
  view_.ShowTestSeries(Shown(*testData_));
  wavelet_->Load(testData_.get());
  RedrawStep();
}

std::shared_ptr<TSession::TLoadedSeries> TSession::Prepare(std::unique_ptr<TSampleData> series) {
  auto loaded = std::make_shared<TLoadedSeries>();
  wavelet_->PrepareLoad(series.get());
  loaded->shown = Shown(*series);
  loaded->series = std::move(series);
  return loaded;
}

bool TSession::Redraw() {
  return Run([&] { RedrawStep(); });
}

TShownSeries TSession::Shown(const TSampleData& series) const {
  if (!view_.ShowsValues()) return {nullptr, series.Count()};
  return TShownSeries::Of(series);
}

void TSession::RedrawStep() { ShowBandsStep(wavelet_->Snapshot()); }

void TSession::ShowBandsStep(const TBandsSnapshot& bands) {
  view_.ShowBands(bands, LevelSpinMax(wavelet_->MaxLevel()), WindowSpinMax(testData_->Count()));
}

bool TSession::ChangeLevel(std::int32_t level) {
  const std::int32_t from = wavelet_->Level();
  const bool moves = level >= 0 && level < wavelet_->MaxLevel() && level != from;
  const auto samples = static_cast<std::int64_t>(wavelet_->BandValues(0).size()) *
                       std::max(wavelet_->BandCount(), 1);
  return RunJob(
      "change the level", samples,
      [this, level, moves](TProgress& /*progress*/) -> TJob::TApply {
        if (!moves) return [this] { RedrawStep(); };
        // One step is written beside the current level and swapped in by
        // the apply step; a longer way is walked on a copy. The view's data
        // is taken here too, so that the apply step only hands it on.
        if (wavelet_->PrepareStep(level)) {
          auto bands = std::make_shared<const TBandsSnapshot>(wavelet_->PreparedSnapshot());
          return [this, bands] {
            wavelet_->CommitStep();
            ShowBandsStep(*bands);
          };
        }
        auto moved = std::make_shared<std::unique_ptr<TWavelet>>(wavelet_->Clone());
        (*moved)->SetLevel(level);
        auto bands = std::make_shared<const TBandsSnapshot>((*moved)->Snapshot());
        return [this, moved, bands] {
          wavelet_ = std::move(*moved);
          ShowBandsStep(*bands);
        };
      },
      // The spin already shows the level asked for.
      [this] { view_.ShowLevelPosition(static_cast<std::int16_t>(wavelet_->Level())); });
}

bool TSession::Forecast() {
  const TForecastSettings settings = settings_;
  return RunJob(
      "forecast", ForecastWork(*wavelet_, settings) / 16,
      [this, settings](TProgress& progress) -> TJob::TApply {
        progress.Start(ForecastWork(*wavelet_, settings));
        auto forecasts = std::make_shared<std::vector<double>>(BandForecasts(*wavelet_, settings));
        if (wavelet_->PrepareAppend(*forecasts)) {
          auto bands = std::make_shared<const TBandsSnapshot>(wavelet_->PreparedSnapshot());
          return [this, bands] {
            wavelet_->CommitStep();
            ShowBandsStep(*bands);
          };
        }
        return [this, forecasts] {
          wavelet_->AppendToBands(*forecasts);
          RedrawStep();
        };
      });
}

bool TSession::Open() {
  std::string path;
  bool chosen = false;
  if (!Run([&] { chosen = desktop_.ChooseFile(fcOpenSample, path); })) return false;
  return !chosen || OpenFile(path);
}

bool TSession::OpenFile(const std::string& path) {
  const std::string what = "open \"" + path + "\"";
  return RunJob(what, FileSize(path) / 8, [this, path, what](TProgress& progress) -> TJob::TApply {
    CheckRoomToRead(path);
    auto series = std::make_unique<TSampleData>();
    std::optional<TTextLayout> question;
    std::shared_ptr<const std::string> kept;
    TTextImport import;
    ReadFileText(path, [&](std::string_view text) {
      progress.Start(2 * static_cast<std::int64_t>(text.size()));
      import = ImportText(text, tsFile, *series, [&](TImportQuestion& asked) {
        question = asked.layout;
      // The text as read: a UTF-16 one decoded.
      kept = std::make_shared<const std::string>(asked.text);
      return false;
    });
  });
  if (question) {
    return [this, kept, layout = *question, what] { ImportJob(kept, tsFile, layout, what); };
  }
  auto loaded = import.read ? Prepare(std::move(series)) : nullptr;
  return [this, import, loaded] { ShowImported(import, loaded, tsFile); };
});
}

void TSession::ImportJob(std::shared_ptr<const std::string> text, TTextSource source,
                         const TTextLayout& proposal, std::string what) {
  // The question is the desktop's; the reading after the answer is a job
  // again.
  TImportQuestion question{*text, source, proposal, std::nullopt};
  if (!desktop_.AskImport(question)) return;
  const TTextLayout layout = question.layout;
  auto read = std::make_shared<std::optional<TForeignRead>>(std::move(question.read));
  RunJob(std::move(what), static_cast<std::int64_t>(text->size() / 8),
         [this, text, source, layout, read](TProgress& progress) -> TJob::TApply {
           progress.Start(2 * static_cast<std::int64_t>(text->size()));
           auto series = std::make_unique<TSampleData>();
           const TTextImport import =
               ImportText(*text, source, *series, [&](TImportQuestion& asked) {
                 asked.layout = layout;
                 asked.read = std::move(*read);
                 return true;
               });
           auto loaded = import.read ? Prepare(std::move(series)) : nullptr;
           return [this, import, loaded, source] { ShowImported(import, loaded, source); };
         });
}

void TSession::ShowImported(const TTextImport& import, const std::shared_ptr<TLoadedSeries>& loaded,
                            TTextSource source) {
  if (!import.read || !loaded) return;
  testData_ = std::move(loaded->series);
  wavelet_->CommitStep();
  view_.ShowLevelPosition(0);
  view_.ShowTestSeries(loaded->shown);
  RedrawStep();
  // The import dialog, when it showed, has told the counts already.
  if (!import.asked && import.missing > 0) {
    desktop_.ShowMessage(MissingValuesMessage(import.missing));
  }
  if (source == tsPaste) desktop_.ShowMessage("Test data pasted.");
}

bool TSession::Save() {
  std::string path;
  bool chosen = false;
  if (!Run([&] { chosen = desktop_.ChooseFile(fcSaveSample, path); })) return false;
  if (!chosen) return true;
  return RunJob("save \"" + path + "\"", testData_->Count(),
                [this, path](TProgress& progress) -> TJob::TApply {
                  progress.Start(testData_->Count());
                  const std::int64_t rounded = testData_->SaveToFile(path);
                  return [this, rounded] {
                    if (rounded > 0) desktop_.ShowMessage(RoundedValuesMessage(rounded));
                  };
                });
}

std::vector<std::span<const double>> TSession::Bands() const {
  // Read in place: lending the bands would copy each into a series of its own.
  std::vector<std::span<const double>> bands;
  bands.reserve(static_cast<std::size_t>(std::max(wavelet_->BandCount(), 0)));
  for (std::int32_t b = 0; b < wavelet_->BandCount(); ++b) bands.push_back(wavelet_->BandValues(b));
  return bands;
}

std::string TSession::BandTableText() const { return BandValuesTableText(Bands()); }

bool TSession::ExportWaveData() {
  std::string path;
  bool chosen = false;
  if (!Run([&] { chosen = desktop_.ChooseFile(fcExportWaveData, path); })) return false;
  if (!chosen) return true;
  const std::vector<std::span<const double>> bands = Bands();
  const auto rows = static_cast<std::int64_t>(bands.empty() ? 0 : bands[0].size());
  return RunJob("export \"" + path + "\"", rows * static_cast<std::int64_t>(bands.size()),
                [path, bands, rows](TProgress& progress) -> TJob::TApply {
                  progress.Start(rows);
                  SaveBandTableCsv(path, bands);
                  return [] {};
                });
}

bool TSession::CopyData(TGridTarget target) {
  // The confirmation comes once the text is really on the clipboard.
  const bool test = target == gtTest;
  const std::int64_t rows =
      test ? testData_->Count() : static_cast<std::int64_t>(wavelet_->BandValues(0).size());
  return RunJob("copy the data", rows, [this, test, rows](TProgress& progress) -> TJob::TApply {
    progress.Start(rows);
    auto text = std::make_shared<std::string>(test ? TestDataText(*testData_) : BandTableText());
    return [this, text, test] {
      desktop_.KeepClipboardText(text);
      desktop_.ShowMessage(test ? "Test data copied." : "Wavelet data copied.");
    };
  });
}

bool TSession::CopyWaveData() {
  const auto rows = static_cast<std::int64_t>(wavelet_->BandValues(0).size());
  return RunJob("copy the wave data", rows, [this, rows](TProgress& progress) -> TJob::TApply {
    progress.Start(rows);
    auto text = std::make_shared<std::string>(BandTableText());
    return [this, text] {
      desktop_.KeepClipboardText(text);
      desktop_.ShowMessage("Wave data copied.");
    };
  });
}

bool TSession::PasteData(TGridTarget target) {
  if (target != gtTest) {
    return Run([&] { desktop_.ShowMessage("Wavelet data cannot be pasted."); });
  }
  std::string text;
  if (!Run([&] { text = desktop_.ClipboardText(); })) return false;
  return PasteText(text);
}

bool TSession::PasteText(std::string_view pasted) {
  return ImportTextJob(std::make_shared<const std::string>(pasted), tsPaste, "paste the data");
}

bool TSession::OpenText(std::string_view text) {
  return ImportTextJob(std::make_shared<const std::string>(text), tsFile, "read the text");
}

bool TSession::ImportTextJob(std::shared_ptr<const std::string> text, TTextSource source,
                             std::string what) {
  return RunJob(what, static_cast<std::int64_t>(text->size() / 8),
                [this, text, source, what](TProgress& progress) -> TJob::TApply {
                  progress.Start(2 * static_cast<std::int64_t>(text->size()));
                  auto series = std::make_unique<TSampleData>();
                  std::optional<TTextLayout> question;
                  // The question is about the text as read: a UTF-16 one decoded.
                  std::shared_ptr<const std::string> asked = text;
                  const TTextImport import =
                      ImportText(*text, source, *series, [&](TImportQuestion& proposed) {
                        question = proposed.layout;
                        if (proposed.text.data() != text->data()) {
                          asked = std::make_shared<const std::string>(proposed.text);
                        }
                        return false;
                      });
                  if (question) {
                    return [this, asked, source, layout = *question, what] {
                      ImportJob(asked, source, layout, what);
                    };
                  }
                  auto loaded = import.read ? Prepare(std::move(series)) : nullptr;
                  return [this, import, loaded, source] { ShowImported(import, loaded, source); };
                });
}

bool TSession::CopyChart(TChartTarget target) {
  // The clipboard changes before the confirmation.
  return Run([&] {
    desktop_.CopyChartPicture(target);
    desktop_.ShowMessage("Chart copied.");
  });
}

bool TSession::ExportPicture(TChartTarget target) {
  return Run([&] {
    std::string path;
    if (desktop_.ChooseFile(fcExportPicture, path)) desktop_.SaveChartPicture(target, path);
  });
}

void TSession::About() { desktop_.ShowMessage("Fendrel by the Fendrel developers."); }

bool TSession::Evaluate(const TEvaluationSettings& settings,
                        std::function<void(TEvaluation&&)> show) {
  TEvaluationSettings asked = settings;
  asked.forecast = settings_;
  return RunJob("evaluate the forecast", testData_->Count(),
                [this, asked, show = std::move(show)](TProgress& progress) -> TJob::TApply {
                  auto result = std::make_shared<std::optional<TEvaluation>>(
                      fendrel::Evaluate(*testData_, asked, &progress));
                  if (!*result) return {};
                  return [result, show] { show(std::move(**result)); };
                });
}

}  // namespace fendrel
