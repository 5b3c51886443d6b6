#pragma once

#include <QAbstractTableModel>
#include <QTableView>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/grid_cells.h"

class QAbstractButton;
class QHelpEvent;
class QHeaderView;

namespace fendrel {

// The item model behind a text grid. Row 0 and column 0 of the grid are its
// fixed cells and appear as the view's header sections (the corner cell as the
// corner button); the other cells are the model's items, so model item (r, c)
// is grid cell (c + 1, r + 1).
class TStringGridModel : public QAbstractTableModel {
 public:
  explicit TStringGridModel(QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

  TGridCells& Cells() { return cells_; }
  const TGridCells& Cells() const { return cells_; }
  // Resizes the cells, telling the views which items come and go.
  void Resize(std::int32_t newColCount, std::int32_t newRowCount);
  // Tells the views that cell texts may have changed.
  void ContentsChanged();

 private:
  TGridCells cells_;
};

// A text grid: cells hold text set only by the program; one fixed header row
// and one fixed index column that stay in view while scrolling; range
// selection and column sizing; no editing. Cell texts are made when a cell is
// shown, so a million rows cost no more than the numbers behind them.
class TStringGrid : public QTableView {
 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  std::int32_t ColCount() const { return model_->Cells().ColCount(); }
  std::int32_t RowCount() const { return model_->Cells().RowCount(); }
  // Counts below 1 become 1. The header row and column stay fixed headers
  // whatever the counts.
  void SetColCount(std::int32_t count);
  void SetRowCount(std::int32_t count);
  std::int32_t FixedCols() const { return 1; }
  std::int32_t FixedRows() const { return 1; }
  static constexpr std::int32_t DefaultRowHeight() { return 18; }
  static constexpr std::int32_t DefaultColWidth() { return 64; }

  std::string Cell(std::int32_t col, std::int32_t row) const;
  void SetCell(std::int32_t col, std::int32_t row, std::string_view text);
  // Whole runs of cells at once; see TGridCells.
  void SetIndexColumn(std::int32_t col, std::int32_t firstRow, std::int32_t count);
  void SetNumberedRow(std::int32_t row, std::int32_t firstCol, std::int32_t count,
                      std::string_view prefix);
  void SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                       std::int32_t rows, std::vector<double> values,
                       std::vector<std::int32_t> lengths = {});
  void SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                       std::int32_t rows, std::shared_ptr<const double[]> values, std::size_t size,
                       std::vector<std::int32_t> lengths = {});

  TStringGridModel* GridModel() const { return model_; }

  // The selected cells as lines of TAB-separated cell texts, each ended by
  // CR LF; the whole grid, fixed row and column included, when every cell is
  // selected; the current cell when nothing is.
  std::string SelectionText() const;
  // Ctrl+C: the selection's text onto the clipboard.
  void CopySelection();
  // Ctrl+V asks this to paste into the grid; unset, the key does nothing.
  std::function<void()> OnPaste;

  // Fitting a column to its contents measures the rows on show only: a
  // column can hold a million texts.
  int sizeHintForColumn(int column) const override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool viewportEvent(QEvent* event) override;

 private:
  void Changed();
  void PaintCorner();
  // Shows the full text of a cut cell or header section under the pointer as
  // a tooltip, and hides any tooltip elsewhere.
  void ShowCellTip(QHelpEvent* event);
  void ShowHeaderTip(QHeaderView* header, QHelpEvent* event);

  TStringGridModel* model_;
  QAbstractButton* corner_ = nullptr;
};

}  // namespace fendrel
