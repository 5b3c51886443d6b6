#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace fendrel {

class TChartSeries;

// Raised for an index outside a chart list: "List index out of bounds (i)".
class EListError : public std::runtime_error {
 public:
  explicit EListError(int index);
};

enum class TChartListOrder : std::uint8_t { loNone, loAscending, loDescending };
using enum TChartListOrder;

// Values kept elsewhere that value lists can show without a copy: Count
// doubles at Data, alive as long as Keeper holds them.
struct TSharedValues {
  std::shared_ptr<const double[]> Keeper;
  const double* Data = nullptr;
  int Count = 0;
};

// One list of numbers of a series. Values are stored as given and read
// through Multiplier, so changing the factor never rewrites them.
class TChartValueList {
 public:
  TChartValueList(TChartSeries* owner, std::string_view name, TChartListOrder order);
  TChartValueList(const TChartValueList&) = delete;
  TChartValueList& operator=(const TChartValueList&) = delete;

  TChartSeries* Owner() const { return Owner_; }

  const std::string& Name() const { return *Name_; }
  void SetName(std::string_view value);
  TChartListOrder Order() const { return Order_; }
  // Only decides where AddOrdered puts later values; stored values stay put.
  void SetOrder(TChartListOrder value) { Order_ = value; }
  double Multiplier() const { return Multiplier_; }
  void SetMultiplier(double value);
  bool DateTime() const { return DateTime_; }
  void SetDateTime(bool value);
  const std::string& ValueSource() const;
  void SetValueSource(const std::string& value);

  int Count() const { return Count_; }
  // Value i times Multiplier; raises the list error outside 0 .. Count - 1.
  double Value(int index) const;
  // The stored (unmultiplied) values, for loops that apply the factor themselves.
  std::span<const double> Stored() const { return {Data_, static_cast<std::size_t>(Count_)}; }
  // Room for values before the list must grow; 0 while it shows shared values.
  std::size_t Capacity() const { return Own_ ? Own_->Values.capacity() : 0; }

  // Shows the shared values in place of the stored ones, as they stand: the
  // first change copies them into the list's own storage.
  void ShareValues(const TSharedValues& values);
  bool Shared() const { return Shared_ != nullptr; }

  // Places v by Order (after any equal values) and returns its index.
  int AddOrdered(double value);
  // Inserts before index (Count appends), whatever the Order.
  void InsertAt(int index, double value);
  // Removes value i; raises the list error outside 0 .. Count - 1.
  void Delete(int index);
  // Drops every value and releases the storage.
  void ClearAll();
  void Reserve(int count);
  // First index whose Value equals v, else -1.
  int IndexOfValue(double value) const;

  double Lowest() const;
  double Highest() const;
  // Seldom asked for, so worked out at each call rather than kept.
  double Sum() const;
  double AbsSum() const;
  bool StatisticsStale() const { return Stale_; }

 private:
  // What a list seldom has: values of its own (the window's lists show
  // shared ones) and a value source.
  struct TOwnStore {
    std::vector<double> Values;
    std::string ValueSource;
  };
  TOwnStore& Store();
  void Recalc() const;
  // Makes the list the owner of its values before a change and returns them.
  std::vector<double>& Own();
  void Owned() {
    Data_ = Own_->Values.data();
    Count_ = static_cast<int>(Own_->Values.size());
  }

  // What reading values and their extremes needs comes first, in one cache
  // line: a paint walks hundreds of thousands of lists at the deepest levels.
  // What the list shows: its own values, or shared ones while Shared_ is set.
  const double* Data_ = nullptr;
  int Count_ = 0;
  TChartListOrder Order_;
  mutable bool Stale_ = true;
  bool DateTime_ = false;
  double Multiplier_ = 1.0;
  mutable double Lowest_ = 0;
  mutable double Highest_ = 0;

  TChartSeries* Owner_;
  std::shared_ptr<const double[]> Shared_;
  // Lists are named from a handful of names ("X", "Y", "Bar"): each name is
  // kept once for the process, and a list points at it.
  const std::string* Name_;
  std::unique_ptr<TOwnStore> Own_;
};

}  // namespace fendrel
