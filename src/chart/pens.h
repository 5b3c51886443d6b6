#pragma once

#include <string>
#include <vector>

#include "platform/color.h"
#include "platform/draw_style.h"

namespace fendrel {

class TChart;

// Told by the attributes it holds (pens, brushes, fonts) that one of them
// changed; the holder turns this into a repaint request of its chart. A plain
// pointer keeps the attributes small: a series holds several of them.
class TChangeSink {
 public:
  virtual void AttributeChanged() = 0;

 protected:
  ~TChangeSink() = default;
};

// A drawing pen with a visibility switch and the alternate-pixel option.
// Every change that alters a value tells the sink once.
class TChartPen {
 public:
  explicit TChartPen(TChangeSink* sink = nullptr);
  TChartPen(const TChartPen&) = delete;
  TChartPen& operator=(const TChartPen&) = delete;

  void SetSink(TChangeSink* sink) { Sink_ = sink; }

  TColor Color() const { return Color_; }
  void SetColor(TColor value);
  int Width() const { return Width_; }
  void SetWidth(int value);
  TPenStyle Style() const { return Style_; }
  void SetStyle(TPenStyle value);
  TPenMode Mode() const { return Mode_; }
  void SetMode(TPenMode value);
  bool Visible() const { return Visible_; }
  void SetVisible(bool value);
  bool SmallDots() const { return SmallDots_; }
  void SetSmallDots(bool value);

  // Copies every value of another pen; notifies once when something changed.
  void Assign(const TChartPen& source);

  // True when the pen is drawn as the cosmetic pen that sets every other pixel:
  // only a visible one-pixel pen asks for small dots; wider pens draw plainly.
  bool DrawsAlternatePixels() const { return Visible_ && SmallDots_ && Width_ == 1; }

 protected:
  void Changed() const;

  TColor Color_ = clBlack;
  int Width_ = 1;
  TPenStyle Style_ = psSolid;
  TPenMode Mode_ = pmCopy;
  bool Visible_ = true;
  bool SmallDots_ = false;

 private:
  TChangeSink* Sink_;
};

class TChartHiddenPen : public TChartPen {
 public:
  explicit TChartHiddenPen(TChangeSink* sink = nullptr);
};

class TDottedGrayPen : public TChartPen {
 public:
  explicit TDottedGrayPen(TChangeSink* sink = nullptr);
};

class TDarkGrayPen : public TChartPen {
 public:
  explicit TDarkGrayPen(TChangeSink* sink = nullptr);
};

class TChartAxisPen : public TChartPen {
 public:
  explicit TChartAxisPen(TChangeSink* sink = nullptr);
};

class TChartArrowPen : public TChartPen {
 public:
  explicit TChartArrowPen(TChangeSink* sink = nullptr);
};

// A fill. Colour and style are coupled: a colour given to a clear brush makes
// it solid, and making a brush clear turns its colour white, so the order of
// two settings decides the outcome.
class TChartBrush {
 public:
  explicit TChartBrush(TChangeSink* sink = nullptr);
  TChartBrush(const TChartBrush&) = delete;
  TChartBrush& operator=(const TChartBrush&) = delete;

  void SetSink(TChangeSink* sink) { Sink_ = sink; }

  TColor Color() const { return Color_; }
  void SetColor(TColor value);
  TBrushStyle Style() const { return Style_; }
  void SetStyle(TBrushStyle value);

  void Assign(const TChartBrush& source);

 private:
  void Changed() const;

  TColor Color_ = clDefault;
  TBrushStyle Style_ = bsSolid;
  TChangeSink* Sink_;
};

// Values of the chart default font ("Arial", 8 points, black, no style; on a
// Japanese system the desktop's user-interface font and its size).
struct TFontSpec {
  std::string Name;
  int Size = 8;
  TColor Color = clBlack;
  TFontStyles Style = 0;

  friend bool operator==(const TFontSpec&, const TFontSpec&) = default;
};
const TFontSpec& ChartDefaultFont();

class TChartFont {
 public:
  explicit TChartFont(TChangeSink* sink = nullptr);
  TChartFont(const TFontSpec& spec, TChangeSink* sink);
  TChartFont(const TChartFont&) = delete;
  TChartFont& operator=(const TChartFont&) = delete;

  void SetSink(TChangeSink* sink) { Sink_ = sink; }

  const std::string& Name() const { return Spec_.Name; }
  void SetName(const std::string& value);
  // Size in points.
  int Size() const { return Spec_.Size; }
  void SetSize(int value);
  TColor Color() const { return Spec_.Color; }
  void SetColor(TColor value);
  TFontStyles Style() const { return Spec_.Style; }
  void SetStyle(TFontStyles value);

  const TFontSpec& Spec() const { return Spec_; }
  void Assign(const TFontSpec& spec);
  void Assign(const TChartFont& source) { Assign(source.Spec_); }

 private:
  void Changed() const;

  TFontSpec Spec_;
  TChangeSink* Sink_;
};

// Base of the objects that hold one font and belong to a chart: a font change
// repaints that chart.
class TChartFontObject : public TChangeSink {
 public:
  explicit TChartFontObject(TChart* chart);
  TChartFontObject(TChart* chart, const TFontSpec& font);
  TChartFontObject(const TChartFontObject&) = delete;
  TChartFontObject& operator=(const TChartFontObject&) = delete;
  virtual ~TChartFontObject() = default;

  void AttributeChanged() override { Repaint(); }

  TChart* ParentChart() const { return Chart_; }
  TChartFont& Font() { return Font_; }
  const TChartFont& Font() const { return Font_; }

 protected:
  // Asks the chart (if any) to repaint.
  void Repaint() const;

 private:
  TChart* Chart_;
  TChartFont Font_;
};

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };
using enum TAlignment;

// A text block above (Title) or below (Foot) the plot.
class TChartTitle : public TChartFontObject {
 public:
  explicit TChartTitle(TChart* chart);

  const std::vector<std::string>& Text() const { return Lines_; }
  int LineCount() const { return static_cast<int>(Lines_.size()); }
  void ClearText();
  void AddText(const std::string& line);
  // Replaces line i; raises the list error for an index outside the lines.
  void ReplaceText(int index, const std::string& line);
  void SetText(const std::vector<std::string>& lines);

  bool Visible() const { return Visible_; }
  void SetVisible(bool value);
  TAlignment Alignment() const { return Alignment_; }
  void SetAlignment(TAlignment value);
  bool AdjustFrame() const { return AdjustFrame_; }
  void SetAdjustFrame(bool value);
  TColor Color() const { return Color_; }
  void SetColor(TColor value);
  TChartBrush& Brush() { return Brush_; }
  const TChartBrush& Brush() const { return Brush_; }
  TChartHiddenPen& Frame() { return Frame_; }
  const TChartHiddenPen& Frame() const { return Frame_; }

 private:
  std::vector<std::string> Lines_;
  bool Visible_ = true;
  TAlignment Alignment_ = taCenter;
  bool AdjustFrame_ = true;
  TColor Color_ = clDefault;
  TChartBrush Brush_;
  TChartHiddenPen Frame_;
};

}  // namespace fendrel
