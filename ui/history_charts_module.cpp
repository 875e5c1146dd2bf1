// The module that alone links Qt Charts; see history_charts.h.
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QChart>
#include <QChartView>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QValueAxis>
#include <algorithm>

#include "ui/history_charts.h"

namespace {

QChartView* View(QChart* chart, const QString& title) {
  auto* view = new QChartView(chart);
  view->setRenderHint(QPainter::Antialiasing);
  view->setMinimumSize(420, 260);
  view->setAccessibleName(title);
  // The drawing area inside takes the keyboard too; a screen reader names it as the chart.
  view->viewport()->setAccessibleName(title + QStringLiteral(" (desenho)"));
  return view;
}

// Counts take whole ticks: a step of 1, 2 or 5 times a power of ten, at most five steps up to a
// top that is a whole number of steps (0 1 2, never 0 0 1 1 2).
void CountAxis(QValueAxis* axis, int top) {
  int step = 1;
  for (int base = 1; step * 5 < top; base *= 10) {
    for (int m : {1, 2, 5}) {
      step = m * base;
      if (step * 5 >= top) break;
    }
  }
  const int end = std::max(1, (top + step - 1) / step) * step;
  axis->setRange(0, end);
  axis->setTickCount(end / step + 1);
  axis->setLabelFormat(QStringLiteral("%d"));
}

}  // namespace

extern "C" Q_DECL_EXPORT QWidget* truco_bar_chart(const truco::charts::BarChartData* data) {
  auto* series = new QBarSeries;
  int top = 0;
  for (const auto& [name, values] : data->sets) {
    auto* set = new QBarSet(name);
    for (int v : values) {
      *set << v;
      top = std::max(top, v);
    }
    series->append(set);
  }
  auto* chart = new QChart;
  chart->setTitle(data->title);
  chart->addSeries(series);
  auto* x = new QBarCategoryAxis;
  x->append(data->categories);
  chart->addAxis(x, Qt::AlignBottom);
  series->attachAxis(x);
  auto* y = new QValueAxis;
  CountAxis(y, top);
  chart->addAxis(y, Qt::AlignLeft);
  series->attachAxis(y);
  chart->legend()->setAlignment(Qt::AlignBottom);
  QChartView* view = View(chart, data->title);
  // Room under every bar group for its whole name: the axis cuts a name wider than its share.
  const QFontMetrics metrics(x->labelsFont());
  int widest = 0;
  for (const QString& category : data->categories)
    widest = std::max(widest, metrics.horizontalAdvance(category));
  const auto groups = static_cast<int>(data->categories.size());
  view->setMinimumWidth(std::max(view->minimumWidth(), groups * (widest * 3 / 2 + 24) + 140));
  return view;
}

extern "C" Q_DECL_EXPORT QWidget* truco_week_chart(const truco::charts::WeekChartData* data) {
  auto* series = new QLineSeries;
  series->setName(data->series_name);
  series->setPointsVisible(true);
  for (const auto& [week_start, share] : data->points)
    series->append(static_cast<qreal>(week_start) * 1000.0, share);
  auto* chart = new QChart;
  chart->setTitle(data->title);
  chart->addSeries(series);
  auto* x = new QDateTimeAxis;
  x->setFormat(QStringLiteral("dd/MM"));
  x->setTitleText(QStringLiteral("Semana"));
  if (!data->points.empty()) {
    x->setRange(QDateTime::fromSecsSinceEpoch(data->first, Qt::UTC),
                QDateTime::fromSecsSinceEpoch(data->last, Qt::UTC));
    x->setTickCount(data->ticks);
  } else {
    // No games yet: the last four weeks, not the axis's default of one instant labelled
    // "01/01" at every tick.
    const QDateTime now = QDateTime::currentDateTimeUtc();
    x->setRange(now.addDays(-28), now);
    x->setTickCount(5);
  }
  auto* y = new QValueAxis;
  y->setRange(0, 100);
  y->setLabelFormat(QStringLiteral("%d%%"));
  chart->addAxis(x, Qt::AlignBottom);
  chart->addAxis(y, Qt::AlignLeft);
  series->attachAxis(x);
  series->attachAxis(y);
  chart->legend()->hide();
  return View(chart, data->title);
}
