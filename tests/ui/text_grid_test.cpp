#include "ui/text_grid.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QHeaderView>
#include <QSignalSpy>

namespace fendrel {
namespace {

TEST(StringGrid, FixedRowAndColumnAreTheHeadersAndTheCornerButton) {
  TStringGrid grid;
  grid.SetCell(0, 0, "Time");
  grid.SetCell(1, 0, "Value");
  grid.SetIndexColumn(0, 1, 4);
  grid.SetValueColumns(1, 1, 1, 4, {0.5, -1.25, 2, 3});
  const QAbstractItemModel& model = *grid.model();
  EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "Value");
  EXPECT_EQ(model.headerData(2, Qt::Vertical).toString(), "2");
  EXPECT_EQ(model.data(model.index(1, 0)).toString(), "-1.250000");
  EXPECT_EQ(grid.Cell(0, 0), "Time");
  EXPECT_FALSE(model.flags(model.index(0, 0)) & Qt::ItemIsEditable);
  // Sizing sections to their contents would visit every row.
  EXPECT_EQ(grid.verticalHeader()->sectionResizeMode(0), QHeaderView::Fixed);
  EXPECT_EQ(grid.horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
}

TEST(StringGrid, AGridOfOneRowKeepsItsHeaderRow) {
  TStringGrid grid;
  grid.SetCell(0, 0, "Time");
  grid.SetCell(1, 0, "Value");
  grid.SetRowCount(0);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.model()->rowCount(), 0);
  EXPECT_EQ(grid.model()->headerData(0, Qt::Horizontal).toString(), "Value");
  grid.SetRowCount(3);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.Cell(0, 0), "Time");
  EXPECT_EQ(grid.Cell(1, 1), "");
}

TEST(StringGrid, ResizingTellsTheViewWhichItemsComeAndGo) {
  TStringGrid grid;
  QSignalSpy inserted(grid.model(), &QAbstractItemModel::rowsInserted);
  QSignalSpy removed(grid.model(), &QAbstractItemModel::columnsRemoved);
  grid.SetRowCount(1'048'577);
  EXPECT_EQ(grid.model()->rowCount(), 1'048'576);
  ASSERT_EQ(inserted.count(), 1);
  EXPECT_EQ(inserted[0][1].toInt(), 4);
  EXPECT_EQ(inserted[0][2].toInt(), 1'048'575);
  grid.SetColCount(524'289);
  EXPECT_EQ(grid.model()->columnCount(), 524'288);
  grid.SetColCount(2);
  ASSERT_EQ(removed.count(), 1);
  EXPECT_EQ(removed[0][1].toInt(), 1);
  EXPECT_EQ(grid.verticalHeader()->count(), 1'048'576);
}

}  // namespace
}  // namespace fendrel
