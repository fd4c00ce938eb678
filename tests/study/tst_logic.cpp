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

#include <functional>

using Rule = std::function<QString(const QStringList &)>;
Q_DECLARE_METATYPE(Rule)

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

    // Small rules of one answer each: the rendered font size (the legible
    // floor is 11 pixels: 8.25 points at 96 DPI, half that at 192), the
    // statistics' shares, the names of deck files and the files of picture
    // questions. Each row: the rule, its arguments, what it gives.
    void rules_data()
    {
        QTest::addColumn<Rule>("rule");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("gives");
        const Rule points = [](const QStringList &a) { return QString::number(options::renderedPoints(a[0].toDouble(), a[1].toDouble())); };
        const Rule percent = [](const QStringList &a) {
            const std::optional<long long> p = stats::percentOf(a[0].toInt(), a[1].toInt());
            return p ? QString::number(*p) : QStringLiteral("none");
        };
        const Rule deckFile = [](const QStringList &a) { return QString::number(decks::isDeckFileName(a[0], a[1])); };
        const Rule picture = [](const QStringList &a) { return study::picturePath("/opt/mnemora", a[0]); };
        const auto row = [](const char *name, const Rule &rule, const QStringList &args, const QString &gives) {
            QTest::newRow(name) << rule << args << gives;
        };
        row("small at 96", points, {"4", "96"}, "8.25");
        row("small at 192", points, {"4", "192"}, "4.125");
        row("small at 72", points, {"4", "72"}, "11");
        row("default at 96", points, {"13", "96"}, "13");
        row("no DPI known", points, {"4", "0"}, "4");
        row("nothing answered", percent, {"0", "0"}, "none");
        row("half down to even", percent, {"1", "8"}, "12");
        row("half up to even", percent, {"3", "8"}, "38");
        row("a third", percent, {"1", "3"}, "33");
        row("two thirds", percent, {"2", "3"}, "67");
        row("all", percent, {"32767", "32767"}, "100");
        row("none right", percent, {"0", "65534"}, "0");
        row(".xls", deckFile, {"Capitals", "Capitals.xls"}, "1");
        row(".xlsx", deckFile, {"Capitals", "Capitals.xlsx"}, "1");
        row(".ods", deckFile, {"Capitals", "Capitals.ods"}, "1");
        row("upper-case extension", deckFile, {"Capitals", "Capitals.XLS"}, "0");
        row("another extension", deckFile, {"Capitals", "Capitals.csv"}, "0");
        row("more after it", deckFile, {"Capitals", "Capitals.xls.bak"}, "0");
        row("another name", deckFile, {"Capitals", "capitals.xls"}, "0");
        row("empty name", deckFile, {"", ".xls"}, "0");
        row("picture under the program folder", picture, {"\\Images\\circle.jpg"}, "/opt/mnemora/Images/circle.jpg");
        row("picture deeper", picture, {"\\Images\\maps\\peru.png"}, "/opt/mnemora/Images/maps/peru.png");
        row("picture at a full path as it stands", picture, {"Z:\\pic.jpg"}, "Z:\\pic.jpg");
    }
    void rules()
    {
        QFETCH(Rule, rule);
        QFETCH(QStringList, args);
        QFETCH(QString, gives);
        QCOMPARE(rule(args), gives);
    }
};

QTEST_MAIN(TestLogic)
#include "tst_logic.moc"
