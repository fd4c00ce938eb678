// Times the study history:
//   one mark (Right) on the 32,000-card deck with the history recording it,
//   beside the same mark with the history off, and the recording alone (one
//   answer committed to the database);
//   an answer while a second Mnemora holds the database: how long the
//   window waits before the answer is queued;
//   the history view of a deck with 1,000 runs and 100,000 answers: from
//   the command to the view filled and drawn, on a database just opened and
//   once it is open.
// Usage: bench_history [rounds]   (default 5; medians are shown)

#include "BenchSupport.h"

#include "app/frmQuestion.h"
#include "history/HistoryStore.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

constexpr int kCards = 32000;
constexpr int kRuns = 1000;
constexpr int kAnswers = 100000;

void openDeck(frmQuestion &w, const QString &path)
{
    auto *poll = new QTimer(&w);
    QObject::connect(poll, &QTimer::timeout, &w, [&, poll] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(path);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    poll->start(10);
    w.findChild<QAbstractButton *>(QStringLiteral("PicOpenDeck"))->click();
    delete poll;
    if (w.CardCount < 1)
        bench::fail("bench_history", "the deck did not open");
}

// The median time of one Right mark, in microseconds; the slowest goes to
// slowest.
double markMicros(frmQuestion &w, int marks, double *slowest = nullptr)
{
    std::vector<double> times;
    times.reserve(marks);
    for (int i = 0; i < marks; ++i) {
        w.cmdAns_Click();
        times.push_back(bench::timeMs([&] { w.cmdRight_Click(); }) * 1000.0);
    }
    if (slowest)
        *slowest = std::max(*slowest, *std::max_element(times.begin(), times.end()));
    return bench::median(times);
}

// A history of kRuns runs of the deck with kAnswers answers over its cards,
// written in one transaction beside the schema the store made.
void fillHistory(const QString &folder, const QString &deck)
{
    {
        history::HistoryStore store(folder);
        store.endRun(store.startRun(deck, QStringLiteral("Big"), QStringLiteral("VovivIz"),
                                    QDateTime::currentDateTime()),
                     QDateTime::currentDateTime());
    }
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fill"));
        db.setDatabaseName(folder + QStringLiteral("/history.sqlite"));
        if (!db.open())
            bench::fail("bench_history", "cannot open the history");
        QSqlQuery q(db);
        q.exec(QStringLiteral("BEGIN"));
        q.exec(QStringLiteral("DELETE FROM runs"));
        QSqlQuery card(db), run(db), answer(db);
        card.prepare(QStringLiteral("INSERT INTO cards (id, deck_id, question, answer) VALUES (?, 1, ?, ?)"));
        q.exec(QStringLiteral("DELETE FROM cards"));
        for (int c = 1; c <= kCards; ++c) {
            card.addBindValue(c);
            card.addBindValue(QStringLiteral("What is word number %1?").arg(c));
            card.addBindValue(QStringLiteral("The answer to card %1").arg(c));
            card.exec();
        }
        run.prepare(QStringLiteral("INSERT INTO runs (id, deck_id, started, ended, last_at, options, answered, right,"
                                   " wrong) VALUES (?, 1, ?, ?, ?, 'VovivIz', ?, ?, ?)"));
        answer.prepare(QStringLiteral("INSERT INTO answers (run_id, card_id, right, mode, at) VALUES (?, ?, ?, 0, ?)"));
        const qint64 first = QDateTime::currentMSecsSinceEpoch() - qint64(kRuns) * 6 * 3600 * 1000;
        QRandomGenerator rnd(7);
        for (int r = 1; r <= kRuns; ++r) {
            const qint64 start = first + qint64(r) * 6 * 3600 * 1000;
            int right = 0;
            const int n = kAnswers / kRuns;
            for (int a = 0; a < n; ++a) {
                const bool ok = rnd.bounded(100) < 70;
                right += ok;
                answer.addBindValue(r);
                answer.addBindValue(1 + rnd.bounded(kCards));
                answer.addBindValue(ok ? 1 : 0);
                answer.addBindValue(start + a * 5000);
                answer.exec();
            }
            for (const QVariant &v : {QVariant(r), QVariant(start), QVariant(start + n * 5000), QVariant(start + n * 5000),
                                      QVariant(n), QVariant(right), QVariant(n - right)})
                run.addBindValue(v);
            run.exec();
        }
        // The cards' sums, as the answers made them.
        q.exec(QStringLiteral("UPDATE cards SET right = (SELECT SUM(right) FROM answers a WHERE a.card_id = cards.id),"
                              " wrong = (SELECT COUNT(*) - SUM(right) FROM answers a WHERE a.card_id = cards.id),"
                              " last_at = (SELECT MAX(at) FROM answers a WHERE a.card_id = cards.id),"
                              " last_right = (SELECT right FROM answers a WHERE a.card_id = cards.id"
                              "               ORDER BY at DESC LIMIT 1)"));
        if (!q.exec(QStringLiteral("COMMIT")))
            bench::fail("bench_history", "cannot fill the history");
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fill"));
}

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    QTemporaryDir program, data;
    const QString big = bench::makeProgramFolder(program, bench::makeDeck(kCards), QStringLiteral("Big.xls"));

    double slowestOn = 0;
    std::vector<double> tOn, tOff, tRecord, tLocked, tFirstView, tView;
    for (int r = 0; r < rounds; ++r) {
        QTemporaryDir marks;
        auto on = std::make_unique<frmQuestion>(program.path());
        on->HistoryFolder = marks.path();
        on->show();
        openDeck(*on, big);
        tOn.push_back(markMicros(*on, 2000, &slowestOn));
        on->close();

        // The history turned off before the run: its folder runs through a file.
        auto off = std::make_unique<frmQuestion>(program.path());
        off->History = std::make_shared<history::HistoryStore>(big + QStringLiteral("/history"));
        off->History->startRun(big, QStringLiteral("Big"), QString(), QDateTime::currentDateTime());
        off->History->takeNotice();
        off->show();
        openDeck(*off, big);
        tOff.push_back(markMicros(*off, 2000));
        off->close();

        history::HistoryStore store(marks.path());
        const qint64 run = store.startRun(big, QStringLiteral("Big"), QString(), QDateTime::currentDateTime());
        std::vector<double> one;
        for (int i = 0; i < 2000; ++i)
            one.push_back(1000.0 * bench::timeMs([&] {
                store.recordAnswer(run, QStringLiteral("What is word number %1?").arg(i),
                                   QStringLiteral("The answer to card %1").arg(i), i % 3 != 0,
                                   history::Mode::Reveal, QDateTime::currentDateTime());
            }));
        tRecord.push_back(bench::median(one));
        {
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("other"));
            other.setDatabaseName(store.filePath());
            other.open();
            QSqlQuery hold(other);
            hold.exec(QStringLiteral("BEGIN IMMEDIATE"));
            tLocked.push_back(bench::timeMs([&] {
                store.recordAnswer(run, QStringLiteral("q"), QStringLiteral("a"), true, history::Mode::Reveal,
                                   QDateTime::currentDateTime());
            }));
            if (store.queued() != 1)
                bench::fail("bench_history", "the answer was not queued");
            hold.exec(QStringLiteral("COMMIT"));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("other"));
        // The window's run and this one, every answer recorded, the one
        // queued while the database was held included.
        const history::DeckHistory recorded = store.read(big);
        if (store.isOff() || store.queued() != 0 || recorded.runs.size() != 2 ||
            recorded.runs.value(1).answered != 2001)
            bench::fail("bench_history", "the answers were not recorded");
    }

    fillHistory(data.path(), big);
    std::vector<double> tRead;
    for (int r = 0; r < rounds; ++r) {
        history::HistoryStore store(data.path());
        tRead.push_back(bench::timeMs([&] { store.read(big); }));
    }
    for (int r = 0; r < rounds; ++r) {
        auto w = std::make_unique<frmQuestion>(program.path());
        w->HistoryFolder = data.path();
        w->show();
        QCoreApplication::processEvents();
        for (int k = 0; k < 3; ++k) {
            const double ms = bench::timeMs([&] {
                w->ShowHistory(big);
                w->fraHistory->show();
                w->fraHistory->repaint();
            });
            (k == 0 ? tFirstView : tView).push_back(ms);
            w->fraHistory->hide();
        }
        if (w->tblRuns->model()->rowCount() != kRuns)
            bench::fail("bench_history", "the view does not show every run");
    }

    std::printf("Study history (median of %d rounds)\n", rounds);
    std::printf("%-52s %10.1f us  (goal <= 1000)\n", "One mark (Right) with the history, 32,000 cards", bench::median(tOn));
    std::printf("%-52s %10.1f ms\n", "  the slowest of those marks (a checkpoint's sync)", slowestOn / 1000.0);
    std::printf("%-52s %10.1f us\n", "One mark (Right), history off, 32,000 cards", bench::median(tOff));
    std::printf("%-52s %10.1f us\n", "Recording one answer alone (commit included)", bench::median(tRecord));
    std::printf("%-52s %10.1f ms  (goal <= 100)\n", "An answer while another Mnemora holds the database",
                bench::median(tLocked));
    std::printf("%-52s %10.1f ms  (goal <= 100)\n", "History view, 1,000 runs / 100,000 answers, first",
                bench::median(tFirstView));
    std::printf("%-52s %10.1f ms\n", "History view, 1,000 runs / 100,000 answers, again", bench::median(tView));
    std::printf("%-52s %10.1f ms\n", "  of which the database's read (opened anew)", bench::median(tRead));
    return 0;
}
