#include "chart/pens.h"

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>
#include <QLocale>

#include "chart/chart.h"
#include "chart/update_field.h"
#include "chart/value_list.h"

namespace fendrel {

namespace {

TFontSpec MakeDefaultFont() {
  TFontSpec spec{"Arial", 8, clBlack, 0};
  // Arial has no Japanese glyphs: there the desktop's own interface font serves.
  if (QLocale::system().language() == QLocale::Japanese &&
      qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
    const QFont uiFont = QGuiApplication::font();
    spec.Name = uiFont.family().toStdString();
    if (uiFont.pointSize() > 0) spec.Size = uiFont.pointSize();
  }
  return spec;
}

}  // namespace

TChartPen::TChartPen(TChangeSink* sink) : Sink_(sink) {}

void TChartPen::Changed() const {
  if (Sink_ != nullptr) Sink_->AttributeChanged();
}

void TChartPen::SetColor(TColor value) {
  if (UpdateField(Color_, value)) Changed();
}

void TChartPen::SetWidth(int value) {
  if (UpdateField(Width_, value)) Changed();
}

void TChartPen::SetStyle(TPenStyle value) {
  if (UpdateField(Style_, value)) Changed();
}

void TChartPen::SetMode(TPenMode value) {
  if (UpdateField(Mode_, value)) Changed();
}

void TChartPen::SetVisible(bool value) {
  if (UpdateField(Visible_, value)) Changed();
}

void TChartPen::SetSmallDots(bool value) {
  if (UpdateField(SmallDots_, value)) Changed();
}

void TChartPen::Assign(const TChartPen& source) {
  bool changed = UpdateField(Color_, source.Color_);
  changed |= UpdateField(Width_, source.Width_);
  changed |= UpdateField(Style_, source.Style_);
  changed |= UpdateField(Mode_, source.Mode_);
  changed |= UpdateField(Visible_, source.Visible_);
  changed |= UpdateField(SmallDots_, source.SmallDots_);
  if (changed) Changed();
}

TChartHiddenPen::TChartHiddenPen(TChangeSink* sink) : TChartPen(sink) { Visible_ = false; }

TDottedGrayPen::TDottedGrayPen(TChangeSink* sink) : TChartPen(sink) {
  Color_ = clGray;
  Style_ = psDot;
}

TDarkGrayPen::TDarkGrayPen(TChangeSink* sink) : TChartPen(sink) { Color_ = clGray; }

TChartAxisPen::TChartAxisPen(TChangeSink* sink) : TChartPen(sink) { Width_ = 2; }

TChartArrowPen::TChartArrowPen(TChangeSink* sink) : TChartPen(sink) { Color_ = clWhite; }

TChartBrush::TChartBrush(TChangeSink* sink) : Sink_(sink) {}

void TChartBrush::Changed() const {
  if (Sink_ != nullptr) Sink_->AttributeChanged();
}

void TChartBrush::SetColor(TColor value) {
  bool changed = UpdateField(Color_, value);
  if (Style_ == bsClear) {
    Style_ = bsSolid;
    changed = true;
  }
  if (changed) Changed();
}

void TChartBrush::SetStyle(TBrushStyle value) {
  bool changed = UpdateField(Style_, value);
  if (value == bsClear) changed |= UpdateField(Color_, clWhite);
  if (changed) Changed();
}

void TChartBrush::Assign(const TChartBrush& source) {
  // Copied as a pair: the coupling applies to settings, not to copies.
  bool changed = UpdateField(Color_, source.Color_);
  changed |= UpdateField(Style_, source.Style_);
  if (changed) Changed();
}

const TFontSpec& ChartDefaultFont() {
  static const TFontSpec spec = MakeDefaultFont();
  return spec;
}

TChartFont::TChartFont(TChangeSink* sink) : Spec_(ChartDefaultFont()), Sink_(sink) {}

TChartFont::TChartFont(const TFontSpec& spec, TChangeSink* sink) : Spec_(spec), Sink_(sink) {}

void TChartFont::Changed() const {
  if (Sink_ != nullptr) Sink_->AttributeChanged();
}

void TChartFont::SetName(const std::string& value) {
  if (UpdateField(Spec_.Name, value)) Changed();
}

void TChartFont::SetSize(int value) {
  if (UpdateField(Spec_.Size, value)) Changed();
}

void TChartFont::SetColor(TColor value) {
  if (UpdateField(Spec_.Color, value)) Changed();
}

void TChartFont::SetStyle(TFontStyles value) {
  if (UpdateField(Spec_.Style, value)) Changed();
}

void TChartFont::Assign(const TFontSpec& spec) {
  if (UpdateField(Spec_, spec)) Changed();
}

TChartFontObject::TChartFontObject(TChart* chart) : TChartFontObject(chart, ChartDefaultFont()) {}

TChartFontObject::TChartFontObject(TChart* chart, const TFontSpec& font)
    : Chart_(chart), Font_(font, this) {}

void TChartFontObject::Repaint() const {
  if (Chart_ != nullptr) Chart_->Invalidate();
}

namespace {
TFontSpec TitleFont() {
  TFontSpec spec = ChartDefaultFont();
  spec.Color = clBlue;
  return spec;
}
}  // namespace

TChartTitle::TChartTitle(TChart* chart)
    : TChartFontObject(chart, TitleFont()), Brush_(this), Frame_(this) {}

void TChartTitle::ClearText() {
  // Clearing an empty list still counts as a change of the lines.
  Lines_.clear();
  Repaint();
}

void TChartTitle::AddText(const std::string& line) {
  Lines_.push_back(line);
  Repaint();
}

void TChartTitle::ReplaceText(int index, const std::string& line) {
  if (index < 0 || index >= LineCount()) throw EListError(index);
  Lines_[static_cast<std::size_t>(index)] = line;
  Repaint();
}

void TChartTitle::SetText(const std::vector<std::string>& lines) {
  Lines_ = lines;
  Repaint();
}

void TChartTitle::SetVisible(bool value) {
  if (UpdateField(Visible_, value)) Repaint();
}

void TChartTitle::SetAlignment(TAlignment value) {
  if (UpdateField(Alignment_, value)) Repaint();
}

void TChartTitle::SetAdjustFrame(bool value) {
  if (UpdateField(AdjustFrame_, value)) Repaint();
}

void TChartTitle::SetColor(TColor value) {
  if (UpdateField(Color_, value)) Repaint();
}

}  // namespace fendrel
