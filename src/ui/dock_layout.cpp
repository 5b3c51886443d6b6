#include "ui/dock_layout.h"

#include <QWidget>
#include <algorithm>

namespace fendrel {

TDockLayout::TDockLayout(QWidget* parent, const QMargins& margins) : QLayout(parent) {
  // The margins given are the whole inset: not the frame and caption room
  // that a group box or frame reserves on its own.
  parent->setAttribute(Qt::WA_LayoutOnEntireRect);
  setContentsMargins(margins);
  setSpacing(0);
  setSizeConstraint(QLayout::SetNoConstraint);
}

TDockLayout::~TDockLayout() = default;

void TDockLayout::AddControl(QWidget* control, TAlign align) {
  addChildWidget(control);
  TDocked docked;
  docked.item = std::make_unique<QWidgetItem>(control);
  docked.align = align;
  docked.extent = (align == alTop || align == alBottom) ? control->height() : control->width();
  items_.push_back(std::move(docked));
  invalidate();
}

const TDockLayout::TDocked* TDockLayout::Find(const QWidget* control) const {
  for (const TDocked& docked : items_) {
    if (docked.item->widget() == control) return &docked;
  }
  return nullptr;
}

int TDockLayout::Extent(const QWidget* control) const {
  const TDocked* docked = Find(control);
  return docked != nullptr ? docked->extent : 0;
}

void TDockLayout::SetExtent(const QWidget* control, int extent) {
  auto* docked = const_cast<TDocked*>(Find(control));
  if (docked == nullptr || docked->extent == std::max(extent, 0)) return;
  docked->extent = std::max(extent, 0);
  setGeometry(geometry());
}

void TDockLayout::addItem(QLayoutItem* item) {
  TDocked docked;
  docked.item.reset(item);
  items_.push_back(std::move(docked));
}

int TDockLayout::count() const { return static_cast<int>(items_.size()); }

QLayoutItem* TDockLayout::itemAt(int index) const {
  if (index < 0 || index >= count()) return nullptr;
  return items_[static_cast<std::size_t>(index)].item.get();
}

QLayoutItem* TDockLayout::takeAt(int index) {
  if (index < 0 || index >= count()) return nullptr;
  QLayoutItem* item = items_[static_cast<std::size_t>(index)].item.release();
  items_.erase(items_.begin() + index);
  return item;
}

QSize TDockLayout::sizeHint() const {
  int width = 0;
  int height = 0;
  for (const TDocked& docked : items_) {
    if (docked.align == alLeft || docked.align == alRight) width += docked.extent;
    if (docked.align == alTop || docked.align == alBottom) height += docked.extent;
  }
  const QMargins m = contentsMargins();
  return {width + m.left() + m.right(), height + m.top() + m.bottom()};
}

QSize TDockLayout::minimumSize() const { return {0, 0}; }

void TDockLayout::setGeometry(const QRect& rect) {
  QLayout::setGeometry(rect);
  const QMargins m = contentsMargins();
  int left = rect.left() + m.left();
  int top = rect.top() + m.top();
  int right = rect.right() + 1 - m.right();
  int bottom = rect.bottom() + 1 - m.bottom();
  for (const TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) {
    for (const TDocked& docked : items_) {
      if (docked.align == align) Place(docked, left, top, right, bottom);
    }
  }
}

void TDockLayout::Place(const TDocked& docked, int& left, int& top, int& right, int& bottom) {
  QWidget* control = docked.item->widget();
  if (control == nullptr || control->isHidden()) return;
  const int width = std::max(right - left, 0);
  const int height = std::max(bottom - top, 0);
  const int extent = docked.extent;
  switch (docked.align) {
    case alTop:
      control->setGeometry(left, top, width, extent);
      top += extent;
      break;
    case alBottom:
      control->setGeometry(left, bottom - extent, width, extent);
      bottom -= extent;
      break;
    case alLeft:
      control->setGeometry(left, top, extent, height);
      left += extent;
      break;
    case alRight:
      control->setGeometry(right - extent, top, extent, height);
      right -= extent;
      break;
    case alClient:
      control->setGeometry(left, top, width, height);
      break;
    case alNone:
      break;
  }
}

}  // namespace fendrel
