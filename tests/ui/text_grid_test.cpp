#include "ui/text_grid.h"

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QTest>

#include "support/recording_desktop.h"

namespace fendrel {
namespace {

QPoint Centre(const TStringGrid& grid, TGridCoord cell) { return grid.CellRect(cell).center(); }

class StringGridTest : public ::testing::Test {
 protected:
  StringGridTest() {
    grid.resize(207, 191);
    grid.SetCell(0, 0, "Time");
    grid.SetCell(1, 0, "Value");
    grid.show();
  }

  void Fill(std::int32_t rows) {
    grid.SetRowCount(rows + 1);
    grid.SetIndexColumn(0, 1, rows);
    std::vector<double> values(static_cast<std::size_t>(rows));
    for (std::int32_t i = 0; i < rows; ++i) values[static_cast<std::size_t>(i)] = i + 0.5;
    grid.SetValueColumns(1, 1, 1, rows, std::move(values));
  }

  void Click(TGridCoord cell, Qt::KeyboardModifiers keys = {}) {
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, keys, Centre(grid, cell));
  }

  TStringGrid grid;
};

TEST_F(StringGridTest, AGridOfOneRowKeepsItsHeaderRow) {
  grid.SetRowCount(0);
  EXPECT_EQ(grid.RowCount(), 1);
  EXPECT_EQ(grid.FixedRows(), 1);
  EXPECT_EQ(grid.Cell(1, 0), "Value");
  QTest::keyClick(&grid, Qt::Key_Down);
  EXPECT_FALSE(grid.Current());
  EXPECT_EQ(grid.SelectionText(), "");
  grid.SetRowCount(3);
  EXPECT_EQ(grid.Cell(0, 0), "Time");
  EXPECT_EQ(grid.Cell(1, 1), "");
}

// Rows are laid out by arithmetic alone, so the last of 16M rows is reached
// at once; at the end of the scroll range it sits flush with the bottom edge.
TEST_F(StringGridTest, ScrollsByWholeRowsAndEndsWithTheLastRowFlush) {
  Fill(16'777'216);
  const int shown = (grid.viewport()->height() - TStringGrid::DefaultRowHeight()) /
                    TStringGrid::DefaultRowHeight();
  EXPECT_EQ(grid.verticalScrollBar()->maximum(), 16'777'216 - shown);
  grid.verticalScrollBar()->setValue(1000);
  EXPECT_EQ(grid.TopRow(), 1001);
  EXPECT_EQ(grid.CellAt(QPoint(5, TStringGrid::DefaultRowHeight()))->row, 1001);
  EXPECT_EQ(grid.CellAt(QPoint(5, 5))->row, 0);  // the header row stays

  Click({1, 1001});
  QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
  const TGridCoord last{1, 16'777'216};
  EXPECT_EQ(grid.Current(), last);
  EXPECT_EQ(grid.CellRect(last).bottom(), grid.viewport()->height() - 2);
  EXPECT_EQ(grid.CellAt(QPoint(5, grid.viewport()->height() - 1))->row, last.row);
  EXPECT_EQ(grid.SelectionText(), "16777215.500000\r\n");
  grid.SetRowCount(11);
  EXPECT_EQ(grid.Current(), (TGridCoord{1, 10}));
}

TEST_F(StringGridTest, SelectsRangesByMouseAndKeysAndCopiesThem) {
  Fill(20);
  grid.SetColCount(3);
  grid.SetCell(2, 0, "Other");
  Click({1, 2});
  Click({2, 4}, Qt::ShiftModifier);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 2, 2, 4}));
  EXPECT_EQ(grid.SelectionText(), "1.500000\t\r\n2.500000\t\r\n3.500000\t\r\n");
  // Keys extend from the same anchor, and scroll the current cell into view.
  QTest::keyClick(&grid, Qt::Key_PageDown, Qt::ShiftModifier);
  EXPECT_EQ(grid.Selection()->top, 2);
  EXPECT_GT(grid.TopRow(), 1);
  QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(grid.Selection(), (TGridRect{1, 1, 1, 1}));
  EXPECT_EQ(grid.TopRow(), 1);

  // Every cell selected copies the whole grid, fixed row and column too.
  QTest::keyClick(&grid, Qt::Key_A, Qt::ControlModifier);
  const std::string whole = grid.SelectionText();
  EXPECT_EQ(whole.substr(0, 32), "Time\tValue\tOther\r\n0\t0.500000\t\r\n1");

  RecordingClipboard clipboard;
  RecordingDialogs dialogs;
  RecordingDesktopWindow window(dialogs, clipboard);
  grid.setParent(&window);
  QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(clipboard.Text(), whole);
  // A clipboard held elsewhere is reported, and the grid goes on.
  clipboard.refuse = true;
  QTest::keyClick(&grid, Qt::Key_C, Qt::ControlModifier);
  EXPECT_EQ(dialogs.errors, std::vector<std::string>{"Cannot open clipboard."});

  int pastes = 0;
  grid.OnPaste = [&] { ++pastes; };
  QTest::keyClick(&grid, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(pastes, 1);

  grid.SetColCount(2);
  // A click beside the cells clears the selection; the current cell stays.
  QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, QPoint(190, 40));
  EXPECT_FALSE(grid.Selection());
  EXPECT_EQ(grid.SelectionText(), "0.500000\r\n");
}

TEST_F(StringGridTest, ColumnsKeepAWidthOnlyWhereDragged) {
  Fill(5);
  grid.SetColCount(4);
  const QRect first = grid.CellRect({1, 0});
  const QPoint border(first.right(), first.center().y());
  QTest::mousePress(grid.viewport(), Qt::LeftButton, {}, border);
  QTest::mouseMove(grid.viewport(), border + QPoint(30, 0));
  QTest::mouseRelease(grid.viewport(), Qt::LeftButton, {}, border + QPoint(30, 0));
  EXPECT_EQ(grid.ColWidth(1), 94);
  EXPECT_EQ(grid.CellAt(QPoint(first.left() + 90, 30))->col, 1);
  EXPECT_EQ(grid.CellAt(QPoint(first.left() + 100, 30))->col, 2);
  EXPECT_EQ(grid.ColWidth(0), TStringGrid::DefaultColWidth());

  // Fitting measures the texts on show; the header's text counts too.
  grid.SetCell(1, 2, "123456789012345.123456");
  EXPECT_GT(grid.FittingColWidth(1), grid.ColWidth(1));

  // Columns that go and come back have the default width again.
  grid.SetColCount(1);
  grid.SetColCount(4);
  EXPECT_EQ(grid.ColWidth(1), TStringGrid::DefaultColWidth());
}

}  // namespace
}  // namespace fendrel
