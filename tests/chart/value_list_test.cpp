#include "chart/value_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace fendrel {
namespace {

std::vector<double> Stored(const TChartValueList& list) {
  return {list.Stored().begin(), list.Stored().end()};
}

std::vector<int> AddAll(TChartValueList& list, std::initializer_list<double> values) {
  std::vector<int> indices;
  for (double v : values) indices.push_back(list.AddOrdered(v));
  return indices;
}

TEST(ValueListAddOrdered, AscendingPlacements) {
  TChartValueList inOrder(nullptr, "X", loAscending);
  EXPECT_EQ(AddAll(inOrder, {0, 1, 2, 3}), (std::vector<int>{0, 1, 2, 3}));

  TChartValueList shuffled(nullptr, "X", loAscending);
  EXPECT_EQ(AddAll(shuffled, {5, 3, 4}), (std::vector<int>{0, 0, 1}));
  EXPECT_EQ(Stored(shuffled), (std::vector<double>{3, 4, 5}));

  TChartValueList equals(nullptr, "X", loAscending);
  AddAll(equals, {1, 2, 2, 3});
  EXPECT_EQ(equals.AddOrdered(2), 3);  // after the existing twos
  EXPECT_EQ(equals.AddOrdered(0), 0);  // searched all the way to the front
  EXPECT_EQ(Stored(equals), (std::vector<double>{0, 1, 2, 2, 2, 3}));
}

TEST(ValueListAddOrdered, DescendingAndUnordered) {
  TChartValueList down(nullptr, "X", loDescending);
  AddAll(down, {5, 3});
  EXPECT_EQ(down.AddOrdered(4), 1);
  EXPECT_EQ(down.AddOrdered(3), 3);  // equal to the last: appended
  EXPECT_EQ(down.AddOrdered(9), 0);
  EXPECT_EQ(Stored(down), (std::vector<double>{9, 5, 4, 3, 3}));

  TChartValueList none(nullptr, "Y", loNone);
  EXPECT_EQ(AddAll(none, {5, 3, 4}), (std::vector<int>{0, 1, 2}));

  // Comparisons use stored values: a negative factor does not flip the order.
  TChartValueList scaled(nullptr, "X", loAscending);
  scaled.SetMultiplier(-1);
  AddAll(scaled, {1, 3});
  EXPECT_EQ(scaled.AddOrdered(2), 1);
}

TEST(ValueListStatistics, EmptyIsZero) {
  TChartValueList list(nullptr, "Y", loNone);
  EXPECT_EQ(list.Lowest(), 0);
  EXPECT_EQ(list.Highest(), 0);
  EXPECT_EQ(list.Sum(), 0);
  EXPECT_EQ(list.AbsSum(), 0);
}

TEST(ValueListStatistics, MultiplierAppliedOnReadAndCacheRefreshed) {
  TChartValueList list(nullptr, "Y", loNone);
  AddAll(list, {-2, 5, 1});
  list.SetMultiplier(2);
  EXPECT_EQ(list.Lowest(), -4);
  EXPECT_EQ(list.Highest(), 10);
  EXPECT_EQ(list.Sum(), 8);
  EXPECT_EQ(list.AbsSum(), 16);
  EXPECT_EQ(Stored(list), (std::vector<double>{-2, 5, 1}));
  EXPECT_EQ(list.Value(1), 10);
  EXPECT_FALSE(list.StatisticsStale());

  list.AddOrdered(-7);
  EXPECT_EQ(list.Lowest(), -14);
  list.SetMultiplier(1);
  EXPECT_EQ(list.Highest(), 5);
  list.InsertAt(0, 20);
  EXPECT_EQ(list.Highest(), 20);
  list.ClearAll();
  EXPECT_EQ(list.Sum(), 0);
}

TEST(ValueList, IndexErrorsAndLookup) {
  TChartValueList list(nullptr, "X", loAscending);
  AddAll(list, {1, 2, 2});
  for (int bad : {-1, 3}) {
    try {
      list.Value(bad);
      FAIL() << bad;
    } catch (const EListError& e) {
      EXPECT_EQ(std::string(e.what()), "List index out of bounds (" + std::to_string(bad) + ")");
    }
  }
  EXPECT_THROW(list.InsertAt(4, 0), EListError);
  list.InsertAt(3, 0);  // Count appends, ignoring the order
  EXPECT_EQ(list.Value(3), 0);

  EXPECT_EQ(list.IndexOfValue(2), 1);
  EXPECT_EQ(list.IndexOfValue(7), -1);
  list.SetMultiplier(10);
  EXPECT_EQ(list.IndexOfValue(20), 1);  // compares what is read, not what is stored

  list.ClearAll();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Capacity(), 0u);
}

// Names are kept once for the process and remembered per thread: every list
// must still read back its own name, from any thread, and after more names
// than a thread remembers.
TEST(ValueList, NamesReadBackOnEveryThread) {
  const std::vector<std::string> names = {"X", "Y", "Bar", "A name longer than a short string", "",
                                          "x"};
  const auto nameAll = [&names](int shift) {
    std::vector<std::unique_ptr<TChartValueList>> lists;
    for (int round = 0; round < 3; ++round) {
      for (std::size_t i = 0; i < names.size(); ++i) {
        lists.push_back(std::make_unique<TChartValueList>(nullptr, "Y", loNone));
        lists.back()->SetName(names[(i + static_cast<std::size_t>(shift)) % names.size()]);
      }
    }
    for (std::size_t k = 0; k < lists.size(); ++k) {
      if (lists[k]->Name() != names[(k + static_cast<std::size_t>(shift)) % names.size()]) {
        return false;
      }
    }
    return true;
  };
  bool others = false;
  std::thread other([&] { others = nameAll(1); });
  const bool mine = nameAll(0);
  other.join();
  EXPECT_TRUE(mine);
  EXPECT_TRUE(others);
}

}  // namespace
}  // namespace fendrel
