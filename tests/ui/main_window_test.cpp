#include "ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "chart/chart.h"
#include "chart/series.h"
#include "forecast/k_nearest_neighbor.h"
#include "forecast/moving_average.h"
#include "platform/locale.h"
#include "sample/sample_data.h"
#include "sample/text_format.h"
#include "session/session.h"
#include "support/recording_clipboard.h"
#include "support/recording_dialogs.h"
#include "support/window_controls.h"
#include "support/worker_count.h"
#include "ui/text_grid.h"
#include "ui/wavelet_view.h"
#include "wavelet/wavelet.h"

namespace fendrel {
namespace {

std::string GridText(double value) { return FormatFixed(value, 15, 6); }

class MainWindowTest : public ::testing::Test {
 protected:
  MainWindowTest() { ApplySeparators({'.', ","}); }

  // The grid, the chart and the packet must tell the same story.
  void ExpectWaveViewMatchesPacket() {
    TWavelet& wavelet = form.Session().Wavelet();
    const int bands = wavelet.BandCount();
    const int length = wavelet.GetBand(0)->Count();
    ASSERT_EQ(ui.sgWave->ColCount(), bands + 1);
    ASSERT_EQ(ui.sgWave->RowCount(), length + 1);
    ASSERT_EQ(ui.chWave->SeriesTotal(), bands);
    // Only the series on show are alive.
    ASSERT_EQ(form.WaveView().SeriesCount(), bands);
    EXPECT_EQ(ui.chWave->Foot().Text(),
              std::vector<std::string>{"Level " + std::to_string(wavelet.Level())});
    for (int b = 0; b < bands; ++b) {
      const TSampleData& band = *wavelet.GetBand(b);
      TChartSeries& series = *ui.chWave->SeriesAt(b);
      ASSERT_EQ(&series, form.WaveView().Series(b));
      EXPECT_EQ(series.Title(), "Wave " + std::to_string(b));
      EXPECT_EQ(ui.sgWave->Cell(b + 1, 0), "Wave " + std::to_string(b));
      ASSERT_EQ(series.PointCount(), band.Count());
      for (int r = 0; r < band.Count(); ++r) {
        ASSERT_EQ(series.XValue(r), r);
        ASSERT_EQ(series.YValue(r), band.GetY(r));
        ASSERT_EQ(ui.sgWave->Cell(b + 1, r + 1), GridText(band.GetY(r)));
      }
    }
    for (int r = 0; r < length; ++r) ASSERT_EQ(ui.sgWave->Cell(0, r + 1), std::to_string(r));
  }

  RecordingDialogs dialogs;
  RecordingClipboard clipboard;
  TDesktop desktop{dialogs, clipboard};
  TForm1 form{nullptr, &desktop};
  WindowControls ui{form};
};

TEST_F(MainWindowTest, StartUpState) {
  ASSERT_EQ(form.Session().TestData().Count(), 100);
  EXPECT_EQ(ui.sgTest->RowCount(), 101);
  EXPECT_EQ(ui.sgTest->Cell(1, 0), "Value");
  EXPECT_EQ(ui.sgTest->Cell(0, 100), "99");
  EXPECT_EQ(ui.sgTest->Cell(1, 100), GridText(form.Session().TestData().GetY(99)));
  EXPECT_EQ(ui.UpDown1->Position(), 0);
  EXPECT_EQ(ui.UpDown1->Max(), 5);
  EXPECT_EQ(ui.Edit1->text(), "0");
  EXPECT_EQ(ui.UpDown2->Position(), 0);
  EXPECT_EQ(ui.UpDown2->Max(), 99);
  EXPECT_TRUE(ui.cbKNN->isChecked());
  EXPECT_FALSE(ui.cbKNN->isEnabled());

  ASSERT_EQ(ui.chTest->SeriesTotal(), 1);
  EXPECT_EQ(ui.chTest->SeriesAt(0)->Title(), "Sample");
  EXPECT_EQ(ui.chTest->SeriesAt(0)->SeriesColor(), clRed);
  ASSERT_EQ(ui.chTest->SeriesAt(0)->PointCount(), 100);
  EXPECT_EQ(ui.chTest->SeriesAt(0)->YValue(42), form.Session().TestData().GetY(42));
  EXPECT_EQ(ui.chWave->SeriesAt(0)->SeriesColor(), clRed);
  ExpectWaveViewMatchesPacket();
  // Colour first, then the clear style: the order that keeps the wall clear.
  EXPECT_EQ(ui.chWave->BackWall().Brush().Style(), bsClear);
  EXPECT_EQ(form.windowIcon().availableSizes(), (QList<QSize>{{16, 16}, {32, 32}}));
}

TEST_F(MainWindowTest, LayoutFollowsTheDesignAndTheWindowSize) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_EQ(ui.ClientArea->size(), QSize(775, 486));
  EXPECT_EQ(ui.Panel1->geometry(), QRect(161, 0, 614, 486));
  EXPECT_EQ(ui.GroupBox3->geometry(), QRect(1, 212, 612, 273));
  EXPECT_EQ(ui.sgTest->geometry(), QRect(2, 15, 207, 191));
  EXPECT_EQ(ui.chWave->geometry(), QRect(212, 15, 398, 256));

  form.resize(form.width() + 100, form.height() + 50);
  QApplication::processEvents();
  EXPECT_EQ(ui.GroupBox1->height(), 536);
  EXPECT_EQ(ui.chTest->geometry(), QRect(212, 15, 498, 191));
  EXPECT_EQ(ui.chWave->geometry(), QRect(212, 15, 498, 306));

  // Made as small as it goes, the window still shows every parameter control
  // whole and leaves both charts room to be read.
  form.resize(420, 300);
  QApplication::processEvents();
  const QRect client = ui.ClientArea->rect();
  for (QWidget* control : ui.GroupBox1->findChildren<QWidget*>()) {
    if (!control->isVisibleTo(&form)) continue;
    const QRect shown(control->mapTo(ui.ClientArea, QPoint(0, 0)), control->size());
    EXPECT_TRUE(client.contains(shown)) << control->metaObject()->className();
    const QRect parentRect = control->parentWidget()->rect();
    EXPECT_TRUE(parentRect.contains(control->geometry())) << control->metaObject()->className();
  }
  for (const TChart* chart : {ui.chTest, ui.chWave}) {
    EXPECT_GE(chart->width(), 160);
    EXPECT_GE(chart->height(), 120);
  }
}

TEST_F(MainWindowTest, HiddenButtonsCannotBeReachedByMouseOrTab) {
  form.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
  EXPECT_NE(ui.GroupBox1->childAt(80, 420), ui.btPlot);
  EXPECT_NE(ui.GroupBox1->childAt(80, 452), ui.Button3);
  QApplication::setActiveWindow(&form);
  ui.Edit1->setFocus();
  std::vector<QWidget*> visited;
  for (int i = 0; i < 20; ++i) {
    visited.push_back(QApplication::focusWidget());
    QTest::keyClick(visited.back(), Qt::Key_Tab);
  }
  EXPECT_EQ(std::vector<QWidget*>(visited.begin(), visited.begin() + 4),
            (std::vector<QWidget*>{ui.Edit1, ui.opRandomSample, ui.Button1, ui.rbMA}));
  EXPECT_EQ(std::count(visited.begin(), visited.end(), ui.btPlot), 0);
  EXPECT_EQ(std::count(visited.begin(), visited.end(), ui.Button3), 0);
}

TEST_F(MainWindowTest, LevelSpinWalksEveryLevelOfAHundredSamples) {
  const int lengths[] = {100, 50, 25, 12, 6, 3};
  for (int level = 1; level <= 5; ++level) {
    ASSERT_TRUE(ui.UpDown1->Step(btNext));
    ASSERT_EQ(form.Session().Wavelet().Level(), level);
    EXPECT_EQ(form.Session().Wavelet().BandCount(), 1 << level);
    EXPECT_EQ(form.Session().Wavelet().GetBand(0)->Count(), lengths[level]);
    ExpectWaveViewMatchesPacket();
  }
  // Palette order, then red again once all sixteen are taken.
  EXPECT_EQ(ui.chWave->SeriesAt(1)->SeriesColor(), clGreen);
  EXPECT_EQ(ui.chWave->SeriesAt(15)->SeriesColor(), clBlack);
  EXPECT_EQ(ui.chWave->SeriesAt(16)->SeriesColor(), clRed);

  // At the maximum a step changes nothing and redraws nothing.
  form.WaveView().Series(0)->SetTitle("kept");
  EXPECT_FALSE(ui.UpDown1->Step(btNext));
  EXPECT_EQ(form.WaveView().Series(0)->Title(), "kept");
  for (int level = 4; level >= 0; --level) {
    ASSERT_TRUE(ui.UpDown1->Step(btPrev));
    ExpectWaveViewMatchesPacket();
  }
  EXPECT_EQ(ui.sgTest->RowCount(), 101);
}

TEST(MainWindowClose, ClosesCleanlyFromEveryLevel) {
  RecordingDialogs dialogs;
  RecordingClipboard clipboard;
  TDesktop desktop{dialogs, clipboard};
  for (int level = 0; level <= 5; ++level) {
    auto form = std::make_unique<TForm1>(nullptr, &desktop);
    const WindowControls ui(*form);
    form->show();
    for (int i = 0; i < level; ++i) ASSERT_TRUE(ui.UpDown1->Step(btNext));
    if (level % 2 == 1) form->Button2Click(nullptr);
    QApplication::processEvents();
    ASSERT_EQ(ui.chWave->SeriesTotal(), 1 << level);
    form->close();
    form.reset();
  }
}

TEST_F(MainWindowTest, ForecastAddsOneRowPerPressAndKeepsTheTestGrid) {
  TSampleData band = *form.Session().Wavelet().GetBand(0);
  const double expected = TMovingAverage(band).Forecast();
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  EXPECT_EQ(ui.sgWave->RowCount(), 102);
  EXPECT_EQ(ui.sgWave->Cell(1, 101), GridText(expected));
  EXPECT_EQ(ui.sgTest->RowCount(), 101);
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  EXPECT_EQ(ui.sgWave->RowCount(), 103);
  ExpectWaveViewMatchesPacket();
}

TEST_F(MainWindowTest, NearestNeighbourForecastUsesTheWindowSpinAndTheCheckBox) {
  ui.UpDown1->Step(btNext);
  ui.UpDown2->Step(btNext);
  QTest::mouseClick(ui.rbKNN, Qt::LeftButton);
  EXPECT_TRUE(ui.cbKNN->isEnabled());
  QTest::mouseClick(ui.cbKNN, Qt::LeftButton);
  std::vector<double> expected;
  for (int b = 0; b < form.Session().Wavelet().BandCount(); ++b) {
    TSampleData band = *form.Session().Wavelet().GetBand(b);
    TKNearestNeighbor forecaster(band);
    forecaster.SetUseWindowAverage(false);
    forecaster.SetWindow(1);
    expected.push_back(forecaster.Forecast());
  }
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  for (int b = 0; b < form.Session().Wavelet().BandCount(); ++b) {
    ASSERT_EQ(form.Session().Wavelet().GetBand(b)->Count(), 51);
    EXPECT_EQ(form.Session().Wavelet().GetBand(b)->GetY(50), expected[static_cast<std::size_t>(b)]);
  }
  ExpectWaveViewMatchesPacket();

  QTest::mouseClick(ui.rbMA, Qt::LeftButton);
  EXPECT_FALSE(ui.cbKNN->isEnabled());
  EXPECT_FALSE(ui.cbKNN->isChecked());
}

// The band series are made on the workers in blocks: with 1, 2 or 8 of them
// every band keeps its place, its points and its colour.
TEST_F(MainWindowTest, BandSeriesAreTheSameWithAnyNumberOfWorkers) {
  form.Session().TestData().SetCount(1 << 14);
  form.Session().TestData().GenerateSine();
  form.btPlotClick(nullptr);
  std::vector<TColor> colors;
  for (int workers : kWorkerCounts) {
    SCOPED_TRACE(workers);
    WithWorkers(workers, [&] {
      ui.UpDown1->SetPosition(13);
      form.UpDown1Click(ui.UpDown1, btNext);
      ExpectWaveViewMatchesPacket();
      std::vector<TColor> shown;
      for (int b = 0; b < ui.chWave->SeriesTotal(); ++b) {
        shown.push_back(ui.chWave->SeriesAt(b)->SeriesColor());
      }
      if (colors.empty()) colors = shown;
      EXPECT_EQ(shown, colors);
      ui.UpDown1->SetPosition(0);
      form.UpDown1Click(ui.UpDown1, btPrev);
    });
  }
  EXPECT_EQ(colors.size(), std::size_t{1} << 13);
}

TEST_F(MainWindowTest, SpinMaximaStayWithinTheSpinRange) {
  EXPECT_EQ(TSession::LevelSpinMax(0), 0);
  EXPECT_EQ(TSession::LevelSpinMax(6), 5);
  EXPECT_EQ(TSession::WindowSpinMax(0), 0);
  EXPECT_EQ(TSession::WindowSpinMax(32768), 32767);
  EXPECT_EQ(TSession::WindowSpinMax(65537), 32767);
  form.Session().TestData().SetCount(40000);
  form.btPlotClick(nullptr);
  EXPECT_EQ(ui.UpDown2->Max(), 32767);
}

TEST_F(MainWindowTest, EmptySeriesKeepsHeaderRowsAndZeroMaxima) {
  form.Session().TestData().SetCount(0);
  form.btPlotClick(nullptr);
  EXPECT_EQ(ui.UpDown1->Max(), 0);
  EXPECT_EQ(ui.UpDown2->Max(), 0);
  EXPECT_EQ(ui.sgTest->RowCount(), 1);
  EXPECT_EQ(ui.sgTest->FixedRows(), 1);
  EXPECT_EQ(ui.sgTest->Cell(1, 0), "Value");
  EXPECT_EQ(ui.chTest->SeriesAt(0)->PointCount(), 0);
  ExpectWaveViewMatchesPacket();
  QTest::mouseClick(ui.Button2, Qt::LeftButton);
  EXPECT_TRUE(dialogs.errors.empty());
  ExpectWaveViewMatchesPacket();
}

TEST_F(MainWindowTest, FailureInACommandReachesTheErrorBoxAndTheWindowStaysUsable) {
  const std::vector<double> before(form.Session().TestData().YData(),
                                   form.Session().TestData().YData() + 100);
  dialogs.fileAnswers = {"/nonexistent-folder/sample.qls"};
  ui.Open1->trigger();
  ASSERT_EQ(dialogs.errors.size(), 1u);
  const std::string& error = dialogs.errors[0];
  EXPECT_EQ(error.rfind("Cannot open file \"/nonexistent-folder/sample.qls\". ", 0), 0u) << error;
  EXPECT_EQ(error.back(), '.');
  EXPECT_NE(error[error.size() - 2], '.');
  EXPECT_EQ(std::vector<double>(form.Session().TestData().YData(),
                                form.Session().TestData().YData() + 100),
            before);

  QTest::mouseClick(ui.Button1, Qt::LeftButton);
  EXPECT_EQ(dialogs.errors.size(), 1u);
  EXPECT_EQ(ui.sgTest->Cell(1, 1), GridText(form.Session().TestData().GetY(0)));
}

TEST_F(MainWindowTest, LocaleChangeRereadsTheSeparators) {
  ApplySeparators({',', "."});
  ui.UpDown2->SetMax(5000);
  ui.UpDown2->SetPosition(1234);
  EXPECT_EQ(ui.Edit2->text(), "1.234");
  QEvent change(QEvent::LocaleChange);
  QApplication::sendEvent(&form, &change);
  const TLocaleSeparators system = SeparatorsOf(QLocale::system());
  EXPECT_EQ(DecimalSeparator(), system.Decimal);
  EXPECT_EQ(ui.Edit2->text(), TUpDown::PositionText(1234, system.Thousands));
  ApplySeparators({'.', ","});
}

}  // namespace
}  // namespace fendrel
