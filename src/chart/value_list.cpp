#include "chart/value_list.h"

#include <cmath>

#include "chart/series.h"

namespace fendrel {

EListError::EListError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

TChartValueList::TChartValueList(TChartSeries* owner, std::string name, TChartListOrder order)
    : Owner_(owner), Name_(std::move(name)), Order_(order) {}

void TChartValueList::SetMultiplier(double value) {
  if (value == Multiplier_) return;
  Multiplier_ = value;
  Stale_ = true;
  if (Owner_ != nullptr) Owner_->Repaint();
}

void TChartValueList::SetDateTime(bool value) {
  if (value == DateTime_) return;
  DateTime_ = value;
  if (Owner_ != nullptr) Owner_->Repaint();
}

double TChartValueList::Value(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return Values_[static_cast<std::size_t>(index)] * Multiplier_;
}

int TChartValueList::AddOrdered(double value) {
  Stale_ = true;
  // Appending is the common case (data arriving in order) and needs no search.
  if (Order_ == loNone || Values_.empty() || (Order_ == loAscending && Values_.back() <= value) ||
      (Order_ == loDescending && Values_.back() >= value)) {
    Values_.push_back(value);
    return Count() - 1;
  }
  // Walk back past the values that must follow v, so that v lands after its equals.
  int t = Count() - 1;
  if (Order_ == loAscending) {
    while (t >= 0 && Values_[static_cast<std::size_t>(t)] > value) --t;
  } else {
    while (t >= 0 && Values_[static_cast<std::size_t>(t)] < value) --t;
  }
  Values_.insert(Values_.begin() + (t + 1), value);
  return t + 1;
}

void TChartValueList::InsertAt(int index, double value) {
  if (index < 0 || index > Count()) throw EListError(index);
  Values_.insert(Values_.begin() + index, value);
  Stale_ = true;
}

void TChartValueList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  Values_.erase(Values_.begin() + index);
  Stale_ = true;
}

void TChartValueList::ClearAll() {
  std::vector<double>().swap(Values_);
  Stale_ = true;
}

void TChartValueList::Reserve(int count) {
  if (count > 0) Values_.reserve(static_cast<std::size_t>(count));
}

int TChartValueList::IndexOfValue(double value) const {
  for (int i = 0; i < Count(); ++i) {
    if (Values_[static_cast<std::size_t>(i)] * Multiplier_ == value) return i;
  }
  return -1;
}

void TChartValueList::Recalc() const {
  Stale_ = false;
  if (Values_.empty()) {
    Lowest_ = Highest_ = Sum_ = AbsSum_ = 0;
    return;
  }
  const double first = Values_.front() * Multiplier_;
  double lowest = first;
  double highest = first;
  double sum = first;
  double absSum = std::fabs(first);
  for (std::size_t k = 1; k < Values_.size(); ++k) {
    const double v = Values_[k] * Multiplier_;
    if (v < lowest) {
      lowest = v;
    } else if (v > highest) {
      highest = v;
    }
    sum += v;
    absSum += std::fabs(v);
  }
  Lowest_ = lowest;
  Highest_ = highest;
  Sum_ = sum;
  AbsSum_ = absSum;
}

double TChartValueList::Lowest() const {
  if (Stale_) Recalc();
  return Lowest_;
}

double TChartValueList::Highest() const {
  if (Stale_) Recalc();
  return Highest_;
}

double TChartValueList::Sum() const {
  if (Stale_) Recalc();
  return Sum_;
}

double TChartValueList::AbsSum() const {
  if (Stale_) Recalc();
  return AbsSum_;
}

}  // namespace fendrel
