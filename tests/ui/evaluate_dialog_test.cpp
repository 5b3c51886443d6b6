#include "ui/evaluate_dialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTableView>
#include <QTest>
#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "forecast/air_passengers.h"
#include "sample/text_format.h"
#include "support/recording_clipboard.h"
#include "support/recording_dialogs.h"
#include "support/window_controls.h"
#include "support/worker_count.h"
#include "platform/job_runner.h"
#include "ui/main_window.h"

namespace fendrel {
namespace {

TSampleData Wave(std::int32_t count) {
  TSampleData series;
  for (std::int32_t i = 0; i < count; ++i) series.Append(i, std::sin(i * 0.4) + (i % 7) * 0.1);
  return series;
}

void WaitUntilDone(TEvaluateDialog& dialog) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (dialog.Running() && std::chrono::steady_clock::now() < deadline) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
  }
  ASSERT_FALSE(dialog.Running());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "text after the last CR LF";
  return lines;
}

class EvaluateDialogTest : public ::testing::Test {
 protected:
  EvaluateDialogTest() : saved_(DecimalSeparator()) { SetDecimalSeparator(','); }
  ~EvaluateDialogTest() override { SetDecimalSeparator(saved_); }

  // The window's session holding `series`, with the forecast settings given.
  TSession& Holding(const TSampleData& series, const TForecastSettings& settings) {
    window.Session().TestData() = series;
    window.Session().SetForecastSettings(settings);
    return window.Session();
  }

  RecordingClipboard clipboard;
  RecordingDialogs dialogs;
  TDesktop desktop{dialogs, clipboard};
  TForm1 window{nullptr, &desktop};

 private:
  char saved_;
};

TEST_F(EvaluateDialogTest, CtrlCCopiesTheWholeLevelsTable) {
  TEvaluateDialog dialog(Holding(Wave(100), {fmNearestNeighbor, 0, true}), window.Jobs(), &window);
  EXPECT_EQ(dialog.MethodLabel->text().toStdString(),
            "K-Nearest-Neighbor, automatic window, window average; Season 14, found in the series");
  EXPECT_EQ(dialog.SpanSpin->value(), 20);
  WaitUntilDone(dialog);
  QTest::keyClick(dialog.LevelsTable, Qt::Key_C, Qt::ControlModifier);
  const std::vector<std::string> lines = Lines(clipboard.Text());
  ASSERT_EQ(lines.size(), 7u);  // the header and levels 0 to 5
  EXPECT_EQ(lines[0],
            "Level\tHorizon\tOrigins\tMAE\tRMSE\tMAPE\tMASE\tNaive MAE\tNaive RMSE\tRelative MAE\t"
            "Seasonal naive MAE\tDrift MAE\tMean MAE\tBest simple\tRelative to best\tp-value");
  const TLevelEvaluation& one = dialog.Evaluation()->levels[0];
  EXPECT_EQ(lines[1].rfind("0\t1\t20\t" + FormatFixed(one.method.mae, 16, 8) + "\t", 0), 0u);
  EXPECT_NE(lines[1].find(FormatFixed(*one.relativeMae, 16, 8)), std::string::npos);
  EXPECT_NE(lines[1].find(','), std::string::npos);
  // 32 samples from 80 on would end past the series: not evaluable.
  EXPECT_EQ(lines[6], "5\t32\t0\t\t\t\t\t\t\t\t\t\t\t\t\t");
  EXPECT_TRUE(dialogs.messages.empty());

  dialog.SelectLevel(1);
  const std::vector<std::string> rows = Lines(dialog.ForecastsText());
  ASSERT_EQ(rows.size(), 23u);  // the header, 20 tested samples, the next block's 2
  EXPECT_EQ(rows[0],
            "Index\tActual\tForecast\tNaive\tBest simple\t80 % low\t80 % high\t95 % low\t95 % "
            "high\tPart");
  EXPECT_EQ(rows[1].substr(0, 3), "80\t");
  EXPECT_EQ(rows[20].substr(rows[20].size() - 14), "\t\t\t\t\ttest span");
  EXPECT_EQ(rows[21].rfind("100\t\t", 0), 0u);
  EXPECT_EQ(rows[22].substr(rows[22].size() - 11), "\tnext block");
  EXPECT_EQ(dialog.HorizonTable->model()->rowCount(), 2);

  dialog.show();
  QTest::keyClick(&dialog, Qt::Key_Escape);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST_F(EvaluateDialogTest, ATooShortSeriesGivesLevelsThatAreNotEvaluable) {
  // With no worker threads at all the evaluation still runs beside the dialog.
  tbb::global_control one(tbb::global_control::max_allowed_parallelism, 1);
  TEvaluateDialog dialog(Holding(Wave(2), {fmMovingAverage, 12, true}), window.Jobs(), &window);
  EXPECT_EQ(dialog.MethodLabel->text().toStdString(),
            "Moving average, window 12; Season 1, found in the series");
  WaitUntilDone(dialog);
  EXPECT_EQ(Lines(dialog.LevelsText()).at(1), "0\t1\t0\t\t\t\t\t\t\t\t\t\t\t\t\t");
  EXPECT_TRUE(dialogs.errors.empty());
}

TEST_F(EvaluateDialogTest, ChangingTheSpanRecomputesAndCancelStops) {
  window.Jobs().SetInlineSize(0);
  TEvaluateDialog dialog(Holding(Wave(40000), {fmNearestNeighbor, 0, true}), window.Jobs(), &window);
  ASSERT_TRUE(dialog.Running());
  dialog.CancelButton->click();
  EXPECT_FALSE(dialog.Running());
  EXPECT_EQ(dialog.Evaluation(), nullptr);
  dialog.SpanSpin->setValue(30);
  dialog.OriginsSpin->setValue(3);
  WaitUntilDone(dialog);
  ASSERT_NE(dialog.Evaluation(), nullptr);
  EXPECT_EQ(dialog.Evaluation()->settings.testSpan, 30);
  EXPECT_EQ(dialog.Evaluation()->levels[0].origins.size(), 3u);
}

TEST_F(EvaluateDialogTest, TheVerdictOnASeasonalSeriesNamesTheSeasonalNaiveForecast) {
  TSampleData passengers;
  for (const double y : kAirPassengers) passengers.Append(passengers.Count(), y);
  TEvaluateDialog dialog(Holding(passengers, {fmNearestNeighbor, 0, true}), window.Jobs(),
                         &window);
  WaitUntilDone(dialog);
  EXPECT_EQ(dialog.SeasonSpin->value(), 12);
  EXPECT_EQ(dialog.SeasonSpin->maximum(), 58);  // half of the 116 samples before the span
  EXPECT_EQ(dialog.SeasonSourceLabel->text(), "found in the series");
  EXPECT_EQ(dialog.MethodLabel->text().toStdString(),
            "K-Nearest-Neighbor, automatic window, window average; Season 12, found in the series");
  const std::string verdict = dialog.BestLabel->text().toStdString();
  EXPECT_EQ(verdict.rfind("No level beats the best simple forecast with confidence", 0), 0u);
  EXPECT_NE(verdict.find("than the seasonal naive forecast"), std::string::npos) << verdict;
  EXPECT_EQ(dialog.CoverageLabel->text().toStdString().rfind("80 % interval covered", 0), 0u);
  // Copy Forecasts ends with the next block, after the last sample.
  dialog.SelectLevel(2);
  const std::vector<std::string> rows = Lines(dialog.ForecastsText());
  EXPECT_EQ(rows.back().rfind("147\t\t", 0), 0u);

  dialog.SeasonSpin->setValue(6);
  EXPECT_EQ(dialog.SeasonSourceLabel->text(), "set by you");
  WaitUntilDone(dialog);
  EXPECT_EQ(dialog.Evaluation()->season, 6);
  EXPECT_FALSE(dialog.Evaluation()->seasonFound);
  EXPECT_NE(dialog.MethodLabel->text().toStdString().find("Season 6, set by you"),
            std::string::npos);
}

TEST_F(EvaluateDialogTest, TheForecastMenuStandsBetweenEditAndHelp) {
  QStringList titles;
  for (QAction* action : window.menuBar()->actions()) titles << action->text();
  EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "F&orecast", "&Help"}));
  EXPECT_EQ(Control<QAction>(window, "Evaluate1")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
}

}  // namespace
}  // namespace fendrel
