#pragma once
// The charts of "Estatísticas". Qt Charts (and the OpenGL libraries it pulls in) lives in a module
// of its own, loaded the first time a chart is made: a run that never opens the statistics never
// maps it. Without the module each chart is a line of text; the tables beside it stay complete.

#include <QString>
#include <QStringList>
#include <cstdint>
#include <utility>
#include <vector>

class QWidget;

namespace truco::charts {

// One bar set per entry: its name and one value per category.
struct BarChartData {
  QString title;
  QStringList categories;
  std::vector<std::pair<QString, std::vector<int>>> sets;
};

// The share of games won (0 to 100), one point per week starting at `week_start` (seconds, UTC).
struct WeekChartData {
  QString title;
  QString series_name;
  std::vector<std::pair<std::int64_t, double>> points;
  std::int64_t first = 0;  // the axis' range, when there are points
  std::int64_t last = 0;
  int ticks = 2;
};

// A chart view owned by the caller, or a label when the module cannot be loaded.
QWidget* MakeBarChart(const BarChartData& data);
QWidget* MakeWeekChart(const WeekChartData& data);

// Whether the module was loaded by this run (false until the first chart is made).
bool ModuleLoaded();

}  // namespace truco::charts

// The module's entry points, looked up by name.
extern "C" {
using TrucoBarChartFn = QWidget* (*)(const truco::charts::BarChartData*);
using TrucoWeekChartFn = QWidget* (*)(const truco::charts::WeekChartData*);
}
