#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sample/huge_page_allocator.h"

namespace fendrel {

// The one container of numbers: an ordered, resizable list of (x, y) samples.
// x and y are kept in two arrays so that the hot loops (wavelet steps, the
// nearest-neighbour distances) run over contiguous y values.
class TSampleData {
 public:
  explicit TSampleData(std::int32_t count = 0);

  std::int32_t Count() const { return static_cast<std::int32_t>(ys_.size()); }
  void SetCount(std::int32_t count);
  // SetCount for a reader that then writes every sample: new samples are
  // left unwritten rather than cleared first.
  void SetCountForOverwrite(std::int32_t count);

  double GetX(std::int32_t i) const { return xs_[static_cast<std::size_t>(i)]; }
  double GetY(std::int32_t i) const { return ys_[static_cast<std::size_t>(i)]; }
  void SetX(std::int32_t i, double x) { xs_[static_cast<std::size_t>(i)] = x; }
  void SetY(std::int32_t i, double y) { ys_[static_cast<std::size_t>(i)] = y; }
  void Append(double x, double y);

  // Orders by (x, y) ascending. NaN sorts after every number, so the order is
  // total and the result does not depend on the sorting method.
  void Sort();

  void GenerateSine();
  void GenerateRandom();

  void LoadFromFile(const std::string& path);
  // Returns how many values had to be rounded to 8 decimals, their full text
  // being too long (see FormatKeptTo).
  std::int64_t SaveToFile(const std::string& path) const;

  // Contiguous views for loops that touch every sample.
  const double* XData() const { return xs_.data(); }
  const double* YData() const { return ys_.data(); }
  double* XData() { return xs_.data(); }
  double* YData() { return ys_.data(); }
  void Reserve(std::int32_t count);

 private:
  using Values = std::vector<double, HugePageAllocator<double>>;

  Values xs_;
  Values ys_;
};

}  // namespace fendrel
