#include "chart/chart_accessible.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <memory>
#include <vector>

#include "chart/chart.h"
#include "platform/locale.h"

namespace fendrel {
namespace {

std::unique_ptr<TLineSeries> SeriesOf(TChart& chart, const std::vector<double>& values) {
  auto series = std::make_unique<TLineSeries>();
  for (std::size_t i = 0; i < values.size(); ++i) {
    series->AddPoint(static_cast<double>(i), values[i]);
  }
  chart.AttachSeries(series.get());
  return series;
}

TEST(ChartAccessible, DescriptionTellsTitleFootSeriesPointsAndRange) {
  ApplySeparators({',', QStringLiteral(".")});
  TChart chart;
  chart.Title().AddText("Wavelet data (haars)");
  EXPECT_EQ(ChartDescription(chart), "Wavelet data (haars): no series");

  auto first = SeriesOf(chart, {0.25, -1.5, 1234.5});
  EXPECT_EQ(ChartDescription(chart), "Wavelet data (haars): 3 points, values -1,5 to 1.234,5");

  chart.Foot().AddText("Level 1");
  auto second = SeriesOf(chart, {-2, 0, 0.5});
  EXPECT_EQ(ChartDescription(chart),
            "Wavelet data (haars), Level 1: 2 series of 3 points, values -2 to 1.234,5");
  // Only what is drawn counts: an inactive series and a hidden foot are left out.
  auto third = SeriesOf(chart, {7});
  EXPECT_EQ(ChartDescription(chart),
            "Wavelet data (haars), Level 1: 3 series, 7 points in all, values -2 to 1.234,5");
  third->SetActive(false);
  chart.Foot().SetVisible(false);
  chart.SetSeriesNouns("band", "bands");
  EXPECT_EQ(ChartDescription(chart),
            "Wavelet data (haars): 2 bands of 3 points, values -2 to 1.234,5");
  ApplySeparators({'.', QString()});

  // Qt's accessibility reaches the chart as a chart named by its title.
  QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(&chart);
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->role(), QAccessible::Chart);
  EXPECT_EQ(shown->text(QAccessible::Name), QStringLiteral("Wavelet data (haars)"));
  EXPECT_EQ(shown->text(QAccessible::Description).toStdString(), ChartDescription(chart));
}

}  // namespace
}  // namespace fendrel
