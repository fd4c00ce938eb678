#pragma once
// The statistics view's pie chart. QtCharts (and the OpenGL libraries it
// brings) is loaded only when the chart is first wanted, from a module
// beside the program (libmnemora_chart.so): the start-up does without it.

#include <QString>

class QWidget;

namespace stats {

// A new chart view (a QChartView, objectName "chMnemora") with the slices
// "Wrong" and "Right" at 0, inside `parent`; nullptr when the module cannot
// be loaded (the statistics are then shown without their chart).
QWidget *makePieChart(QWidget *parent);
// Sets the slices to these shares (percentages) and the chart's title.
void setPieChart(QWidget *chart, double wrong, double right, const QString &title);

}  // namespace stats
