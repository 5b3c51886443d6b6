#pragma once

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QPoint>
#include <climits>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "ui/grid_cells.h"

class QHelpEvent;
class QStyleOptionHeader;
class QStyleOptionViewItem;

namespace fendrel {

// A cell of a text grid, (column, row) from (0, 0).
struct TGridCoord {
  std::int32_t col = 0;
  std::int32_t row = 0;
  friend bool operator==(const TGridCoord&, const TGridCoord&) = default;
};

// A rectangle of cells, both corners included.
struct TGridRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
  bool Contains(std::int32_t col, std::int32_t row) const {
    return col >= left && col <= right && row >= top && row <= bottom;
  }
  friend bool operator==(const TGridRect&, const TGridRect&) = default;
};

// A text grid: cells hold text set only by the program; one fixed header row
// and one fixed index column that stay in view while scrolling; range
// selection and column sizing; no editing. The grid keeps nothing per row or
// per column: rows are 18 pixels each, columns keep a width only where it was
// changed, scrolling goes by whole rows and columns, and only the cells on
// show are painted, their texts made at the paint. Millions of rows cost no
// more than the numbers behind them.
class TStringGrid : public QAbstractScrollArea {
 public:
  explicit TStringGrid(QWidget* parent = nullptr);

  std::int32_t ColCount() const { return cells_.ColCount(); }
  std::int32_t RowCount() const { return cells_.RowCount(); }
  // Counts below 1 become 1. The header row and column stay fixed headers
  // whatever the counts.
  void SetColCount(std::int32_t count);
  void SetRowCount(std::int32_t count);
  std::int32_t FixedCols() const { return 1; }
  std::int32_t FixedRows() const { return 1; }
  static constexpr std::int32_t DefaultRowHeight() { return 18; }
  static constexpr std::int32_t DefaultColWidth() { return 64; }

  // The index column keeps the default width; the others take what the user
  // dragged them to, at least 1 pixel.
  std::int32_t ColWidth(std::int32_t col) const;
  void SetColWidth(std::int32_t col, std::int32_t width);

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

  // The current cell (where the keyboard acts), when there is one; it and the
  // selection lie outside the fixed row and column.
  std::optional<TGridCoord> Current() const { return current_; }
  std::optional<TGridRect> Selection() const { return selection_; }
  // Makes cell the current one and the selection the range from the anchor
  // (extend) or that cell alone.
  void SelectCell(TGridCoord cell, bool extend = false);
  void SelectAll();
  // The first row and column on show below and right of the fixed ones.
  std::int32_t TopRow() const;
  std::int32_t LeftCol() const;
  // The cell under a point of the viewport; nothing outside the cells.
  std::optional<TGridCoord> CellAt(QPoint point) const;
  // Where a cell lies in the viewport, grid line excluded.
  QRect CellRect(TGridCoord cell) const;

  // The selected cells as lines of TAB-separated cell texts, each ended by
  // CR LF; the whole grid, fixed row and column included, when every cell is
  // selected; the current cell when nothing is.
  std::string SelectionText() const;
  // Ctrl+C: the selection's text onto the clipboard.
  void CopySelection();
  // Ctrl+V asks this to paste into the grid; unset, the key does nothing.
  std::function<void()> OnPaste;

  // Rows from firstRow on are told apart from the others: tinted, their row
  // numbers in italics, and a screen reader hears `note` with each of their
  // cells. A first row past the last row marks none.
  void SetMarkedRows(std::int32_t firstRow, std::string note);
  bool IsMarkedRow(std::int32_t row) const { return row >= markedFrom_ && row < RowCount(); }
  const std::string& MarkNote() const { return markNote_; }

  // Back to the top-left cell: scrolled there, and it the current cell when
  // the grid had one.
  void ScrollToStart();

  // The width that shows a column's texts whole: its header and the rows on
  // show only, since a column can hold a million texts.
  std::int32_t FittingColWidth(std::int32_t col) const;

 protected:
  bool viewportEvent(QEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void scrollContentsBy(int dx, int dy) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void changeEvent(QEvent* event) override;
  void timerEvent(QTimerEvent* event) override;

 private:
  enum class TDrag { None, Select, Size };

  std::int32_t DataRows() const { return RowCount() - 1; }
  std::int32_t DataCols() const { return ColCount() - 1; }
  // Pixels of the rows and columns right of and below the fixed ones.
  std::int64_t ColPosition(std::int32_t col) const;
  std::int64_t ColsLength() const { return ColPosition(ColCount()); }
  std::int32_t ColAtPosition(std::int64_t position) const;
  std::int64_t RowOffset() const;
  std::int64_t ColOffset() const;
  std::int64_t RowTop(std::int32_t row) const;
  std::int64_t ColLeft(std::int32_t col) const;
  std::int32_t RowAtY(int y) const;
  std::int32_t ColAtX(int x) const;
  // The data column whose right border lies under x in the header row.
  std::int32_t SizingHandleAt(int x) const;
  QRect DataArea() const;

  void Changed();
  void Resized();
  void AnnounceTableChange();
  void UpdateScrollBars();
  void ClampSelection();
  void ScrollToCell(TGridCoord cell);
  void MoveCurrent(TGridCoord cell, bool extend);
  bool MoveByKey(QKeyEvent* event);
  void SelectAt(QPoint point);
  void AutoScroll();

  void InitCellOption(QStyleOptionViewItem* option) const;
  void InitHeaderOption(QStyleOptionHeader* option, TGridCoord cell, const QRect& rect) const;
  void PaintCells(QPainter& painter, const QRect& area) const;
  void PaintHeaders(QPainter& painter) const;
  // Shows the full text of a cut cell under the pointer as a tooltip, and
  // hides any tooltip elsewhere.
  void ShowCellTip(QHelpEvent* event);

  TGridCells cells_;
  std::map<std::int32_t, std::int32_t> colWidths_;  // only the changed ones
  std::optional<TGridCoord> current_;
  TGridCoord anchor_;
  std::optional<TGridRect> selection_;
  TDrag drag_ = TDrag::None;
  std::int32_t sizingCol_ = 0;
  int sizingStartX_ = 0;
  std::int32_t sizingStartWidth_ = 0;
  bool hasAnchor_ = false;
  // The data cell of the last press, and what its release is to do.
  std::optional<TGridCoord> pressedCell_;
  bool pressedOutside_ = false;
  bool pressSelected_ = false;
  bool dragged_ = false;
  int autoScrollStep_ = 0;
  QBasicTimer autoScrollTimer_;
  QBasicTimer delayedScrollTimer_;
  bool updatingScrollBars_ = false;
  std::int32_t markedFrom_ = INT32_MAX;
  std::string markNote_;
};

}  // namespace fendrel
