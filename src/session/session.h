#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "forecast/band_forecast.h"
#include "sample/foreign_text.h"

namespace fendrel {

class TSampleData;
class TSessionDesktop;
class TSessionView;
class TWavelet;

// The grid a clipboard command works on.
enum class TGridTarget : std::uint8_t { gtTest, gtWave };
using enum TGridTarget;

// The window's state and commands without widgets: the test series, the
// wavelet packet at its level, and the settings of "Do forecast". Every
// command runs its steps in order and tells the view what to show; a failure
// stops it at the failing step, keeps what was done before, and is shown in
// the error box. Commands return whether they ran to their end.
class TSession {
 public:
  TSession(TSessionView& view, TSessionDesktop& desktop);
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
  const TForecastSettings& ForecastSettings() const { return settings_; }
  void SetForecastSettings(const TForecastSettings& settings) { settings_ = settings; }
  void SetMethod(TForecastMethod method) { settings_.method = method; }

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
  void About();

  // The band table of the current level.
  std::string BandTableText() const;
  // The bands of the current level as they stand, read in place.
  std::vector<std::span<const double>> Bands() const;

 private:
  // The command boundary: a failure stops the step and reaches the error box.
  bool Run(const std::function<void()>& steps);
  void PlotStep();
  void RedrawStep();
  void OpenStep(const std::string& path);
  void PasteStep(std::string_view text);
  // Shows the series a text became (open, paste), with the number of missing
  // values filled in; false when the text did not replace the series.
  bool ShowImported(const TTextImport& import);
  TImportAsker Asker();

  TSessionView& view_;
  TSessionDesktop& desktop_;
  std::unique_ptr<TSampleData> testData_;
  std::unique_ptr<TWavelet> wavelet_;
  TForecastSettings settings_;
};

}  // namespace fendrel
