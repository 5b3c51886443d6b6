#include "session/session.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>
#include <vector>

#include "sample/clipboard_text.h"
#include "sample/sample_data.h"
#include "sample/text_format.h"
#include "session/session_desktop.h"
#include "session/session_view.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

// Keeps what the session showed, one line per step, and can fail a step.
class RecordingView : public TSessionView {
 public:
  void ShowLevelPosition(std::int16_t level) override {
    shown.push_back("level " + std::to_string(level));
  }
  void ShowTestSeries(const TShownSeries& series) override {
    if (failSeries) throw std::runtime_error("Out of room");
    shown.push_back("series " + std::to_string(series.count));
  }
  void ShowBands(const TBandsSnapshot& bands, std::int16_t levelMax,
                 std::int16_t windowMax) override {
    shown.push_back("bands " + std::to_string(bands.bandCount) + " of " +
                    std::to_string(bands.Band(0).size()) + ", spins " + std::to_string(levelMax) +
                    " " + std::to_string(windowMax));
  }

  std::vector<std::string> shown;
  bool failSeries = false;
};

class RecordingDesktop : public TSessionDesktop {
 public:
  void ShowMessage(const std::string& text) override { said.push_back(text); }
  void ShowError(const std::string& message) override { said.push_back("error: " + message); }
  bool ChooseFile(TFileChoice /*choice*/, std::string& path) override {
    if (files.empty()) return false;
    path = files.front();
    files.pop_front();
    return true;
  }
  void SetClipboardText(std::string_view text) override { clipboard = text; }
  std::string ClipboardText() override { return clipboard; }
  bool AskImport(TImportQuestion& /*question*/) override {
    ++importQuestions;
    return acceptImport;
  }

  std::vector<std::string> said;
  int importQuestions = 0;
  bool acceptImport = true;
  std::deque<std::string> files;
  std::string clipboard;
};

class SessionTest : public ::testing::Test {
 protected:
  SessionTest() { SetDecimalSeparator('.'); }

  RecordingView view;
  RecordingDesktop desktop;
  TSyncJobRunner runner;
  TSession session{view, desktop, runner};
};

TEST_F(SessionTest, CommandsShowTheirStepsInOrder) {
  ASSERT_TRUE(session.Generate(false));
  EXPECT_EQ(view.shown,
            (std::vector<std::string>{"level 0", "series 100", "bands 1 of 100, spins 5 99"}));
  view.shown.clear();
  ASSERT_TRUE(session.ChangeLevel(2));
  ASSERT_TRUE(session.ChangeLevel(9));  // beyond the packet: ignored, redrawn
  session.SetForecastSettings({fmNearestNeighbor, 3, false});
  ASSERT_TRUE(session.Forecast());
  EXPECT_EQ(view.shown,
            (std::vector<std::string>{"bands 4 of 25, spins 5 99", "bands 4 of 25, spins 5 99",
                                      "bands 4 of 26, spins 5 99"}));
  EXPECT_EQ(session.TestData().Count(), 100);
  EXPECT_TRUE(desktop.said.empty());
}

TEST_F(SessionTest, ClipboardCommandsCopyPasteAndConfirm) {
  session.Generate(true);
  session.ChangeLevel(1);
  session.CopyData(gtWave);
  EXPECT_EQ(desktop.clipboard, session.BandTableText());
  session.CopyData(gtTest);
  const std::string copied = desktop.clipboard;
  EXPECT_EQ(copied, TestDataText(session.TestData()));
  view.shown.clear();
  session.PasteData(gtWave);
  session.PasteText("");
  EXPECT_TRUE(view.shown.empty());
  session.PasteData(gtTest);
  EXPECT_EQ(session.Wavelet().Level(), 0);
  EXPECT_EQ(TestDataText(session.TestData()), copied);
  EXPECT_EQ(view.shown,
            (std::vector<std::string>{"level 0", "series 100", "bands 1 of 100, spins 5 99"}));
  EXPECT_EQ(desktop.said,
            (std::vector<std::string>{"Wavelet data copied.", "Test data copied.",
                                      "Wavelet data cannot be pasted.", "Test data pasted."}));
}

// A failing step ends the whole command with one error box, and what ran
// before it stays done.
TEST_F(SessionTest, AFailureStopsTheCommandAtItsStepAndIsShownOnce) {
  session.Generate(false);
  session.ChangeLevel(3);
  view.shown.clear();
  view.failSeries = true;
  EXPECT_FALSE(session.Generate(true));
  EXPECT_EQ(view.shown, std::vector<std::string>{"level 0"});
  EXPECT_EQ(session.Wavelet().Level(), 3);
  EXPECT_EQ(desktop.said, std::vector<std::string>{"error: Out of room"});

  view.failSeries = false;
  desktop.said.clear();
  const std::vector<double> kept(session.TestData().YData(), session.TestData().YData() + 100);
  desktop.files = {"/nonexistent-folder/in.qls"};
  EXPECT_FALSE(session.Open());
  EXPECT_FALSE(session.OpenFile("/nonexistent-folder/in.qls"));
  ASSERT_EQ(desktop.said.size(), 2u);
  EXPECT_EQ(desktop.said[0].rfind("error: Cannot open file \"/nonexistent-folder/in.qls\".", 0),
            0u);
  EXPECT_EQ(std::vector<double>(session.TestData().YData(), session.TestData().YData() + 100),
            kept);
  EXPECT_TRUE(session.Open());  // cancelled: nothing to do, nothing shown
  EXPECT_EQ(view.shown, std::vector<std::string>{"level 0"});
}

// A job cancelled at any point of its compute leaves the series, the packet,
// the clipboard and every file as they were, and says nothing.
TEST_F(SessionTest, ACancelledJobChangesNothing) {
  const std::filesystem::path folder =
      std::filesystem::temp_directory_path() / ("fendrel-session-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  const std::string kept = (folder / "kept.qls").string();
  const std::string other = (folder / "other.qls").string();
  std::ofstream(kept, std::ios::binary) << "0,1\r\n1,2\r\n";
  std::ofstream(other, std::ios::binary) << "0,5\r\n1,6\r\n2,7\r\n";

  session.Generate(true);
  session.ChangeLevel(2);
  session.Forecast();
  const std::string series = TestDataText(session.TestData());
  const std::string bands = session.BandTableText();
  desktop.clipboard = "held";
  view.shown.clear();

  runner.onStart = [](TProgress& progress) { progress.Cancel(); };
  session.SetForecastSettings({fmNearestNeighbor, 0, true});
  EXPECT_FALSE(session.Forecast());
  EXPECT_FALSE(session.ChangeLevel(3));
  EXPECT_FALSE(session.ChangeLevel(0));
  EXPECT_FALSE(session.OpenFile(other));
  EXPECT_FALSE(session.PasteText("1 2 3 4"));
  desktop.files = {kept};
  EXPECT_FALSE(session.Save());
  EXPECT_FALSE(session.CopyData(gtTest));
  EXPECT_FALSE(session.Evaluate({}, [](const TEvaluation&) { FAIL(); }));
  // Deep inside a forecast, once its first band is done.
  runner.onStart = [](TProgress& progress) {
    progress.SetWatcher([&progress] { progress.Cancel(); }, std::chrono::milliseconds(0));
  };
  session.SetForecastSettings({fmMovingAverage, 0, true});
  EXPECT_FALSE(session.Forecast());
  EXPECT_EQ(TestDataText(session.TestData()), series);
  EXPECT_EQ(session.Wavelet().Level(), 2);
  EXPECT_EQ(session.BandTableText(), bands);
  EXPECT_EQ(desktop.clipboard, "held");
  std::ifstream in(kept, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "0,1\r\n1,2\r\n");
  EXPECT_EQ(desktop.said, std::vector<std::string>{});
  // The level spin goes back to where the packet stands; nothing else shows.
  EXPECT_EQ(view.shown, std::vector<std::string>(2, "level 2"));

  runner.onStart = {};
  EXPECT_TRUE(session.Forecast());
  EXPECT_NE(session.BandTableText(), bands);
  std::filesystem::remove_all(folder);
}

}  // namespace
}  // namespace fendrel
