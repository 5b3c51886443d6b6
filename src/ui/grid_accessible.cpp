#include "ui/grid_accessible.h"

#include <QAccessible>
#include <QMetaObject>
#include <QWidget>
#include <algorithm>
#include <climits>
#include <optional>

#include "ui/text_grid.h"

namespace fendrel {

namespace {

constexpr int kMaxListed = 256;

int ClampCount(std::int64_t count) {
  return static_cast<int>(std::clamp<std::int64_t>(count, 0, INT_MAX));
}

std::uint64_t CellKey(TGridCoord place) {
  return (std::uint64_t{static_cast<std::uint32_t>(place.row)} << 32) |
         static_cast<std::uint32_t>(place.col);
}

// One cell, known by its place in the grid only: everything else is read
// from the grid when asked. The fixed row's cells (the corner too, which
// heads the index column) are column headers, the fixed column's row
// headers; only the cells below and right of them are the table's cells.
class TGridCellAccessible : public QAccessibleInterface, public QAccessibleTableCellInterface {
 public:
  TGridCellAccessible(TStringGrid* grid, TGridCoord place) : grid_(grid), place_(place) {}

  TGridCoord Place() const { return place_; }

  bool isValid() const override {
    return grid_ != nullptr && place_.row < grid_->RowCount() && place_.col < grid_->ColCount();
  }
  QObject* object() const override { return nullptr; }
  QWindow* window() const override {
    return grid_ != nullptr ? grid_->window()->windowHandle() : nullptr;
  }
  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TableCellInterface && !Fixed()) {
      return static_cast<QAccessibleTableCellInterface*>(this);
    }
    return nullptr;
  }

  QAccessibleInterface* parent() const override { return table(); }
  QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
  QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
  int childCount() const override { return 0; }
  int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }

  QString text(QAccessible::Text t) const override {
    if (!isValid()) return {};
    // A marked row (a forecast) says so: its row header in its name, every
    // cell of it in its description.
    const bool marked = place_.row > 0 && grid_->IsMarkedRow(place_.row);
    if (t == QAccessible::Description) {
      return marked ? QString::fromStdString(grid_->MarkNote()) : QString();
    }
    if (t != QAccessible::Name) return {};
    QString name = QString::fromStdString(grid_->Cell(place_.col, place_.row));
    if (marked && place_.col == 0)
      name += QStringLiteral(", ") + QString::fromStdString(grid_->MarkNote());
    return name;
  }
  void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

  QRect rect() const override {
    if (!isValid()) return {};
    const QRect inView = grid_->CellRect(place_);
    return QRect(grid_->viewport()->mapToGlobal(inView.topLeft()), inView.size());
  }

  QAccessible::Role role() const override {
    if (place_.row == 0) return QAccessible::ColumnHeader;
    if (place_.col == 0) return QAccessible::RowHeader;
    return QAccessible::Cell;
  }

  QAccessible::State state() const override {
    QAccessible::State s;
    if (!isValid()) {
      s.invalid = true;
      return s;
    }
    s.readOnly = true;
    if (!Fixed()) {
      s.selectable = true;
      s.multiSelectable = true;
      s.extSelectable = true;
      s.focusable = true;
      s.selected = isSelected();
      const std::optional<TGridCoord> current = grid_->Current();
      s.focused = grid_->hasFocus() && current && *current == place_;
    }
    if (!grid_->viewport()->rect().intersects(grid_->CellRect(place_))) s.offscreen = true;
    return s;
  }

  // The table cell.
  bool isSelected() const override {
    if (!isValid()) return false;
    const std::optional<TGridRect> selection = grid_->Selection();
    return selection && selection->Contains(place_.col, place_.row);
  }
  QList<QAccessibleInterface*> columnHeaderCells() const override {
    if (!isValid()) return {};
    return {Table()->GridCell({place_.col, 0})};
  }
  QList<QAccessibleInterface*> rowHeaderCells() const override {
    if (!isValid()) return {};
    return {Table()->GridCell({0, place_.row})};
  }
  int columnIndex() const override { return place_.col - 1; }
  int rowIndex() const override { return place_.row - 1; }
  int columnExtent() const override { return 1; }
  int rowExtent() const override { return 1; }
  QAccessibleInterface* table() const override {
    return QAccessible::queryAccessibleInterface(grid_.data());
  }

 private:
  bool Fixed() const { return place_.row == 0 || place_.col == 0; }
  TGridAccessible* Table() const { return static_cast<TGridAccessible*>(table()); }

  QPointer<TStringGrid> grid_;
  TGridCoord place_;
};

QAccessibleInterface* GridFactory(const QString& /*key*/, QObject* object) {
  // Grids carry no meta-object of their own: Qt asks by their base's name.
  if (auto* grid = dynamic_cast<TStringGrid*>(object)) return new TGridAccessible(grid);
  return nullptr;
}

}  // namespace

TGridAccessible::TGridAccessible(TStringGrid* grid) : QAccessibleWidget(grid, QAccessible::Table) {}

TGridAccessible::~TGridAccessible() { DropCells(); }

void TGridAccessible::Install() {
  static const bool installed = [] {
    QAccessible::installFactory(&GridFactory);
    return true;
  }();
  (void)installed;
}

TStringGrid* TGridAccessible::Grid() const { return static_cast<TStringGrid*>(widget()); }

void* TGridAccessible::interface_cast(QAccessible::InterfaceType type) {
  if (type == QAccessible::TableInterface) return static_cast<QAccessibleTableInterface*>(this);
  return QAccessibleWidget::interface_cast(type);
}

// The table's rows and columns are those below and right of the fixed ones.
int TGridAccessible::rowCount() const { return Grid()->RowCount() - 1; }

int TGridAccessible::columnCount() const { return Grid()->ColCount() - 1; }

// The children are every cell of the grid, headers too, row by row.
int TGridAccessible::childCount() const {
  return ClampCount(std::int64_t{Grid()->RowCount()} * Grid()->ColCount());
}

QAccessibleInterface* TGridAccessible::child(int index) const {
  if (index < 0 || index >= childCount()) return nullptr;
  const int cols = Grid()->ColCount();
  return GridCell({index % cols, index / cols});
}

int TGridAccessible::ChildIndex(const TStringGrid& grid, TGridCoord place) {
  const std::int64_t index = std::int64_t{place.row} * grid.ColCount() + place.col;
  return index < INT_MAX ? static_cast<int>(index) : -1;
}

int TGridAccessible::indexOfChild(const QAccessibleInterface* child) const {
  const auto* cell = dynamic_cast<const TGridCellAccessible*>(child);
  if (cell == nullptr || cell->table() != this || !cell->isValid()) return -1;
  return ChildIndex(*Grid(), cell->Place());
}

void TGridAccessible::AnnounceCurrentCell(TStringGrid& grid) {
  if (!QAccessible::isActive() || !grid.hasFocus() || !grid.Current()) return;
  const int index = ChildIndex(grid, *grid.Current());
  if (index < 0) return;
  QAccessibleEvent event(&grid, QAccessible::Focus);
  event.setChild(index);
  QAccessible::updateAccessibility(&event);
}

QAccessibleInterface* TGridAccessible::childAt(int x, int y) const {
  const TStringGrid* grid = Grid();
  const std::optional<TGridCoord> cell =
      grid->CellAt(grid->viewport()->mapFromGlobal(QPoint(x, y)));
  return cell ? GridCell(*cell) : nullptr;
}

QAccessibleInterface* TGridAccessible::focusChild() const {
  const std::optional<TGridCoord> current = Grid()->Current();
  if (!Grid()->hasFocus() || !current) return nullptr;
  return GridCell(*current);
}

QAccessibleInterface* TGridAccessible::cellAt(int row, int column) const {
  if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) return nullptr;
  return GridCell({column + 1, row + 1});
}

QAccessibleInterface* TGridAccessible::GridCell(TGridCoord place) const {
  if (place.row < 0 || place.col < 0 || place.row >= Grid()->RowCount() ||
      place.col >= Grid()->ColCount()) {
    return nullptr;
  }
  const std::uint64_t key = CellKey(place);
  if (const auto found = cells_.find(key); found != cells_.end()) {
    if (QAccessibleInterface* cell = QAccessible::accessibleInterface(found->second)) return cell;
  }
  auto* cell = new TGridCellAccessible(Grid(), place);
  cells_[key] = QAccessible::registerAccessibleInterface(cell);
  if (cells_.size() > kMaxMadeCells && !dropQueued_) {
    // Not now: the request that asked may still be using cells made for it.
    dropQueued_ = true;
    QMetaObject::invokeMethod(
        Grid(),
        [grid = Grid()] {
          if (auto* table =
                  dynamic_cast<TGridAccessible*>(QAccessible::queryAccessibleInterface(grid))) {
            table->DropCells();
          }
        },
        Qt::QueuedConnection);
  }
  return cell;
}

void TGridAccessible::DropCells() const {
  dropQueued_ = false;
  // Taken out first: deleting an interface may ask about the others.
  const auto cells = std::move(cells_);
  cells_.clear();
  for (const auto& [key, id] : cells) {
    if (QAccessible::accessibleInterface(id) != nullptr) QAccessible::deleteAccessibleInterface(id);
  }
}

void TGridAccessible::modelChange(QAccessibleTableModelChangeEvent* /*event*/) { DropCells(); }

QString TGridAccessible::columnDescription(int column) const {
  if (column < 0 || column >= columnCount()) return {};
  return QString::fromStdString(Grid()->Cell(column + 1, 0));
}

QString TGridAccessible::rowDescription(int row) const {
  if (row < 0 || row >= rowCount()) return {};
  QString description = QString::fromStdString(Grid()->Cell(0, row + 1));
  if (Grid()->IsMarkedRow(row + 1)) {
    description += QStringLiteral(", ") + QString::fromStdString(Grid()->MarkNote());
  }
  return description;
}

std::optional<TGridRect> TGridAccessible::TableSelection() const {
  std::optional<TGridRect> s = Grid()->Selection();
  if (s) *s = {s->left - 1, s->top - 1, s->right - 1, s->bottom - 1};
  return s;
}

int TGridAccessible::selectedCellCount() const {
  const std::optional<TGridRect> s = TableSelection();
  if (!s) return 0;
  return ClampCount(std::int64_t{s->right - s->left + 1} * (s->bottom - s->top + 1));
}

// Lists of the selection hold at most kMaxListed entries: a selection of a
// million cells is told by its count and by each cell's own state.
QList<QAccessibleInterface*> TGridAccessible::selectedCells() const {
  QList<QAccessibleInterface*> cells;
  const std::optional<TGridRect> s = TableSelection();
  if (!s) return cells;
  for (int row = s->top; row <= s->bottom && cells.size() < kMaxListed; ++row) {
    for (int column = s->left; column <= s->right && cells.size() < kMaxListed; ++column) {
      cells.append(cellAt(row, column));
    }
  }
  return cells;
}

bool TGridAccessible::isColumnSelected(int column) const {
  const std::optional<TGridRect> s = TableSelection();
  return s && s->top == 0 && s->bottom == rowCount() - 1 && column >= s->left && column <= s->right;
}

bool TGridAccessible::isRowSelected(int row) const {
  const std::optional<TGridRect> s = TableSelection();
  return s && s->left == 0 && s->right == columnCount() - 1 && row >= s->top && row <= s->bottom;
}

int TGridAccessible::selectedColumnCount() const {
  const std::optional<TGridRect> s = TableSelection();
  return s && isColumnSelected(s->left) ? s->right - s->left + 1 : 0;
}

int TGridAccessible::selectedRowCount() const {
  const std::optional<TGridRect> s = TableSelection();
  return s && isRowSelected(s->top) ? s->bottom - s->top + 1 : 0;
}

QList<int> TGridAccessible::selectedColumns() const {
  QList<int> columns;
  const std::optional<TGridRect> s = TableSelection();
  if (!s || !isColumnSelected(s->left)) return columns;
  for (int column = s->left; column <= s->right && columns.size() < kMaxListed; ++column) {
    columns.append(column);
  }
  return columns;
}

QList<int> TGridAccessible::selectedRows() const {
  QList<int> rows;
  const std::optional<TGridRect> s = TableSelection();
  if (!s || !isRowSelected(s->top)) return rows;
  for (int row = s->top; row <= s->bottom && rows.size() < kMaxListed; ++row) rows.append(row);
  return rows;
}

}  // namespace fendrel
