#include "chart/series.h"

#include <algorithm>
#include <stdexcept>

#include "chart/chart.h"
#include "chart/colors.h"
#include "chart/series_paint.h"
#include "chart/update_field.h"

namespace fendrel {

namespace {

void CheckPointerSize(int value) {
  if (value < 1) throw std::runtime_error("Pointer size must be greater than zero");
}

}  // namespace

TSeriesPointer::TSeriesPointer(TChartSeries* owner) : Owner_(owner) {}

TSeriesPointer::TPointerAttributes& TSeriesPointer::Attributes() {
  if (!Attributes_) Attributes_ = std::make_unique<TPointerAttributes>(Owner_);
  return *Attributes_;
}

const TChartPen& TSeriesPointer::Pen() const {
  static const TChartPen defaultPen;
  return Attributes_ ? Attributes_->Pen : defaultPen;
}

const TChartBrush& TSeriesPointer::Brush() const {
  static const TChartBrush defaultBrush;
  return Attributes_ ? Attributes_->Brush : defaultBrush;
}

void TSeriesPointer::Repaint() const {
  if (Owner_ != nullptr) Owner_->Repaint();
}

void TSeriesPointer::SetVisible(bool value) {
  if (UpdateField(Visible_, value)) Repaint();
}

void TSeriesPointer::SetStyle(TSeriesPointerStyle value) {
  if (UpdateField(Style_, value)) Repaint();
}

void TSeriesPointer::SetHorizSize(int value) {
  CheckPointerSize(value);
  if (UpdateField(HorizSize_, value)) Repaint();
}

void TSeriesPointer::SetVertSize(int value) {
  CheckPointerSize(value);
  if (UpdateField(VertSize_, value)) Repaint();
}

void TSeriesPointer::SetInflateMargins(bool value) {
  if (UpdateField(InflateMargins_, value)) Repaint();
}

void TSeriesPointer::SetDark3D(bool value) {
  if (UpdateField(Dark3D_, value)) Repaint();
}

void TSeriesPointer::SetDraw3D(bool value) {
  if (UpdateField(Draw3D_, value)) Repaint();
}

TSeriesMarks::TSeriesMarks(TChartSeries* owner) : Owner_(owner) {}

TSeriesMarks::TMarksAttributes& TSeriesMarks::Attributes() {
  if (!Attributes_) Attributes_ = std::make_unique<TMarksAttributes>(Owner_);
  return *Attributes_;
}

const TChartFont& TSeriesMarks::Font() const {
  static const TChartFont defaultFont;
  return Attributes_ ? Attributes_->Font : defaultFont;
}

const TChartPen& TSeriesMarks::Frame() const {
  static const TChartPen defaultFrame;
  return Attributes_ ? Attributes_->Frame : defaultFrame;
}

const TChartArrowPen& TSeriesMarks::Arrow() const {
  static const TChartArrowPen defaultArrow;
  return Attributes_ ? Attributes_->Arrow : defaultArrow;
}

void TSeriesMarks::Repaint() const {
  if (Owner_ != nullptr) Owner_->Repaint();
}

void TSeriesMarks::SetVisible(bool value) {
  if (UpdateField(Visible_, value)) Repaint();
}

void TSeriesMarks::SetArrowLength(int value) {
  if (UpdateField(ArrowLength_, value)) Repaint();
}

void TSeriesMarks::SetStyle(TSeriesMarksStyle value) {
  if (UpdateField(Style_, value)) Repaint();
}

void TSeriesMarks::SetBackColor(TColor value) {
  if (UpdateField(BackColor_, value)) Repaint();
}

void TSeriesMarks::SetTransparent(bool value) {
  if (UpdateField(Transparent_, value)) Repaint();
}

void TSeriesMarks::SetClip(bool value) {
  if (UpdateField(Clip_, value)) Repaint();
}

TChartSeries::TChartSeries()
    : XValues_(this, "X", loAscending), YValues_(this, "Y", loNone), Marks_(this) {}

TChartSeries::~TChartSeries() {
  ReleasePoints();
  if (ListedIn_ != nullptr) ListedIn_->DetachSeries(this);
}

TChartSeries::THooks& TChartSeries::Hooks() {
  TExtras& extras = Extras();
  if (!extras.Hooks) extras.Hooks = std::make_unique<THooks>();
  return *extras.Hooks;
}

void TChartSeries::Repaint() const {
  if (ParentChart_ != nullptr) ParentChart_->Invalidate();
}

void TChartSeries::SetActive(bool value) { Store(Active_, value); }

void TChartSeries::SetSeriesColor(TColor value) {
  if (value == SeriesColor_) return;
  if (ListedIn_ != nullptr) {
    ListedIn_->CountColor(SeriesColor_, -1);
    ListedIn_->CountColor(value, +1);
  }
  SeriesColor_ = value;
  Repaint();
}

void TChartSeries::SetColorEachPoint(bool value) {
  if (value == ColorEachPoint_) return;
  ColorEachPoint_ = value;
  if (!value && Extras_) std::vector<TColor>().swap(Extras_->Colors);
  Repaint();
}

void TChartSeries::SetTitle(const std::string& value) { Store(Title_, value); }
void TChartSeries::SetShowInLegend(bool value) { Store(ShowInLegend_, value); }
void TChartSeries::SetHorizAxis(THorizAxis value) { Store(HorizAxis_, value); }
void TChartSeries::SetVertAxis(TVertAxis value) { Store(VertAxis_, value); }
TChartSeries::TExtras& TChartSeries::Extras() {
  if (!Extras_) Extras_ = std::make_unique<TExtras>();
  return *Extras_;
}

const std::string& TChartSeries::ValueFormat() const {
  static const TExtras defaults;
  return (Extras_ ? *Extras_ : defaults).ValueFormat;
}

const std::string& TChartSeries::PercentFormat() const {
  static const TExtras defaults;
  return (Extras_ ? *Extras_ : defaults).PercentFormat;
}

void TChartSeries::SetValueFormat(const std::string& value) {
  if (value != ValueFormat()) Store(Extras().ValueFormat, value);
}

void TChartSeries::SetPercentFormat(const std::string& value) {
  if (value != PercentFormat()) Store(Extras().PercentFormat, value);
}

TChartValueList& TChartSeries::ValueList(int index) {
  if (index == 0) return XValues_;
  if (index == 1) return YValues_;
  throw EListError(index);
}

void TChartSeries::SetParentChart(TChart* chart) {
  if (chart == ParentChart_) return;
  if (ParentChart_ != nullptr) ParentChart_->DetachSeries(this);
  ParentChart_ = chart;
  if (chart != nullptr) chart->InsertSeries(this);
}

TChartAxis* TChartSeries::GetHorizAxis() const {
  if (ParentChart_ == nullptr) return nullptr;
  return HorizAxis_ == aTopAxis ? &ParentChart_->TopAxis() : &ParentChart_->BottomAxis();
}

TChartAxis* TChartSeries::GetVertAxis() const {
  if (ParentChart_ == nullptr) return nullptr;
  return VertAxis_ == aRightAxis ? &ParentChart_->RightAxis() : &ParentChart_->LeftAxis();
}

bool TChartSeries::AssociatedToAxis(const TChartAxis& axis) const {
  if (axis.DepthFlag) return false;
  if (axis.IsHorizontal) return HorizAxis_ == aBothHorizAxis || &axis == GetHorizAxis();
  return VertAxis_ == aBothVertAxis || &axis == GetVertAxis();
}

int TChartSeries::AddPoint(double x, double y, const std::string& label, TColor color) {
  const THooks* hooks = HooksIfSet();
  if (hooks != nullptr && hooks->OnBeforeAdd && !hooks->OnBeforeAdd(*this, x, y)) return -1;
  const int index = XValues_.AddOrdered(x);
  YValues_.InsertAt(index, y);
  const auto at = static_cast<std::size_t>(index);
  const auto previous = static_cast<std::size_t>(PointCount() - 1);
  if (color != clDefault || (Extras_ && !Extras_->Colors.empty())) {
    std::vector<TColor>& colors = Extras().Colors;
    if (colors.empty()) colors.assign(previous, clDefault);
    colors.insert(colors.begin() + static_cast<std::ptrdiff_t>(at), color);
  }
  if (!label.empty() || (Extras_ && !Extras_->Labels.empty())) {
    std::vector<std::string>& labels = Extras().Labels;
    if (labels.empty()) labels.resize(previous);
    labels.insert(labels.begin() + static_cast<std::ptrdiff_t>(at), label);
  }
  if (hooks != nullptr && hooks->OnAfterAdd) hooks->OnAfterAdd(*this, index);
  if (Active_) Repaint();
  return index;
}

void TChartSeries::ReleasePoints() {
  XValues_.ClearAll();
  YValues_.ClearAll();
  if (Extras_) {
    std::vector<TColor>().swap(Extras_->Colors);
    std::vector<std::string>().swap(Extras_->Labels);
  }
}

void TChartSeries::ClearPoints() {
  ReleasePoints();
  if (const THooks* hooks = HooksIfSet(); hooks != nullptr && hooks->OnClearValues) {
    hooks->OnClearValues(*this);
  }
  if (Active_) Repaint();
}

void TChartSeries::SharePoints(const TSharedValues& x, const TSharedValues& y) {
  const int count = std::max(0, std::min(x.Count, y.Count));
  // AddOrdered appends unless the last value must follow the new one.
  const auto appends = [order = XValues_.Order()](double last, double next) {
    if (order == loAscending) return !(last > next);
    if (order == loDescending) return !(last < next);
    return true;
  };
  bool inOrder = true;
  for (int i = 1; i < count && inOrder; ++i) inOrder = appends(x.Data[i - 1], x.Data[i]);
  if (HooksIfSet() != nullptr || !inOrder) {
    ClearPoints();
    for (int i = 0; i < count; ++i) AddPoint(x.Data[i], y.Data[i]);
    return;
  }
  ReleasePoints();
  XValues_.ShareValues({x.Keeper, x.Data, count});
  YValues_.ShareValues({y.Keeper, y.Data, count});
  if (Active_) Repaint();
}

void TChartSeries::Delete(int index) {
  if (index < 0 || index >= PointCount()) throw EListError(index);
  XValues_.Delete(index);
  YValues_.Delete(index);
  const auto at = static_cast<std::ptrdiff_t>(index);
  if (Extras_ && !Extras_->Colors.empty()) Extras_->Colors.erase(Extras_->Colors.begin() + at);
  if (Extras_ && !Extras_->Labels.empty()) Extras_->Labels.erase(Extras_->Labels.begin() + at);
  Repaint();
}

double TChartSeries::XValue(int index) const { return XValues_.Value(index); }

double TChartSeries::YValue(int index) const { return YValues_.Value(index); }

TColor TChartSeries::StoredColor(int index) const {
  if (!Extras_ || index < 0 || static_cast<std::size_t>(index) >= Extras_->Colors.size()) {
    return clDefault;
  }
  return Extras_->Colors[static_cast<std::size_t>(index)];
}

TColor TChartSeries::PointColor(int index) const {
  if (index < 0 || index >= PointCount()) return SeriesColor_;
  const TColor stored = StoredColor(index);
  if (stored != clDefault) return stored;
  if (ColorEachPoint_) return ColorOfIndex(index);
  return SeriesColor_;
}

std::optional<TColor> TChartSeries::CommonPointColor() const {
  if (ColorEachPoint_ || (Extras_ && !Extras_->Colors.empty())) return std::nullopt;
  return SeriesColor_;
}

std::string TChartSeries::PointLabel(int index) const {
  if (!Extras_ || index < 0 || static_cast<std::size_t>(index) >= Extras_->Labels.size()) {
    return {};
  }
  return Extras_->Labels[static_cast<std::size_t>(index)];
}

TCustomSeries::TCustomSeries() : LinePen_(this), Pointer_(this) {}

TSeriesMargins TCustomSeries::HorizMargins() const {
  if (!Pointer_.Visible() || !Pointer_.InflateMargins()) return {};
  return {Pointer_.HorizSize() + 1, Pointer_.HorizSize() + 1};
}

TSeriesMargins TCustomSeries::VertMargins() const {
  if (!Pointer_.Visible() || !Pointer_.InflateMargins()) return {};
  return {Pointer_.VertSize() + 1, Pointer_.VertSize() + 1};
}

void TCustomSeries::DrawAllValues(TChart& chart) { PaintLineSeries(chart, *this); }

TLineSeries::TLineSeries() {
  DrawLine_ = true;
  Pointer().SetVisible(false);
}

TChartSeries* TChartSeriesList::At(int index) const {
  if (index < 0 || index >= Count()) throw EListError(index);
  return Items()[static_cast<std::size_t>(index)];
}

int TChartSeriesList::IndexOf(const TChartSeries* series) const {
  if (series == nullptr) return -1;
  const std::vector<TChartSeries*>& items = Items();
  const std::size_t slot = series->ListSlot_;
  return slot < items.size() && items[slot] == series ? static_cast<int>(slot) : -1;
}

void TChartSeriesList::Append(TChartSeries* series) {
  series->ListSlot_ = Items_.size();
  Items_.push_back(series);
}

void TChartSeriesList::Remove(TChartSeries* series) {
  const std::size_t slot = series->ListSlot_;
  if (slot + 1 == Items_.size()) {
    // Freeing in reverse order leaves no gaps at all.
    Items_.pop_back();
    while (Holes_ != 0 && Items_.back() == nullptr) {
      Items_.pop_back();
      --Holes_;
    }
    return;
  }
  Items_[slot] = nullptr;
  ++Holes_;
}

void TChartSeriesList::Clear() {
  // The capacity stays: a redraw detaches all and attaches as many again.
  Items_.clear();
  Holes_ = 0;
}

void TChartSeriesList::CloseGaps() const {
  std::size_t kept = 0;
  for (TChartSeries* series : Items_) {
    if (series == nullptr) continue;
    series->ListSlot_ = kept;
    Items_[kept++] = series;
  }
  Items_.resize(kept);
  Holes_ = 0;
}

}  // namespace fendrel
