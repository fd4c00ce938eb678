// The rules of a run that need no window: the card queue, the neighbour
// numbers, the verdict on a choice, picture paths, and the statistics texts.

#include "base/Trap.h"
#include "stats/StatsText.h"
#include "study/CardQueue.h"
#include "study/Choices.h"

#include <QTest>

class TestLogic : public QObject {
    Q_OBJECT

private slots:
    void reinsertionPlace()
    {
        const int table[][2] = {{1, 0}, {2, 1}, {3, 1}, {4, 2}, {7, 3}, {8, 3}, {12, 5}, {32000, 12800}};
        for (const auto &[cards, place] : table)
            QCOMPARE(study::reinsertionPlace(cards), place);
    }

    void advanceQueue_data()
    {
        QTest::addColumn<QVector<qint16>>("before");
        QTest::addColumn<bool>("wrong");
        QTest::addColumn<QVector<qint16>>("after");
        QTest::newRow("10, wrong") << QVector<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << true
                                   << QVector<qint16>{1, 2, 3, 4, 0, 5, 6, 7, 8, 9};
        QTest::newRow("10, right") << QVector<qint16>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9} << false
                                   << QVector<qint16>{1, 2, 3, 4, 5, 6, 7, 8, 9, 0};
        QTest::newRow("2, wrong") << QVector<qint16>{0, 1} << true << QVector<qint16>{1, 0};
        QTest::newRow("1, wrong") << QVector<qint16>{0} << true << QVector<qint16>{0};
    }
    void advanceQueue()
    {
        QFETCH(QVector<qint16>, before);
        QFETCH(bool, wrong);
        QFETCH(QVector<qint16>, after);
        const int n = before.size();
        QVector<qint16> queue = before;
        queue.append(0);  // the queue keeps one index more than the deck
        QCOMPARE(study::advanceQueue(queue, n, wrong), before[0]);
        QCOMPARE(queue.size(), n + 1);
        QCOMPARE(queue.mid(0, n), after);
    }

    void choiceCards_data()
    {
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("pos");
        QTest::addColumn<QVector<int>>("expected");  // places 1 to 4; mode "2" takes the first two
        QTest::newRow("1 card") << 1 << 0 << QVector<int>{0, 0, 0, 0};
        QTest::newRow("2 cards, card 0") << 2 << 0 << QVector<int>{0, 1, 1, 0};
        QTest::newRow("3 cards, card 0") << 3 << 0 << QVector<int>{1, 2, 1, 2};
        QTest::newRow("5 cards, card 4") << 5 << 4 << QVector<int>{2, 3, 0, 1};
        QTest::newRow("10 cards, card 9") << 10 << 9 << QVector<int>{7, 8, 0, 1};
    }
    void choiceCards()
    {
        QFETCH(int, cards);
        QFETCH(int, pos);
        QFETCH(QVector<int>, expected);
        QCOMPARE(study::choiceCards(cards, pos, 4), expected);
        QCOMPARE(study::choiceCards(cards, pos, 2), expected.mid(0, 2));
        QVERIFY_THROWS_EXCEPTION(StepFailed, study::choiceCards(0, 0, 2));
    }

    void exactChoicesAndPictureReferences()
    {
        QVERIFY(!study::judgeChoice("paris", "Paris").right);
        QVERIFY(!study::judgeChoice("Paris ", "Paris").right);
        // Any backslash marks a picture, and the reference is appended to the
        // program folder as it stands.
        QVERIFY(study::isPictureReference("a\\b"));
        QCOMPARE(study::picturePath("/opt/mnemora", "a\\b"), QStringLiteral("/opt/mnemoraa/b"));
    }

    void statisticsTexts()
    {
        const double table[][2] = {{12.5, 12}, {37.5, 38}, {100.0 / 3, 33}, {200.0 / 3, 67}, {0.5, 0}, {99.5, 100}};
        for (const auto &[value, rounded] : table)
            QCOMPARE(stats::roundHalfEven(value), qRound64(rounded));
        QCOMPARE(stats::sessionTimeText(QTime(0, 0), QTime(12, 30, 45)), QStringLiteral("12:30:45"));
        QCOMPARE(stats::sessionTimeText(QTime(0, 0, 1), QTime(0, 0)), QStringLiteral("23:59:59"));  // across midnight
    }
};

QTEST_MAIN(TestLogic)
#include "tst_logic.moc"
