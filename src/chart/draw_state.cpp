#include "chart/draw_state.h"

namespace fendrel {

TPenState PenState(const TChartPen& pen) { return PenState(pen, pen.Color()); }

TPenState PenState(const TChartPen& pen, TColor color) {
  TPenState state;
  state.Color = color;
  state.Width = pen.Width();
  state.Mode = pen.Mode();
  if (!pen.Visible()) {
    state.Style = psClear;
    return state;
  }
  state.Style = pen.Style();
  state.SmallDots = pen.DrawsAlternatePixels();
  return state;
}

TFontState FontState(const TChartFont& font) {
  TFontState state;
  state.Name = font.Name();
  state.Size = font.Size();
  state.Color = font.Color();
  state.Style = font.Style();
  return state;
}

}  // namespace fendrel
