#pragma once

#include <QDialog>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forecast/evaluation.h"
#include "sample/sample_data.h"
#include "session/session.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QSpinBox;
class QTableView;
class QTimer;

namespace fendrel {

class TQtJobRunner;
class TChart;
class TLineSeries;
class TEvaluationTableModel;

// "Evaluate forecast": how well every level forecasts the last part of the
// series, each forecast made from the samples before its origin alone, next
// to the simple forecasts (the last value, the last season, the drift and the
// mean), with a verdict that says whether a level beats the best of them by
// more than chance, intervals with their honest coverage, and the forecast
// of the block after the last sample. The evaluation is a command of the
// session, run as a job while the dialog stays responsive; changing the test
// span, the number of origins or the season starts it again. The dialog only
// shows and copies: the session keeps its series, packet and settings.
class TEvaluateDialog : public QDialog {
  Q_OBJECT

 public:
  TEvaluateDialog(TSession& session, TQtJobRunner& jobs, QWidget* parent = nullptr);
  ~TEvaluateDialog() override;

  // The method settings in words, such as "K-Nearest-Neighbor, window 12,
  // window average".
  static std::string MethodText(const TForecastSettings& settings);

  // The levels table, and the selected level's forecasts (the test span's,
  // then the next block's with its intervals), as clipboard text: a header line, TAB-separated
  // fields, fixed-point numbers with 16 digits and 8 decimals, an empty field where a value is
  // undefined, CR LF after every line.
  std::string LevelsText() const;
  std::string ForecastsText() const;

  // The last finished evaluation, or nullptr while none has finished.
  const TEvaluation* Evaluation() const { return evaluation_.get(); }
  // An evaluation runs or is about to start.
  bool Running() const;
  // The level whose forecasts the per-horizon table and the chart show.
  int SelectedLevel() const;
  void SelectLevel(int level);


  QLabel* MethodLabel = nullptr;
  QSpinBox* SpanSpin = nullptr;
  QSpinBox* OriginsSpin = nullptr;
  // The season of the simple seasonal forecast, and where it came from.
  QSpinBox* SeasonSpin = nullptr;
  QLabel* SeasonSourceLabel = nullptr;
  QTableView* LevelsTable = nullptr;
  // The verdict: which level beats the best simple forecast with confidence.
  QLabel* BestLabel = nullptr;
  // How the selected level's intervals held.
  QLabel* CoverageLabel = nullptr;
  QTableView* HorizonTable = nullptr;
  TChart* Chart = nullptr;
  QProgressBar* Progress = nullptr;
  QPushButton* CancelButton = nullptr;
  QPushButton* CopyChartButton = nullptr;
  QPushButton* ExportPictureButton = nullptr;
  QPushButton* CopyForecastsButton = nullptr;
  QPushButton* CloseButton = nullptr;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // Starts the evaluation for the spins' values, dropping one that runs.
  void Start();
  void StopJob();
  void ExportPicture();
  void ShowEvaluation();
  void ShowSelectedLevel();
  void ShowRunning(bool running);
  void SeasonSetByUser();
  void SpanChanged();
  void CopyChart();
  void CopyForecasts();

  TSession& session_;
  TQtJobRunner& jobs_;
  const TSampleData& series_;
  TForecastSettings settings_;
  // An evaluation of this dialog's runs.
  bool running_ = false;
  std::unique_ptr<TEvaluation> evaluation_;
  TEvaluationTableModel* levelsModel_ = nullptr;
  TEvaluationTableModel* horizonModel_ = nullptr;
  QTimer* restart_ = nullptr;
  std::unique_ptr<TLineSeries> actual_;
  std::unique_ptr<TLineSeries> forecast_;
  std::unique_ptr<TLineSeries> naive_;
  std::unique_ptr<TLineSeries> best_;
  std::unique_ptr<TLineSeries> next_;
  std::unique_ptr<TLineSeries> low80_;
  std::unique_ptr<TLineSeries> high80_;
  std::unique_ptr<TLineSeries> low95_;
  std::unique_ptr<TLineSeries> high95_;
  // Until the user sets the season, each evaluation finds it in the series.
  bool seasonSetByUser_ = false;
};

}  // namespace fendrel
