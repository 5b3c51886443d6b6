#include "ui/grid_cells.h"

#include <algorithm>
#include <charconv>

#include "sample/text_format.h"

namespace fendrel {

TGridCells::TGridCells(std::int32_t colCount, std::int32_t rowCount)
    : colCount_(std::max(colCount, 0)), rowCount_(std::max(rowCount, 0)) {}

bool TGridCells::TRun::Covers(std::int32_t c, std::int32_t r) const {
  return c >= col && c - col < cols && r >= row && r - row < rows;
}

bool TGridCells::TRun::Writes(std::int32_t c, std::int32_t r) const {
  if (!Covers(c, r)) return false;
  return lengths.empty() || r - row < lengths[static_cast<std::size_t>(c - col)];
}

TGridCells::TRun TGridCells::MakeRun(TRunKind kind, std::int32_t col, std::int32_t row,
                                     std::int32_t cols, std::int32_t rows) {
  TRun run;
  run.kind = kind;
  run.col = col;
  run.row = row;
  run.cols = cols;
  run.rows = rows;
  return run;
}

std::uint64_t TGridCells::Key(std::int32_t col, std::int32_t row) {
  return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(col)) << 32) |
         static_cast<std::uint32_t>(row);
}

bool TGridCells::InSize(std::int32_t col, std::int32_t row) const {
  return col >= 0 && col < colCount_ && row >= 0 && row < rowCount_;
}

void TGridCells::SetSize(std::int32_t colCount, std::int32_t rowCount) {
  colCount_ = std::max(colCount, 0);
  rowCount_ = std::max(rowCount, 0);
  std::erase_if(runs_, [this](TRun& run) {
    run.cols = std::min(run.cols, colCount_ - run.col);
    run.rows = std::min(run.rows, rowCount_ - run.row);
    return run.cols <= 0 || run.rows <= 0;
  });
  std::erase_if(texts_, [this](const auto& entry) {
    const auto col = static_cast<std::int32_t>(entry.first >> 32);
    const auto row = static_cast<std::int32_t>(entry.first & 0xFFFFFFFFu);
    return !InSize(col, row);
  });
}

void TGridCells::SetText(std::int32_t col, std::int32_t row, std::string_view text) {
  if (!InSize(col, row)) return;
  texts_[Key(col, row)] = std::string(text);
}

void TGridCells::SetIndexColumn(std::int32_t col, std::int32_t firstRow, std::int32_t count) {
  AddRun(MakeRun(TRunKind::Index, col, firstRow, 1, count));
}

void TGridCells::SetNumberedRow(std::int32_t row, std::int32_t firstCol, std::int32_t count,
                                std::string_view prefix) {
  TRun run = MakeRun(TRunKind::Numbered, firstCol, row, count, 1);
  run.prefix = std::string(prefix);
  AddRun(std::move(run));
}

void TGridCells::SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                 std::int32_t rows, std::vector<double> values,
                                 std::vector<std::int32_t> lengths) {
  const std::size_t size = values.size();
  auto owner = std::make_shared<std::vector<double>>(std::move(values));
  SetValueColumns(firstCol, firstRow, cols, rows,
                  std::shared_ptr<const double[]>(owner, owner->data()), size, std::move(lengths));
}

void TGridCells::SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                 std::int32_t rows, std::shared_ptr<const double[]> values,
                                 std::size_t size, std::vector<std::int32_t> lengths) {
  if (cols <= 0 || rows <= 0 || !values) return;
  if (size < static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows)) return;
  if (!lengths.empty() && lengths.size() < static_cast<std::size_t>(cols)) return;
  TRun run = MakeRun(TRunKind::Values, firstCol, firstRow, cols, rows);
  run.stride = rows;
  run.separator = DecimalSeparator();
  run.values = std::move(values);
  run.lengths = std::move(lengths);
  AddRun(std::move(run));
}

void TGridCells::AddRun(TRun run) {
  // Only the part inside the grid is ever shown; the origin never moves, so
  // value positions stay valid while the rectangle shrinks.
  if (run.col < 0 || run.row < 0) return;
  run.cols = std::min(run.cols, colCount_ - run.col);
  run.rows = std::min(run.rows, rowCount_ - run.row);
  if (run.cols <= 0 || run.rows <= 0) return;

  std::erase_if(texts_, [&run](const auto& entry) {
    const auto col = static_cast<std::int32_t>(entry.first >> 32);
    const auto row = static_cast<std::int32_t>(entry.first & 0xFFFFFFFFu);
    return run.Writes(col, row);
  });
  if (run.lengths.empty()) {
    std::erase_if(runs_, [&run](const TRun& old) {
      return old.col >= run.col && old.row >= run.row && old.col + old.cols <= run.col + run.cols &&
             old.row + old.rows <= run.row + run.rows;
    });
  }
  runs_.push_back(std::move(run));
}

void TGridCells::AppendRunText(const TRun& run, std::int32_t col, std::int32_t row,
                               std::string& out) {
  char buffer[64];
  switch (run.kind) {
    case TRunKind::Index: {
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, row - run.row);
      out.append(buffer, result.ptr);
      return;
    }
    case TRunKind::Numbered: {
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, col - run.col);
      out += run.prefix;
      out.append(buffer, result.ptr);
      return;
    }
    case TRunKind::Values: {
      const double value = run.values[static_cast<std::size_t>(col - run.col) *
                                          static_cast<std::size_t>(run.stride) +
                                      static_cast<std::size_t>(row - run.row)];
      const std::size_t length = FormatFixedTo(buffer, value, 15, 6);
      // Shown with the separator of the time of writing, whatever came since.
      const char now = DecimalSeparator();
      if (now != run.separator) std::replace(buffer, buffer + length, now, run.separator);
      out.append(buffer, length);
      return;
    }
  }
}

std::string TGridCells::Text(std::int32_t col, std::int32_t row) const {
  std::string text;
  AppendText(col, row, text);
  return text;
}

void TGridCells::AppendText(std::int32_t col, std::int32_t row, std::string& out) const {
  if (!InSize(col, row)) return;
  if (!texts_.empty()) {
    const auto found = texts_.find(Key(col, row));
    if (found != texts_.end()) {
      out += found->second;
      return;
    }
  }
  for (auto run = runs_.rbegin(); run != runs_.rend(); ++run) {
    if (run->Writes(col, row)) {
      AppendRunText(*run, col, row, out);
      return;
    }
  }
}

std::string TGridCells::TableText(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                  std::int32_t rows) const {
  const std::int32_t col0 = std::max(firstCol, 0);
  const std::int32_t row0 = std::max(firstRow, 0);
  const std::int64_t col1 = std::min<std::int64_t>(std::int64_t{firstCol} + cols, colCount_);
  const std::int64_t row1 = std::min<std::int64_t>(std::int64_t{firstRow} + rows, rowCount_);
  std::string text;
  if (col0 >= col1 || row0 >= row1) return text;
  // A first guess of the size spares most of the regrowing on large ranges.
  text.reserve(static_cast<std::size_t>((col1 - col0) * (row1 - row0)) * 10);
  for (std::int32_t row = row0; row < row1; ++row) {
    for (std::int32_t col = col0; col < col1; ++col) {
      if (col != col0) text += '\t';
      AppendText(col, row, text);
    }
    text += "\r\n";
  }
  return text;
}

}  // namespace fendrel
