// The rules of a run that need no window: the card queue, the neighbour
// numbers, the verdict on a choice, and the session time across midnight.

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

    // A wrong card of two goes behind the other; a wrong card alone stays.
    // The queue keeps one index more than the deck. Ten cards, right and
    // wrong, are followed through a run by tst_study.
    void advanceQueue()
    {
        QVector<qint16> two{0, 1, 0}, one{0, 0};
        QCOMPARE(study::advanceQueue(two, 2, true), qint16(0));
        QCOMPARE(study::advanceQueue(one, 1, true), qint16(0));
        QCOMPARE(two.mid(0, 2) + one.mid(0, 1), (QVector<qint16>{1, 0, 0}));
        QVERIFY(two.size() == 3 && one.size() == 2);
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

    // Case and spaces count; tst_study follows picture references through
    // the window.
    void exactChoices() { QVERIFY(!study::judgeChoice("paris", "Paris").right && !study::judgeChoice("Paris ", "Paris").right); }

    // Across midnight; tst_study checks the rounding of the shares and the
    // time the statistics view shows.
    void statisticsTexts() { QCOMPARE(stats::sessionTimeText(QTime(0, 0, 1), QTime(0, 0)), QStringLiteral("23:59:59")); }
};

QTEST_MAIN(TestLogic)
#include "tst_logic.moc"
