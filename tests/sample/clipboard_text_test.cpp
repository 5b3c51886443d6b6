#include "sample/clipboard_text.h"

#include <gtest/gtest.h>

#include <string>

#include "sample/sample_test_support.h"

namespace fendrel {
namespace {

TEST(ClipboardText, CopiedTextsWritePositionsNotX) {
  DecimalSeparatorScope scope('.');
  const TSampleData first = SeriesOf({{7, 0.5}, {9, -2}});
  const TSampleData second = SeriesOf({{5, -0.25}, {6, 1e16}});
  const TSampleData shorter = SeriesOf({{0, 3}});
  EXPECT_EQ(TestDataText(first), "0\t0.50000000\r\n1\t-2.00000000\r\n");
  EXPECT_EQ(TestDataText(TSampleData()), "");
  EXPECT_EQ(BandTableText({&first, &second}),
            "0\t0.50000000\t-0.25000000\r\n1\t-2.00000000\t1E16\r\n");
  EXPECT_EQ(BandTableText({}), "");
  // A band shorter than the first leaves its cells empty instead of reading past its end.
  EXPECT_EQ(BandTableText({&first, &shorter, nullptr}),
            "0\t0.50000000\t3.00000000\t\r\n1\t-2.00000000\t\t\r\n");
  DecimalSeparatorScope comma(',');
  EXPECT_EQ(TestDataText(first), "0\t0,50000000\r\n1\t-2,00000000\r\n");
}

TEST(ClipboardText, PasteReadsPairsColumnsAndHeaders) {
  DecimalSeparatorScope scope('.');
  // clang-format off
  const struct {
    std::string text;
    Samples samples;
  } cases[] = {
      {"0\t0.50000000\r\n1\t-2.00000000\r\n", {{0, 0.5}, {1, -2}}}, {"1;2;3", {{0, 2}}},
      {"1;abc", {{0, 0}}}, {"1;", {{0, 0}}}, {"9;\"0.25\"; x ;\"1\"\"\"", {{0, 0.25}, {1, 0}}},
      {"1 2\r\n3\r\n", {{0, 2}}},
      // One token on every line: a column of values.
      {"5", {{0, 5}}}, {"1.5\r\n2.5\n3.5\r4.5\r\n", {{0, 1.5}, {1, 2.5}, {2, 3.5}, {3, 4.5}}},
      // A first line without a number is a header.
      {"Time\tValue\r\n0\t1.5\r\n1\t2.5\r\n", {{0, 1.5}, {1, 2.5}}},
      {"\r\n Value \r\n\r\n7\r\n\r\n8", {{0, 7}, {1, 8}}}, {"p\r\n1.5\r\nr\r\n-3", {{0, 1.5}, {1, 0}, {2, -3}}},
      {"abc", {}},
      // Numbers written with a decimal comma, and none with a full stop.
      {"0;1,5\n1;-2,25\n", {{0, 1.5}, {1, -2.25}}}, {"0;1,5\n1;-2.25\n", {{0, 0}, {1, -2.25}}}};
  // clang-format on
  for (const auto& c : cases) {
    TSampleData series = SeriesOf({{8, 8}, {9, 9}, {10, 10}});
    EXPECT_TRUE(PasteTextToSeries(c.text, series)) << c.text;
    EXPECT_EQ(SamplesOf(series), c.samples) << c.text;
  }
  for (const std::string& text :
       {std::string(), std::string(" \t\r\n "), std::string("\0 1;2", 5)}) {
    TSampleData series = SeriesOf({{8, 8}});
    EXPECT_FALSE(PasteTextToSeries(text, series));
    EXPECT_EQ(SamplesOf(series), (Samples{{8, 8}}));
  }
  TSampleData series;
  DecimalSeparatorScope comma(',');
  ASSERT_TRUE(PasteTextToSeries("0\t1.5\r\n1\t-2.25\r\n", series));
  EXPECT_EQ(SamplesOf(series), (Samples{{0, 1.5}, {1, -2.25}}));
  DecimalSeparatorScope quote('"');
  ASSERT_TRUE(PasteTextToSeries("0 \"1\"\"5\"\r\n", series));
  EXPECT_EQ(SamplesOf(series), (Samples{{0, 1.5}}));
}

}  // namespace
}  // namespace fendrel
