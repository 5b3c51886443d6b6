#include "chart/chart.h"

#include <QPaintEvent>
#include <QPainter>
#include <stdexcept>

#include "chart/chart_accessible.h"
#include "chart/colors.h"
#include "chart/update_field.h"

namespace fendrel {

TChartWall::TChartWall(TChart* chart, TColor color, TBrushStyle style)
    : Chart_(chart), Color_(color), Brush_(chart), Pen_(chart) {
  Brush_.SetStyle(style);
}

void TChartWall::SetColor(TColor value) {
  if (UpdateField(Color_, value)) Chart_->Invalidate();
}

void TChartWall::SetSize(int value) {
  if (UpdateField(Size_, value)) Chart_->Invalidate();
}

void TChartWall::SetDark3D(bool value) {
  if (UpdateField(Dark3D_, value)) Chart_->Invalidate();
}

void TChartLegend::SetVisible(bool value) {
  if (UpdateField(Visible_, value)) Chart_->Invalidate();
}

void TChartLegend::SetAlignment(TLegendAlignment value) {
  if (UpdateField(Alignment_, value)) Chart_->Invalidate();
}

void TChartLegend::SetLegendStyle(TLegendStyle value) {
  if (UpdateField(LegendStyle_, value)) Chart_->Invalidate();
}

TChart::TChart(QWidget* parent)
    : QWidget(parent),
      Title_(this),
      Foot_(this),
      BackWall_(this, clDefault, bsClear),
      LeftWall_(this, 0x0080FFFFu, bsSolid),
      BottomWall_(this, clWhite, bsSolid),
      Legend_(this),
      View3DOptions_(this) {
  Axes_[0] = std::make_unique<TChartAxis>(this, true, false);
  Axes_[1] = std::make_unique<TChartAxis>(this, true, true);
  Axes_[2] = std::make_unique<TChartAxis>(this, false, false);
  Axes_[3] = std::make_unique<TChartAxis>(this, false, true);
  DepthAxis_ = std::make_unique<TChartDepthAxis>(this);
  AxisList_ = {Axes_[0].get(), Axes_[1].get(), Axes_[2].get(), Axes_[3].get(), DepthAxis_.get()};

  // The chart paints every pixel itself from its frame; nothing to erase first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  resize(sizeHint());
  OriginalCursor_ = cursor().shape();
  // Moves without a button pressed pick the cursor of a series under the pointer.
  setMouseTracking(true);
  // Tab and a click give the keyboard to the chart, for its zoom and scroll keys.
  setFocusPolicy(Qt::StrongFocus);
  InstallChartAccessible();
  AutoRepaint_ = true;
}

TChart::~TChart() {
  // The series belong to their creators: leave them alive, merely unattached.
  AutoRepaint_ = false;
  for (TChartSeries* series : SeriesList_.Items_) {
    if (series == nullptr) continue;
    series->ParentChart_ = nullptr;
    series->ListedIn_ = nullptr;
  }
  SeriesList_.Clear();
}

int TChart::ActiveSeriesTotal() const {
  int total = 0;
  for (const TChartSeries* series : SeriesList_) {
    if (series->Active()) ++total;
  }
  return total;
}

void TChart::AttachSeries(TChartSeries* series) {
  if (series != nullptr) series->SetParentChart(this);
}

void TChart::InsertSeries(TChartSeries* series) {
  if (series->ListedIn_ == this) return;
  if (series->SeriesColor() == clDefault) series->SetSeriesColor(NextFreeColor(true));
  series->ParentChart_ = this;
  SeriesList_.Append(series);
  series->ListedIn_ = this;
  CountColor(series->SeriesColor(), +1);
  Invalidate();
}

void TChart::DetachSeries(TChartSeries* series) {
  if (series == nullptr || series->ListedIn_ != this) return;
  series->ParentChart_ = nullptr;
  series->ListedIn_ = nullptr;
  if (series->Cursor() != OriginalCursor_ && cursor().shape() == series->Cursor()) {
    setCursor(OriginalCursor_);
  }
  SeriesList_.Remove(series);
  CountColor(series->SeriesColor(), -1);
  Invalidate();
}

void TChart::DetachAllSeries() {
  // The same outcome as detaching series 0 until none is left, without
  // moving the rest of the list up once per series.
  if (SeriesList_.Count() == 0) return;
  const Qt::CursorShape shown = cursor().shape();
  bool restoreCursor = false;
  for (TChartSeries* series : SeriesList_.Items_) {
    if (series == nullptr) continue;
    series->ParentChart_ = nullptr;
    series->ListedIn_ = nullptr;
    restoreCursor |= shown == series->Cursor() && shown != OriginalCursor_;
  }
  if (restoreCursor) setCursor(OriginalCursor_);
  SeriesList_.Clear();
  PaletteUse_.fill(0);
  OtherColorUse_.clear();
  Invalidate();
}

namespace {
int PaletteIndex(TColor color) {
  for (std::size_t i = 0; i < ColorPalette.size(); ++i) {
    if (ColorPalette[i] == color) return static_cast<int>(i);
  }
  return -1;
}
}  // namespace

void TChart::CountColor(TColor color, int delta) {
  if (const int i = PaletteIndex(color); i >= 0) {
    PaletteUse_[static_cast<std::size_t>(i)] += delta;
    return;
  }
  auto it = OtherColorUse_.try_emplace(color, 0).first;
  it->second += delta;
  if (it->second <= 0) OtherColorUse_.erase(it);
}

int TChart::ColorUse(TColor color) const {
  if (const int i = PaletteIndex(color); i >= 0) return PaletteUse_[static_cast<std::size_t>(i)];
  const auto it = OtherColorUse_.find(color);
  return it == OtherColorUse_.end() ? 0 : it->second;
}

bool TChart::IsColorFree(TColor color, bool checkBackground) const {
  if (ColorUse(color) != 0) return false;
  return !checkBackground || (color != Color_ && color != BackColor());
}

TColor TChart::NextFreeColor(bool checkBackground) const {
  // The census answers for the colours in use without a call per colour,
  // which counts when hundreds of thousands of series are attached.
  for (int i = 0; i < static_cast<int>(ColorPalette.size()); ++i) {
    const TColor color = ColorOfIndex(i);
    if (PaletteUse_[static_cast<std::size_t>(i)] == 0 && IsColorFree(color, checkBackground)) {
      return color;
    }
  }
  return ColorOfIndex(static_cast<int>(ColorPalette.size()));
}

void TChart::SetChart3DPercent(int value) {
  if (value < 1 || value > 100) {
    throw std::runtime_error("3D effect percent must be between 1 and 100");
  }
  Store(Chart3DPercent_, value);
}

void TChart::Invalidate() {
  if (!AutoRepaint_) return;
  ++InvalidateCount_;
  FrameDirty_ = true;
  Canvas_.MarkDirty();
  // Qt merges repaint requests anyway; asking once per frame keeps a burst
  // of a million changes down to a flag test each.
  if (UpdatePending_) return;
  UpdatePending_ = true;
  ++UpdateRequestCount_;
  update();
}

void TChart::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // A resize brings its own paint; ask again in case an earlier request was dropped.
  UpdatePending_ = false;
  Invalidate();
}

void TChart::moveEvent(QMoveEvent* event) {
  QWidget::moveEvent(event);
  Invalidate();
}

void TChart::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  UpdatePending_ = false;
  Invalidate();
}

}  // namespace fendrel
