#pragma once

#include "chart/chart.h"
#include "platform/color.h"

namespace fendrel {

// The settings the main window gives both of its charts, for tests and
// benchmarks that paint a chart on its own.
inline void SetUpLikeTheWindow(TChart& chart, const char* title) {
  chart.Title().ClearText();
  chart.Title().AddText(title);
  chart.BottomAxis().Title().SetCaption("Time");
  chart.LeftAxis().Title().SetCaption("Values");
  chart.Legend().SetVisible(false);
  chart.BackWall().Brush().SetColor(clWhite);
  chart.BackWall().Brush().SetStyle(bsClear);
}

}  // namespace fendrel
