// The rules of a run that need no window: the card queue, the neighbour
// numbers, the verdict on a choice, the option coupling, picture paths, and
// the statistics texts.

#include "base/Trap.h"
#include "options/StudyOptions.h"
#include "stats/StatsText.h"
#include "study/CardQueue.h"
#include "study/Choices.h"

#include <QTest>

class TestLogic : public QObject {
    Q_OBJECT

private slots:
    void reinsertionPlace_data()
    {
        QTest::addColumn<int>("cards");
        QTest::addColumn<int>("place");
        const int table[][2] = {{1, 0}, {2, 1}, {3, 1}, {4, 2}, {5, 2}, {6, 2}, {7, 3},
                                {8, 3}, {9, 4}, {10, 4}, {11, 4}, {12, 5}, {20, 8}, {32000, 12800}};
        for (const auto &row : table)
            QTest::addRow("%d cards", row[0]) << row[0] << row[1];
    }
    void reinsertionPlace()
    {
        QFETCH(int, cards);
        QFETCH(int, place);
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
        QTest::newRow("2, right") << QVector<qint16>{1, 0} << false << QVector<qint16>{0, 1};
        QTest::newRow("1, wrong") << QVector<qint16>{0} << true << QVector<qint16>{0};
        QTest::newRow("1, right") << QVector<qint16>{0} << false << QVector<qint16>{0};
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

    void queueKeepsEveryCardOnce()
    {
        QVector<qint16> queue(13 + 1);
        study::setUpQueue(queue, 13);
        for (int i = 0; i < 500; ++i) {
            study::advanceQueue(queue, 13, i % 3 == 0);
            QVector<qint16> sorted = queue.mid(0, 13);
            std::sort(sorted.begin(), sorted.end());
            for (int k = 0; k < 13; ++k)
                QCOMPARE(sorted[k], qint16(k));
        }
    }

    void remainderKeepsTheDividendsSign()
    {
        QCOMPARE(study::remainder(10 - 2 + 0, 10), 8);
        QCOMPARE(study::remainder(1 - 2 + 0, 1), -1 % 1);
        QCOMPARE(study::remainder(-1, 1), 0);
        QVERIFY_THROWS_EXCEPTION(StepFailed, study::remainder(3, 0));
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

    void judgeChoice_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<bool>("right");  // against "Paris"
        QTest::newRow("same text") << "Paris" << true;
        QTest::newRow("other text") << "Rome" << false;
        QTest::newRow("case differs") << "paris" << false;
        QTest::newRow("trailing space") << "Paris " << false;
    }
    void judgeChoice()
    {
        QFETCH(QString, chosen);
        QFETCH(bool, right);
        const study::Verdict v = study::judgeChoice(chosen, "Paris");
        QCOMPARE(v.right, right);
        QCOMPARE(v.caption, right ? QStringLiteral("Right") : QStringLiteral("Wrong"));
        QCOMPARE(v.colour, right ? 65280 : 255);
    }

    // Records are written "ChoiceMode first order FontSize timer"; picks
    // by their button's caption letter.
    void optionCoupling_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("picks");
        QTest::addColumn<QString>("record");
        QTest::addColumn<QString>("leaving");  // FontSize once the view is left
        QTest::newRow("4 while answer first") << "0 A V D T" << "4" << "4 Q V S T" << "S";
        QTest::newRow("answer while 2") << "2 Q R S T" << "A" << "0 A R S T" << "S";
        QTest::newRow("large while 2") << "2 Q V S T" << "L" << "0 Q V S T" << "L";
        QTest::newRow("default while 4") << "4 Q V S -" << "D" << "0 Q V S -" << "D";
        QTest::newRow("large, no choices") << "0 Q V D T" << "L" << "0 Q V L T" << "L";
        QTest::newRow("sort, timer") << "0 Q V D T" << "R V - T Q" << "0 Q V D T" << "D";
    }
    void optionCoupling()
    {
        QFETCH(QString, start);
        QFETCH(QString, picks);
        QFETCH(QString, record);
        QFETCH(QString, leaving);
        using options::Pick;
        const QHash<QString, Pick> pickOf{
            {"0", Pick::ChoicesOff}, {"2", Pick::TwoChoices}, {"4", Pick::FourChoices}, {"Q", Pick::QuestionFirst},
            {"A", Pick::AnswerFirst}, {"S", Pick::SmallFont}, {"D", Pick::DefaultFont}, {"L", Pick::LargeFont},
            {"V", Pick::VovivIzOrder}, {"R", Pick::RandomOrder}, {"T", Pick::TimerOn}, {"-", Pick::TimerOff}};
        const QStringList f = start.split(' ');
        options::Record r{f[0], f[2] == "R", f[1] == "A", f[3], f[4] == "T"};
        options::Font font = options::fontOf(r.FontSize);
        for (const QString &p : picks.split(' ')) {
            r = options::choose(r, pickOf.value(p));
            if (options::fontOf(p) != options::Font::Unset)
                font = options::fontOf(p);
        }
        QCOMPARE(QStringList({r.ChoiceMode, r.ShowAnswerFirst ? "A" : "Q", r.SortMode ? "R" : "V", r.FontSize,
                              r.TimerOn ? "T" : "-"}).join(' '), record);
        QCOMPARE(options::fontOnLeaving(r, font), leaving);
    }

    void fontPoints()
    {
        // 4, 13 and 16 points asked; 4 drawn at 11 pixels on any screen.
        QCOMPARE(options::requestedPoints(options::fontOf("S")), 4.0);
        QCOMPARE(options::requestedPoints(options::fontOf("D")), 13.0);
        QCOMPARE(options::requestedPoints(options::fontOf("L")), 16.0);
        QVERIFY(!options::requestedPoints(options::fontOf("")));
        QCOMPARE(options::renderedPoints(4, 96), 8.25);
        QCOMPARE(options::renderedPoints(4, 192), 4.125);
        QCOMPARE(options::renderedPoints(13, 96), 13.0);
    }

    void picturePath_data()
    {
        QTest::addColumn<QString>("question");
        QTest::addColumn<bool>("picture");
        QTest::addColumn<QString>("path");
        QTest::newRow("plain text") << "France" << false << QString();
        QTest::newRow("images folder") << "\\Images\\cat.jpg" << true << "/opt/mnemora/Images/cat.jpg";
        QTest::newRow("no leading backslash") << "a\\b" << true << "/opt/mnemoraa/b";
        QTest::newRow("absolute") << "C:\\Pictures\\cat.jpg" << true << "C:\\Pictures\\cat.jpg";
    }
    void picturePath()
    {
        QFETCH(QString, question);
        QFETCH(bool, picture);
        QFETCH(QString, path);
        QCOMPARE(study::isPictureReference(question), picture);
        if (picture)
            QCOMPARE(study::picturePath("/opt/mnemora", question), path);
    }

    void roundHalfEven_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<long long>("rounded");
        QTest::newRow("12.5") << 12.5 << 12LL;
        QTest::newRow("87.5") << 87.5 << 88LL;
        QTest::newRow("37.5") << 37.5 << 38LL;
        QTest::newRow("33.33") << 100.0 / 3 << 33LL;
        QTest::newRow("66.67") << 200.0 / 3 << 67LL;
        QTest::newRow("0.5") << 0.5 << 0LL;
        QTest::newRow("99.5") << 99.5 << 100LL;
    }
    void roundHalfEven()
    {
        QFETCH(double, value);
        QFETCH(long long, rounded);
        QCOMPARE(stats::roundHalfEven(value), rounded);
    }

    void sessionTimeText_data()
    {
        QTest::addColumn<QTime>("start");
        QTest::addColumn<QTime>("end");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << QTime(9, 0, 0) << QTime(9, 0, 0) << "00:00:00";
        QTest::newRow("5 min 7 s") << QTime(9, 0, 0) << QTime(9, 5, 7) << "00:05:07";
        QTest::newRow("65 s") << QTime(9, 0, 0) << QTime(9, 1, 5) << "00:01:05";
        QTest::newRow("12:30:45") << QTime(0, 0, 0) << QTime(12, 30, 45) << "12:30:45";
        QTest::newRow("10 h") << QTime(8, 0, 0) << QTime(18, 0, 0) << "10:00:00";
        QTest::newRow("across midnight") << QTime(23, 0, 0) << QTime(1, 2, 3) << "02:02:03";
        QTest::newRow("longest") << QTime(0, 0, 1) << QTime(0, 0, 0) << "23:59:59";
    }
    void sessionTimeText()
    {
        QFETCH(QTime, start);
        QFETCH(QTime, end);
        QFETCH(QString, text);
        QCOMPARE(stats::sessionTimeText(start, end), text);
    }
};

QTEST_MAIN(TestLogic)
#include "tst_logic.moc"
