// The history view's chart in the chart module (libmnemora_chart.so), built
// on QtCharts and loaded when the history is first shown (see
// stats/PieChart.h for the program's side).

#include "history/ChartScale.h"

#include <QChart>
#include <QChartView>
#include <QColor>
#include <QDateTime>
#include <QDateTimeAxis>
#include <QLineSeries>
#include <QScatterSeries>
#include <QValueAxis>

extern "C" Q_DECL_EXPORT QWidget *mnemora_makeHistoryChart(QWidget *parent, const QString &shareSeries,
                                                           const QString &answeredSeries)
{
    auto *chart = new QChart();
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    chart->legend()->setAlignment(Qt::AlignBottom);
    auto *share = new QLineSeries();
    share->setObjectName(shareSeries);
    share->setName(QStringLiteral("Share right (%)"));
    share->setPointsVisible(true);
    share->setColor(QColor(0x2E, 0x7D, 0x32));
    auto *answered = new QScatterSeries();
    answered->setObjectName(answeredSeries);
    answered->setName(QStringLiteral("Cards answered"));
    answered->setMarkerSize(7);
    answered->setColor(QColor(0x15, 0x65, 0xC0));
    chart->addSeries(share);
    chart->addSeries(answered);
    auto *dates = new QDateTimeAxis();
    dates->setObjectName(QStringLiteral("axisDates"));
    dates->setFormat(QStringLiteral("d MMM"));
    dates->setTickCount(5);
    auto *percent = new QValueAxis();
    percent->setObjectName(QStringLiteral("axisShare"));
    percent->setRange(0, 100);
    percent->setLabelFormat(QStringLiteral("%d %%"));
    // Few labels: the chart is a strip above the tables.
    percent->setTickCount(3);
    auto *cards = new QValueAxis();
    cards->setObjectName(QStringLiteral("axisAnswered"));
    cards->setLabelFormat(QStringLiteral("%d"));
    cards->setTickCount(3);
    chart->addAxis(dates, Qt::AlignBottom);
    chart->addAxis(percent, Qt::AlignLeft);
    chart->addAxis(cards, Qt::AlignRight);
    share->attachAxis(dates);
    share->attachAxis(percent);
    answered->attachAxis(dates);
    answered->attachAxis(cards);
    auto *view = new QChartView(chart, parent);
    view->setObjectName(QStringLiteral("chHistory"));
    view->setAccessibleName(QStringLiteral("Share right per run"));
    view->setFrameShape(QFrame::StyledPanel);
    view->setFocusPolicy(Qt::NoFocus);  // nothing in it to operate
    view->viewport()->setFocusPolicy(Qt::NoFocus);
    return view;
}

extern "C" Q_DECL_EXPORT void mnemora_setHistoryChart(QWidget *widget, const QList<QPointF> &share,
                                                      const QList<QPointF> &answered, const QDateTime &first,
                                                      const QDateTime &last, int most, bool antialiased)
{
    auto *view = qobject_cast<QChartView *>(widget);
    if (!view)
        return;
    view->setRenderHint(QPainter::Antialiasing, antialiased);
    QChart *chart = view->chart();
    const QList<QAbstractSeries *> series = chart->series();
    if (series.size() >= 2) {
        static_cast<QXYSeries *>(series.at(0))->replace(share);
        static_cast<QXYSeries *>(series.at(1))->replace(answered);
    }
    const QList<QAbstractAxis *> axes = chart->axes();
    for (QAbstractAxis *a : axes) {
        if (a->objectName() == QLatin1String("axisDates")) {
            static_cast<QDateTimeAxis *>(a)->setRange(first, last);
            static_cast<QDateTimeAxis *>(a)->setFormat(history::dateAxisFormat(first, last));
        } else if (a->objectName() == QLatin1String("axisAnswered")) {
            static_cast<QValueAxis *>(a)->setRange(0, history::answeredAxisTop(most));
        }
    }
}
