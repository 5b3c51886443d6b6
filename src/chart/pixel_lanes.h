#pragma once

#include <span>
#include <string>
#include <vector>

namespace fendrel {

class TChartAxis;

// What the vector lanes need of an axis whose range is finite and not empty.
struct TPixelScale {
  double Minimum = 0;
  double Length = 0;
  double Range = 1;
  // The pixel of the range's start, counted up from (or down, when not
  // FromStart).
  double Base = 0;
  bool FromStart = true;
};

// Maps values[0 .. count) as TChartAxis::ValueToPixel does in its common
// case, several lanes at a time, into pixels. Values the common case cannot
// place (far off, not finite) and the last few that fill no whole vector are
// left out: their indices go to redo, in order, and the count of them is
// returned.
using PixelLanesFn = int (*)(const double* values, int count, const TPixelScale& scale, int* pixels,
                             int* redo);

struct PixelLanesVariant {
  std::string name;
  PixelLanesFn function;
};

// Every build of the lanes this processor can run, widest vectors first;
// ValuesToPixels uses the first.
std::vector<PixelLanesVariant> PixelLanesVariants();

// pixels[i] = axis.ValueToPixel(values[i] * factor) for every i, the same
// ints, computed many at a time. `lanes` picks a build (the widest when
// null).
void ValuesToPixels(const TChartAxis& axis, std::span<const double> values, double factor,
                    int* pixels, PixelLanesFn lanes = nullptr);

}  // namespace fendrel
