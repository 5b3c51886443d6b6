#include "platform/recording_context.h"

#include <gtest/gtest.h>

namespace fendrel {
namespace {

TEST(RecordingContext, KeepsCallsWithTheirStateAndPenPosition) {
  TRecordingContext dc;
  TPenState pen;
  pen.Color = clRed;
  dc.SetPen(pen);
  dc.MoveTo(1, 2);
  dc.LineTo(5, 6);
  dc.LineTo(7, 2);
  dc.SetBackground(clBlue, bmTransparent);
  dc.SetTextAlign({thCenter, tvBottom});
  dc.TextOut(3, 4, "abc");

  const auto lines = dc.RecordsOf(TDrawOp::LineTo);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].Points, (std::vector<TPoint>{{1, 2}, {5, 6}}));
  EXPECT_EQ(lines[1].Points, (std::vector<TPoint>{{5, 6}, {7, 2}}));
  EXPECT_EQ(lines[1].Pen.Color, clRed);
  EXPECT_EQ(dc.PenPos(), (TPoint{7, 2}));

  const auto texts = dc.RecordsOf(TDrawOp::TextOut);
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].Text, "abc");
  EXPECT_EQ(texts[0].BackMode, bmTransparent);
  EXPECT_EQ(texts[0].BackColor, clBlue);
  EXPECT_EQ(texts[0].Align, (TTextAlign{thCenter, tvBottom}));
}

}  // namespace
}  // namespace fendrel
