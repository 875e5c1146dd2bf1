#include "ui/history_charts.h"

#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLibrary>

#ifndef TRUCO_CHARTS_FROM_BIN
#error "TRUCO_CHARTS_FROM_BIN: the installed charts module relative to the program's folder"
#endif
#ifndef TRUCO_CHARTS_BUILT
#error "TRUCO_CHARTS_BUILT: the charts module in the build tree"
#endif

namespace truco::charts {
namespace {

struct Module {
  TrucoBarChartFn bar = nullptr;
  TrucoWeekChartFn week = nullptr;
};

const Module& TheModule() {
  static const Module module = [] {
    Module found;
    // An installed program's module first; then the one its build tree made (a copy run from
    // the build folder, and the tests).
    const QStringList places = {
        QDir::cleanPath(QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral(TRUCO_CHARTS_FROM_BIN))),
        QStringLiteral(TRUCO_CHARTS_BUILT)};
    for (const QString& place : places) {
      // Never unloaded: the chart views it made live on in the statistics window.
      QLibrary library(place);
      if (!library.load()) continue;
      found.bar = reinterpret_cast<TrucoBarChartFn>(library.resolve("truco_bar_chart"));
      found.week = reinterpret_cast<TrucoWeekChartFn>(library.resolve("truco_week_chart"));
      if (found.bar && found.week) break;
      found = {};
    }
    return found;
  }();
  return module;
}

bool g_loaded = false;

QWidget* Unavailable(const QString& title) {
  auto* label = new QLabel(QStringLiteral("%1: gráfico indisponível").arg(title));
  label->setAlignment(Qt::AlignCenter);
  label->setMinimumSize(420, 260);
  return label;
}

}  // namespace

QWidget* MakeBarChart(const BarChartData& data) {
  const Module& module = TheModule();
  g_loaded = module.bar != nullptr;
  return module.bar ? module.bar(&data) : Unavailable(data.title);
}

QWidget* MakeWeekChart(const WeekChartData& data) {
  const Module& module = TheModule();
  g_loaded = module.week != nullptr;
  return module.week ? module.week(&data) : Unavailable(data.title);
}

bool ModuleLoaded() {
  return g_loaded;
}

}  // namespace truco::charts
