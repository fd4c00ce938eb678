#include "stats/PieChart.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

namespace stats {
namespace {

using Make = QWidget *(*)(QWidget *);
using Set = void (*)(QWidget *, double, double, const QString &);

struct Module {
    Make make = nullptr;
    Set set = nullptr;
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
            if (found.make && found.set)
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

}  // namespace stats
