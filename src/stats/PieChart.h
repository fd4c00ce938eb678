#pragma once
// The charts of the statistics and history views. QtCharts (and the OpenGL
// libraries it brings) is loaded only when a chart is first wanted, from a
// module beside the program (libmnemora_chart.so): the start-up does
// without it.

#include <QList>
#include <QPointF>
#include <QString>

class QDateTime;
class QFont;
class QWidget;

namespace stats {

// A new chart view (a QChartView, objectName "chMnemora") with the slices
// "Wrong" and "Right" at 0, inside `parent`; nullptr when the module cannot
// be loaded (the statistics are then shown without their chart).
QWidget *makePieChart(QWidget *parent);
// Sets the slices to these shares (percentages) and the chart's title.
void setPieChart(QWidget *chart, double wrong, double right, const QString &title);

// A new chart view of a deck's runs (objectName "chHistory") inside
// `parent`: a line series `shareSeries` (share right, in percent, on the left
// axis) and a scatter series `answeredSeries` (cards answered, on the right
// axis) over a date axis; nullptr when the module cannot be loaded.
QWidget *makeHistoryChart(QWidget *parent, const QString &shareSeries, const QString &answeredSeries);
// Sets the history chart's points (x: milliseconds since the epoch), its
// dates from `first` to `last`, its count axis up to `most`, and whether
// it is drawn smooth.
void setHistoryChart(QWidget *chart, const QList<QPointF> &share, const QList<QPointF> &answered,
                     const QDateTime &first, const QDateTime &last, int most, bool antialiased);

// Gives a chart's legend and axis labels this font (for the window's zoom).
void setChartFont(QWidget *chart, const QFont &font);

}  // namespace stats
