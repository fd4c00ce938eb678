// The study copy text: escaping, the characters XML cannot hold, the row
// rules and the 16-bit limit. (The exact documents of the sample workbooks
// are checked through the window, which writes them.)

#include "DeckTestSupport.h"

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/xls/BiffWriter.h"

#include <QtTest>

using namespace decktest;
using decks::DeckConnection;
using decks::DeckError;
using decks::DeckRecordset;

namespace {

using Rows = QList<QPair<QVariant, QVariant>>;

// Opens a read-only deck whose Sheet1 holds the rows and builds its copy.
QString studyCopyOf(const Rows &rows)
{
    DeckConnection c;
    c.OpenData(xls::writeWorkbookFile(xls::deckWorkbook(rows)), DeckConnection::Mode::ReadOnly);
    DeckRecordset rs;
    rs.Open(c);
    return decks::buildStudyCopyText(rs);
}

QString cards(const QString &inner) { return decks::kStudyCopyDeclaration + "<Root>" + inner + "</Root>"; }
QString card(const QString &q, const QString &a) { return "<Card><Que>" + q + "</Que><Ans>" + a + "</Ans></Card>"; }

}  // namespace

class StudyCopyTest : public QObject {
    Q_OBJECT

private slots:
    // Escaping for the question (quotes dropped) and the answer, and the
    // characters XML cannot hold left out of both.
    void escaping_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("question");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("xmlCharacters");
        auto row = [](const char *name, const QString &text, const QString &question, const QString &answer = {}) {
            QTest::newRow(name) << text << question << (answer.isNull() ? question : answer)
                                << (answer.isNull() ? question : text);
        };
        row("ampersand", "a & b", "a &amp; b", "a &amp; b");
        row("entity text is escaped once", "&lt;", "&amp;lt;", "&amp;lt;");
        row("quotes", "say \"hi\"", "say hi", "say &quot;hi&quot;");
        row("angle brackets", "<b>", "&lt;b&gt;", "&lt;b&gt;");
        row("en dash", QString::fromUtf8("1–2"), "1-2", "1-2");
        row("em dash and apostrophe stay", QString::fromUtf8("it's a—b"), QString::fromUtf8("it's a—b"),
            QString::fromUtf8("it's a—b"));
        // Without an answer given, the text without the characters XML cannot
        // hold is the question, the answer and removeNonXmlCharacters' result.
        row("tab, line feed, return kept", "a\tb\nc\rd", "a\tb\nc\rd");
        row("controls removed", QString("a") + QChar(0) + QChar(1) + "b" + QChar(0x1F), "ab");
        row("noncharacters removed", QString("x") + QChar(0xFFFE) + QChar(0xFFFF) + "y", "xy");
        row("pair kept", QString::fromUtf8("🙂"), QString::fromUtf8("🙂"));
        row("lone high surrogate", QString("a") + QChar(0xD83D) + "b", "ab");
        row("lone low surrogate", QString("a") + QChar(0xDE42), "a");
        row("high at the end", QString("a") + QChar(0xD83D), "a");
        row("C1 allowed", QString("a") + QChar(0x85), QString("a") + QChar(0x85));
    }

    void escaping()
    {
        QFETCH(QString, text);
        QFETCH(QString, question);
        QFETCH(QString, answer);
        QFETCH(QString, xmlCharacters);
        QCOMPARE(decks::escapeQuestion(text), question);
        QCOMPARE(decks::escapeAnswer(text), answer);
        QCOMPARE(decks::removeNonXmlCharacters(text), xmlCharacters);
    }

    void rowRules_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("document");
        const QVariant none;
        QTest::newRow("no rows") << Rows{} << decks::kEmptyStudyCopy;
        QTest::newRow("title only") << Rows{{"Question", "Answer"}} << decks::kEmptyStudyCopy;
        QTest::newRow("title words alone make a title row")
            << Rows{{"Question", "x"}, {"y", "Answer"}, {"question", "answer"}} << cards(card("question", "answer"));
        QTest::newRow("half-empty rows are left out")
            << Rows{{"q1", none}, {none, "a2"}, {"q3", ""}, {"q4", "a4"}} << cards(card("q4", "a4"));
        QTest::newRow("empty rows between cards")
            << Rows{{"q1", "a1"}, {none, none}, {none, none}, {none, "x"}, {"q2", "a2"}}
            << cards(card("q1", "a1") + card("q2", "a2"));
        QTest::newRow("numbers are text") << Rows{{7.0, 49.0}, {0.5, 1e20}} << cards(card("7", "49") + card("0.5", "1E+20"));
    }

    void rowRules()
    {
        QFETCH(Rows, rows);
        QFETCH(QString, document);
        QCOMPARE(studyCopyOf(rows), document);
    }

    void sixteenBitLimit()
    {
        // 32,767 card rows fit; one more overflows the count, and so does a
        // half-empty row before them (it counts in the building pass).
        Rows rows;
        for (int i = 0; i < 32767; ++i)
            rows.append({double(i), "a"});
        QCOMPARE(studyCopyOf(rows + Rows(3, {"", QVariant()})).count("<Card>"), 32767);
        QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(Rows{{QVariant(), "answer only"}} + rows));
        QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(rows + Rows{{"q", "a"}}));
        // One long text named in every row of a small workbook.
        QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(Rows(700, {QString(32767, '&'), "a"})));
    }
};

QTEST_GUILESS_MAIN(StudyCopyTest)
#include "tst_study_copy.moc"
