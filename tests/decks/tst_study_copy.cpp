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

// Answer-only rows, then card rows, then empty rows.
QString studyCopyOfSize(int halfRows, int cardRows, int emptyRows)
{
    Rows rows(halfRows, {QVariant(), "answer only"});
    for (int i = 0; i < cardRows; ++i)
        rows.append({double(i), "a"});
    return studyCopyOf(rows + Rows(emptyRows, {"", QVariant()}));
}

QString cards(const QString &inner) { return decks::kStudyCopyDeclaration + "<Root>" + inner + "</Root>"; }
QString card(const QString &q, const QString &a) { return "<Card><Que>" + q + "</Que><Ans>" + a + "</Ans></Card>"; }

}  // namespace

class StudyCopyTest : public QObject {
    Q_OBJECT

private slots:
    void escaping_data();
    void escaping();
    void charactersXmlCannotHold_data();
    void charactersXmlCannotHold();
    void rowRules_data();
    void rowRules();
    void sixteenBitLimit();
};

void StudyCopyTest::escaping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("answer");
    QTest::newRow("plain") << "Paris" << "Paris" << "Paris";
    QTest::newRow("ampersand") << "a & b" << "a &amp; b" << "a &amp; b";
    QTest::newRow("entity text is escaped once") << "&lt;" << "&amp;lt;" << "&amp;lt;";
    QTest::newRow("quotes") << "say \"hi\"" << "say hi" << "say &quot;hi&quot;";
    QTest::newRow("angle brackets") << "<b>" << "&lt;b&gt;" << "&lt;b&gt;";
    QTest::newRow("en dash") << QString::fromUtf8("1–2") << "1-2" << "1-2";
    QTest::newRow("em dash stays") << QString::fromUtf8("a—b") << QString::fromUtf8("a—b") << QString::fromUtf8("a—b");
    QTest::newRow("apostrophe stays") << "it's" << "it's" << "it's";
    QTest::newRow("all at once") << QString::fromUtf8("\"x\" & <y> – z") << QString::fromUtf8("x &amp; &lt;y&gt; - z")
                                 << QString::fromUtf8("&quot;x&quot; &amp; &lt;y&gt; - z");
    QTest::newRow("case of entities") << "AMP &AMP;" << "AMP &amp;AMP;" << "AMP &amp;AMP;";
}

void StudyCopyTest::escaping()
{
    QFETCH(QString, text);
    QFETCH(QString, question);
    QFETCH(QString, answer);
    QCOMPARE(decks::escapeQuestion(text), question);
    QCOMPARE(decks::escapeAnswer(text), answer);
}

void StudyCopyTest::charactersXmlCannotHold_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("kept");
    QTest::newRow("tab, line feed, return kept") << "a\tb\nc\rd" << "a\tb\nc\rd";
    QTest::newRow("controls removed") << QString("a") + QChar(0) + QChar(1) + "b" + QChar(0x1F) << "ab";
    QTest::newRow("noncharacters removed") << QString("x") + QChar(0xFFFE) + QChar(0xFFFF) + "y" << "xy";
    QTest::newRow("pair kept") << QString::fromUtf8("🙂") << QString::fromUtf8("🙂");
    QTest::newRow("lone high surrogate") << QString("a") + QChar(0xD83D) + "b" << "ab";
    QTest::newRow("lone low surrogate") << QString("a") + QChar(0xDE42) << "a";
    QTest::newRow("high at the end") << QString("a") + QChar(0xD83D) << "a";
    QTest::newRow("C1 allowed") << QString("a") + QChar(0x85) << QString("a") + QChar(0x85);
}

void StudyCopyTest::charactersXmlCannotHold()
{
    QFETCH(QString, text);
    QFETCH(QString, kept);
    QCOMPARE(decks::removeNonXmlCharacters(text), kept);
    QCOMPARE(decks::escapeAnswer(text), kept);
}

void StudyCopyTest::rowRules_data()
{
    QTest::addColumn<Rows>("rows");
    QTest::addColumn<QString>("document");
    const QVariant none;
    QTest::newRow("no rows") << Rows{} << decks::kEmptyStudyCopy;
    QTest::newRow("title only") << Rows{{"Question", "Answer"}} << decks::kEmptyStudyCopy;
    QTest::newRow("only empty rows") << Rows{{none, none}, {"", ""}} << decks::kEmptyStudyCopy;
    QTest::newRow("title words alone make a title row")
        << Rows{{"Question", "x"}, {"y", "Answer"}, {"question", "answer"}} << cards(card("question", "answer"));
    QTest::newRow("half-empty rows are left out")
        << Rows{{"q1", none}, {none, "a2"}, {"q3", ""}, {"q4", "a4"}} << cards(card("q4", "a4"));
    QTest::newRow("empty rows between cards")
        << Rows{{"q1", "a1"}, {none, none}, {none, none}, {none, "x"}, {"q2", "a2"}}
        << cards(card("q1", "a1") + card("q2", "a2"));
    QTest::newRow("numbers are text") << Rows{{7.0, 49.0}, {0.5, 1e20}} << cards(card("7", "49") + card("0.5", "1E+20"));
    QTest::newRow("picture question")
        << Rows{{"\\Images\\cat.jpg", "cat"}} << cards(card("\\Images\\cat.jpg", "cat"));
    QTest::newRow("escaped in both cells")
        << Rows{{"2 < 3 \"x\"", "yes & \"no\""}} << cards(card("2 &lt; 3 x", "yes &amp; &quot;no&quot;"));
}

void StudyCopyTest::rowRules()
{
    QFETCH(Rows, rows);
    QFETCH(QString, document);
    QCOMPARE(studyCopyOf(rows), document);
}

void StudyCopyTest::sixteenBitLimit()
{
    // 32,767 card rows fit; one more overflows the count.
    QCOMPARE(studyCopyOfSize(0, 32767, 3).count("<Card>"), 32767);
    QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOfSize(0, 32768, 0));
    // A half-empty row raises the limit in the building pass, past 32,767.
    QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOfSize(1, 32767, 0));
}

QTEST_GUILESS_MAIN(StudyCopyTest)
#include "tst_study_copy.moc"
