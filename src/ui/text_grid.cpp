#include "ui/text_grid.h"

#include <QAccessible>
#include <QApplication>
#include <QCursor>
#include <QEvent>
#include <QFocusEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionHeader>
#include <QStyleOptionViewItem>
#include <QTimerEvent>
#include <QToolTip>
#include <algorithm>
#include <utility>

#include "platform/application.h"
#include "platform/busy_cursor.h"
#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "ui/grid_accessible.h"

namespace fendrel {

namespace {

constexpr std::int32_t kInitialCols = 2;
constexpr std::int32_t kInitialRows = 5;
constexpr auto kCellAlignment = Qt::AlignLeft | Qt::AlignVCenter;
constexpr int kRowHeight = TStringGrid::DefaultRowHeight();
constexpr int kIndexWidth = TStringGrid::DefaultColWidth();
// How near the edge of the cells a selecting drag scrolls, and how often.
constexpr int kAutoScrollMargin = 16;
constexpr int kAutoScrollInterval = 50;

int ClampToInt(std::int64_t value) {
  return static_cast<int>(std::clamp<std::int64_t>(value, -(1 << 30), 1 << 30));
}

QColor MarkTint(const QPalette& palette) {
  // Amber over the cells' own background, light or dark alike.
  const QColor base = palette.color(QPalette::Base);
  const QColor amber(255, 190, 60);
  constexpr double kShare = 0.35;
  return QColor::fromRgbF(
      static_cast<float>(base.redF() * (1 - kShare) + amber.redF() * kShare),
      static_cast<float>(base.greenF() * (1 - kShare) + amber.greenF() * kShare),
      static_cast<float>(base.blueF() * (1 - kShare) + amber.blueF() * kShare));
}

TGridRect Span(TGridCoord a, TGridCoord b) {
  return {std::min(a.col, b.col), std::min(a.row, b.row), std::max(a.col, b.col),
          std::max(a.row, b.row)};
}

}  // namespace

TStringGrid::TStringGrid(QWidget* parent)
    : QAbstractScrollArea(parent), cells_(kInitialCols, kInitialRows) {
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  viewport()->setMouseTracking(true);
  TGridAccessible::Install();
  Resized();
}

void TStringGrid::SetColCount(std::int32_t count) {
  count = std::max(count, 1);
  cells_.SetSize(count, RowCount());
  colWidths_.erase(colWidths_.lower_bound(count), colWidths_.end());
  Resized();
}

void TStringGrid::SetRowCount(std::int32_t count) {
  cells_.SetSize(ColCount(), std::max(count, 1));
  Resized();
}

std::int32_t TStringGrid::ColWidth(std::int32_t col) const {
  const auto found = colWidths_.find(col);
  return found == colWidths_.end() ? DefaultColWidth() : found->second;
}

void TStringGrid::SetColWidth(std::int32_t col, std::int32_t width) {
  if (col < 1 || col >= ColCount()) return;
  width = std::max(width, 1);
  if (width == ColWidth(col)) return;
  if (width == DefaultColWidth()) {
    colWidths_.erase(col);
  } else {
    colWidths_[col] = width;
  }
  Resized();
}

std::string TStringGrid::Cell(std::int32_t col, std::int32_t row) const {
  return cells_.Text(col, row);
}

void TStringGrid::SetCell(std::int32_t col, std::int32_t row, std::string_view text) {
  cells_.SetText(col, row, text);
  Changed();
}

void TStringGrid::SetIndexColumn(std::int32_t col, std::int32_t firstRow, std::int32_t count) {
  cells_.SetIndexColumn(col, firstRow, count);
  Changed();
}

void TStringGrid::SetNumberedRow(std::int32_t row, std::int32_t firstCol, std::int32_t count,
                                 std::string_view prefix) {
  cells_.SetNumberedRow(row, firstCol, count, prefix);
  Changed();
}

void TStringGrid::SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                  std::int32_t rows, std::vector<double> values,
                                  std::vector<std::int32_t> lengths) {
  cells_.SetValueColumns(firstCol, firstRow, cols, rows, std::move(values), std::move(lengths));
  Changed();
}

void TStringGrid::SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                  std::int32_t rows, std::shared_ptr<const double[]> values,
                                  std::size_t size, std::vector<std::int32_t> lengths) {
  cells_.SetValueColumns(firstCol, firstRow, cols, rows, std::move(values), size,
                         std::move(lengths));
  Changed();
}

void TStringGrid::SetMarkedRows(std::int32_t firstRow, std::string note) {
  firstRow = std::max(firstRow, 1);
  if (firstRow == markedFrom_ && note == markNote_) return;
  markedFrom_ = firstRow;
  markNote_ = std::move(note);
  Changed();
}

void TStringGrid::ScrollToStart() {
  verticalScrollBar()->setValue(0);
  horizontalScrollBar()->setValue(0);
  if (current_ && DataRows() >= 1 && DataCols() >= 1) SelectCell({1, 1});
  viewport()->update();
}

void TStringGrid::Changed() {
  // Only marks the grid for repainting; texts are made at the paint.
  viewport()->update();
  AnnounceTableChange();
}

void TStringGrid::Resized() {
  UpdateScrollBars();
  ClampSelection();
  viewport()->update();
  AnnounceTableChange();
}

void TStringGrid::AnnounceTableChange() {
  // A screen reader reads the texts again; the cells it was given go.
  if (!QAccessible::isActive()) return;
  QAccessibleTableModelChangeEvent event(this, QAccessibleTableModelChangeEvent::ModelReset);
  QAccessible::updateAccessibility(&event);
}

// Column positions: every column is 64 pixels but for the few the user sized.
std::int64_t TStringGrid::ColPosition(std::int32_t col) const {
  std::int64_t position = std::int64_t{col - 1} * DefaultColWidth();
  for (auto it = colWidths_.begin(); it != colWidths_.end() && it->first < col; ++it) {
    position += it->second - DefaultColWidth();
  }
  return position;
}

std::int32_t TStringGrid::ColAtPosition(std::int64_t position) const {
  if (position < 0 || position >= ColsLength()) return -1;
  std::int32_t low = 1;
  std::int32_t high = DataCols();
  while (low < high) {
    const std::int32_t middle = low + (high - low + 1) / 2;
    if (ColPosition(middle) <= position) {
      low = middle;
    } else {
      high = middle - 1;
    }
  }
  return low;
}

QRect TStringGrid::DataArea() const {
  const QRect all = viewport()->rect();
  return QRect(kIndexWidth, kRowHeight, std::max(all.width() - kIndexWidth, 0),
               std::max(all.height() - kRowHeight, 0));
}

// Scrolling goes by whole rows and columns; at the end of its range a scroll
// bar brings the last row (column) flush with the far edge instead.
std::int64_t TStringGrid::RowOffset() const {
  const QScrollBar* bar = verticalScrollBar();
  if (bar->maximum() > 0 && bar->value() == bar->maximum()) {
    return std::int64_t{DataRows()} * kRowHeight - DataArea().height();
  }
  return std::int64_t{bar->value()} * kRowHeight;
}

std::int64_t TStringGrid::ColOffset() const {
  const QScrollBar* bar = horizontalScrollBar();
  if (bar->maximum() > 0 && bar->value() == bar->maximum()) {
    return ColsLength() - DataArea().width();
  }
  return ColPosition(bar->value() + 1);
}

std::int64_t TStringGrid::RowTop(std::int32_t row) const {
  if (row == 0) return 0;
  return kRowHeight + std::int64_t{row - 1} * kRowHeight - RowOffset();
}

std::int64_t TStringGrid::ColLeft(std::int32_t col) const {
  if (col == 0) return 0;
  return kIndexWidth + ColPosition(col) - ColOffset();
}

std::int32_t TStringGrid::RowAtY(int y) const {
  if (y < 0) return -1;
  if (y < kRowHeight) return 0;
  const std::int64_t row = (y - kRowHeight + RowOffset()) / kRowHeight + 1;
  return row <= DataRows() ? static_cast<std::int32_t>(row) : -1;
}

std::int32_t TStringGrid::ColAtX(int x) const {
  if (x < 0) return -1;
  if (x < kIndexWidth) return 0;
  return ColAtPosition(x - kIndexWidth + ColOffset());
}

std::int32_t TStringGrid::TopRow() const {
  return static_cast<std::int32_t>(RowOffset() / kRowHeight) + 1;
}

std::int32_t TStringGrid::LeftCol() const {
  const std::int64_t offset = ColOffset();
  const std::int32_t col = ColAtPosition(offset);
  if (col >= 1) return col;
  return offset > 0 ? std::max(DataCols(), 1) : 1;
}

std::optional<TGridCoord> TStringGrid::CellAt(QPoint point) const {
  const std::int32_t col = ColAtX(point.x());
  const std::int32_t row = RowAtY(point.y());
  if (col < 0 || row < 0) return std::nullopt;
  return TGridCoord{col, row};
}

QRect TStringGrid::CellRect(TGridCoord cell) const {
  const int line = cell.col > 0 && cell.row > 0 ? 1 : 0;
  return QRect(ClampToInt(ColLeft(cell.col)), ClampToInt(RowTop(cell.row)),
               ColWidth(cell.col) - line, kRowHeight - line);
}

std::int32_t TStringGrid::SizingHandleAt(int x) const {
  // A grip either side of a border sizes the column left of it; the index
  // column keeps its width.
  const std::int32_t col = ColAtX(x);
  if (col < 1) return -1;
  const int grip = style()->pixelMetric(QStyle::PM_HeaderGripMargin, nullptr, this);
  const std::int64_t left = ColLeft(col);
  if (x < left + grip) return col > 1 ? col - 1 : -1;
  if (x > left + ColWidth(col) - grip) return col;
  return -1;
}

void TStringGrid::UpdateScrollBars() {
  if (updatingScrollBars_) return;
  updatingScrollBars_ = true;
  QSize size = viewport()->size();
  const QSize most = maximumViewportSize();
  const std::int64_t rowsLength = std::int64_t{DataRows()} * kRowHeight;
  const std::int64_t colsLength = ColsLength();
  if (most.width() - kIndexWidth >= colsLength && most.height() - kRowHeight >= rowsLength) {
    size = most;
  }
  const int rowRoom = std::max(size.height() - kRowHeight, 0);
  const int colRoom = std::max(size.width() - kIndexWidth, 0);

  const std::int32_t rowsShown = std::max(std::min(DataRows(), rowRoom / kRowHeight), 1);
  verticalScrollBar()->setRange(0, std::max(DataRows() - rowsShown, 0));
  verticalScrollBar()->setPageStep(rowsShown);
  verticalScrollBar()->setSingleStep(1);

  // Whole columns that fit, counted from the last one.
  std::int32_t colsShown = 0;
  std::int64_t width = 0;
  for (std::int32_t col = DataCols(); col >= 1; --col) {
    width += ColWidth(col);
    if (width > colRoom) break;
    ++colsShown;
  }
  colsShown = std::max(colsShown, 1);
  horizontalScrollBar()->setRange(0, std::max(DataCols() - colsShown, 0));
  horizontalScrollBar()->setPageStep(colsShown);
  horizontalScrollBar()->setSingleStep(1);
  updatingScrollBars_ = false;
}

void TStringGrid::ClampSelection() {
  if (DataRows() < 1 || DataCols() < 1) {
    current_.reset();
    selection_.reset();
    return;
  }
  if (current_ && (current_->col > DataCols() || current_->row > DataRows())) {
    current_ = TGridCoord{std::min(current_->col, DataCols()), std::min(current_->row, DataRows())};
    ScrollToCell(*current_);
  }
  if (selection_) {
    if (selection_->left > DataCols() || selection_->top > DataRows()) {
      selection_.reset();
    } else {
      selection_->right = std::min(selection_->right, DataCols());
      selection_->bottom = std::min(selection_->bottom, DataRows());
    }
  }
  anchor_.col = std::min(anchor_.col, DataCols());
  anchor_.row = std::min(anchor_.row, DataRows());
}

void TStringGrid::ScrollToCell(TGridCoord cell) {
  const QRect area = DataArea();
  if (cell.row >= 1) {
    const std::int64_t top = std::int64_t{cell.row - 1} * kRowHeight;
    if (top < RowOffset()) {
      verticalScrollBar()->setValue(cell.row - 1);
    } else if (top + kRowHeight > RowOffset() + area.height()) {
      const std::int32_t fit = std::max(area.height() / kRowHeight, 1);
      verticalScrollBar()->setValue(std::max(cell.row - fit, 0));
    }
  }
  if (cell.col >= 1) {
    const std::int64_t left = ColPosition(cell.col);
    if (left < ColOffset()) {
      horizontalScrollBar()->setValue(cell.col - 1);
    } else if (left + ColWidth(cell.col) > ColOffset() + area.width()) {
      std::int32_t first = cell.col;
      std::int64_t width = ColWidth(cell.col);
      while (first > 1) {
        width += ColWidth(first - 1);
        if (width > area.width()) break;
        --first;
      }
      horizontalScrollBar()->setValue(first - 1);
    }
  }
}

void TStringGrid::SelectCell(TGridCoord cell, bool extend) {
  if (cell.col < 1 || cell.row < 1 || cell.col > DataCols() || cell.row > DataRows()) return;
  if (!extend || !hasAnchor_) {
    anchor_ = extend && current_ ? *current_ : cell;
    hasAnchor_ = true;
  }
  selection_ = Span(anchor_, cell);
  current_ = cell;
  viewport()->update();
  TGridAccessible::AnnounceCurrentCell(*this);
}

void TStringGrid::SelectAll() {
  if (DataRows() < 1 || DataCols() < 1) return;
  selection_ = TGridRect{1, 1, DataCols(), DataRows()};
  viewport()->update();
}

void TStringGrid::MoveCurrent(TGridCoord cell, bool extend) {
  SelectCell(cell, extend);
  ScrollToCell(cell);
}

bool TStringGrid::MoveByKey(QKeyEvent* event) {
  const int key = event->key();
  const bool control = event->modifiers() & Qt::ControlModifier;
  switch (key) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      break;
    default:
      return false;
  }
  if (DataRows() < 1 || DataCols() < 1) return true;
  if (!current_) {
    MoveCurrent({1, 1}, false);
    return true;
  }
  TGridCoord to = *current_;
  const int room = DataArea().height();
  switch (key) {
    case Qt::Key_Up:
      to.row = std::max(to.row - 1, 1);
      break;
    case Qt::Key_Down:
      to.row = std::min(to.row + 1, DataRows());
      break;
    case Qt::Key_Left:
      to.col = std::max(to.col - 1, 1);
      break;
    case Qt::Key_Right:
      to.col = std::min(to.col + 1, DataCols());
      break;
    case Qt::Key_Home:
      to.col = 1;
      if (control) to.row = 1;
      break;
    case Qt::Key_End:
      to.col = DataCols();
      if (control) to.row = DataRows();
      break;
    case Qt::Key_PageUp: {
      // The row a page above the current cell's bottom, or the first.
      const std::int64_t at = std::int64_t{to.row - 1} * kRowHeight + kRowHeight - 2 - room;
      to.row = at < 0 ? 1 : static_cast<std::int32_t>(at / kRowHeight) + 1;
      break;
    }
    case Qt::Key_PageDown: {
      const std::int64_t at = std::int64_t{to.row - 1} * kRowHeight + room;
      to.row = static_cast<std::int32_t>(std::min<std::int64_t>(at / kRowHeight + 1, DataRows()));
      break;
    }
    default:
      break;
  }
  if (to == *current_) return true;
  // Ctrl moves without extending, as spreadsheets do.
  MoveCurrent(to, (event->modifiers() & Qt::ShiftModifier) && !control);
  return true;
}

std::string TStringGrid::SelectionText() const {
  TGridRect range;
  if (selection_) {
    range = *selection_;
  } else if (current_) {
    range = {current_->col, current_->row, current_->col, current_->row};
  } else {
    return {};
  }
  if (range == TGridRect{1, 1, DataCols(), DataRows()}) {
    return cells_.TableText(0, 0, ColCount(), RowCount());
  }
  return cells_.TableText(range.left, range.top, range.right - range.left + 1,
                          range.bottom - range.top + 1);
}

void TStringGrid::CopySelection() {
  // A selection can hold millions of cells.
  const TBusyCursor busy;
  const std::string text = SelectionText();
  if (!text.empty()) DesktopOf(this).clipboard.SetText(text);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (event->matches(QKeySequence::Copy)) {
    RunCommand(this, [this] { CopySelection(); });
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    RunCommand(this, [this] {
      if (OnPaste) OnPaste();
    });
    return;
  }
  if (event->matches(QKeySequence::SelectAll)) {
    SelectAll();
    return;
  }
  if (MoveByKey(event)) return;
  event->ignore();
}

void TStringGrid::SelectAt(QPoint point) {
  // Rows and columns scrolled out of view count too: a drag above the cells
  // reaches the rows above them.
  const std::int64_t y = point.y() - kRowHeight + RowOffset();
  const std::int64_t x = point.x() - kIndexWidth + ColOffset();
  if (y < 0 || y >= std::int64_t{DataRows()} * kRowHeight) return;
  const std::int32_t col = ColAtPosition(x);
  if (col < 1) return;
  const TGridCoord cell{col, static_cast<std::int32_t>(y / kRowHeight) + 1};
  const bool moved = current_ != cell;
  selection_ = Span(anchor_, cell);
  current_ = cell;
  viewport()->update();
  if (moved) TGridAccessible::AnnounceCurrentCell(*this);
}

void TStringGrid::mousePressEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  pressedCell_.reset();
  pressSelected_ = false;
  dragged_ = false;
  if (event->button() == Qt::LeftButton && point.y() < kRowHeight) {
    const std::int32_t handle = SizingHandleAt(point.x());
    if (handle >= 1) {
      drag_ = TDrag::Size;
      sizingCol_ = handle;
      sizingStartX_ = point.x();
      sizingStartWidth_ = ColWidth(handle);
      return;
    }
  }
  pressedOutside_ = false;
  if (point.y() < kRowHeight || point.x() < kIndexWidth) return;  // the fixed cells select nothing
  const auto cell = CellAt(point);
  const bool right = event->button() == Qt::RightButton;
  const bool extend = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  if (!cell) {
    // Pressed beside the cells: the release clears the selection.
    pressedOutside_ = true;
    return;
  }
  pressedCell_ = cell;
  const bool selected = selection_ && selection_->Contains(cell->col, cell->row);
  if (extend && !right) {
    SelectCell(*cell, true);
  } else if (selected || extend) {
    // Keeps the selection, so that a context menu acts on it; a plain
    // click without a drag makes it the one cell at the release.
    anchor_ = *cell;
    hasAnchor_ = true;
    current_ = cell;
    pressSelected_ = !extend && !right;
    viewport()->update();
  } else {
    SelectCell(*cell, false);
  }
  if (event->button() == Qt::LeftButton) drag_ = TDrag::Select;
  // Scrolls a cut cell into view only once a double click is ruled out.
  delayedScrollTimer_.start(QApplication::doubleClickInterval() + 100, this);
}

void TStringGrid::mouseMoveEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (drag_ == TDrag::Size) {
    SetColWidth(sizingCol_, sizingStartWidth_ + point.x() - sizingStartX_);
    return;
  }
  if (drag_ == TDrag::Select && (event->buttons() & Qt::LeftButton)) {
    dragged_ = true;
    SelectAt(point);
    const QRect area = DataArea();
    const bool nearEdge = point.y() - area.top() < kAutoScrollMargin ||
                          area.bottom() - point.y() < kAutoScrollMargin ||
                          point.x() - area.left() < kAutoScrollMargin ||
                          area.right() - point.x() < kAutoScrollMargin;
    if (nearEdge && !autoScrollTimer_.isActive()) {
      autoScrollStep_ = 0;
      autoScrollTimer_.start(kAutoScrollInterval, this);
    }
    return;
  }
  const bool onHandle = point.y() >= 0 && point.y() < kRowHeight && SizingHandleAt(point.x()) >= 1;
  if (onHandle) {
    if (!viewport()->testAttribute(Qt::WA_SetCursor)) viewport()->setCursor(Qt::SplitHCursor);
  } else if (viewport()->testAttribute(Qt::WA_SetCursor)) {
    viewport()->unsetCursor();
  }
}

void TStringGrid::mouseReleaseEvent(QMouseEvent* event) {
  autoScrollTimer_.stop();
  const TDrag drag = std::exchange(drag_, TDrag::None);
  if (drag == TDrag::Size) return;
  const bool modified = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier);
  const auto cell = CellAt(event->position().toPoint());
  const bool onData = cell && cell->col > 0 && cell->row > 0;
  if (pressedOutside_ && !onData && !dragged_ && !modified) {
    selection_.reset();
    viewport()->update();
  } else if (pressSelected_ && onData && pressedCell_ && *cell == *pressedCell_ && !dragged_ &&
             !modified) {
    SelectCell(*cell, false);
  }
  pressedOutside_ = false;
  pressSelected_ = false;
}

void TStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  const QPoint point = event->position().toPoint();
  if (point.y() < kRowHeight) {
    const std::int32_t handle = SizingHandleAt(point.x());
    if (event->button() == Qt::LeftButton && handle >= 1) {
      SetColWidth(handle, FittingColWidth(handle));
    }
    return;
  }
  // The second press of a double click on the same cell changes nothing.
  const auto cell = CellAt(point);
  if (!cell || !pressedCell_ || *cell != *pressedCell_) mousePressEvent(event);
}

void TStringGrid::AutoScroll() {
  const QPoint point = viewport()->mapFromGlobal(QCursor::pos());
  const QRect area = DataArea();
  QScrollBar* down = verticalScrollBar();
  QScrollBar* across = horizontalScrollBar();
  autoScrollStep_ = std::min(autoScrollStep_ + 1, std::max(down->pageStep(), across->pageStep()));
  const int downWas = down->value();
  const int acrossWas = across->value();
  if (point.y() - area.top() < kAutoScrollMargin) {
    down->setValue(downWas - autoScrollStep_);
  } else if (area.bottom() - point.y() < kAutoScrollMargin) {
    down->setValue(downWas + autoScrollStep_);
  }
  if (point.x() - area.left() < kAutoScrollMargin) {
    across->setValue(acrossWas - autoScrollStep_);
  } else if (area.right() - point.x() < kAutoScrollMargin) {
    across->setValue(acrossWas + autoScrollStep_);
  }
  if (down->value() == downWas && across->value() == acrossWas) {
    autoScrollTimer_.stop();
    return;
  }
  SelectAt(point);
}

void TStringGrid::timerEvent(QTimerEvent* event) {
  if (event->timerId() == autoScrollTimer_.timerId()) {
    AutoScroll();
  } else if (event->timerId() == delayedScrollTimer_.timerId()) {
    delayedScrollTimer_.stop();
    if (pressedCell_ && current_ && *pressedCell_ == *current_) ScrollToCell(*current_);
  } else {
    QAbstractScrollArea::timerEvent(event);
  }
}

void TStringGrid::focusInEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusInEvent(event);
  // Arriving by the keyboard, the first cell becomes the current one.
  if (!current_ && event->reason() != Qt::MouseFocusReason && DataRows() >= 1 && DataCols() >= 1) {
    current_ = TGridCoord{1, 1};
  }
  viewport()->update();
  TGridAccessible::AnnounceCurrentCell(*this);
}

void TStringGrid::focusOutEvent(QFocusEvent* event) {
  QAbstractScrollArea::focusOutEvent(event);
  viewport()->update();
}

void TStringGrid::changeEvent(QEvent* event) {
  QAbstractScrollArea::changeEvent(event);
  switch (event->type()) {
    case QEvent::ActivationChange:
    case QEvent::EnabledChange:
    case QEvent::PaletteChange:
      viewport()->update();
      break;
    case QEvent::FontChange:
    case QEvent::StyleChange:
      Resized();
      break;
    default:
      break;
  }
}

void TStringGrid::resizeEvent(QResizeEvent* event) {
  QAbstractScrollArea::resizeEvent(event);
  UpdateScrollBars();
}

void TStringGrid::scrollContentsBy(int, int) { viewport()->update(); }

bool TStringGrid::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    ShowCellTip(static_cast<QHelpEvent*>(event));
    return true;
  }
  return QAbstractScrollArea::viewportEvent(event);
}

// The cells are drawn by the style as an item view draws its items, and the
// fixed row and column as header sections.
void TStringGrid::InitCellOption(QStyleOptionViewItem* option) const {
  option->initFrom(this);
  option->state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
  if (!hasFocus()) option->state &= ~QStyle::State_Active;
  option->font = font();
  const int icon = style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, this);
  option->decorationSize = QSize(icon, icon);
  option->decorationPosition = QStyleOptionViewItem::Left;
  option->decorationAlignment = Qt::AlignCenter;
  option->displayAlignment = kCellAlignment;
  option->textElideMode = Qt::ElideNone;
  option->showDecorationSelected = true;
  option->locale = locale();
  option->locale.setNumberOptions(QLocale::OmitGroupSeparator);
  option->widget = this;
  option->features |= QStyleOptionViewItem::HasDisplay;
}

void TStringGrid::InitHeaderOption(QStyleOptionHeader* option, TGridCoord cell,
                                   const QRect& rect) const {
  option->initFrom(this);
  const bool across = cell.row == 0;
  option->state = QStyle::State_Raised;
  if (across) option->state |= QStyle::State_Horizontal;
  if (isEnabled()) option->state |= QStyle::State_Enabled;
  if (window()->isActiveWindow()) option->state |= QStyle::State_Active;
  option->orientation = across ? Qt::Horizontal : Qt::Vertical;
  option->section = across ? cell.col - 1 : cell.row - 1;
  option->rect = rect;
  option->textAlignment = kCellAlignment;
  option->iconAlignment = Qt::AlignVCenter;
  option->text = QString::fromStdString(cells_.Text(cell.col, cell.row));
  const std::int32_t index = across ? cell.col : cell.row;
  const std::int32_t last = across ? DataCols() : DataRows();
  if (index == 1 && index == last) {
    option->position = QStyleOptionHeader::OnlyOneSection;
  } else if (index == 1) {
    option->position = QStyleOptionHeader::Beginning;
  } else if (index == last) {
    option->position = QStyleOptionHeader::End;
  } else {
    option->position = QStyleOptionHeader::Middle;
  }
  option->selectedPosition = QStyleOptionHeader::NotAdjacent;
}

void TStringGrid::PaintCells(QPainter& painter, const QRect& area) const {
  if (DataRows() < 1 || DataCols() < 1 || area.isEmpty()) return;
  QStyleOptionViewItem base;
  InitCellOption(&base);
  painter.setClipRect(area);
  const bool focused = hasFocus() || viewport()->hasFocus();
  const std::int32_t firstRow = TopRow();
  const std::int32_t firstCol = LeftCol();
  std::int32_t lastRow = firstRow;
  while (lastRow < DataRows() && RowTop(lastRow + 1) <= area.bottom()) ++lastRow;
  std::int32_t lastCol = firstCol;
  while (lastCol < DataCols() && ColLeft(lastCol + 1) <= area.right()) ++lastCol;

  std::string text;
  for (std::int32_t row = firstRow; row <= lastRow; ++row) {
    for (std::int32_t col = firstCol; col <= lastCol; ++col) {
      QStyleOptionViewItem option = base;
      option.rect = CellRect({col, row});
      if (selection_ && selection_->Contains(col, row)) option.state |= QStyle::State_Selected;
      if (IsMarkedRow(row)) option.backgroundBrush = MarkTint(palette());
      if (focused && current_ && *current_ == TGridCoord{col, row}) {
        option.state |= QStyle::State_HasFocus;
      }
      if (option.state & QStyle::State_Enabled)
        option.palette.setCurrentColorGroup(QPalette::Normal);
      style()->drawPrimitive(QStyle::PE_PanelItemViewRow, &option, &painter, this);
      text.clear();
      cells_.AppendText(col, row, text);
      option.text = QString::fromStdString(text);
      style()->drawControl(QStyle::CE_ItemViewItem, &option, &painter, this);
    }
  }

  // The grid lines: the last pixel row and column of every cell, up to the
  // last row and column.
  const auto gridColor =
      static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &base, this));
  painter.setPen(QPen(QColor::fromRgba(gridColor), 1, Qt::SolidLine));
  const int right =
      std::min<std::int64_t>(area.right(), ColLeft(DataCols()) + ColWidth(DataCols()) - 1);
  const int bottom = std::min<std::int64_t>(area.bottom(), RowTop(DataRows()) + kRowHeight - 1);
  for (std::int32_t row = firstRow; row <= lastRow; ++row) {
    const int y = ClampToInt(RowTop(row) + kRowHeight - 1);
    painter.drawLine(area.left(), y, right, y);
  }
  for (std::int32_t col = firstCol; col <= lastCol; ++col) {
    const int x = ClampToInt(ColLeft(col) + ColWidth(col) - 1);
    painter.drawLine(x, area.top(), x, bottom);
  }
  painter.setClipping(false);
}

void TStringGrid::PaintHeaders(QPainter& painter) const {
  const QRect all = viewport()->rect();
  const QBrush face = palette().brush(QPalette::Button);
  const QRect area = DataArea();
  auto drawSection = [&](TGridCoord cell, const QRect& rect) {
    QStyleOptionHeader option;
    InitHeaderOption(&option, cell, rect);
    painter.save();
    style()->drawControl(QStyle::CE_Header, &option, &painter, this);
    painter.restore();
  };

  // The header row, then the index column; beyond their last sections the
  // strips show the button face.
  painter.fillRect(QRect(kIndexWidth, 0, std::max(all.width() - kIndexWidth, 0), kRowHeight), face);
  if (DataCols() >= 1) {
    for (std::int32_t col = LeftCol(); col <= DataCols(); ++col) {
      const std::int64_t left = ColLeft(col);
      if (left > all.right()) break;
      drawSection({col, 0}, QRect(ClampToInt(left), 0, ColWidth(col), kRowHeight));
    }
  }
  painter.fillRect(QRect(0, kRowHeight, kIndexWidth, std::max(all.height() - kRowHeight, 0)), face);
  if (DataRows() >= 1) {
    QFont italic = font();
    italic.setItalic(true);
    for (std::int32_t row = TopRow(); row <= DataRows(); ++row) {
      const std::int64_t top = RowTop(row);
      if (top > area.bottom()) break;
      const QRect rect(0, ClampToInt(top), kIndexWidth, kRowHeight);
      if (!IsMarkedRow(row)) {
        drawSection({0, row}, rect);
        continue;
      }
      // A marked row's number in italics, beside a strip of the rows' tint.
      painter.save();
      painter.setFont(italic);
      drawSection({0, row}, rect);
      painter.restore();
      painter.fillRect(QRect(rect.left() + 1, rect.top() + 1, 4, rect.height() - 2),
                       MarkTint(palette()).darker(130));
    }
  }

  // The corner last: sections scrolled half out of view reach under it.
  QStyleOptionHeader corner;
  corner.initFrom(this);
  corner.rect = QRect(0, 0, kIndexWidth, kRowHeight);
  corner.position = QStyleOptionHeader::OnlyOneSection;
  corner.state |= QStyle::State_Raised | QStyle::State_Horizontal;
  corner.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
  corner.text = QString::fromStdString(cells_.Text(0, 0));
  corner.textAlignment = kCellAlignment;
  painter.save();
  style()->drawControl(QStyle::CE_Header, &corner, &painter, this);
  painter.restore();
}

void TStringGrid::paintEvent(QPaintEvent*) {
  QPainter painter(viewport());
  PaintCells(painter, DataArea());
  PaintHeaders(painter);
}

std::int32_t TStringGrid::FittingColWidth(std::int32_t col) const {
  if (col < 1 || col > DataCols()) return ColWidth(col);
  int widest = -1;
  if (DataRows() >= 1) {
    QStyleOptionViewItem option;
    InitCellOption(&option);
    const std::int32_t first = TopRow();
    std::int32_t last = RowAtY(viewport()->height() - 1);
    if (last < 1) last = DataRows();
    std::string text;
    for (std::int32_t row = first; row <= last; ++row) {
      text.clear();
      cells_.AppendText(col, row, text);
      option.text = QString::fromStdString(text);
      widest = std::max(
          widest,
          style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width());
    }
    widest += 1;  // the grid line
  }
  // The header's own need is measured in bold, as for a highlighted section.
  QStyleOptionHeader header;
  InitHeaderOption(&header, {col, 0}, QRect());
  QFont bold = font();
  bold.setBold(true);
  header.fontMetrics = QFontMetrics(bold);
  const int headerWidth = std::max(
      style()->sizeFromContents(QStyle::CT_HeaderSection, &header, QSize(), this).width(), 1);
  return std::max(widest, headerWidth);
}

void TStringGrid::ShowCellTip(QHelpEvent* event) {
  const auto cell = CellAt(event->pos());
  if (cell) {
    const QRect rect = CellRect(*cell);
    int needed = 0;
    QString text;
    if (cell->col > 0 && cell->row > 0) {
      QStyleOptionViewItem option;
      InitCellOption(&option);
      option.rect = rect;
      option.text = text = QString::fromStdString(cells_.Text(cell->col, cell->row));
      needed = style()->sizeFromContents(QStyle::CT_ItemViewItem, &option, QSize(), this).width();
    } else {
      QStyleOptionHeader option;
      InitHeaderOption(&option, *cell, rect);
      text = option.text;
      needed = style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this).width();
    }
    if (IsMarkedRow(cell->row) && cell->col == 0) {
      QToolTip::showText(event->globalPos(),
                         text + QStringLiteral(": ") + QString::fromStdString(markNote_),
                         viewport(), rect);
      return;
    }
    // Cut exactly when fitting the column would widen it.
    if (needed > rect.width()) {
      QToolTip::showText(event->globalPos(), text, viewport(), rect);
      return;
    }
  }
  QToolTip::hideText();
}

}  // namespace fendrel
