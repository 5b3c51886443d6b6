#include "ui/splitter.h"

#include <QMouseEvent>
#include <algorithm>

#include "ui/dock_layout.h"

namespace fendrel {

TSplitter::TSplitter(QWidget* parent, TDockLayout* layout, QWidget* resized, QWidget* opposite,
                     Qt::Orientation orientation)
    : QWidget(parent),
      layout_(layout),
      resized_(resized),
      opposite_(opposite),
      orientation_(orientation) {
  setCursor(orientation == Qt::Vertical ? Qt::SizeVerCursor : Qt::SizeHorCursor);
  setFocusPolicy(Qt::NoFocus);
}

int TSplitter::SplitExtent(int proposed, int maxExtent) {
  const int extent = proposed < MinSize ? MinSize : std::min(proposed, maxExtent);
  return extent <= MinSize ? 0 : extent;
}

int TSplitter::Along(const QPoint& point) const {
  return orientation_ == Qt::Vertical ? point.y() : point.x();
}

int TSplitter::SizeOf(const QWidget* control) const {
  return orientation_ == Qt::Vertical ? control->height() : control->width();
}

void TSplitter::BeginDrag() {
  startExtent_ = layout_->Extent(resized_);
  startOpposite_ = SizeOf(opposite_);
}

void TSplitter::DragTo(int delta) {
  const int maxExtent = startExtent_ + startOpposite_ - MinSize;
  layout_->SetExtent(resized_, SplitExtent(startExtent_ + delta, maxExtent));
}

void TSplitter::DragBy(int delta) {
  BeginDrag();
  DragTo(delta);
}

void TSplitter::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragging_ = true;
  downAt_ = Along(event->globalPosition().toPoint());
  BeginDrag();
}

void TSplitter::mouseMoveEvent(QMouseEvent* event) {
  if (dragging_) DragTo(Along(event->globalPosition().toPoint()) - downAt_);
}

void TSplitter::mouseReleaseEvent(QMouseEvent* event) {
  if (dragging_ && event->button() == Qt::LeftButton) {
    DragTo(Along(event->globalPosition().toPoint()) - downAt_);
    dragging_ = false;
  }
}

}  // namespace fendrel
