#pragma once

#include "chart/pens.h"
#include "platform/draw_context.h"

namespace fendrel {

// What a chart attribute gives the drawing surface. A hidden pen draws
// nothing; a one-pixel pen with SmallDots sets every other pixel; any other
// pen draws with its own colour, width, style and mix mode.
TPenState PenState(const TChartPen& pen);
// The same pen drawn in another colour.
TPenState PenState(const TChartPen& pen, TColor color);
TFontState FontState(const TChartFont& font);

}  // namespace fendrel
