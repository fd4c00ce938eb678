#include "stats/PieChart.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QFont>
#include <QLibrary>

namespace stats {
namespace {

using Make = QWidget *(*)(QWidget *);
using Set = void (*)(QWidget *, double, double, const QString &);
using MakeHistory = QWidget *(*)(QWidget *, const QString &, const QString &);
using SetHistory = void (*)(QWidget *, const QList<QPointF> &, const QList<QPointF> &, const QDateTime &,
                            const QDateTime &, int, bool);
using SetFont = void (*)(QWidget *, const QFont &);

struct Module {
    Make make = nullptr;
    Set set = nullptr;
    MakeHistory makeHistory = nullptr;
    SetHistory setHistory = nullptr;
    SetFont setFont = nullptr;
};

// The module beside the program, or where the build put it (for the tests
// and benchmarks, which run from other folders).
const Module &module()
{
    static const Module m = [] {
        Module found;
        for (const QString &folder : {QCoreApplication::applicationDirPath(), QStringLiteral(MNEMORA_MODULE_DIR)}) {
            QLibrary library(folder + QStringLiteral("/libmnemora_chart.so"));
            if (!QFileInfo::exists(library.fileName()) || !library.load())
                continue;
            found.make = reinterpret_cast<Make>(library.resolve("mnemora_makePieChart"));
            found.set = reinterpret_cast<Set>(library.resolve("mnemora_setPieChart"));
            found.makeHistory = reinterpret_cast<MakeHistory>(library.resolve("mnemora_makeHistoryChart"));
            found.setHistory = reinterpret_cast<SetHistory>(library.resolve("mnemora_setHistoryChart"));
            found.setFont = reinterpret_cast<SetFont>(library.resolve("mnemora_setChartFont"));
            if (found.make && found.set && found.makeHistory && found.setHistory && found.setFont)
                break;
            found = {};
        }
        return found;
    }();
    return m;
}

}  // namespace

QWidget *makePieChart(QWidget *parent) { return module().make ? module().make(parent) : nullptr; }

void setPieChart(QWidget *chart, double wrong, double right, const QString &title)
{
    if (chart && module().set)
        module().set(chart, wrong, right, title);
}

QWidget *makeHistoryChart(QWidget *parent, const QString &shareSeries, const QString &answeredSeries)
{
    return module().makeHistory ? module().makeHistory(parent, shareSeries, answeredSeries) : nullptr;
}

void setHistoryChart(QWidget *chart, const QList<QPointF> &share, const QList<QPointF> &answered,
                     const QDateTime &first, const QDateTime &last, int most, bool antialiased)
{
    if (chart && module().setHistory)
        module().setHistory(chart, share, answered, first, last, most, antialiased);
}

void setChartFont(QWidget *chart, const QFont &font)
{
    if (chart && module().setFont)
        module().setFont(chart, font);
}

}  // namespace stats
