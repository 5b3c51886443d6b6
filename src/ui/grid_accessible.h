#pragma once

#include <QAccessibleWidget>
#include <QPointer>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <unordered_map>

#include "ui/text_grid.h"

namespace fendrel {

// A text grid as a screen reader meets it: a table of the cells below and
// right of the fixed ones, whose column headers are the fixed row's cells and
// row headers the fixed column's; the corner cell heads the index column.
// Every cell of the grid, headers too, is a child, row by row. Cells are made
// only when asked for, and each knows only its place: its text is read from
// the grid when wanted, so a grid of a million rows costs nothing until a
// reader looks, and then only what it looked at. The cells made so far are
// dropped whenever the grid changes while a reader listens, and once there
// are many, after the request that made them.
class TGridAccessible : public QAccessibleWidget, public QAccessibleTableInterface {
 public:
  // Beyond this many made cells, they are dropped after the current request.
  static constexpr std::size_t kMaxMadeCells = 4096;

  explicit TGridAccessible(TStringGrid* grid);
  ~TGridAccessible() override;
  TGridAccessible(const TGridAccessible&) = delete;
  TGridAccessible& operator=(const TGridAccessible&) = delete;

  void* interface_cast(QAccessible::InterfaceType type) override;
  int childCount() const override;
  QAccessibleInterface* child(int index) const override;
  int indexOfChild(const QAccessibleInterface* child) const override;
  QAccessibleInterface* childAt(int x, int y) const override;
  QAccessibleInterface* focusChild() const override;

  // The table.
  QAccessibleInterface* caption() const override { return nullptr; }
  QAccessibleInterface* summary() const override { return nullptr; }
  QAccessibleInterface* cellAt(int row, int column) const override;
  int selectedCellCount() const override;
  QList<QAccessibleInterface*> selectedCells() const override;
  QString columnDescription(int column) const override;
  QString rowDescription(int row) const override;
  int selectedColumnCount() const override;
  int selectedRowCount() const override;
  int columnCount() const override;
  int rowCount() const override;
  QList<int> selectedColumns() const override;
  QList<int> selectedRows() const override;
  bool isColumnSelected(int column) const override;
  bool isRowSelected(int row) const override;
  // The selection is the user's, made with the mouse and keys.
  bool selectRow(int /*row*/) override { return false; }
  bool selectColumn(int /*column*/) override { return false; }
  bool unselectRow(int /*row*/) override { return false; }
  bool unselectColumn(int /*column*/) override { return false; }
  void modelChange(QAccessibleTableModelChangeEvent* event) override;

  // The child index of a place of the grid; -1 past the indices there are.
  static int ChildIndex(const TStringGrid& grid, TGridCoord place);
  // Tells a listening reader that the current cell has the focus now.
  static void AnnounceCurrentCell(TStringGrid& grid);
  // The cell at a place of the grid, made when first asked for.
  QAccessibleInterface* GridCell(TGridCoord place) const;
  // How many cells are made now.
  std::size_t MadeCells() const { return cells_.size(); }

  // Lets Qt's accessibility find grids through this interface; every grid
  // asks for it when made.
  static void Install();

 private:
  TStringGrid* Grid() const;
  // The grid's selection in the table's rows and columns.
  std::optional<TGridRect> TableSelection() const;
  void DropCells() const;

  mutable std::unordered_map<std::uint64_t, QAccessible::Id> cells_;
  mutable bool dropQueued_ = false;
};

}  // namespace fendrel
