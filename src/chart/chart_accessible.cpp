#include "chart/chart_accessible.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <string>
#include <string_view>
#include <vector>

#include "chart/axis_scale.h"
#include "chart/chart.h"
#include "chart/series.h"
#include "chart/series_summary.h"
#include "platform/locale.h"
#include "sample/text_format.h"

namespace fendrel {

namespace {

std::string SpokenLines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    if (line.empty()) continue;
    if (!text.empty()) text += ' ';
    text += line;
  }
  return text;
}

std::string Counted(long long count, std::string_view one, std::string_view many) {
  return std::to_string(count) + ' ' + std::string(count == 1 ? one : many);
}

class TChartAccessible : public QAccessibleWidget {
 public:
  explicit TChartAccessible(TChart* chart) : QAccessibleWidget(chart, QAccessible::Chart) {}

  QString text(QAccessible::Text t) const override {
    const auto& chart = static_cast<const TChart&>(*widget());
    switch (t) {
      case QAccessible::Name:
        if (!chart.accessibleName().isEmpty()) return chart.accessibleName();
        return QString::fromStdString(ChartAccessibleName(chart));
      case QAccessible::Description:
        if (!chart.accessibleDescription().isEmpty()) return chart.accessibleDescription();
        return QString::fromStdString(ChartDescription(chart));
      default:
        return QAccessibleWidget::text(t);
    }
  }
};

QAccessibleInterface* ChartFactory(const QString& /*key*/, QObject* object) {
  // Charts carry no meta-object of their own: Qt asks by QWidget's name.
  if (auto* chart = dynamic_cast<TChart*>(object)) return new TChartAccessible(chart);
  return nullptr;
}

}  // namespace

std::string ChartAccessibleName(const TChart& chart) { return SpokenLines(chart.Title().Text()); }

std::string ChartDescription(const TChart& chart) {
  std::string text = ChartAccessibleName(chart);
  if (chart.Foot().Visible()) {
    if (const std::string foot = SpokenLines(chart.Foot().Text()); !foot.empty()) {
      text += ", " + foot;
    }
  }
  // One walk over the series, the same as the value axis makes for its range.
  long long series = 0;
  long long points = 0;
  int firstCount = -1;
  bool sameCounts = true;
  TSeriesExtremes values;
  for (const TChartSeries* s : chart.SeriesList()) {
    if (!s->Active()) continue;
    ++series;
    const int count = s->PointCount();
    points += count;
    if (firstCount < 0) firstCount = count;
    sameCounts = sameCounts && count == firstCount;
    if (count > 0) values.Add(s->LowestY(), s->HighestY());
  }
  text += ": ";
  if (series == 0) return text + "no series";
  if (series == 1) {
    text += Counted(points, "point", "points");
  } else if (sameCounts) {
    text += Counted(series, chart.SeriesNoun(false), chart.SeriesNoun(true)) + " of " +
            Counted(firstCount, "point", "points");
  } else {
    text += Counted(series, chart.SeriesNoun(false), chart.SeriesNoun(true)) + ", " +
            Counted(points, "point", "points") + " in all";
  }
  if (values.Found) {
    const std::string thousands = ThousandsSeparator().toStdString();
    const char decimal = DecimalSeparator();
    text += ", values " + FormatAxisValue(values.Lowest, thousands, decimal) + " to " +
            FormatAxisValue(values.Highest, thousands, decimal);
  }
  return text;
}

void InstallChartAccessible() {
  static const bool installed = [] {
    QAccessible::installFactory(&ChartFactory);
    return true;
  }();
  (void)installed;
}

void TChart::AnnounceAccessibleChange() {
  // Only while a screen reader listens; then once per new picture, which
  // costs a walk over the series that the picture has just made anyway.
  if (!QAccessible::isActive()) return;
  const std::string name = ChartAccessibleName(*this);
  const std::string description = ChartDescription(*this);
  if (name != AnnouncedName_) {
    AnnouncedName_ = name;
    QAccessibleEvent event(this, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&event);
  }
  if (description != AnnouncedDescription_) {
    AnnouncedDescription_ = description;
    QAccessibleEvent event(this, QAccessible::DescriptionChanged);
    QAccessible::updateAccessibility(&event);
  }
}

}  // namespace fendrel
