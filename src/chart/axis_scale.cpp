#include "chart/axis_scale.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace fendrel {

double RoundHalfEven(double v) {
  // The default rounding mode rounds halves to even, and the program never
  // changes it; painting maps every point through here, so it must be cheap.
  // Small negative values give 0, not -0.
  const double whole = std::rint(v);
  return whole == 0 && v != 0 ? 0.0 : whole;
}

int RoundHalfEvenToInt(double v) {
  if (std::isnan(v)) return 0;
  const double r = RoundHalfEven(v);
  if (r >= static_cast<double>(INT_MAX)) return INT_MAX;
  if (r <= static_cast<double>(INT_MIN)) return INT_MIN;
  return static_cast<int>(r);
}

double NextNiceStep(double s) {
  if (!(s > 0) || !std::isfinite(s)) return s;
  if (s >= 10) return NextNiceStep(s * 0.1) * 10;
  if (s < 1) return NextNiceStep(s * 10) * 0.1;
  if (s < 2) return 2;
  if (s < 5) return 5;
  return 10;
}

double IncrementForCount(int maxLabels, double range, double increment, int labelsSeparation) {
  constexpr double kSmallest = 1e-12;
  if (maxLabels < 1) return kSmallest;
  double step = increment > 0 ? increment : (std::fabs(range) >= 1 ? 1.0 : kSmallest);
  // A range that is not a number has no step count to aim at: take the first
  // candidate; the label loop then draws nothing for it.
  if (labelsSeparation > 0 && std::isfinite(range) && std::isfinite(step)) {
    int k = maxLabels + 1;
    do {
      const double q = range / step;
      if (std::fabs(q) < 2147483647.0) {
        k = RoundHalfEvenToInt(q);
        if (k <= maxLabels) break;
      }
      const double next = NextNiceStep(step);
      // The ladder ends where the doubles end.
      if (!(next > step) || !std::isfinite(next)) break;
      step = next;
    } while (k > maxLabels);
  }
  return std::max(step, kSmallest);
}

std::vector<double> ValueLabelValues(double minimum, double maximum, double inc, bool roundFirst) {
  std::vector<double> values;
  if (!(inc > 0) || !std::isfinite(inc) || !std::isfinite(minimum) || !std::isfinite(maximum)) {
    return values;
  }
  const double range = maximum - minimum;
  if (!(std::fabs(range / inc) < 10000)) return values;

  double v = (minimum == maximum || !roundFirst) ? maximum : std::trunc(maximum / inc) * inc;
  while (v > maximum) {
    const double lower = v - inc;
    if (!(lower < v)) return values;
    v = lower;
  }
  const double limit = (minimum - 1e-12) / 1.000000000001;
  while (v >= limit && values.size() < kMaxTicks) {
    values.push_back(v);
    // At a large magnitude a small step can vanish in the rounding.
    const double lower = v - inc;
    if (!(lower < v)) break;
    v = lower;
  }
  return values;
}

namespace {

// The digits of |v| to 18 significant places and the power of ten of the first.
struct TDecimal {
  std::string Digits;
  int Exponent = 0;
};

TDecimal DecimalExpansion(double magnitude) {
  std::array<char, 40> buffer{};
  std::snprintf(buffer.data(), buffer.size(), "%.17e", magnitude);
  TDecimal d;
  const char* p = buffer.data();
  for (; *p != 'e' && *p != '\0'; ++p) {
    if (*p >= '0' && *p <= '9') d.Digits.push_back(*p);
  }
  if (*p == 'e') d.Exponent = std::atoi(p + 1);
  return d;
}

// Keeps the digits down to the thousandths, rounding half away from zero.
void RoundToThousandths(TDecimal& d) {
  const int keep = d.Exponent + 4;
  if (keep >= static_cast<int>(d.Digits.size())) return;
  if (keep < 0) {
    d.Digits.clear();
    return;
  }
  const bool up = d.Digits[static_cast<std::size_t>(keep)] >= '5';
  d.Digits.resize(static_cast<std::size_t>(keep));
  if (!up) return;
  int i = keep - 1;
  for (; i >= 0; --i) {
    char& c = d.Digits[static_cast<std::size_t>(i)];
    if (c != '9') {
      ++c;
      break;
    }
    c = '0';
  }
  if (i < 0) {
    d.Digits.insert(d.Digits.begin(), '1');
    ++d.Exponent;
  }
}

}  // namespace

std::string FormatAxisValue(double v, std::string_view thousandsSeparator, char decimalSeparator) {
  if (std::isnan(v)) return "NAN";
  if (std::isinf(v)) return v < 0 ? "-INF" : "INF";

  TDecimal d = DecimalExpansion(std::fabs(v));
  RoundToThousandths(d);
  const auto digitAt = [&d](int weight) {
    const int i = d.Exponent - weight;
    return i >= 0 && i < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<std::size_t>(i)]
                                                           : '0';
  };

  std::string integer;
  for (int w = std::max(d.Exponent, 0); w >= 0; --w) {
    const char c = digitAt(w);
    if (integer.empty() && c == '0' && w > 0) continue;
    integer.push_back(c);
  }
  std::string fraction;
  for (int w = -1; w >= -3; --w) fraction.push_back(digitAt(w));
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();

  std::string text;
  if (v < 0 && (integer != "0" || !fraction.empty())) text.push_back('-');
  for (std::size_t i = 0; i < integer.size(); ++i) {
    if (i > 0 && (integer.size() - i) % 3 == 0) text.append(thousandsSeparator);
    text.push_back(integer[i]);
  }
  if (!fraction.empty()) {
    text.push_back(decimalSeparator);
    text += fraction;
  }
  return text;
}

std::vector<int> MinorTickPositions(std::span<const int> ticks, int minorCount, int startPixel,
                                    int endPixel) {
  std::vector<int> positions;
  const std::size_t c = ticks.size();
  if (c < 2 || minorCount < 1) return positions;
  const auto keep = [&](long long p) {
    if (startPixel < p && p < endPixel) positions.push_back(static_cast<int>(p));
  };
  const double parts = static_cast<double>(minorCount) + 1;

  const double outer = (static_cast<double>(ticks[1]) - ticks[0]) / parts;
  for (int k = 1; k <= minorCount; ++k) {
    const long long r = RoundHalfEvenToInt(k * outer);
    keep(ticks[0] - r);
    keep(ticks[c - 1] + r);
  }
  for (std::size_t i = 1; i < c; ++i) {
    const double d = (static_cast<double>(ticks[i]) - ticks[i - 1]) / parts;
    for (int k = 1; k <= minorCount; ++k) keep(ticks[i] - RoundHalfEvenToInt(k * d));
  }
  return positions;
}

std::vector<std::string_view> TextLines(std::string_view text) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t end = text.find('\r', start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      return lines;
    }
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace fendrel
