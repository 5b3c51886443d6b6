#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace fendrel {

// The texts of a text grid's cells, addressed (column, row) from (0, 0).
// Besides single texts it takes whole runs of cells in one call and keeps the
// data they came from: a cell's text is made when it is read, and reads the
// same as if every cell had been written one by one at the time of the call.
// That keeps a grid of a million cells as cheap as the numbers behind it.
class TGridCells {
 public:
  TGridCells(std::int32_t colCount, std::int32_t rowCount);

  std::int32_t ColCount() const { return colCount_; }
  std::int32_t RowCount() const { return rowCount_; }
  // Cells outside the new size are dropped for good; new cells are empty.
  void SetSize(std::int32_t colCount, std::int32_t rowCount);

  // Writes outside the current size are ignored.
  void SetText(std::int32_t col, std::int32_t row, std::string_view text);
  // Cell (col, firstRow + i) = i as a decimal integer, for i in [0, count).
  void SetIndexColumn(std::int32_t col, std::int32_t firstRow, std::int32_t count);
  // Cell (firstCol + i, row) = prefix followed by i, for i in [0, count).
  void SetNumberedRow(std::int32_t row, std::int32_t firstCol, std::int32_t count,
                      std::string_view prefix);
  // Cell (firstCol + c, firstRow + r) = fixed-point text (precision 15, 6
  // decimals, the decimal separator of now) of values[c * rows + r].
  // lengths, when given, holds per column how many of its rows are written;
  // the rest of that column keeps what it had.
  void SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                       std::int32_t rows, std::vector<double> values,
                       std::vector<std::int32_t> lengths = {});
  // The same over size values kept by their other owners too (a chart's
  // series), which must leave them unchanged from now on: a grid of millions
  // of cells then costs no copy at all.
  void SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                       std::int32_t rows, std::shared_ptr<const double[]> values, std::size_t size,
                       std::vector<std::int32_t> lengths = {});

  std::string Text(std::int32_t col, std::int32_t row) const;
  // The same text added to the end of out, without a string of its own.
  void AppendText(std::int32_t col, std::int32_t row, std::string& out) const;
  // The cells of cols columns from firstCol and rows rows from firstRow as
  // lines of TAB-separated texts, each line ended by CR LF; the part outside
  // the grid is left out.
  std::string TableText(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                        std::int32_t rows) const;

  // How many runs are kept (each whole overwrite drops the runs it covers).
  std::size_t RunCount() const { return runs_.size(); }

 private:
  enum class TRunKind { Index, Numbered, Values };
  struct TRun {
    TRunKind kind = TRunKind::Index;
    // The covered rectangle, clipped to the size.
    std::int32_t col = 0;
    std::int32_t row = 0;
    std::int32_t cols = 0;
    std::int32_t rows = 0;
    std::int32_t stride = 0;  // rows per column in values
    char separator = '.';
    std::string prefix;
    std::shared_ptr<const double[]> values;
    std::vector<std::int32_t> lengths;
    bool Covers(std::int32_t c, std::int32_t r) const;
    bool Writes(std::int32_t c, std::int32_t r) const;
  };

  static TRun MakeRun(TRunKind kind, std::int32_t col, std::int32_t row, std::int32_t cols,
                      std::int32_t rows);
  static std::uint64_t Key(std::int32_t col, std::int32_t row);
  bool InSize(std::int32_t col, std::int32_t row) const;
  void AddRun(TRun run);
  static void AppendRunText(const TRun& run, std::int32_t col, std::int32_t row, std::string& out);

  std::int32_t colCount_;
  std::int32_t rowCount_;
  std::vector<TRun> runs_;  // oldest first
  // Single texts; one is always newer than any run that covers its cell,
  // because a run drops the single texts inside it.
  std::unordered_map<std::uint64_t, std::string> texts_;
};

}  // namespace fendrel
