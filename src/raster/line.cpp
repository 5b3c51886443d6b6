#include "raster/line.h"

namespace fendrel {

TLinePattern MakeLinePattern(std::initializer_list<int> runs) {
  TLinePattern pattern;
  bool on = true;
  for (int run : runs) {
    if (pattern.RunCount == static_cast<int>(pattern.Runs.size())) break;
    pattern.Runs[static_cast<std::size_t>(pattern.RunCount++)] = run;
    for (int k = 0; k < run && pattern.Period < 32; ++k, ++pattern.Period) {
      if (on) pattern.Mask |= std::uint32_t{1} << pattern.Period;
    }
    on = !on;
  }
  return pattern;
}

}  // namespace fendrel
