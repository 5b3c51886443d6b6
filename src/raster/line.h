#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <utility>

#include "raster/geometry.h"

namespace fendrel {

// The on and off runs of a styled one-pixel pen.
struct TLinePattern {
  std::uint32_t Mask = 0;  // bit k set: pixel k of the period is drawn
  int Period = 0;          // 0: solid
  std::array<int, 6> Runs{};
  int RunCount = 0;

  bool Solid() const { return Period == 0; }
  bool On(std::int64_t k) const { return Period == 0 || ((Mask >> (k % Period)) & 1u) != 0; }
};

// Runs in pixels, starting with "on"; at most six, of 32 pixels together.
TLinePattern MakeLinePattern(std::initializer_list<int> runs);

// The steps of a pixel line from a towards b, b excluded: step i lies i
// pixels along the major axis and minorLen * i / n across it, rounded, where
// n is the longer extent. Only the steps whose major coordinate lies within
// bounds are planned.
struct TLineSteps {
  bool XMajor = true;
  int MajorStep = 1;
  int MinorStep = 1;
  std::int64_t Major0 = 0;
  std::int64_t Minor0 = 0;
  std::int64_t MinorLen = 0;
  std::int64_t Count = 0;  // n, every step of the line
  std::int64_t First = 0;  // the planned steps, both included
  std::int64_t Last = -1;
  // The rounded minor offset of step First and its remainder, in units of
  // 1 / (2n): advanced without division.
  std::int64_t Quotient = 0;
  std::int64_t Remainder = 0;
};

// False when no step can be seen.
inline bool PlanLine(TPoint a, TPoint b, const TRect& bounds, TLineSteps& steps) {
  const std::int64_t dx = std::int64_t{b.X} - a.X;
  const std::int64_t dy = std::int64_t{b.Y} - a.Y;
  const std::int64_t adx = std::llabs(dx);
  const std::int64_t ady = std::llabs(dy);
  steps.XMajor = adx >= ady;
  const std::int64_t n = steps.XMajor ? adx : ady;
  steps.Count = n;
  if (n == 0) return false;
  steps.MajorStep = (steps.XMajor ? dx : dy) < 0 ? -1 : 1;
  steps.MinorStep = (steps.XMajor ? dy : dx) < 0 ? -1 : 1;
  steps.Major0 = steps.XMajor ? a.X : a.Y;
  steps.Minor0 = steps.XMajor ? a.Y : a.X;
  steps.MinorLen = steps.XMajor ? ady : adx;
  if (bounds.Right <= bounds.Left || bounds.Bottom <= bounds.Top) return false;
  const std::int64_t lowBound = steps.XMajor ? bounds.Left : bounds.Top;
  const std::int64_t highBound = (steps.XMajor ? bounds.Right : bounds.Bottom) - 1;
  std::int64_t first = steps.MajorStep > 0 ? lowBound - steps.Major0 : steps.Major0 - highBound;
  std::int64_t last = steps.MajorStep > 0 ? highBound - steps.Major0 : steps.Major0 - lowBound;
  steps.First = std::max<std::int64_t>(first, 0);
  steps.Last = std::min(last, n - 1);
  if (steps.First > steps.Last) return false;
  steps.Quotient = 0;
  steps.Remainder = n;
  if (steps.First > 0) {
    const std::int64_t num = 2 * steps.First * steps.MinorLen + n;
    steps.Quotient = num / (2 * n);
    steps.Remainder = num % (2 * n);
  }
  return true;
}

// Visits every planned step as visit(x, y, i).
template <typename Visit>
void ForEachLineStep(const TLineSteps& steps, Visit&& visit) {
  const std::int64_t den = 2 * steps.Count;
  std::int64_t q = steps.Quotient;
  std::int64_t e = steps.Remainder;
  for (std::int64_t i = steps.First; i <= steps.Last; ++i) {
    const int major = static_cast<int>(steps.Major0 + steps.MajorStep * i);
    const int minor = static_cast<int>(steps.Minor0 + steps.MinorStep * q);
    e += 2 * steps.MinorLen;
    if (e >= den) {
      e -= den;
      ++q;
    }
    if (steps.XMajor) {
      visit(major, minor, i);
    } else {
      visit(minor, major, i);
    }
  }
}

// A styled line from a towards b (b excluded) within bounds: visit(x, y, on)
// for each pixel of the pen (on) and, over an opaque background, of its gaps.
// phase counts the pixels already styled along the same figure.
template <typename Visit>
void WalkStyledLine(TPoint a, TPoint b, const TRect& bounds, const TLinePattern& pattern,
                    bool opaqueGaps, int& phase, Visit&& visit) {
  TLineSteps steps;
  if (PlanLine(a, b, bounds, steps)) {
    ForEachLineStep(steps, [&](int x, int y, std::int64_t i) {
      const bool on = pattern.On(phase + i);
      if (!on && !opaqueGaps) return;
      if (x < bounds.Left || x >= bounds.Right || y < bounds.Top || y >= bounds.Bottom) return;
      visit(x, y, on);
    });
  }
  if (pattern.Period > 0) phase = static_cast<int>((phase + steps.Count) % pattern.Period);
}

// Steps up and down one column, as a dense series draws, gathered so that
// they are laid as one line: the same pixels, each written once.
class TColumnRun {
 public:
  bool Pending() const { return pending_; }
  // A step from from to to, both in one column, continuing the run if any.
  void Add(TPoint from, TPoint to) {
    if (!pending_) {
      pending_ = true;
      low_ = from.Y;
      high_ = from.Y;
    } else {
      low_ = std::min(low_, from.Y);
      high_ = std::max(high_, from.Y);
    }
    end_ = to;
  }
  // The line that lays the run, which ends: every start of a step is drawn,
  // the last end only where an earlier step passed it.
  std::pair<TPoint, TPoint> Take() {
    pending_ = false;
    const int low = std::min(low_, end_.Y + 1);
    const int high = std::max(high_, end_.Y - 1);
    return {{end_.X, low}, {end_.X, high + 1}};
  }

 private:
  bool pending_ = false;
  int low_ = 0;
  int high_ = 0;
  TPoint end_;
};

}  // namespace fendrel
