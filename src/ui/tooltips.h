#pragma once

#include <QString>

class QWidget;

namespace fendrel {

// What each control of the window says it does, shown as its tooltip and
// given to screen readers as its description.
struct TControlTips {
  static QString Level();
  static QString WindowSize();
  static QString MovingAverage();
  static QString NearestNeighbor();
  static QString UseWindowAverage();
  static QString DoForecast();
  static QString RandomSample();
  static QString SampleGenerate();
};

// Gives the control the text as its tooltip (wrapped) and its accessible
// description.
void SetControlTip(QWidget* control, const QString& text);

// The tooltip of a column of the evaluation's tables, known by its header;
// empty for a header it does not know.
QString EvaluationColumnTip(const QString& header);

}  // namespace fendrel
