#pragma once

#include <string>

namespace fendrel {

class TChart;

// What a screen reader says of a chart: its title as the name, and as the
// description what it shows, made only when asked, from the numbers the
// chart keeps anyway:
//   "Wavelet data (haars), Level 3: 8 series of 12 points, values -1.2 to 0.9"
// The subject is the title followed by the foot, where the window writes the
// level; then the active series, their points and the range of their values,
// written as the value axis writes numbers.
std::string ChartAccessibleName(const TChart& chart);
std::string ChartDescription(const TChart& chart);

// Lets Qt's accessibility find charts through the interface above; once is
// enough, every chart asks for it when made.
void InstallChartAccessible();

}  // namespace fendrel
