#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace fendrel {

// The numeric side of an axis, free of any chart or painting: steps, label
// values, label texts and minor tick positions. Everything here terminates
// and stays bounded whatever the doubles it is given (infinities, NaN, ranges
// whose ends are too far apart or too close for their magnitude).

// At most this many tick positions are recorded per painted axis.
inline constexpr std::size_t kMaxTicks = 2000;

// Nearest whole number with halves to the even neighbour, as a double.
double RoundHalfEven(double v);
// The same as an int; NaN gives 0 and far values are held at the int range.
int RoundHalfEvenToInt(double v);

// The next step of the ladder 1, 2, 5 times a power of ten above s (from 1:
// 2, from 5: 10, from 10: 20). Zero, negative and non-finite steps come back
// unchanged, so a caller can tell that no step lies above them.
double NextNiceStep(double s);

// The label step for at most maxLabels labels over range: the first candidate
// is increment when above 0, else 1 for a range of at least 1, else 1e-12; with
// a positive labelsSeparation the candidate climbs the ladder until the range
// holds no more than maxLabels steps. Never below 1e-12.
double IncrementForCount(int maxLabels, double range, double increment, int labelsSeparation);

// The values that get a label, from the top down: the first is maximum (or,
// with roundFirst and a non-empty range, maximum cut to a whole multiple of
// inc, moved below maximum if need be); each next one is one inc lower, down
// to just below minimum. None when the range holds 10,000 steps or more or is
// not finite. The list stops when subtracting inc no longer lowers a value and
// never holds more than kMaxTicks values.
std::vector<double> ValueLabelValues(double minimum, double maximum, double inc, bool roundFirst);

// A number as "#,##0.###": grouped integer digits, at most three decimals
// rounded half away from zero on the 18-digit decimal expansion, trailing
// zeros dropped, and no sign on a value that rounds to zero.
std::string FormatAxisValue(double v, std::string_view thousandsSeparator, char decimalSeparator);

// Minor tick positions between the major ticks (and beyond the outer ones,
// continuing their spacing), minorCount per gap, kept only strictly between
// startPixel and endPixel. Fewer than two major ticks give none.
std::vector<int> MinorTickPositions(std::span<const int> ticks, int minorCount, int startPixel,
                                    int endPixel);

// The lines of a chart text: carriage returns separate them.
std::vector<std::string_view> TextLines(std::string_view text);

}  // namespace fendrel
