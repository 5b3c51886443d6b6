#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWheelEvent>
#include <optional>

#include "chart/chart.h"
#include "chart/series_hit.h"
#include "chart/zoom.h"
#include "platform/qpainter_context.h"

namespace fendrel {

namespace {

std::optional<TMouseButton> ButtonOf(Qt::MouseButton button) {
  switch (button) {
    case Qt::LeftButton:
      return mbLeft;
    case Qt::RightButton:
      return mbRight;
    case Qt::MiddleButton:
      return mbMiddle;
    default:
      return std::nullopt;
  }
}

Qt::MouseButton QtButton(TMouseButton button) {
  switch (button) {
    case mbLeft:
      return Qt::LeftButton;
    case mbRight:
      return Qt::RightButton;
    case mbMiddle:
      return Qt::MiddleButton;
  }
  return Qt::NoButton;
}

// Qt reports one notch of an ordinary wheel as 120 units.
constexpr int WheelTurnUnits = 120;

}  // namespace

TChartClickedPart TChart::ClickedPart(int x, int y) {
  for (int i = SeriesList_.Count() - 1; i >= 0; --i) {
    const TChartSeries* series = SeriesList_[i];
    if (series->Active() && SeriesHitAt(*this, *series, x, y)) return cpSeries;
  }
  for (const TChartAxis* axis : AxisList_) {
    if (axis->HitsAxis(x, y)) return cpAxis;
  }
  // Title, foot and legend stand outside the plot and the axes' bands, so a
  // press on them never starts a drag; no one here listens for their clicks.
  if (ActiveSeriesTotal() > 0 && PointInRect(PlotRect, x, y)) return cpChartRect;
  return cpNone;
}

void TChart::MouseDown(TMouseButton button, int x, int y) {
  if (Mouse_.Zooming || Mouse_.Scrolling) return;
  const TChartClickedPart part = ClickedPart(x, y);
  if (part != cpSeries && part != cpAxis && part != cpChartRect) return;
  if (AllowZoom_ && button == ZoomButton) {
    setCursor(Qt::ArrowCursor);
    Mouse_.Zooming = true;
    Mouse_.ZoomAnchor = Mouse_.ZoomCorner = {x, y};
    UpdateZoomBand(Mouse_.ZoomAnchor, Mouse_.ZoomCorner);
  }
  if (AllowPanning_ != pmNone && button == ScrollButton) {
    setCursor(Qt::ArrowCursor);
    Mouse_.Scrolling = true;
    Mouse_.ScrollStart = Mouse_.ScrollLast = {x, y};
  }
}

void TChart::MouseMove(int x, int y) {
  const TPoint p{x, y};
  const bool dragging = Mouse_.Zooming || Mouse_.Scrolling;
  if (Mouse_.Zooming && p != Mouse_.ZoomCorner) {
    UpdateZoomBand(Mouse_.ZoomAnchor, Mouse_.ZoomCorner);
    Mouse_.ZoomCorner = p;
    UpdateZoomBand(Mouse_.ZoomAnchor, Mouse_.ZoomCorner);
  }
  if (Mouse_.Scrolling) {
    if (!PointInRect(PlotRect, x, y)) {
      Mouse_.Scrolling = false;
    } else if (p != Mouse_.ScrollLast) {
      if (!Mouse_.Saved) SaveAxisScales();
      bool moved = false;
      const auto scroll = [&](TChartAxis& axis, int from, int to) {
        TAxisRange range = ScrolledRange(axis, from, to);
        if (OnAllowScroll && !OnAllowScroll(axis, range.Minimum, range.Maximum)) return;
        SetAxisRange(axis, range);
        moved = true;
      };
      const TPoint last = Mouse_.ScrollLast;
      if (x != last.X && (AllowPanning_ == pmHorizontal || AllowPanning_ == pmBoth)) {
        scroll(BottomAxis(), last.X, x);
        scroll(TopAxis(), last.X, x);
      }
      if (y != last.Y && (AllowPanning_ == pmVertical || AllowPanning_ == pmBoth)) {
        scroll(LeftAxis(), last.Y, y);
        scroll(RightAxis(), last.Y, y);
      }
      Mouse_.ScrollLast = p;
      if (moved) {
        if (OnScroll) OnScroll(*this);
        Invalidate();
      }
    }
  }
  if (dragging) return;

  Qt::CursorShape shape = OriginalCursor_;
  bool ownCursors = false;
  for (const TChartSeries* series : SeriesList_) {
    ownCursors = ownCursors || (series->Active() && series->Cursor() != Qt::ArrowCursor);
  }
  // The topmost series under the pointer decides; most charts have no
  // series with a cursor of its own and need no hit test at all.
  for (int i = SeriesList_.Count() - 1; ownCursors && i >= 0; --i) {
    const TChartSeries* series = SeriesList_[i];
    if (!series->Active() || !SeriesHitAt(*this, *series, x, y)) continue;
    if (series->Cursor() != Qt::ArrowCursor) shape = series->Cursor();
    break;
  }
  if (cursor().shape() != shape) setCursor(shape);
}

void TChart::MouseUp(TMouseButton button, int x, int y) {
  Mouse_.Scrolling = false;
  if (!Mouse_.Zooming || button != ZoomButton) return;
  Mouse_.Zooming = false;
  UpdateZoomBand(Mouse_.ZoomAnchor, Mouse_.ZoomCorner);
  Mouse_.ZoomCorner = {x, y};
  switch (ZoomDragResult(Mouse_.ZoomAnchor, Mouse_.ZoomCorner)) {
    case zdZoom:
      ZoomToRect(Mouse_.ZoomAnchor.X, Mouse_.ZoomAnchor.Y, x, y);
      Invalidate();
      break;
    case zdRestore:
      RestoreAxisRanges();
      Invalidate();
      break;
    case zdNothing:
      break;
  }
}

void TChart::MouseLeave() {
  setCursor(OriginalCursor_);
  Mouse_.Scrolling = false;
}

void TChart::MouseWheel(bool towardsUser) {
  // Like a scroll drag, so that a restore drag brings back the scales
  // from before the first turn.
  if (!Mouse_.Saved) SaveAxisScales();
  for (TChartAxis* axis : {&LeftAxis(), &RightAxis()}) {
    SetAxisRange(*axis, WheelRange(*axis, towardsUser));
  }
  Invalidate();
}

void TChart::ZoomToRect(int x0, int y0, int x1, int y1) {
  const TRect rect = OrderedRect(x0, y0, x1, y1);
  std::array<TAxisRange, 4> target;
  for (std::size_t i = 0; i < target.size(); ++i) target[i] = ZoomedRange(*Axes_[i], rect);
  if (!Mouse_.Saved) SaveAxisScales();
  if (AnimatedZoom_) {
    std::array<TAxisRange, 4> from;
    for (std::size_t i = 0; i < from.size(); ++i) {
      from[i] = {Axes_[i]->Minimum(), Axes_[i]->Maximum()};
    }
    for (int step = 1; step < AnimatedZoomSteps_; ++step) {
      for (std::size_t i = 0; i < from.size(); ++i) {
        SetAxisRange(*Axes_[i], AnimatedRange(from[i], target[i], step, AnimatedZoomSteps_));
      }
      repaint();
    }
  }
  for (std::size_t i = 0; i < target.size(); ++i) SetAxisRange(*Axes_[i], target[i]);
  Mouse_.Zoomed = true;
  if (OnZoom) OnZoom(*this);
}

void TChart::RestoreAxisRanges() {
  if (Mouse_.Saved) {
    for (std::size_t i = 0; i < Mouse_.SavedScales.size(); ++i) {
      RestoreAxisScale(*Axes_[i], Mouse_.SavedScales[i]);
    }
    Mouse_.Saved = false;
  }
  if (OnUndoZoom) OnUndoZoom(*this);
  Invalidate();
  Mouse_.Zoomed = false;
}

void TChart::ZoomAboutCentre(bool zoomIn) {
  if (!Mouse_.Saved) SaveAxisScales();
  for (const auto& axis : Axes_) SetAxisRange(*axis, CentreZoomedRange(*axis, zoomIn));
  Mouse_.Zoomed = true;
  if (OnZoom) OnZoom(*this);
  Invalidate();
}

void TChart::ScrollByShare(bool horizontal, bool forward) {
  if (!Mouse_.Saved) SaveAxisScales();
  bool moved = false;
  for (TChartAxis* axis :
       horizontal ? std::array{&BottomAxis(), &TopAxis()} : std::array{&LeftAxis(), &RightAxis()}) {
    TAxisRange range = ShiftedRange(*axis, forward);
    if (OnAllowScroll && !OnAllowScroll(*axis, range.Minimum, range.Maximum)) continue;
    SetAxisRange(*axis, range);
    moved = true;
  }
  if (moved && OnScroll) OnScroll(*this);
  Invalidate();
}

void TChart::SaveAxisScales() {
  for (std::size_t i = 0; i < Mouse_.SavedScales.size(); ++i) {
    Mouse_.SavedScales[i] = SaveAxisScale(*Axes_[i]);
  }
  Mouse_.Saved = true;
}

TColor TChart::ZoomBandColor() const {
  const TColor rgb = ColorToRGB(Color_);
  return rgb == clWhite ? clBlack : rgb;
}

void TChart::UpdateZoomBand(TPoint anchor, TPoint corner) {
  const TRect r = OrderedRect(anchor.X, anchor.Y, corner.X, corner.Y);
  if (r.Width() > 0 && r.Height() > 0) update(r.Left, r.Top, r.Width(), r.Height());
}

bool TChart::event(QEvent* event) {
  const bool handled = QWidget::event(event);
  // Still inside the paint event: the focus frame and the band go over the
  // frame just shown, and a repaint without them takes them away again.
  if (event->type() == QEvent::Paint && (hasFocus() || Mouse_.Zooming)) {
    PaintGuarded([this] { PaintOverlays(); });
  }
  return handled;
}

void TChart::PaintOverlays() {
  TQPainterContext window(*this);
  Canvas_.SetWindowCanvas(&window);
  // The surface must not keep the window past this paint, however it ends.
  const std::unique_ptr<TCanvas3D, void (*)(TCanvas3D*)> release(
      &Canvas_, [](TCanvas3D* canvas) { canvas->SetWindowCanvas(nullptr); });
  const TPenState pen = Canvas_.Pen();
  const TBrushState brush = Canvas_.Brush();
  const TBackMode backMode = Canvas_.BackMode();
  Canvas_.SetBrush({clWhite, bsClear});
  if (hasFocus()) {
    // The desktop's dotted focus rectangle, inverting what lies under it,
    // just inside the bevel.
    TPenState dots{clBlack, 1, psSolid, pmNotXor};
    dots.SmallDots = true;
    Canvas_.SetPen(dots);
    Canvas_.SetBackMode(bmTransparent);
    Canvas_.Rectangle(2, 2, width() - 2, height() - 2);
  }
  if (Mouse_.Zooming) {
    Canvas_.SetPen({ZoomBandColor(), 1, psSolid, pmNotXor});
    const TPoint a = Mouse_.ZoomAnchor;
    const TPoint b = Mouse_.ZoomCorner;
    Canvas_.Rectangle(a.X, a.Y, b.X, b.Y);
  }
  // Back to the copying pen, which everything else draws with.
  Canvas_.SetPen(pen);
  Canvas_.SetBrush(brush);
  Canvas_.SetBackMode(backMode);
}

void TChart::keyPressEvent(QKeyEvent* event) {
  if ((event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) {
    QWidget::keyPressEvent(event);
    return;
  }
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:  // the plus key without Shift
      ZoomAboutCentre(true);
      break;
    case Qt::Key_Minus:
      ZoomAboutCentre(false);
      break;
    case Qt::Key_Left:
    case Qt::Key_Right:
      ScrollByShare(true, event->key() == Qt::Key_Right);
      break;
    case Qt::Key_Up:
    case Qt::Key_Down:
      ScrollByShare(false, event->key() == Qt::Key_Up);
      break;
    case Qt::Key_Home:
      RestoreAxisRanges();
      break;
    default:
      QWidget::keyPressEvent(event);
      return;
  }
  event->accept();
}

void TChart::focusInEvent(QFocusEvent* event) {
  QWidget::focusInEvent(event);
  update();
}

void TChart::focusOutEvent(QFocusEvent* event) {
  QWidget::focusOutEvent(event);
  update();
}

void TChart::mousePressEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (const auto button = ButtonOf(event->button())) MouseDown(*button, p.x(), p.y());
  event->accept();
}

void TChart::mouseMoveEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  // A popup that takes the mouse swallows the release: a drag whose button
  // is no longer down ends here, without zooming.
  if (Mouse_.Scrolling && !event->buttons().testFlag(QtButton(ScrollButton))) {
    Mouse_.Scrolling = false;
  }
  if (Mouse_.Zooming && !event->buttons().testFlag(QtButton(ZoomButton))) {
    Mouse_.Zooming = false;
    UpdateZoomBand(Mouse_.ZoomAnchor, Mouse_.ZoomCorner);
  }
  MouseMove(p.x(), p.y());
  event->accept();
}

void TChart::mouseReleaseEvent(QMouseEvent* event) {
  const QPoint p = event->position().toPoint();
  if (const auto button = ButtonOf(event->button())) MouseUp(*button, p.x(), p.y());
  event->accept();
}

void TChart::leaveEvent(QEvent* event) {
  MouseLeave();
  QWidget::leaveEvent(event);
}

void TChart::wheelEvent(QWheelEvent* event) {
  // Fine-grained wheels report parts of a notch; a turn is a whole notch.
  // Positive units turn the wheel away from the user.
  Mouse_.WheelRest += event->angleDelta().y();
  while (Mouse_.WheelRest >= WheelTurnUnits) {
    Mouse_.WheelRest -= WheelTurnUnits;
    MouseWheel(false);
  }
  while (Mouse_.WheelRest <= -WheelTurnUnits) {
    Mouse_.WheelRest += WheelTurnUnits;
    MouseWheel(true);
  }
  event->accept();
}

}  // namespace fendrel
