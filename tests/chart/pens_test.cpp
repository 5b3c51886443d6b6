#include "chart/pens.h"

#include <gtest/gtest.h>

#include "chart/chart.h"
#include "chart/colors.h"

namespace fendrel {
namespace {

struct CountingSink : TChangeSink {
  void AttributeChanged() override { ++changes; }
  int changes = 0;
};

TEST(ChartPalette, SixteenEntriesThenWrap) {
  EXPECT_EQ(ColorOfIndex(0), clRed);
  EXPECT_EQ(ColorOfIndex(1), clGreen);
  EXPECT_EQ(ColorOfIndex(3), clBlue);
  EXPECT_EQ(ColorOfIndex(15), clBlack);
  EXPECT_EQ(ColorOfIndex(16), clRed);
  EXPECT_EQ(ColorOfIndex(33), clGreen);
}

TEST(ChartPen, FamilyCreationValues) {
  struct Row {
    const TChartPen& pen;
    TColor color;
    int width;
    TPenStyle style;
    bool visible;
  };
  TChartPen plain;
  TChartHiddenPen hidden;
  TDottedGrayPen dotted;
  TDarkGrayPen dark;
  TChartAxisPen axis;
  TChartArrowPen arrow;
  for (const Row& r :
       {Row{plain, clBlack, 1, psSolid, true}, Row{hidden, clBlack, 1, psSolid, false},
        Row{dotted, clGray, 1, psDot, true}, Row{dark, clGray, 1, psSolid, true},
        Row{axis, clBlack, 2, psSolid, true}, Row{arrow, clWhite, 1, psSolid, true}}) {
    EXPECT_EQ(r.pen.Color(), r.color);
    EXPECT_EQ(r.pen.Width(), r.width);
    EXPECT_EQ(r.pen.Style(), r.style);
    EXPECT_EQ(r.pen.Visible(), r.visible);
    EXPECT_EQ(r.pen.Mode(), pmCopy);
    EXPECT_FALSE(r.pen.SmallDots());
  }
}

TEST(ChartPen, NotifiesOnlyRealChanges) {
  CountingSink sink;
  const int& changes = sink.changes;
  TChartPen pen(&sink);
  pen.SetColor(clBlack);
  pen.SetWidth(1);
  EXPECT_EQ(changes, 0);
  pen.SetColor(clRed);
  pen.SetVisible(false);
  pen.SetSmallDots(true);
  EXPECT_EQ(changes, 3);

  TDottedGrayPen source;
  pen.Assign(source);
  EXPECT_EQ(changes, 4);  // several fields, one notification
  EXPECT_EQ(pen.Color(), clGray);
  EXPECT_EQ(pen.Style(), psDot);
  EXPECT_TRUE(pen.Visible());
}

TEST(ChartPen, SmallDotsOnlyForVisibleOnePixelPens) {
  TChartPen pen;
  pen.SetSmallDots(true);
  EXPECT_TRUE(pen.DrawsAlternatePixels());
  pen.SetWidth(2);
  EXPECT_FALSE(pen.DrawsAlternatePixels());
  TChartHiddenPen hidden;
  hidden.SetSmallDots(true);
  EXPECT_FALSE(hidden.DrawsAlternatePixels());
}

TEST(ChartBrush, ColourAndStyleCoupling) {
  TChartBrush brush;
  EXPECT_EQ(brush.Color(), clDefault);
  EXPECT_EQ(brush.Style(), bsSolid);

  brush.SetColor(clWhite);
  brush.SetStyle(bsClear);
  EXPECT_EQ(brush.Style(), bsClear);

  TChartBrush other;
  other.SetStyle(bsClear);
  other.SetColor(clWhite);
  EXPECT_EQ(other.Style(), bsSolid);
  EXPECT_EQ(other.Color(), clWhite);

  TChartBrush red;
  red.SetColor(clRed);
  red.SetStyle(bsClear);
  EXPECT_EQ(red.Color(), clWhite);
  red.SetStyle(bsCross);
  red.SetColor(clRed);  // a hatch is not clear: the style stays
  EXPECT_EQ(red.Style(), bsCross);
}

TEST(ChartBrush, SameColourOnClearBrushStillTurnsSolidAndNotifies) {
  CountingSink sink;
  TChartBrush brush(&sink);
  brush.SetStyle(bsClear);
  ASSERT_EQ(brush.Color(), clWhite);
  brush.SetColor(clWhite);
  EXPECT_EQ(brush.Style(), bsSolid);
  EXPECT_EQ(sink.changes, 2);
}

TEST(ChartFont, DefaultIsArialEightBlack) {
  TChartFont font;
  EXPECT_EQ(font.Name(), "Arial");
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Color(), clBlack);
  EXPECT_EQ(font.Style(), 0);
}

TEST(ChartTitle, DefaultsAndLines) {
  TChart chart;
  for (TChartTitle* t : {&chart.Title(), &chart.Foot()}) {
    EXPECT_TRUE(t->Text().empty());
    EXPECT_TRUE(t->Visible());
    EXPECT_EQ(t->Alignment(), taCenter);
    EXPECT_TRUE(t->AdjustFrame());
    EXPECT_EQ(t->Color(), clDefault);
    EXPECT_EQ(t->Brush().Color(), clDefault);
    EXPECT_EQ(t->Brush().Style(), bsSolid);
    EXPECT_FALSE(t->Frame().Visible());
    EXPECT_EQ(t->Font().Color(), clBlue);
    EXPECT_EQ(t->Font().Name(), "Arial");
    EXPECT_EQ(t->ParentChart(), &chart);
  }

  chart.Foot().AddText("Level 0");
  chart.Foot().AddText("extra");
  chart.Foot().ClearText();
  chart.Foot().AddText("Level 3");
  EXPECT_EQ(chart.Foot().Text(), std::vector<std::string>{"Level 3"});
  chart.Foot().ReplaceText(0, "Level 4");
  EXPECT_EQ(chart.Foot().Text().front(), "Level 4");
  try {
    chart.Foot().ReplaceText(1, "x");
    FAIL() << "no error for a missing line";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "List index out of bounds (1)");
  }
}

TEST(ChartTitle, EveryChangeRepaintsTheChart) {
  TChart chart;
  auto invalidations = [&] { return chart.InvalidateCount(); };
  std::int64_t before = invalidations();
  chart.Title().AddText("Test data");
  EXPECT_EQ(invalidations(), before + 1);
  chart.Title().Font().SetSize(10);
  chart.Title().Frame().SetVisible(true);
  chart.Title().Brush().SetColor(clYellow);
  chart.Title().SetAlignment(taLeftJustify);
  EXPECT_EQ(invalidations(), before + 5);
  chart.Title().SetAlignment(taLeftJustify);
  EXPECT_EQ(invalidations(), before + 5);
}

}  // namespace
}  // namespace fendrel
