#include "chart/value_list.h"

#include <cmath>

#include "chart/series.h"

namespace fendrel {

EListError::EListError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

TChartValueList::TChartValueList(TChartSeries* owner, std::string name, TChartListOrder order)
    : Order_(order), Owner_(owner), Name_(std::move(name)) {}

const std::string& TChartValueList::ValueSource() const {
  static const std::string none;
  return ValueSource_ ? *ValueSource_ : none;
}

void TChartValueList::SetValueSource(const std::string& value) {
  if (ValueSource_) {
    *ValueSource_ = value;
  } else if (!value.empty()) {
    ValueSource_ = std::make_unique<std::string>(value);
  }
}

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
  return Data_[index] * Multiplier_;
}

void TChartValueList::ShareValues(const TSharedValues& values) {
  std::vector<double>().swap(Values_);
  Shared_ = values.Keeper;
  Data_ = values.Data;
  Count_ = values.Data != nullptr ? values.Count : 0;
  Stale_ = true;
}

void TChartValueList::Own() {
  if (!Shared_) return;
  Values_.assign(Data_, Data_ + Count_);
  Shared_.reset();
  Owned();
}

int TChartValueList::AddOrdered(double value) {
  Own();
  Stale_ = true;
  // Appending is the common case (data arriving in order) and needs no search.
  if (Order_ == loNone || Values_.empty() || (Order_ == loAscending && Values_.back() <= value) ||
      (Order_ == loDescending && Values_.back() >= value)) {
    Values_.push_back(value);
    Owned();
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
  Owned();
  return t + 1;
}

void TChartValueList::InsertAt(int index, double value) {
  if (index < 0 || index > Count()) throw EListError(index);
  Own();
  Values_.insert(Values_.begin() + index, value);
  Owned();
  Stale_ = true;
}

void TChartValueList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  Own();
  Values_.erase(Values_.begin() + index);
  Owned();
  Stale_ = true;
}

void TChartValueList::ClearAll() {
  std::vector<double>().swap(Values_);
  Shared_.reset();
  Owned();
  Stale_ = true;
}

void TChartValueList::Reserve(int count) {
  if (count <= 0) return;
  Own();
  Values_.reserve(static_cast<std::size_t>(count));
  Owned();
}

int TChartValueList::IndexOfValue(double value) const {
  for (int i = 0; i < Count(); ++i) {
    if (Data_[i] * Multiplier_ == value) return i;
  }
  return -1;
}

void TChartValueList::Recalc() const {
  Stale_ = false;
  if (Count_ == 0) {
    Lowest_ = Highest_ = Sum_ = AbsSum_ = 0;
    return;
  }
  const double first = Data_[0] * Multiplier_;
  double lowest = first;
  double highest = first;
  double sum = first;
  double absSum = std::fabs(first);
  for (int k = 1; k < Count_; ++k) {
    const double v = Data_[k] * Multiplier_;
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
