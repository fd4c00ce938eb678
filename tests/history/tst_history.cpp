// The study history: runs recorded answer by answer from the window (by
// keys and by choices), the history view's figures, a card's identity,
// a kill in the middle of a run, damaged files, two windows on one
// database, a database another program holds, and a folder or disk that
// refuses the writes.

#include "history/ChartScale.h"
#include "history/HistoryStore.h"
#include "history/TableModel.h"
#include "app/Widgets.h"
#include "support/ChildProcess.h"
#include "support/GuiTest.h"

#include <QChart>
#include <QChartView>
#include <QLegend>
#include <QLabel>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QXYSeries>

using namespace childtest;
using namespace guitest;
using history::HistoryStore;
using history::Mode;

namespace {

const QList<QPair<QVariant, QVariant>> kCapitals = {{"Question", "Answer"}, {"France", "Paris"},
                                                    {"Japan", "Tokyo"},     {"Peru", "Lima"},
                                                    {"Kenya", "Nairobi"},   {"Chile", "Santiago"}};

// Rows of a query on the database in folder, each row's fields joined by "|".
QStringList rowsOf(const QString &folder, const QString &sql)
{
    QStringList rows;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("probe"));
        db.setDatabaseName(folder + QStringLiteral("/history.sqlite"));
        if (db.open()) {
            QSqlQuery q(db);
            q.exec(sql);
            while (q.next()) {
                QStringList fields;
                for (int i = 0; i < q.record().count(); ++i)
                    fields << q.value(i).toString();
                rows << fields.join('|');
            }
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("probe"));
    return rows;
}

const QString kAnswersSql = QStringLiteral(
    "SELECT c.question, c.answer, a.right, a.mode FROM answers a JOIN cards c ON c.id = a.card_id ORDER BY a.id");

// A window on a program folder holding the deck Capitals.xls, with its
// history in a folder of its own.
struct Window {
    explicit Window(const QString &historyFolder)
    {
        writeDeck(deck(), kCapitals);
        w = std::make_unique<frmQuestion>(folder.path());
        w->HistoryFolder = historyFolder;
        w->show();
    }
    QString deck() const { return folder.deckPath(QStringLiteral("Capitals.xls")); }
    void key(Qt::Key k) { keyWhereFocused(w.get(), k); }
    // The choice key of the right answer, or of a wrong one.
    Qt::Key choiceKey(bool right) { return Qt::Key(Qt::Key_0 + choiceOffering(*w, right)); }
    QStringList table(const char *name)
    {
        QStringList rows;
        const auto *model = static_cast<history::TableModel *>(w->findChild<QTableView *>(name)->model());
        for (const QStringList &r : model->rows())
            rows << r.join('|');
        return rows;
    }
    ProgramFolder folder;
    std::unique_ptr<frmQuestion> w;
};

// Three runs of a deck, by hand: at 9:00 on the 1st, 2nd and 8th of
// December, an answer every 30 seconds, each run taking the minutes given.
void recordThreeRuns(HistoryStore &store, const QString &deck)
{
    const QStringList runs = {"5 France/Paris/r Japan/Tokyo/w Peru/Lima/r Japan/Tokyo/w",
                              "2 Japan/Tokyo/w Kenya/Nairobi/r Peru/Lima/w",
                              "12 France/Paris/r Japan/Tokyo/r Peru/Lima/r Kenya/Nairobi/r Chile/Santiago/w Peru/Lima/r"};
    const int days[] = {1, 2, 8};
    for (int r = 0; r < 3; ++r) {
        const QDateTime start(QDate(2026, 12, days[r]), QTime(9, 0));
        const qint64 run = store.startRun(deck, "Capitals", history::optionsText(r == 2, false, r == 1 ? 4 : 0), start);
        const QStringList answers = runs[r].split(' ');
        for (int i = 1; i < answers.size(); ++i) {
            const QStringList a = answers[i].split('/');
            store.recordAnswer(run, a[0], a[1], a[2] == "r", r == 1 ? Mode::FourChoices : Mode::Reveal,
                               start.addSecs(30 * i));
        }
        store.endRun(run, start.addSecs(60 * answers[0].toInt()));
    }
}

}  // namespace

class TestHistory : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { guitest::initTestCase(); }
    void cleanup() { guitest::stopPollers(); }

    // A run by keys and a run by choices, recorded answer by answer: each
    // answer can be read by another connection as soon as it is given.
    void runsRecordedAnswerByAnswer_data()
    {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("marks");  // r / w, in order
        QTest::addColumn<int>("mode");
        QTest::newRow("keys") << "OptMultZero" << "rwrrw" << 0;
        QTest::newRow("two choices") << "OptMultTwo" << "wr" << 2;
        QTest::newRow("four choices") << "OptMultFour" << "rw" << 4;
    }
    void runsRecordedAnswerByAnswer()
    {
        QFETCH(QString, option);
        QFETCH(QString, marks);
        QFETCH(int, mode);
        QTemporaryDir data;
        Window s(data.path());
        chooseOption(*s.w, qPrintable(option));
        openDeck(*s.w, s.deck());
        QStringList expected;
        for (const QChar m : marks) {
            const bool right = m == 'r';
            expected << QStringLiteral("%1|%2|%3|%4").arg(s.w->QuestionText, s.w->AnswerText).arg(right).arg(mode);
            if (mode == 0) {
                s.key(Qt::Key_Space);
                s.key(right ? Qt::Key_R : Qt::Key_W);
            } else {
                const QString card = s.w->QuestionText;
                s.key(s.choiceKey(right));
                QCOMPARE(rowsOf(data.path(), kAnswersSql), expected);
                QTRY_VERIFY(s.w->QuestionText != card && !s.w->Timer2->isEnabled());
            }
            QCOMPARE(rowsOf(data.path(), kAnswersSql), expected);
        }
        const int wrong = int(marks.count('w'));
        QCOMPARE(rowsOf(data.path(), "SELECT answered, right, wrong, ended IS NULL, options FROM runs"),
                 QStringList{QStringLiteral("%1|%2|%3|1|%4")
                                 .arg(marks.size()).arg(marks.size() - wrong).arg(wrong)
                                 .arg(history::optionsText(false, false, mode))});
        click(s.w->cmdEnd);
        QCOMPARE(rowsOf(data.path(), "SELECT ended IS NULL FROM runs"), QStringList{"0"});
        QCOMPARE(rowsOf(data.path(), "SELECT name, path FROM decks"),
                 QStringList{"Capitals|" + QFileInfo(s.deck()).canonicalFilePath()});

        // The statistics view's History, after its End in reading order,
        // shows this run; the menus rest meanwhile; Done goes back.
        const auto chain = [&] { return focusChain(s.w.get()).join(' '); };
        const auto menus = [&] { return QString("%1%2").arg(s.w->mnuOpt->isEnabled()).arg(s.w->mnuHelp->isEnabled()); };
        const QString before = menus();
        QVERIFY2(chain().endsWith("cmdHistory cmdClose"), qPrintable(chain()));
        click(s.w->cmdHistory);
        QVERIFY(s.w->fraStat->isHidden());
        QCOMPARE(chain(), "tblRuns tblHardest cmdClearHistory cmdHistoryDone");
        QCOMPARE(s.table("tblRuns").value(0).section('|', 1, 3),
                 QStringLiteral("%1|%2|%3").arg(marks.size()).arg(marks.size() - wrong).arg(wrong));
        QSet<QString> missed;  // the cards answered wrong
        for (const QString &e : expected)
            if (e.section('|', 2, 2) == "0")
                missed << e.section('|', 0, 0);
        QCOMPARE(s.table("tblHardest").size(), missed.size());
        QCOMPARE(menus(), "00");
        click(s.w->cmdHistoryDone);
        QVERIFY(!s.w->fraStat->isHidden() && s.w->fraHistory->isHidden());
        QCOMPARE(menus(), before);
    }

    // The view of three runs computed by hand, opened from the start view
    // with the deck chosen in the dialog; its Done returns there. The deck's
    // file may be gone: its history is still shown and cleared.
    void historyViewOfThreeRuns_data()
    {
        QTest::addColumn<bool>("fileGone");
        QTest::newRow("deck file present") << false;
        QTest::newRow("deck file gone") << true;
    }
    void historyViewOfThreeRuns()
    {
        QFETCH(bool, fileGone);
        QTemporaryDir data;
        Window s(data.path());
        {
            HistoryStore store(data.path());
            recordThreeRuns(store, s.deck());
        }
        if (fileGone)
            QFile::remove(s.deck());
        answerFileDialog(s.deck());
        trigger(s.w->mnuHistory);
        stopPollers();
        QVERIFY(!s.w->fraHistory->isHidden());
        QVERIFY(!s.w->PicOpenDeck->isVisibleTo(s.w.get()));
        QCOMPARE(s.w->lblHistoryDeck->text(), QStringLiteral("Deck : Capitals   (3 runs)"));
        QCOMPARE(s.table("tblRuns"),
                 (QStringList{"2026-12-08 09:00|6|5|1|83 %|00:12:00|Random, question first, no choices",
                              "2026-12-02 09:00|3|1|2|33 %|00:02:00|VovivIz, question first, 4 choices",
                              "2026-12-01 09:00|4|2|2|50 %|00:05:00|VovivIz, question first, no choices"}));
        // Japan: wrong 3 times, right once, last answered right on the 8th.
        // Equal wrongs: the card with fewer rights first.
        QCOMPARE(s.table("tblHardest"), (QStringList{"Japan|Tokyo|1|3|Right, 2026-12-08 09:01",
                                                     "Chile|Santiago|0|1|Wrong, 2026-12-08 09:02",
                                                     "Peru|Lima|3|1|Right, 2026-12-08 09:03"}));
        QList<QPointF> share, answered;
        // The chart is the module's QChartView, made when the history was first shown.
        auto *chart = qobject_cast<QChartView *>(s.w->chHistory);
        QVERIFY(chart);
        QCOMPARE(chart->chart()->legend()->font().pointSizeF(), s.w->PicHistory->font().pointSizeF() * 0.8);
        for (QAbstractSeries *series : chart->chart()->series())
            (series->name().startsWith("Share") ? share : answered) = static_cast<QXYSeries *>(series)->points();
        QCOMPARE(share.size(), 3);
        QCOMPARE(share.at(1).y(), 100.0 / 3);
        QCOMPARE(QDateTime::fromMSecsSinceEpoch(qint64(share.at(2).x())), QDateTime(QDate(2026, 12, 8), QTime(9, 0)));
        QCOMPARE(answered.at(0).y(), 4.0);

        // Clearing asks first: No keeps the history, Yes clears it.
        for (const auto answer : {QMessageBox::No, QMessageBox::Yes}) {
            onNextModal<QMessageBox>([answer](QMessageBox *box) { box->button(answer)->click(); });
            click(s.w->cmdClearHistory);
            QCOMPARE(s.table("tblRuns").size(), answer == QMessageBox::No ? 3 : 0);
        }
        QVERIFY(!s.w->cmdClearHistory->isEnabled());
        QCOMPARE(rowsOf(data.path(), "SELECT COUNT(*) FROM answers"), QStringList{"0"});
        click(s.w->cmdHistoryDone);
        QVERIFY(s.w->fraHistory->isHidden());
        QVERIFY(!s.w->PicOpenDeck->isHidden());
    }

    // No two labels of a chart axis read the same: runs close together are
    // told apart by the time of day, and the cards axis has whole halves.
    void chartScales_data()
    {
        QTest::addColumn<int>("hours");
        QTest::addColumn<QString>("format");
        QTest::addColumn<int>("most");
        QTest::addColumn<int>("top");
        QTest::newRow("one run") << 24 << "d MMM hh:mm" << 0 << 2;
        QTest::newRow("a few days") << 4 * 24 << "d MMM hh:mm" << 1 << 2;
        QTest::newRow("a week") << 7 * 24 << "d MMM" << 3 << 4;
        QTest::newRow("a month") << 31 * 24 << "d MMM" << 37 << 40;
        QTest::newRow("years") << 400 * 24 << "MMM yyyy" << 101 << 200;
        QTest::newRow("tens of thousands") << 24 << "d MMM hh:mm" << 32000 << 40000;
    }
    void chartScales()
    {
        QFETCH(int, hours);
        QFETCH(QString, format);
        QFETCH(int, most);
        QFETCH(int, top);
        const QDateTime first(QDate(2026, 12, 1), QTime(9, 0));
        QCOMPARE(history::dateAxisFormat(first, first.addSecs(qint64(hours) * 3600)), format);
        QCOMPARE(history::answeredAxisTop(most), top);
    }

    // A card is its deck and texts: moved by removals it keeps its history,
    // edited it starts afresh.
    void cardIdentity_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QStringList>("hardest");
        QTest::newRow("moved") << "Japan" << "Tokyo" << QStringList{"Japan|Tokyo|0|2"};
        QTest::newRow("answer edited") << "Japan" << "Tokio" << QStringList{"Japan|Tokio|0|1", "Japan|Tokyo|0|1"};
        QTest::newRow("question edited") << "Nippon" << "Tokyo" << QStringList{"Nippon|Tokyo|0|1", "Japan|Tokyo|0|1"};
        QTest::newRow("answer emptied") << "Japan" << QString() << QStringList{"Japan||0|1", "Japan|Tokyo|0|1"};
    }
    void cardIdentity()
    {
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QStringList, hardest);
        QTemporaryDir data;
        HistoryStore store(data.path());
        const QString deck = data.filePath("Capitals.xls");
        const QDateTime t(QDate(2026, 12, 1), QTime(9, 0));
        store.recordAnswer(store.startRun(deck, "Capitals", "", t), "Japan", "Tokyo", false, Mode::Reveal, t);
        store.recordAnswer(store.startRun(deck, "Capitals", "", t), question, answer, false, Mode::Reveal,
                           t.addDays(1));
        QStringList rows;
        for (const history::CardSummary &c : store.read(deck).hardest)
            rows << history::cardRow(c).mid(0, 4).join('|');
        QCOMPARE(rows, hardest);
    }

    // A program killed in the middle of a run leaves a database that opens
    // as it is and holds every answer given before the kill.
    void killedInTheMiddleOfARun()
    {
        QTemporaryDir data;
        const QString deck = data.filePath("Capitals.xls");
        int given = -1;
        const Child child = spawn([&](int fd) {
            HistoryStore store(data.path());
            const qint64 run = store.startRun(deck, "Capitals", "", QDateTime::currentDateTime());
            for (int i = 0;; ++i) {
                store.recordAnswer(run, QStringLiteral("Q%1").arg(i % 7), "A", i % 3 != 0, Mode::Reveal,
                                   QDateTime::currentDateTime());
                if (store.queued() == 0 && write(fd, &i, sizeof i) != sizeof i)
                    return 1;
            }
        });
        for (int i = 0; read(child.out, &i, sizeof i) == sizeof i && i < 300;)
            given = i;
        kill(child.pid, SIGKILL);
        QCOMPARE(waitFor(child), -SIGKILL);
        QVERIFY(given >= 299);
        HistoryStore store(data.path());
        const history::DeckHistory h = store.read(deck);
        QCOMPARE(store.takeNotice(), QString());
        QCOMPARE(h.runs.size(), 1);
        QVERIFY2(h.runs[0].answered >= given + 1, qPrintable(QString::number(h.runs[0].answered)));
        QCOMPARE(rowsOf(data.path(), "SELECT COUNT(*) FROM answers"), QStringList{QString::number(h.runs[0].answered)});
        QCOMPARE(rowsOf(data.path(), "PRAGMA integrity_check"), QStringList{"ok"});
    }

    // A damaged file is set aside under a dated name and a fresh history is
    // started; a data folder that cannot be made (its path runs through a
    // file) turns the history off. Either way the user is told once, and the
    // run goes on and ends.
    void faultsToldOnce_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("random bytes") << "random" << "set aside";
        QTest::newRow("truncated") << "truncated" << "set aside";
        QTest::newRow("newer user_version") << "newer" << "set aside";
        QTest::newRow("tables unlike its version's") << "tables" << "set aside";
        QTest::newRow("folder cannot be made") << "folder" << "cannot be kept";
    }
    void faultsToldOnce()
    {
        QFETCH(QString, fault);
        QFETCH(QString, message);
        QTemporaryDir data;
        const QString file = data.filePath("history.sqlite");
        {
            HistoryStore store(data.path());
            const QDateTime t = QDateTime::currentDateTime();
            const qint64 run = store.startRun(data.filePath("Old.xls"), "Old", "", t);
            for (int i = 0; i < 400; ++i)
                store.recordAnswer(run, QStringLiteral("Question %1 ").arg(i).repeated(8), "A", false, Mode::Reveal, t);
        }
        QFile f(fault == "folder" ? data.filePath("file") : file);
        QVERIFY(f.open(QIODevice::ReadWrite));
        if (fault == "random") {
            QByteArray noise(int(f.size()), '\0');
            for (char &c : noise)
                c = char(QRandomGenerator::global()->bounded(256));
            f.write(noise);
        } else if (fault == "truncated") {
            QVERIFY(f.size() > 8 * 4096);
            f.resize(f.size() / 2);
        } else if (fault != "folder") {
            rowsOf(data.path(), fault == "newer" ? "PRAGMA user_version = 2" : "ALTER TABLE cards RENAME TO old_cards");
        }
        f.close();

        Window s(fault == "folder" ? data.filePath("file/history") : data.path());
        openDeck(*s.w, s.deck());
        auto told = answerMessageBox();
        QTRY_VERIFY(told->shown);
        QVERIFY2(told->text.contains(message), qPrintable(told->text));
        auto again = answerMessageBox(std::make_shared<Message>(), 300);
        for (int i = 0; i < 3; ++i) {
            s.key(Qt::Key_Space);
            s.key(Qt::Key_R);
        }
        click(s.w->cmdEnd);
        QTest::qWait(400);
        QVERIFY(!again->shown);
        QCOMPARE(s.w->lblCardsAnswered->text(), "3");
        QCOMPARE(s.w->History->isOff(), fault == "folder");
        if (fault != "folder") {
            const QStringList aside = QDir(data.path()).entryList({"history.sqlite.damaged-*"});
            QCOMPARE(aside.size(), 1);
            QVERIFY(QRegularExpression("^history\\.sqlite\\.damaged-\\d{8}-\\d{6}$").match(aside[0]).hasMatch());
            QCOMPARE(rowsOf(data.path(), "SELECT answered, ended IS NOT NULL FROM runs"), QStringList{"3|1"});
        }
    }

    // Two windows on one database record their runs side by side, and each
    // shows both.
    void twoWindowsOnOneDatabase()
    {
        QTemporaryDir data;
        Window a(data.path()), b(data.path());
        QFile::remove(b.deck());
        QVERIFY(QFile::link(a.deck(), b.deck()));  // one deck, known by its canonical path
        openDeck(*a.w, a.deck());
        openDeck(*b.w, b.deck());
        for (int i = 0; i < 4; ++i)
            for (Window *s : {&a, &b}) {
                s->w->cmdAns_Click();
                (i % 2 ? s->w->cmdWrong_Click() : s->w->cmdRight_Click());
            }
        click(a.w->cmdEnd);
        click(b.w->cmdEnd);
        click(b.w->cmdHistory);
        QCOMPARE(b.table("tblRuns").size(), 2);
        QCOMPARE(rowsOf(data.path(), "SELECT answered, right FROM runs"), (QStringList{"4|2", "4|2"}));
        QCOMPARE(rowsOf(data.path(), "SELECT COUNT(*) FROM decks"), QStringList{"1"});
    }

    // Another program holding the database: the answer waits in the queue
    // and goes with the next one.
    void lockedDatabaseQueues()
    {
        QTemporaryDir data;
        HistoryStore store(data.path());
        const QString deck = data.filePath("D.xls");
        const qint64 run = store.startRun(deck, "D", "", QDateTime::currentDateTime());
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(store.filePath());
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec("BEGIN IMMEDIATE"));
            store.recordAnswer(run, "q1", "a1", true, Mode::Reveal, QDateTime::currentDateTime());
            QCOMPARE(store.queued(), 1);
            QVERIFY(hold.exec("COMMIT"));
        }
        QSqlDatabase::removeDatabase("other");
        store.recordAnswer(run, "q2", "a2", false, Mode::Reveal, QDateTime::currentDateTime());
        QCOMPARE(store.queued(), 0);
        QCOMPARE(rowsOf(data.path(), kAnswersSql), (QStringList{"q1|a1|1|0", "q2|a2|0|0"}));
    }

    // A disk that fills up in the middle of a run (a file-size limit the
    // kernel enforces) turns the history off with one notice.
    void fullDiskTurnsHistoryOff()
    {
        QTemporaryDir data;
        const int status = waitFor(spawn([&](int) {
            const FileSizeLimit limit(256 * 1024);
            HistoryStore store(data.path());
            const qint64 run = store.startRun(data.filePath("D.xls"), "D", "", QDateTime::currentDateTime());
            if (run == 0)
                return 2;
            int notices = 0;
            for (int i = 0; i < 5000; ++i) {
                store.recordAnswer(run, QString::number(i).repeated(200), "A", true, Mode::Reveal,
                                   QDateTime::currentDateTime());
                notices += store.takeNotice().isEmpty() ? 0 : 1;
            }
            return store.isOff() && notices == 1 ? 0 : 3;
        }));
        QCOMPARE(status, 0);
        // What was written before the disk filled stays readable.
        QCOMPARE(rowsOf(data.path(), "PRAGMA integrity_check"), QStringList{"ok"});
    }
};

QTEST_MAIN(TestHistory)
#include "tst_history.moc"
