#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QTest>

#include "ui/dock_layout.h"
#include "ui/popup_menu.h"
#include "ui/splitter.h"
#include "ui/text_grid.h"

namespace fendrel {
namespace {

TEST(Splitter, ExtentRule) {
  struct Case {
    int proposed, maxExtent, expected;
  };
  const Case cases[] = {
      {100, 300, 100}, {31, 300, 31},   {30, 300, 0}, {12, 300, 0}, {-40, 300, 0},
      {500, 300, 300}, {301, 300, 300}, {50, 20, 0},  {31, 31, 31},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(TSplitter::SplitExtent(c.proposed, c.maxExtent), c.expected)
        << c.proposed << " within " << c.maxExtent;
  }
}

// A parent docked like a data group box: a control on the left, the splitter
// bar, and a client control taking the rest.
struct DockedPair {
  DockedPair() : layout(new TDockLayout(&parent, QMargins(2, 15, 2, 2))) {
    left.setParent(&parent);
    client.setParent(&parent);
    left.setGeometry(2, 15, 207, 191);
    splitter = new TSplitter(&parent, layout, &left, &client, Qt::Horizontal);
    splitter->setGeometry(209, 15, 3, 191);
    layout->AddControl(&left, alLeft);
    layout->AddControl(splitter, alLeft);
    layout->AddControl(&client, alClient);
    parent.resize(612, 208);
    layout->activate();
  }
  QWidget parent;
  TDockLayout* layout;
  QLabel left;
  QLabel client;
  TSplitter* splitter = nullptr;
};

TEST(DockLayout, SplitterDragResizesTheLeftControlAndSnapsShut) {
  DockedPair pair;
  EXPECT_EQ(pair.splitter->geometry(), QRect(209, 15, 3, 191));
  EXPECT_EQ(pair.client.geometry(), QRect(212, 15, 398, 191));
  pair.splitter->DragBy(50);
  EXPECT_EQ(pair.left.width(), 257);
  EXPECT_EQ(pair.client.geometry(), QRect(262, 15, 348, 191));
  // The client keeps at least 30 pixels.
  pair.splitter->DragBy(1000);
  EXPECT_EQ(pair.client.width(), 30);
  pair.splitter->DragBy(-(pair.left.width() - 31));
  EXPECT_EQ(pair.left.width(), 31);
  pair.splitter->DragBy(-1);
  EXPECT_EQ(pair.layout->Extent(&pair.left), 0);
  EXPECT_EQ(pair.splitter->x(), 2);
}

TEST(PopupMenu, RemembersTheControlItWasLastOpenedOn) {
  QWidget window;
  TStringGrid first(&window);
  TStringGrid second(&window);
  QWidget other(&window);
  TPopupMenu menu(&window);
  menu.addAction("Copy");
  menu.AttachTo(&first);
  menu.AttachTo(&second);
  EXPECT_EQ(menu.PopupComponent(), nullptr);

  QContextMenuEvent onCells(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
  QCoreApplication::sendEvent(second.viewport(), &onCells);
  EXPECT_EQ(menu.PopupComponent(), &second);
  menu.hide();

  QContextMenuEvent byKey(QContextMenuEvent::Keyboard, QPoint(5, 5), QPoint(5, 5));
  QCoreApplication::sendEvent(&first, &byKey);
  EXPECT_EQ(menu.PopupComponent(), &first);
  menu.hide();

  QContextMenuEvent elsewhere(QContextMenuEvent::Mouse, QPoint(5, 5), QPoint(5, 5));
  QCoreApplication::sendEvent(&other, &elsewhere);
  EXPECT_EQ(menu.PopupComponent(), &first);
}

// Where the desktop asks for the menu on the right press, a right-button drag
// (a chart scroll) must not open it; a click without moving still does.
TEST(PopupMenu, OpensOnTheReleaseOfAStillRightClickOnly) {
  QWidget window;
  window.resize(200, 200);
  QWidget chart(&window);
  chart.setGeometry(0, 0, 200, 200);
  TPopupMenu menu(&window);
  menu.addAction("Copy");
  menu.AttachTo(&chart);
  window.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

  QTest::mousePress(&chart, Qt::RightButton, {}, QPoint(50, 50));
  QContextMenuEvent onPress(QContextMenuEvent::Mouse, QPoint(50, 50), chart.mapToGlobal(QPoint(50, 50)));
  QCoreApplication::sendEvent(&chart, &onPress);
  EXPECT_FALSE(menu.isVisible());
  QTest::mouseRelease(&chart, Qt::RightButton, {}, QPoint(90, 50));
  EXPECT_FALSE(menu.isVisible());
  EXPECT_EQ(menu.PopupComponent(), nullptr);

  QTest::mousePress(&chart, Qt::RightButton, {}, QPoint(50, 50));
  QCoreApplication::sendEvent(&chart, &onPress);
  QTest::mouseRelease(&chart, Qt::RightButton, {}, QPoint(50, 50));
  EXPECT_TRUE(menu.isVisible());
  EXPECT_EQ(menu.PopupComponent(), &chart);
  menu.hide();
}

}  // namespace
}  // namespace fendrel
