// The chart module (libmnemora_chart.so): the statistics view's pie chart
// (the history view's chart is in HistoryChartModule.cpp), built on QtCharts,
// loaded by PieChart.cpp when a chart is first wanted.

#include <QChart>
#include <QAbstractAxis>
#include <QChartView>
#include <QColor>
#include <QPieSeries>
#include <QPieSlice>

extern "C" Q_DECL_EXPORT QWidget *mnemora_makePieChart(QWidget *parent)
{
    auto *chart = new QChart();
    chart->legend()->setAlignment(Qt::AlignRight);
    chart->setMargins(QMargins(2, 2, 2, 2));
    chart->setBackgroundRoundness(0);
    auto *series = new QPieSeries();
    QPieSlice *wrong = series->append(QStringLiteral("Wrong"), 0);
    QPieSlice *right = series->append(QStringLiteral("Right"), 0);
    wrong->setColor(QColor(0xC6, 0x28, 0x28));
    right->setColor(QColor(0x2E, 0x7D, 0x32));
    chart->addSeries(series);
    auto *view = new QChartView(chart, parent);
    view->setObjectName(QStringLiteral("chMnemora"));
    view->setRenderHint(QPainter::Antialiasing);
    view->setFrameShape(QFrame::NoFrame);
    // Nothing in it to operate: no Tab stop (made when the statistics are
    // first shown, it would otherwise come last in the window's Tab order).
    view->setFocusPolicy(Qt::NoFocus);
    view->viewport()->setFocusPolicy(Qt::NoFocus);
    return view;
}

extern "C" Q_DECL_EXPORT void mnemora_setPieChart(QWidget *widget, double wrong, double right, const QString &title)
{
    auto *view = qobject_cast<QChartView *>(widget);
    if (!view)
        return;
    auto *series = qobject_cast<QPieSeries *>(view->chart()->series().value(0));
    if (!series || series->count() < 2)
        return;
    const QList<QPieSlice *> slices = series->slices();
    slices.at(0)->setLabel(QStringLiteral("Wrong"));
    slices.at(0)->setValue(wrong);
    slices.at(1)->setLabel(QStringLiteral("Right"));
    slices.at(1)->setValue(right);
    view->chart()->setTitle(title);
}

extern "C" Q_DECL_EXPORT void mnemora_setChartFont(QWidget *widget, const QFont &font)
{
    auto *view = qobject_cast<QChartView *>(widget);
    if (!view)
        return;
    for (QAbstractAxis *axis : view->chart()->axes())
        axis->setLabelsFont(font);
    view->chart()->legend()->setFont(font);
}
