#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "platform/locale.h"
#include "sample/clipboard_text.h"
#include "sample/sample_data.h"
#include "sample/sample_file.h"
#include "support/file_bytes.h"
#include "support/recording_clipboard.h"
#include "support/recording_dialogs.h"
#include "support/window_controls.h"
#include "ui/main_window.h"
#include "ui/text_grid.h"
#include "ui/up_down.h"
#include "wavelet/wavelet.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define FENDREL_LEAK_CHECK 1
#endif

namespace fendrel {
namespace {

namespace fs = std::filesystem;

// File dialogs that, once the user has chosen, let something happen to the
// chosen file before the command reads or writes it.
class MeddlingDialogs : public RecordingDialogs {
 public:
  bool ChooseFile(const TFileDialog& dialog, std::string& fileName) override {
    const bool chosen = RecordingDialogs::ChooseFile(dialog, fileName);
    if (chosen && meddle) meddle(fileName);
    return chosen;
  }

  std::function<void(const std::string&)> meddle;
};

struct Snapshot {
  std::vector<double> ys;
  int level;
  int testRows;
  int waveSeries;
  bool operator==(const Snapshot&) const = default;
};

class RobustWindow : public ::testing::Test {
 protected:
  RobustWindow() {
    ApplySeparators({'.', ","});
    folder_ = fs::temp_directory_path() /
              ("fendrel-robust-window-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    form_ = std::make_unique<TForm1>(nullptr, &desktop_);
    ui_ = std::make_unique<WindowControls>(*form_);
  }
  ~RobustWindow() override {
    form_.reset();
    fs::remove_all(folder_);
  }

  std::string PathOf(const std::string& name) const { return (folder_ / name).string(); }
  std::string Write(const std::string& name, const std::string& bytes) const {
    return WriteBytes(PathOf(name), bytes);
  }
  static std::string Contents(const std::string& path) { return ReadBytes(path); }
  Snapshot State() const {
    const TForm1& f = *form_;
    return {std::vector<double>(f.Session().TestData().YData(),
                                f.Session().TestData().YData() + f.Session().TestData().Count()),
            ui_->UpDown1->Position(), ui_->sgTest->RowCount(), ui_->chWave->SeriesTotal()};
  }
  void SetLevel(int level) {
    ui_->UpDown1->SetPosition(static_cast<std::int16_t>(level));
    form_->UpDown1Click(ui_->UpDown1, btNext);
  }
  // Both charts painted as the window would show them.
  void PaintBoth() {
    for (TChart* chart : {ui_->chTest, ui_->chWave}) {
      const QImage image = chart->RenderToImage();
      EXPECT_FALSE(image.isNull());
      EXPECT_EQ(image.size(), chart->size());
    }
  }

  RecordingClipboard clipboard_;
  MeddlingDialogs dialogs_;
  TDesktop desktop_{dialogs_, clipboard_};
  fs::path folder_;
  std::unique_ptr<TForm1> form_;
  std::unique_ptr<WindowControls> ui_;
};

TEST_F(RobustWindow, FileGoneOrReplacedAfterTheDialogIsReportedAndChangesNothing) {
  SetLevel(2);
  const Snapshot before = State();
  const std::string gone = Write("gone.qls", "1,2\r\n");
  const std::string replaced = Write("replaced.qls", "1,2\r\n");
  dialogs_.meddle = [](const std::string& path) {
    fs::remove(path);
    if (path.find("replaced") != std::string::npos) fs::create_directory(path);
  };
  dialogs_.fileAnswers = {gone, replaced};
  ui_->Open1->trigger();
  ui_->Open1->trigger();
  EXPECT_EQ(dialogs_.errors, (std::vector<std::string>{
                                 "Cannot open file \"" + gone + "\". No such file or directory.",
                                 "Cannot open file \"" + replaced + "\". Is a directory."}));
  EXPECT_EQ(State(), before);
}

TEST_F(RobustWindow, FailedSaveKeepsTheOldFileAndReports) {
  const std::string path = Write("keep.qls", "old contents\r\n");
  // The disk fills up during the write: the file-size limit stands in for it.
  dialogs_.meddle = [](const std::string&) {
    struct rlimit limit {};
    ::getrlimit(RLIMIT_FSIZE, &limit);
    limit.rlim_cur = 100;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  };
  const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit saved {};
  ::getrlimit(RLIMIT_FSIZE, &saved);
  dialogs_.fileAnswers = {path};
  const Snapshot before = State();
  ui_->Save1->trigger();
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previousHandler);
  EXPECT_EQ(dialogs_.errors,
            std::vector<std::string>{"Cannot create file \"" + path + "\". File too large."});
  EXPECT_EQ(Contents(path), "old contents\r\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1);
  EXPECT_EQ(State(), before);
}

TEST_F(RobustWindow, OverflowingBandsShowAndPaint) {
  // Averages of the largest doubles overflow to infinity; going back up then
  // meets infinity minus infinity.
  dialogs_.fileAnswers = {Write("huge.qls",
                                "0,1.7976931348623157E308\r\n1,1.7976931348623157E308\r\n"
                                "2,-1E308\r\n3,1E308\r\n4,1E308\r\n5,1E308\r\n6,4.9E-324\r\n"
                                "7,0\r\n8,1E400\r\n")};
  ui_->Open1->trigger();
  ASSERT_TRUE(dialogs_.errors.empty());
  ASSERT_EQ(form_->Session().TestData().Count(), 9);
  PaintBoth();
  for (int level = 1; level <= ui_->UpDown1->Max(); ++level) {
    SetLevel(level);
    ui_->rbKNN->setChecked(level % 2 == 0);
    ui_->rbMA->setChecked(level % 2 == 1);
    QTest::mouseClick(ui_->Button2, Qt::LeftButton);
    PaintBoth();
  }
  EXPECT_TRUE(std::isinf(form_->Session().Wavelet().GetBand(0)->GetY(0)));
  EXPECT_EQ(ui_->sgWave->Cell(1, 1), "INF");
  SetLevel(0);
  PaintBoth();
  bool sawNaN = false;
  for (int i = 0; i < form_->Session().Wavelet().GetBand(0)->Count(); ++i) {
    sawNaN = sawNaN || std::isnan(form_->Session().Wavelet().GetBand(0)->GetY(i));
  }
  EXPECT_TRUE(sawNaN);
  EXPECT_TRUE(dialogs_.errors.empty());
}

TEST_F(RobustWindow, PasteOfTensOfThousandsOfFieldsInOneLine) {
  std::string line;
  for (int i = 0; i < 50000; ++i) line += std::to_string(i % 1000) + ";";
  clipboard_.HoldText(line);
  ui_->PastData1->trigger();
  ASSERT_EQ(form_->Session().TestData().Count(), 25000);
  EXPECT_EQ(form_->Session().TestData().GetY(24999), 999);
  EXPECT_EQ(ui_->sgTest->RowCount(), 25001);
  EXPECT_EQ(ui_->chTest->SeriesAt(0)->PointCount(), 25000);
  PaintBoth();
  SetLevel(ui_->UpDown1->Max());
  EXPECT_EQ(ui_->chWave->SeriesTotal(), 1 << ui_->UpDown1->Max());
  EXPECT_EQ(ui_->sgWave->ColCount(), (1 << ui_->UpDown1->Max()) + 1);
  EXPECT_EQ(dialogs_.messages, std::vector<std::string>{"Test data pasted."});
}

// Everything a session touches is freed again once the window is gone.
TEST_F(RobustWindow, ScriptedSessionLeaksNothing) {
  form_->show();
  QTest::mouseClick(ui_->Button1, Qt::LeftButton);
  ui_->opRandomSample->setChecked(true);
  QTest::mouseClick(ui_->Button1, Qt::LeftButton);
  for (int level = 0; level <= ui_->UpDown1->Max(); ++level) {
    SetLevel(level);
    ui_->rbKNN->setChecked(level % 2 == 1);
    ui_->rbMA->setChecked(level % 2 == 0);
    ui_->cbKNN->setChecked(level % 3 == 0);
    QTest::mouseClick(ui_->Button2, Qt::LeftButton);
    QApplication::processEvents();
  }
  SetLevel(0);
  ui_->CopyData1->trigger();
  ui_->CopyChart1->trigger();
  ui_->PastData1->trigger();
  const std::string path = PathOf("session.qls");
  dialogs_.fileAnswers = {path, path};
  ui_->Save1->trigger();
  ui_->Open1->trigger();
  QApplication::processEvents();
  EXPECT_EQ(form_->Session().TestData().Count(), 100);
  EXPECT_TRUE(dialogs_.errors.empty());
  form_->close();
  form_.reset();
  clipboard_.data.reset();
  QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
#ifdef FENDREL_LEAK_CHECK
  EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "see the leak report above";
#endif
}

}  // namespace
}  // namespace fendrel
