#include "ui/grid_cells.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <utility>

#include "sample/text_format.h"

namespace fendrel {
namespace {

// Cell by cell, the way the writes are described; the runs must read the same.
struct ReferenceCells {
  int cols, rows;
  std::map<std::pair<int, int>, std::string> cells;
  void Set(int col, int row, std::string text) {
    if (col >= 0 && col < cols && row >= 0 && row < rows) cells[{col, row}] = std::move(text);
  }
  std::string Get(int col, int row) const {
    const auto found = cells.find({col, row});
    return found == cells.end() ? std::string() : found->second;
  }
};

class SeparatorScope {
 public:
  explicit SeparatorScope(char separator) : saved_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~SeparatorScope() { SetDecimalSeparator(saved_); }

 private:
  char saved_;
};

TEST(GridCells, RandomWritesReadAsIfWrittenCellByCell) {
  SeparatorScope point('.');
  std::mt19937 random(12345);
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  for (int round = 0; round < 40; ++round) {
    TGridCells cells(3, 3);
    ReferenceCells reference{3, 3, {}};
    for (int step = 0; step < 60; ++step) {
      switch (pick(0, 4)) {
        case 0:
          reference.cols = pick(0, 8);
          reference.rows = pick(0, 8);
          cells.SetSize(reference.cols, reference.rows);
          std::erase_if(reference.cells, [&](const auto& cell) {
            return cell.first.first >= reference.cols || cell.first.second >= reference.rows;
          });
          break;
        case 1: {
          const int c = pick(-1, 8), r = pick(-1, 8);
          const std::string text = "t" + std::to_string(step);
          cells.SetText(c, r, text);
          reference.Set(c, r, text);
          break;
        }
        case 2: {
          const int c = pick(0, 7), r = pick(0, 7), n = pick(0, 9);
          cells.SetIndexColumn(c, r, n);
          for (int i = 0; i < n; ++i) reference.Set(c, r + i, std::to_string(i));
          break;
        }
        case 3: {
          const int c = pick(0, 7), r = pick(0, 7), n = pick(0, 9);
          cells.SetNumberedRow(r, c, n, "Wave ");
          for (int i = 0; i < n; ++i) reference.Set(c + i, r, "Wave " + std::to_string(i));
          break;
        }
        case 4: {
          const int c = pick(0, 7), r = pick(0, 7), w = pick(1, 4), h = pick(1, 5);
          std::vector<double> values(static_cast<std::size_t>(w * h));
          for (double& v : values) v = pick(-5000, 5000) / 64.0;
          std::vector<std::int32_t> lengths;
          if (pick(0, 1) == 1) {
            for (int i = 0; i < w; ++i) lengths.push_back(pick(0, h));
          }
          for (int i = 0; i < w; ++i) {
            const int written = lengths.empty() ? h : lengths[static_cast<std::size_t>(i)];
            for (int j = 0; j < written; ++j) {
              reference.Set(c + i, r + j,
                            FormatFixed(values[static_cast<std::size_t>(i * h + j)], 15, 6));
            }
          }
          cells.SetValueColumns(c, r, w, h, values, lengths);
          break;
        }
      }
      for (int c = 0; c < 10; ++c) {
        for (int r = 0; r < 10; ++r) {
          ASSERT_EQ(cells.Text(c, r), reference.Get(c, r))
              << "round " << round << " step " << step << " cell " << c << "," << r;
        }
      }
    }
  }
}

TEST(GridCells, ValueTextsKeepTheSeparatorOfTheirWriting) {
  TGridCells cells(3, 3);
  {
    SeparatorScope comma(',');
    cells.SetValueColumns(1, 1, 1, 2, {0.8414709848, -12.5});
  }
  SeparatorScope point('.');
  EXPECT_EQ(cells.Text(1, 1), "0,841471");
  EXPECT_EQ(cells.Text(1, 2), "-12,500000");
  cells.SetValueColumns(2, 1, 1, 1, {-0.0000001});
  EXPECT_EQ(cells.Text(2, 1), "0.000000");
}

TEST(GridCells, RepeatedRedrawsKeepOnlyTheLatestRuns) {
  TGridCells cells(3, 101);
  for (int redraw = 0; redraw < 1000; ++redraw) {
    cells.SetNumberedRow(0, 1, 2, "Wave ");
    cells.SetIndexColumn(0, 1, 100);
    cells.SetValueColumns(1, 1, 2, 100, std::vector<double>(200, redraw));
  }
  EXPECT_EQ(cells.RunCount(), 3u);
  EXPECT_EQ(cells.Text(2, 100), FormatFixed(999, 15, 6));
}

}  // namespace
}  // namespace fendrel
