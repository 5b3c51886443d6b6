#include "ui/text_grid.h"

#include <QAbstractButton>
#include <QEvent>
#include <QHeaderView>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionHeader>
#include <QToolTip>
#include <algorithm>
#include <climits>

#include "platform/busy_cursor.h"
#include "platform/clipboard.h"

namespace fendrel {

namespace {

constexpr std::int32_t kInitialCols = 2;
constexpr std::int32_t kInitialRows = 5;
constexpr auto kCellAlignment = Qt::AlignLeft | Qt::AlignVCenter;

}  // namespace

TStringGridModel::TStringGridModel(QObject* parent)
    : QAbstractTableModel(parent), cells_(kInitialCols, kInitialRows) {}

int TStringGridModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(cells_.RowCount() - 1, 0);
}

int TStringGridModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : std::max(cells_.ColCount() - 1, 0);
}

QVariant TStringGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(cells_.Text(index.column() + 1, index.row() + 1));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(kCellAlignment));
  return {};
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role == Qt::DisplayRole) {
    return QString::fromStdString(orientation == Qt::Horizontal ? cells_.Text(section + 1, 0)
                                                                : cells_.Text(0, section + 1));
  }
  if (role == Qt::TextAlignmentRole) return QVariant::fromValue(Qt::Alignment(kCellAlignment));
  return {};
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TStringGridModel::Resize(std::int32_t newColCount, std::int32_t newRowCount) {
  const int oldRows = rowCount();
  const int newRows = std::max(newRowCount - 1, 0);
  if (newRows < oldRows) {
    beginRemoveRows(QModelIndex(), newRows, oldRows - 1);
    cells_.SetSize(cells_.ColCount(), newRowCount);
    endRemoveRows();
  } else if (newRows > oldRows) {
    beginInsertRows(QModelIndex(), oldRows, newRows - 1);
    cells_.SetSize(cells_.ColCount(), newRowCount);
    endInsertRows();
  } else {
    cells_.SetSize(cells_.ColCount(), newRowCount);
  }
  const int oldCols = columnCount();
  const int newCols = std::max(newColCount - 1, 0);
  if (newCols < oldCols) {
    beginRemoveColumns(QModelIndex(), newCols, oldCols - 1);
    cells_.SetSize(newColCount, cells_.RowCount());
    endRemoveColumns();
  } else if (newCols > oldCols) {
    beginInsertColumns(QModelIndex(), oldCols, newCols - 1);
    cells_.SetSize(newColCount, cells_.RowCount());
    endInsertColumns();
  } else {
    cells_.SetSize(newColCount, cells_.RowCount());
  }
}

void TStringGridModel::ContentsChanged() {
  const int rows = rowCount();
  const int cols = columnCount();
  if (rows > 0 && cols > 0) emit dataChanged(index(0, 0), index(rows - 1, cols - 1));
}

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), model_(new TStringGridModel(this)) {
  setModel(model_);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionMode(QAbstractItemView::ContiguousSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setTabKeyNavigation(false);
  setWordWrap(false);
  setTextElideMode(Qt::ElideNone);
  setShowGrid(true);
  setCornerButtonEnabled(false);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

  // Fixed section sizes: measuring sections to their contents would visit
  // every row and column.
  QHeaderView* top = horizontalHeader();
  top->setMinimumSectionSize(1);
  top->setDefaultSectionSize(DefaultColWidth());
  top->setSectionResizeMode(QHeaderView::Interactive);
  top->setFixedHeight(DefaultRowHeight());
  QHeaderView* left = verticalHeader();
  left->setMinimumSectionSize(1);
  left->setDefaultSectionSize(DefaultRowHeight());
  left->setSectionResizeMode(QHeaderView::Fixed);
  left->setFixedWidth(DefaultColWidth());
  for (QHeaderView* header : {top, left}) {
    header->setDefaultAlignment(kCellAlignment);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
  }
  corner_ = findChild<QAbstractButton*>(QString(), Qt::FindDirectChildrenOnly);
  if (corner_ != nullptr) corner_->installEventFilter(this);
  for (QHeaderView* header : {top, left}) header->viewport()->installEventFilter(this);
}

void TStringGrid::SetColCount(std::int32_t count) {
  model_->Resize(std::max(count, 1), RowCount());
}

void TStringGrid::SetRowCount(std::int32_t count) {
  model_->Resize(ColCount(), std::max(count, 1));
}

std::string TStringGrid::Cell(std::int32_t col, std::int32_t row) const {
  return model_->Cells().Text(col, row);
}

void TStringGrid::SetCell(std::int32_t col, std::int32_t row, std::string_view text) {
  model_->Cells().SetText(col, row, text);
  Changed();
}

void TStringGrid::SetIndexColumn(std::int32_t col, std::int32_t firstRow, std::int32_t count) {
  model_->Cells().SetIndexColumn(col, firstRow, count);
  Changed();
}

void TStringGrid::SetNumberedRow(std::int32_t row, std::int32_t firstCol, std::int32_t count,
                                 std::string_view prefix) {
  model_->Cells().SetNumberedRow(row, firstCol, count, prefix);
  Changed();
}

void TStringGrid::SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                  std::int32_t rows, std::vector<double> values,
                                  std::vector<std::int32_t> lengths) {
  model_->Cells().SetValueColumns(firstCol, firstRow, cols, rows, std::move(values),
                                  std::move(lengths));
  Changed();
}

void TStringGrid::SetValueColumns(std::int32_t firstCol, std::int32_t firstRow, std::int32_t cols,
                                  std::int32_t rows, std::shared_ptr<const double[]> values,
                                  std::size_t size, std::vector<std::int32_t> lengths) {
  model_->Cells().SetValueColumns(firstCol, firstRow, cols, rows, std::move(values), size,
                                  std::move(lengths));
  Changed();
}

void TStringGrid::Changed() {
  // Only marks what is on screen for repainting; texts are made at the paint.
  model_->ContentsChanged();
  horizontalHeader()->viewport()->update();
  verticalHeader()->viewport()->update();
  if (corner_ != nullptr) corner_->update();
}

bool TStringGrid::eventFilter(QObject* watched, QEvent* event) {
  if (watched == corner_ && event->type() == QEvent::Paint) {
    PaintCorner();
    return true;
  }
  if (event->type() == QEvent::ToolTip) {
    for (QHeaderView* header : {horizontalHeader(), verticalHeader()}) {
      if (watched != header->viewport()) continue;
      ShowHeaderTip(header, static_cast<QHelpEvent*>(event));
      return true;
    }
  }
  return QTableView::eventFilter(watched, event);
}

std::string TStringGrid::SelectionText() const {
  int top = INT_MAX;
  int left = INT_MAX;
  int bottom = -1;
  int right = -1;
  // Ranges, never the list of selected indexes: a selection can hold
  // millions of cells.
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    top = std::min(top, range.top());
    left = std::min(left, range.left());
    bottom = std::max(bottom, range.bottom());
    right = std::max(right, range.right());
  }
  if (bottom < 0) {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return {};
    top = bottom = current.row();
    left = right = current.column();
  }
  const TGridCells& cells = model_->Cells();
  if (top == 0 && left == 0 && bottom == model_->rowCount() - 1 &&
      right == model_->columnCount() - 1) {
    return cells.TableText(0, 0, cells.ColCount(), cells.RowCount());
  }
  return cells.TableText(left + 1, top + 1, right - left + 1, bottom - top + 1);
}

void TStringGrid::CopySelection() {
  // A selection can hold millions of cells.
  const TBusyCursor busy;
  const std::string text = SelectionText();
  if (!text.empty()) Clipboard().SetText(text);
}

void TStringGrid::keyPressEvent(QKeyEvent* event) {
  if (event->matches(QKeySequence::Copy)) {
    CopySelection();
    event->accept();
    return;
  }
  if (event->matches(QKeySequence::Paste)) {
    if (OnPaste) OnPaste();
    event->accept();
    return;
  }
  QTableView::keyPressEvent(event);
}

int TStringGrid::sizeHintForColumn(int column) const {
  const int rows = model_->rowCount();
  if (column < 0 || column >= model_->columnCount() || rows == 0) return -1;
  const int first = std::max(rowAt(0), 0);
  int last = rowAt(viewport()->height() - 1);
  if (last < 0) last = std::min(rows - 1, first + viewport()->height() / DefaultRowHeight());
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  int widest = 0;
  for (int row = first; row <= last; ++row) {
    const QModelIndex index = model_->index(row, column);
    widest = std::max(widest, itemDelegateForIndex(index)->sizeHint(option, index).width());
  }
  return widest + (showGrid() ? 1 : 0);
}

bool TStringGrid::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    ShowCellTip(static_cast<QHelpEvent*>(event));
    return true;
  }
  return QTableView::viewportEvent(event);
}

void TStringGrid::ShowCellTip(QHelpEvent* event) {
  const QModelIndex index = indexAt(event->pos());
  if (index.isValid()) {
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    const QRect rect = visualRect(index);
    option.rect = rect;
    // Cut exactly when fitting the column would widen it.
    if (itemDelegateForIndex(index)->sizeHint(option, index).width() > rect.width()) {
      QToolTip::showText(event->globalPos(), model_->data(index).toString(), viewport(), rect);
      return;
    }
  }
  QToolTip::hideText();
}

void TStringGrid::ShowHeaderTip(QHeaderView* header, QHelpEvent* event) {
  const int section = header->logicalIndexAt(event->pos());
  if (section >= 0) {
    QStyleOptionHeader option;
    option.initFrom(header);
    option.section = section;
    option.orientation = header->orientation();
    option.text = model_->headerData(section, header->orientation()).toString();
    const QSize needed =
        header->style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), header);
    const bool across = header->orientation() == Qt::Horizontal;
    const int room = across ? header->sectionSize(section) : header->width();
    if (needed.width() > room) {
      const int at = header->sectionViewportPosition(section);
      const QRect rect = across ? QRect(at, 0, room, header->height())
                                : QRect(0, at, room, header->sectionSize(section));
      QToolTip::showText(event->globalPos(), option.text, header->viewport(), rect);
      return;
    }
  }
  QToolTip::hideText();
}

void TStringGrid::PaintCorner() {
  QPainter painter(corner_);
  QStyleOptionHeader option;
  // Drawn like the header sections: the corner button itself is disabled so
  // that clicking it selects nothing.
  option.initFrom(this);
  option.rect = corner_->rect();
  option.position = QStyleOptionHeader::OnlyOneSection;
  option.state |= QStyle::State_Raised | QStyle::State_Horizontal;
  option.state &= ~(QStyle::State_MouseOver | QStyle::State_HasFocus);
  option.text = QString::fromStdString(model_->Cells().Text(0, 0));
  option.textAlignment = kCellAlignment;
  style()->drawControl(QStyle::CE_Header, &option, &painter, corner_);
}

}  // namespace fendrel
