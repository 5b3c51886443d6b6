#include "session/session.h"

#include <algorithm>
#include <exception>
#include <span>
#include <vector>

#include "sample/clipboard_text.h"
#include "sample/csv_file.h"
#include "sample/foreign_text.h"
#include "sample/sample_data.h"
#include "session/session_desktop.h"
#include "session/session_view.h"
#include "wavelet/wavelet.h"

namespace fendrel {

namespace {

constexpr std::int32_t kGeneratedCount = 100;

std::string FailureText(const std::exception_ptr& failure) {
  try {
    std::rethrow_exception(failure);
  } catch (const std::exception& known) {
    return known.what();
  } catch (...) {
    return "Unexpected failure";
  }
}

}  // namespace

TSession::TSession(TSessionView& view, TSessionDesktop& desktop)
    : view_(view),
      desktop_(desktop),
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
  if (failure) desktop_.ShowError(FailureText(failure));
  return !failure;
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
  view_.ShowTestSeries(*testData_);
  wavelet_->Load(testData_.get());
  RedrawStep();
}

bool TSession::Redraw() {
  return Run([&] { RedrawStep(); });
}

void TSession::RedrawStep() {
  view_.ShowBands(*wavelet_, LevelSpinMax(wavelet_->MaxLevel()), WindowSpinMax(testData_->Count()));
}

bool TSession::ChangeLevel(std::int32_t level) {
  return Run([&] {
    wavelet_->SetLevel(level);
    RedrawStep();
  });
}

bool TSession::Forecast() {
  return Run([&] {
    ForecastBands(*wavelet_, settings_);
    RedrawStep();
  });
}

bool TSession::Open() {
  return Run([&] {
    std::string path;
    if (desktop_.ChooseFile(fcOpenSample, path)) OpenStep(path);
  });
}

bool TSession::OpenFile(const std::string& path) {
  return Run([&] { OpenStep(path); });
}

bool TSession::OpenText(std::string_view text) {
  return Run([&] { ShowImported(ImportText(text, tsFile, *testData_, Asker())); });
}

void TSession::OpenStep(const std::string& path) {
  ShowImported(ImportFile(path, *testData_, Asker()));
}

TImportAsker TSession::Asker() {
  return [this](TImportQuestion& question) { return desktop_.AskImport(question); };
}

bool TSession::ShowImported(const TTextImport& import) {
  if (!import.read) return false;
  view_.ShowLevelPosition(0);
  PlotStep();
  // The import dialog, when it showed, has told the counts already.
  if (!import.asked && import.missing > 0) {
    desktop_.ShowMessage(MissingValuesMessage(import.missing));
  }
  return true;
}

bool TSession::Save() {
  return Run([&] {
    std::string path;
    if (desktop_.ChooseFile(fcSaveSample, path)) testData_->SaveToFile(path);
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
  return Run([&] {
    std::string path;
    if (desktop_.ChooseFile(fcExportWaveData, path)) SaveBandTableCsv(path, Bands());
  });
}

bool TSession::CopyData(TGridTarget target) {
  // The confirmation comes once the text is really on the clipboard.
  return Run([&] {
    if (target == gtTest) {
      desktop_.SetClipboardText(TestDataText(*testData_));
      desktop_.ShowMessage("Test data copied.");
    } else {
      desktop_.SetClipboardText(BandTableText());
      desktop_.ShowMessage("Wavelet data copied.");
    }
  });
}

bool TSession::CopyWaveData() {
  return Run([&] {
    desktop_.SetClipboardText(BandTableText());
    desktop_.ShowMessage("Wave data copied.");
  });
}

bool TSession::PasteData(TGridTarget target) {
  return Run([&] {
    if (target != gtTest) {
      desktop_.ShowMessage("Wavelet data cannot be pasted.");
      return;
    }
    PasteStep(desktop_.ClipboardText());
  });
}

bool TSession::PasteText(std::string_view text) {
  return Run([&] { PasteStep(text); });
}

void TSession::PasteStep(std::string_view text) {
  if (!ShowImported(ImportText(text, tsPaste, *testData_, Asker()))) return;
  desktop_.ShowMessage("Test data pasted.");
}

void TSession::About() { desktop_.ShowMessage("Fendrel by the Fendrel developers."); }

}  // namespace fendrel
