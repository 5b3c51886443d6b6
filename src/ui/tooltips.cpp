#include "ui/tooltips.h"

#include <QHash>
#include <QWidget>

namespace fendrel {

QString TControlTips::Level() {
  return QStringLiteral(
      "The wavelet packet's level L: the series split into 2^L bands, each 2^L times shorter. "
      "A step down splits every band into an average band and a difference band; a step up "
      "merges each pair back. A band of odd length leaves its last sample out at each step "
      "down, and a step up does not bring it back.");
}

QString TControlTips::WindowSize() {
  return QStringLiteral(
      "Zero = automatic: a tenth of each band's length (n/10, at least 2). K-Nearest-Neighbor "
      "compares runs of this many values and averages what followed as many of the nearest "
      "runs; the moving average takes the mean of this many last values.");
}

QString TControlTips::MovingAverage() {
  return QStringLiteral(
      "Forecasts each band's next value as the mean of its last Window Size values.");
}

QString TControlTips::NearestNeighbor() {
  return QStringLiteral(
      "Forecasts each band's next value from what followed the earlier runs of values most "
      "like the band's last run.");
}

QString TControlTips::UseWindowAverage() {
  return QStringLiteral(
      "Use window average to compute forecast. Checked: the mean of what followed the Window "
      "Size nearest runs; unchecked: what followed the single nearest run.");
}

QString TControlTips::DoForecast() {
  return QStringLiteral(
      "Appends one forecast value to every band of this level. Stepping back up carries them "
      "to level 0, where they become the last 2^L samples of the rebuilt series; the status "
      "line says where they start and which measured samples they replace.");
}

QString TControlTips::RandomSample() {
  return QStringLiteral(
      "Checked, Sample generate makes 100 uniform random values; unchecked, a sine of a random "
      "whole frequency.");
}

QString TControlTips::SampleGenerate() {
  return QStringLiteral(
      "Replaces the test series by 100 new samples (a sine, or random values when Random "
      "sample is checked) and shows it from level 0.");
}

void SetControlTip(QWidget* control, const QString& text) {
  // As rich text the tooltip wraps at words whatever its length.
  control->setToolTip(QStringLiteral("<p>") + text.toHtmlEscaped() + QStringLiteral("</p>"));
  control->setAccessibleDescription(text);
}

QString EvaluationColumnTip(const QString& header) {
  static const QHash<QString, QString> tips = {
      {QStringLiteral("Level"),
       QStringLiteral("The packet level the forecasts were made at; level 0 forecasts the "
                      "series itself.")},
      {QStringLiteral("Horizon"),
       QStringLiteral("How many samples ahead of the origin a forecast lands: one forecast per "
                      "band at level L gives 2^L samples.")},
      {QStringLiteral("Origins"),
       QStringLiteral("How many points of the test span the forecasts started from: at each, "
                      "only the samples before it were used.")},
      {QStringLiteral("MAE"), QStringLiteral("Mean absolute error of the forecasts.")},
      {QStringLiteral("RMSE"),
       QStringLiteral("Root mean squared error of the forecasts: large misses weigh more.")},
      {QStringLiteral("MAPE"),
       QStringLiteral("Mean absolute percentage error, over the actual values that are not 0.")},
      {QStringLiteral("MASE"),
       QStringLiteral("Mean absolute scaled error: the MAE divided by that of the one-step "
                      "naive forecast before the test span; below 1 beats it.")},
      {QStringLiteral("Naive MAE"),
       QStringLiteral("MAE of the naive forecast, which repeats the last known value.")},
      {QStringLiteral("Naive RMSE"),
       QStringLiteral("RMSE of the naive forecast, which repeats the last known value.")},
      {QStringLiteral("Relative MAE"),
       QStringLiteral("MAE divided by the naive MAE: below 1 the method beats the naive "
                      "forecast at this level, above 1 it does worse.")},
      {QStringLiteral("Index"), QStringLiteral("The sample's position in the series.")},
      {QStringLiteral("Actual"), QStringLiteral("The measured value of the sample.")},
      {QStringLiteral("Forecast"),
       QStringLiteral("The method's forecast of the sample, from the samples before its "
                      "origin.")},
      {QStringLiteral("Naive"),
       QStringLiteral("The naive forecast: the last value before the origin.")},
  };
  return tips.value(header);
}

}  // namespace fendrel
