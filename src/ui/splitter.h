#pragma once

#include <QWidget>

namespace fendrel {

class TDockLayout;

// A splitter bar docked next to the control it resizes (the one on its left
// or above it). Dragging changes that control's extent; the neighbour on the
// other side keeps at least MinSize pixels, and the resized control snaps shut
// when dragged to MinSize pixels or less. Qt::Vertical stacks the controls
// above one another (the bar moves up and down), Qt::Horizontal side by side.
class TSplitter : public QWidget {
 public:
  static constexpr int MinSize = 30;
  static constexpr int Thickness = 3;

  TSplitter(QWidget* parent, TDockLayout* layout, QWidget* resized, QWidget* opposite,
            Qt::Orientation orientation);

  // The extent a drag asks for, given the largest extent that leaves the
  // neighbour its minimum.
  static int SplitExtent(int proposed, int maxExtent);

  // Moves the bar by delta pixels as a drag would (positive: right or down).
  void DragBy(int delta);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  int Along(const QPoint& point) const;
  int SizeOf(const QWidget* control) const;
  void BeginDrag();
  void DragTo(int delta);

  TDockLayout* layout_;
  QWidget* resized_;
  QWidget* opposite_;
  Qt::Orientation orientation_;
  bool dragging_ = false;
  int downAt_ = 0;
  int startExtent_ = 0;
  int startOpposite_ = 0;
};

}  // namespace fendrel
