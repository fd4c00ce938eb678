// Times a study run on a 32,000-card deck, beside FreeXL's own read of the
// same file:
//   opening the deck: from the file chosen in the dialog to the first card
//   shown (conversion, study copy, loading, first card);
//   one mark (Right: the queue moves and the next card is shown), on the
//   large deck and on a small one, to show it does not grow with the deck;
//   in the four-choice mode, the time from a choice to its verdict popup
//   and to the next card (set to 500 and 1,500 ms).
// Usage: bench_study [rounds]   (default 5; medians are shown)

#include "BenchSupport.h"

#include "app/Widgets.h"
#include "app/frmQuestion.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

constexpr int kCards = 32000;

// Opens the deck through the real dialog; returns the milliseconds from the
// dialog's acceptance to the first card shown.
double openDeck(frmQuestion &w, const QString &path)
{
    QElapsedTimer clock;
    auto *poll = new QTimer(&w);
    QObject::connect(poll, &QTimer::timeout, &w, [&, poll] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        QObject::connect(dialog, &QDialog::accepted, &w, [&clock] { clock.start(); });
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll->start(10);
    w.findChild<QAbstractButton *>(QStringLiteral("PicOpenDeck"))->click();
    const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    delete poll;
    if (w.CardCount < 1 || w.findChild<QLabel *>(QStringLiteral("lblQuestion"))->text().isEmpty())
        bench::fail("bench_study", "the deck did not open");
    return ms;
}

// The median time of one Right mark, in microseconds.
double markMicros(frmQuestion &w, int marks)
{
    std::vector<double> times;
    times.reserve(marks);
    for (int i = 0; i < marks; ++i) {
        w.cmdAns_Click();
        times.push_back(bench::timeMs([&] { w.cmdRight_Click(); }) * 1000.0);
    }
    return bench::median(times);
}

// The milliseconds from a choice to the verdict popup and to the next card.
std::pair<double, double> verdictTimes(frmQuestion &w)
{
    const QString card = w.lblQuestion->text();
    QElapsedTimer clock;
    clock.start();
    w.OptAns1->setChecked(true);
    double popup = -1;
    while (w.lblQuestion->text() == card && clock.elapsed() < 10000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (popup < 0 && w.lblAnsPopUp->isVisible())
            popup = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    }
    return {popup, static_cast<double>(clock.nsecsElapsed()) / 1e6};
}

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir bigDir, smallDir;
    const QString big = bench::makeProgramFolder(bigDir, bench::makeDeck(kCards), QStringLiteral("Big.xls"));
    const QString small = bench::makeProgramFolder(smallDir, bench::makeDeck(100), QStringLiteral("Small.xls"));

    std::vector<double> tFreexl, tOpen, tMarkBig, tMarkSmall, tPopup, tNext;
    for (int r = 0; r < rounds; ++r) {
        long cells = 0;
        tFreexl.push_back(bench::timeMs([&] { cells = bench::freexlCellCount(big); }));
        if (cells != 2L * (kCards + 1))
            bench::fail("bench_study", "FreeXL did not read the deck");

        auto w = std::make_unique<frmQuestion>(bigDir.path());
        w->show();
        tOpen.push_back(openDeck(*w, big));
        tMarkBig.push_back(markMicros(*w, 2000));
        w->close();

        auto s = std::make_unique<frmQuestion>(smallDir.path());
        s->show();
        openDeck(*s, small);
        tMarkSmall.push_back(markMicros(*s, 2000));
        if (r < 3) {
            s->OptMultFour->setChecked(true);
            const auto [popup, next] = verdictTimes(*s);
            tPopup.push_back(popup);
            tNext.push_back(next);
        }
        s->close();
    }

    const double freexl = bench::median(tFreexl), open = bench::median(tOpen);
    std::printf("Study run on a %d-card deck (median of %d rounds)\n", kCards, rounds);
    std::printf("%-48s %10.2f ms\n", "FreeXL reads every cell", freexl);
    std::printf("%-48s %10.2f ms  (%.2f x FreeXL; goal <= 3)\n", "Open: file chosen to first card shown", open,
                open / freexl);
    std::printf("%-48s %10.1f us  (goal < 1000)\n", "One mark (Right), 32,000 cards", bench::median(tMarkBig));
    std::printf("%-48s %10.1f us\n", "One mark (Right), 100 cards", bench::median(tMarkSmall));
    std::printf("%-48s %10.1f ms  (set to 500)\n", "Four choices: choice to verdict popup", bench::median(tPopup));
    std::printf("%-48s %10.1f ms  (set to 1500)\n", "Four choices: choice to next card", bench::median(tNext));
    return 0;
}
