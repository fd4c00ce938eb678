// The rules of a run that need no window: the card queue, the neighbour
// numbers, the verdict on a choice, and the session time across midnight;
// the options' coupling and font sizes, the statistics' shares, the names
// of deck files and the files of picture questions.

#include "base/Trap.h"
#include "decks/DeckPaths.h"
#include "options/StudyOptions.h"
#include "stats/StatsText.h"
#include "study/CardQueue.h"
#include "study/Choices.h"

#include <QTest>

namespace {

// A study options record written as the window tests write it:
// "choices first order font timer", e.g. "4 Q V S T" (answer first A,
// random order R, timer off -).
options::Record record(const QString &text)
{
    const QStringList f = text.split(' ');
    return {f[0], f[2] == "R", f[1] == "A", f[3], f[4] == "T"};
}

}  // namespace

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
    // What one pick makes of the record; the window follows it
    // (tst_study's optionCoupling).
    void chooseOption_data()
    {
        using options::Pick;
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("pick");
        QTest::addColumn<QString>("after");
        const auto row = [](const char *name, const char *before, Pick pick, const char *after) {
            QTest::newRow(name) << before << int(pick) << after;
        };
        row("two choices: question first, small", "0 A V L T", Pick::TwoChoices, "2 Q V S T");
        row("four choices", "2 Q R D -", Pick::FourChoices, "4 Q R S -");
        row("choices off", "4 Q V S T", Pick::ChoicesOff, "0 Q V S T");
        row("answer first ends choices", "2 Q V S T", Pick::AnswerFirst, "0 A V S T");
        row("question first", "0 A V D T", Pick::QuestionFirst, "0 Q V D T");
        row("large while choices waits as small", "2 Q V S T", Pick::LargeFont, "0 Q V S T");
        row("default while choices waits as small", "4 Q V S T", Pick::DefaultFont, "0 Q V S T");
        row("large without choices", "0 Q V D T", Pick::LargeFont, "0 Q V L T");
        row("small", "0 Q V L T", Pick::SmallFont, "0 Q V S T");
        row("random order", "0 Q V D T", Pick::RandomOrder, "0 Q R D T");
        row("VovivIz order", "0 Q R D T", Pick::VovivIzOrder, "0 Q V D T");
        row("timer off", "0 Q V D T", Pick::TimerOff, "0 Q V D -");
        row("timer on", "0 Q V D -", Pick::TimerOn, "0 Q V D T");
    }
    void chooseOption()
    {
        QFETCH(QString, before);
        QFETCH(int, pick);
        QFETCH(QString, after);
        QCOMPARE(options::choose(record(before), options::Pick(pick)), record(after));
    }

    // Leaving the options view keeps the selected font only without choices.
    void fontOnLeaving()
    {
        using options::Font;
        QCOMPARE(options::fontOnLeaving(record("0 Q V S T"), Font::Large), QString("L"));
        QCOMPARE(options::fontOnLeaving(record("0 Q V D T"), Font::Unset), QString("D"));
        QCOMPARE(options::fontOnLeaving(record("2 Q V S T"), Font::Large), QString("S"));
        QCOMPARE(options::fontOnLeaving(record("? Q V S T"), Font::Large), QString("S"));  // before start-up
    }

    // The legible floor is 11 pixels: 8.25 points at 96 DPI, half that at
    // 192.
    void renderedPoints_data()
    {
        QTest::addColumn<double>("requested");
        QTest::addColumn<double>("dpi");
        QTest::addColumn<double>("points");
        QTest::newRow("small at 96") << 4.0 << 96.0 << 8.25;
        QTest::newRow("small at 192") << 4.0 << 192.0 << 4.125;
        QTest::newRow("small at 72") << 4.0 << 72.0 << 11.0;
        QTest::newRow("default at 96") << 13.0 << 96.0 << 13.0;
        QTest::newRow("no DPI known") << 4.0 << 0.0 << 4.0;
    }
    void renderedPoints()
    {
        QFETCH(double, requested);
        QFETCH(double, dpi);
        QFETCH(double, points);
        QCOMPARE(options::renderedPoints(requested, dpi), points);
    }

    void percentOf_data()
    {
        QTest::addColumn<int>("part");
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("percent");  // -1: none
        QTest::newRow("nothing answered") << 0 << 0 << -1;
        QTest::newRow("half down to even") << 1 << 8 << 12;
        QTest::newRow("half up to even") << 3 << 8 << 38;
        QTest::newRow("a third") << 1 << 3 << 33;
        QTest::newRow("two thirds") << 2 << 3 << 67;
        QTest::newRow("all") << 32767 << 32767 << 100;
        QTest::newRow("none right") << 0 << 65534 << 0;
    }
    void percentOf()
    {
        QFETCH(int, part);
        QFETCH(int, total);
        QFETCH(int, percent);
        const std::optional<long long> p = stats::percentOf(part, total);
        QCOMPARE(p ? int(*p) : -1, percent);
    }

    void isDeckFileName_data()
    {
        QTest::addColumn<QString>("deck");
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("is");
        QTest::newRow(".xls") << "Capitals" << "Capitals.xls" << true;
        QTest::newRow(".xlsx") << "Capitals" << "Capitals.xlsx" << true;
        QTest::newRow(".ods") << "Capitals" << "Capitals.ods" << true;
        QTest::newRow("upper-case extension") << "Capitals" << "Capitals.XLS" << false;
        QTest::newRow("another extension") << "Capitals" << "Capitals.csv" << false;
        QTest::newRow("more after it") << "Capitals" << "Capitals.xls.bak" << false;
        QTest::newRow("another name") << "Capitals" << "capitals.xls" << false;
        QTest::newRow("empty name") << "" << ".xls" << false;
    }
    void isDeckFileName()
    {
        QFETCH(QString, deck);
        QFETCH(QString, file);
        QFETCH(bool, is);
        QCOMPARE(decks::isDeckFileName(deck, file), is);
    }

    void picturePath_data()
    {
        QTest::addColumn<QString>("reference");
        QTest::addColumn<QString>("path");
        QTest::newRow("under the program folder") << "\\Images\\circle.jpg" << "/opt/mnemora/Images/circle.jpg";
        QTest::newRow("deeper") << "\\Images\\maps\\peru.png" << "/opt/mnemora/Images/maps/peru.png";
        QTest::newRow("a full path as it stands") << "Z:\\pic.jpg" << "Z:\\pic.jpg";
    }
    void picturePath()
    {
        QFETCH(QString, reference);
        QFETCH(QString, path);
        QCOMPARE(study::picturePath("/opt/mnemora", reference), path);
    }
};

QTEST_MAIN(TestLogic)
#include "tst_logic.moc"
