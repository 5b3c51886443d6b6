#include "ui/grid_accessible.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QTest>
#include <vector>

#include "ui/text_grid.h"

namespace fendrel {
namespace {

QString Name(QAccessibleInterface* cell) {
  return cell != nullptr ? cell->text(QAccessible::Name) : QStringLiteral("(none)");
}

TEST(GridAccessible, EveryCellOfAHugeGridIsATableCellMadeOnlyWhenAsked) {
  constexpr std::int32_t kRows = 1'048'576;
  TStringGrid grid;
  grid.resize(207, 191);
  grid.setAccessibleName(QStringLiteral("Test data"));
  grid.SetRowCount(kRows + 1);
  grid.SetCell(0, 0, "Time");
  grid.SetCell(1, 0, "Value");
  grid.SetIndexColumn(0, 1, kRows);
  grid.SetValueColumns(1, 1, 1, kRows, std::vector<double>(kRows, 0.5));
  grid.show();

  QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&grid);
  ASSERT_NE(shown, nullptr);
  auto* made = dynamic_cast<TGridAccessible*>(shown);
  ASSERT_NE(made, nullptr);
  QAccessibleTableInterface* table = shown->tableInterface();
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(shown->role(), QAccessible::Table);
  EXPECT_EQ(shown->text(QAccessible::Name), QStringLiteral("Test data"));
  EXPECT_EQ(table->rowCount(), kRows);
  EXPECT_EQ(table->columnCount(), 1);
  EXPECT_EQ(shown->childCount(), 2 * (kRows + 1));
  EXPECT_EQ(made->MadeCells(), 0u);

  // The fixed row and column are the headers; the last row is there too.
  EXPECT_EQ(table->columnDescription(0), QStringLiteral("Value"));
  EXPECT_EQ(table->rowDescription(kRows - 1), QStringLiteral("1048575"));
  QAccessibleInterface* last = table->cellAt(kRows - 1, 0);
  ASSERT_NE(last, nullptr);
  EXPECT_EQ(last->role(), QAccessible::Cell);
  EXPECT_EQ(Name(last), QStringLiteral("0.500000"));
  QAccessibleTableCellInterface* cell = last->tableCellInterface();
  ASSERT_NE(cell, nullptr);
  EXPECT_EQ(cell->rowIndex(), kRows - 1);
  EXPECT_EQ(cell->columnIndex(), 0);
  ASSERT_EQ(cell->columnHeaderCells().size(), 1);
  EXPECT_EQ(cell->columnHeaderCells()[0]->role(), QAccessible::ColumnHeader);
  EXPECT_EQ(Name(cell->columnHeaderCells()[0]), QStringLiteral("Value"));
  ASSERT_EQ(cell->rowHeaderCells().size(), 1);
  EXPECT_EQ(cell->rowHeaderCells()[0]->role(), QAccessible::RowHeader);
  EXPECT_EQ(Name(cell->rowHeaderCells()[0]), QStringLiteral("1048575"));
  EXPECT_TRUE(last->state().offscreen);
  // The same cell each time it is asked for, and its place as a child.
  EXPECT_EQ(table->cellAt(kRows - 1, 0), last);
  EXPECT_EQ(shown->indexOfChild(last), 2 * kRows + 1);
  EXPECT_EQ(shown->child(2 * kRows + 1), last);
  EXPECT_EQ(made->MadeCells(), 3u);
  EXPECT_EQ(table->cellAt(kRows, 0), nullptr);
  // The corner heads the index column.
  EXPECT_EQ(shown->child(0)->role(), QAccessible::ColumnHeader);
  EXPECT_EQ(Name(shown->child(0)), QStringLiteral("Time"));

  // The selection shows in the cells' states.
  grid.SelectCell({1, 2});
  EXPECT_TRUE(table->cellAt(1, 0)->state().selected);
  EXPECT_FALSE(last->state().selected);
  EXPECT_EQ(table->selectedCellCount(), 1);

  // A reader walking every cell makes them all, and they go again once its
  // request is done. A cell kept while the grid shrinks reads as gone.
  for (int i = 0; i < 3 * static_cast<int>(TGridAccessible::kMaxMadeCells); ++i) shown->child(i);
  EXPECT_GT(made->MadeCells(), TGridAccessible::kMaxMadeCells);
  QApplication::processEvents();
  EXPECT_EQ(made->MadeCells(), 0u);
  QAccessibleInterface* kept = table->cellAt(4, 0);
  EXPECT_TRUE(kept->isValid());
  grid.SetRowCount(3);
  EXPECT_FALSE(kept->isValid());
  EXPECT_EQ(Name(kept), QString());
  EXPECT_EQ(shown->childCount(), 6);
}

}  // namespace
}  // namespace fendrel
