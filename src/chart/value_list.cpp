#include "chart/value_list.h"

#include <array>
#include <cmath>
#include <mutex>
#include <set>

#include "chart/series.h"

namespace fendrel {

EListError::EListError(int index)
    : std::runtime_error("List index out of bounds (" + std::to_string(index) + ")") {}

namespace {

// The one copy of a list name. Series are made on several workers at once,
// so each keeps the names it used last and seldom waits for the others.
const std::string* KeptName(std::string_view name) {
  thread_local std::array<const std::string*, 4> recent{};
  thread_local std::size_t next = 0;
  for (const std::string* kept : recent) {
    if (kept != nullptr && *kept == name) return kept;
  }
  static std::mutex guard;
  static std::set<std::string, std::less<>> names;
  const std::string* kept = nullptr;
  {
    const std::lock_guard lock(guard);
    auto found = names.find(name);
    if (found == names.end()) found = names.emplace(name).first;
    kept = &*found;
  }
  recent[next] = kept;
  next = (next + 1) % recent.size();
  return kept;
}

}  // namespace

TChartValueList::TChartValueList(TChartSeries* owner, std::string_view name,
                                 TChartListOrder order)
    : Order_(order), Owner_(owner), Name_(KeptName(name)) {}

void TChartValueList::SetName(std::string_view value) {
  if (*Name_ != value) Name_ = KeptName(value);
}

TChartValueList::TOwnStore& TChartValueList::Store() {
  if (!Own_) Own_ = std::make_unique<TOwnStore>();
  return *Own_;
}

const std::string& TChartValueList::ValueSource() const {
  static const std::string none;
  return Own_ ? Own_->ValueSource : none;
}

void TChartValueList::SetValueSource(const std::string& value) {
  if (Own_ || !value.empty()) Store().ValueSource = value;
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
  if (Own_) std::vector<double>().swap(Own_->Values);
  Shared_ = values.Keeper;
  Data_ = values.Data;
  Count_ = values.Data != nullptr ? values.Count : 0;
  Stale_ = true;
}

std::vector<double>& TChartValueList::Own() {
  std::vector<double>& values = Store().Values;
  if (Shared_) {
    values.assign(Data_, Data_ + Count_);
    Shared_.reset();
    Owned();
  }
  return values;
}

int TChartValueList::AddOrdered(double value) {
  std::vector<double>& values = Own();
  Stale_ = true;
  // Appending is the common case (data arriving in order) and needs no search.
  if (Order_ == loNone || values.empty() || (Order_ == loAscending && values.back() <= value) ||
      (Order_ == loDescending && values.back() >= value)) {
    values.push_back(value);
    Owned();
    return Count() - 1;
  }
  // Walk back past the values that must follow v, so that v lands after its equals.
  int t = Count() - 1;
  if (Order_ == loAscending) {
    while (t >= 0 && values[static_cast<std::size_t>(t)] > value) --t;
  } else {
    while (t >= 0 && values[static_cast<std::size_t>(t)] < value) --t;
  }
  values.insert(values.begin() + (t + 1), value);
  Owned();
  return t + 1;
}

void TChartValueList::InsertAt(int index, double value) {
  if (index < 0 || index > Count()) throw EListError(index);
  std::vector<double>& values = Own();
  values.insert(values.begin() + index, value);
  Owned();
  Stale_ = true;
}

void TChartValueList::Delete(int index) {
  if (index < 0 || index >= Count()) throw EListError(index);
  std::vector<double>& values = Own();
  values.erase(values.begin() + index);
  Owned();
  Stale_ = true;
}

void TChartValueList::ClearAll() {
  if (Own_) std::vector<double>().swap(Own_->Values);
  Shared_.reset();
  Data_ = nullptr;
  Count_ = 0;
  Stale_ = true;
}

void TChartValueList::Reserve(int count) {
  if (count <= 0) return;
  Own().reserve(static_cast<std::size_t>(count));
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
    Lowest_ = Highest_ = 0;
    return;
  }
  double lowest = Data_[0] * Multiplier_;
  double highest = lowest;
  for (int k = 1; k < Count_; ++k) {
    const double v = Data_[k] * Multiplier_;
    if (v < lowest) {
      lowest = v;
    } else if (v > highest) {
      highest = v;
    }
  }
  Lowest_ = lowest;
  Highest_ = highest;
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
  double sum = 0;
  for (int k = 0; k < Count_; ++k) sum += Data_[k] * Multiplier_;
  return sum;
}

double TChartValueList::AbsSum() const {
  double sum = 0;
  for (int k = 0; k < Count_; ++k) sum += std::fabs(Data_[k] * Multiplier_);
  return sum;
}

}  // namespace fendrel
