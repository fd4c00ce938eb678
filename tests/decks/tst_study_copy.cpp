// The study copy text: escaping, the characters XML cannot hold, the row
// rules and the 16-bit limit; and .xlsx and .ods decks: the study copy of
// every deck written by LibreOffice, gnumeric and openpyxl is byte for byte
// that of the .xls deck with the same cards; damaged and hostile files are
// refused or give the cards they hold; such decks are never opened for
// editing. (The exact documents of the sample workbooks are checked through
// the window, which writes them.)

#include "DeckTestSupport.h"

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/xls/BiffWriter.h"
#include "decks/zip/ZipArchive.h"

#include <QtTest>

using namespace decktest;
using decks::DeckConnection;
using decks::DeckError;
using Mode = DeckConnection::Mode;
using deckzip::testing::zipOf;

namespace {

using Rows = QList<QPair<QVariant, QVariant>>;

// The study copy text of a deck's bytes; throws DeckError as opening does.
QString studyCopyOf(const QByteArray &bytes)
{
    DeckConnection c;
    c.OpenData(bytes, Mode::ReadOnly);
    decks::DeckRecordset rs;
    rs.Open(c);
    return decks::buildStudyCopyText(rs);
}

// That of a deck whose Sheet1 holds the rows.
QString studyCopyOf(const Rows &rows) { return studyCopyOf(xls::writeWorkbookFile(xls::deckWorkbook(rows))); }

QString cards(const QString &inner) { return decks::kStudyCopyDeclaration + "<Root>" + inner + "</Root>"; }
QString card(const QString &q, const QString &a) { return "<Card><Que>" + q + "</Que><Ans>" + a + "</Ans></Card>"; }

// Sets every size field of an archive's one entry to `size`, as a file that
// lies about what its entry inflates to.
QByteArray lyingAboutSize(QByteArray zip, quint32 size)
{
    for (auto [signature, offset] : {std::pair{QByteArray("PK\x03\x04"), 22}, std::pair{QByteArray("PK\x01\x02"), 24}})
        zip.replace(zip.indexOf(signature) + offset, 4, le32(size));
    return zip;
}

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>";

QByteArray xlsx(const QByteArray &rows, const QByteArray &strings = "<si><t>q</t></si><si><t>a</t></si>",
                bool withRels = true)
{
    QList<QPair<QString, QByteArray>> parts{
        {"xl/workbook.xml",
         kXmlHead + "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>"
                    "<sheet name=\"Notes\" sheetId=\"1\" r:id=\"rId9\"/>"
                    "<sheet name=\"SHEET1\" sheetId=\"2\" r:id=\"rId1\"/></sheets></workbook>"},
        {"xl/sharedStrings.xml", kXmlHead + "<sst>" + strings + "</sst>"},
        {"xl/worksheets/sheet1.xml", kXmlHead + "<worksheet><sheetData>" + rows + "</sheetData></worksheet>"}};
    if (withRels)
        parts.append({"xl/_rels/workbook.xml.rels",
                      kXmlHead + "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                                 "<Relationship Id=\"rId2\" Type=\"x/sharedStrings\" Target=\"/xl/sharedStrings.xml\"/>"
                                 "</Relationships>"});
    return zipOf(parts);
}

QByteArray ods(const QByteArray &rows, const QByteArray &head = kXmlHead)
{
    return zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                  {"content.xml",
                   head + "<office:document-content xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
                          "xmlns:table=\"urn:oasis:names:tc:opendocument:xmlns:table:1.0\" "
                          "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\"><office:body>"
                          "<office:spreadsheet><table:table table:name=\"Sheet1\">" +
                       rows + "</table:table></office:spreadsheet></office:body></office:document-content>"}});
}

const QByteArray kCard = "<row><c t=\"s\"><v>0</v></c><c t=\"s\"><v>1</v></c></row>";
QByteArray odsCard(const QByteArray &repeat = "1", const QByteArray &text = "q")
{
    return "<table:table-row table:number-rows-repeated=\"" + repeat +
           "\"><table:table-cell office:value-type=\"string\"><text:p>" + text + "</text:p></table:table-cell>"
           "<table:table-cell office:value-type=\"float\" office:value=\"2\"/></table:table-row>";
}

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
        row("markup", "say \"hi\" <b> &lt;", "say hi &lt;b&gt; &amp;lt;", "say &quot;hi&quot; &lt;b&gt; &amp;lt;");
        row("dashes and apostrophe", QString::fromUtf8("1–2 it's a—b"), QString::fromUtf8("1-2 it's a—b"),
            QString::fromUtf8("1-2 it's a—b"));
        // Without an answer given, the text without the characters XML cannot
        // hold is the question, the answer and removeNonXmlCharacters' result.
        row("tab, line feed, return, C1 kept", QString("a\tb\nc\rd") + QChar(0x85), QString("a\tb\nc\rd") + QChar(0x85));
        row("controls and noncharacters removed",
            QString("a") + QChar(0) + QChar(1) + "b" + QChar(0x1F) + QChar(0xFFFE) + QChar(0xFFFF) + "c", "abc");
        // Lone halves in the middle, at the end, high and low.
        row("lone surrogate halves removed, pairs kept",
            QString::fromUtf8("🙂a") + QChar(0xD83D) + "b" + QChar(0xDE42) + "c" + QChar(0xD83D), QString::fromUtf8("🙂abc"));
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
        // Numbers in their usual text form (numberText): 15 significant digits,
        // the exponent form from 1E+15 and below 0.0001, no negative zero, no
        // binary noise.
        QTest::newRow("numbers are text")
            << Rows{{7.0, 49.0}, {0.5, 1e20}, {-0.25, -0.0}, {123456789012345.0, 1234567890123456.0}, {1e15, 0.1 + 0.2},
                    {0.0001, 0.00001}}
            << cards(card("7", "49") + card("0.5", "1E+20") + card("-0.25", "0") +
                     card("123456789012345", "1.23456789012346E+15") + card("1E+15", "0.3") + card("0.0001", "1E-05"));
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

    void sameStudyCopyAsTheXlsDeck_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("xlsDeck");
        const QList<QPair<QString, QString>> decks{{"rich", "rich-libreoffice"}, {"tricky", "tricky-xlwt"},
                                                   {"mixed", "mixed-libreoffice"}, {"sheet1-second", "sheet1-not-first-xlwt"}};
        for (const auto &[shortName, xlsDeck] : decks)
            for (const char *copy : {"-soffice.xlsx", "-soffice.ods", "-ssconvert.xlsx", "-ssconvert.ods", "-openpyxl.xlsx"})
                QTest::newRow(qPrintable(shortName + copy)) << shortName + copy << xlsDeck;
    }
    void sameStudyCopyAsTheXlsDeck()
    {
        QFETCH(QString, file);
        QFETCH(QString, xlsDeck);
        // The .xls deck gives the same study copy, as tst_deckfiles checks.
        // Such decks are refused by the store for editing (the editor's own
        // refusal is tested with the editor).
        DeckConnection c;
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Open(dataPath(file), Mode::Edit));
        QVERIFY(!c.IsOpen());
        QCOMPARE(studyCopyOf(readFile(dataPath(file))).toUtf8() + "\r\n", readFile(dataPath("expected/" + xlsDeck + ".xml")));
    }

    void hostileFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("cards");  // -1: refused as no deck
        QTest::addColumn<QString>("card");  // the study copy's last card
        const QByteArray bigSheet = "<row r=\"1\">" + QByteArray(65 << 20, ' ') + "</row>";
        const auto refused = [](const char *name, const QByteArray &bytes) { QTest::newRow(name) << bytes << -1 << QString(); };
        QTest::newRow("xlsx inline string, bool, error")
            << xlsx("<row><c t=\"inlineStr\"><is><r><t>in</t></r><r><t>line</t></r></is></c><c t=\"b\"><v>1</v></c></row>"
                    "<row><c t=\"e\"><v>#N/A</v></c><c><v>1</v></c></row><row><c t=\"str\"><v>f_x0009_</v></c><c><v>0.5</v></c></row>")
            << 2 << "<Que>f\t</Que><Ans>0.5</Ans>";
        refused("xlsx sheet past the cap", xlsx(bigSheet));
        refused("xlsx sheet lying about its size", lyingAboutSize(zipOf({{"xl/workbook.xml", QByteArray(20 << 20, ' ')}}), 100));
        refused("xlsx shared strings past the cap", xlsx(kCard, "<si><t>" + QByteArray(17 << 20, 'x') + "</t></si>"));
        refused("xlsx shared string not there", xlsx("<row><c t=\"s\"><v>2</v></c><c t=\"s\"><v>1</v></c></row>"));
        refused("xlsx negative shared string", xlsx("<row><c t=\"s\"><v>-1</v></c></row>"));
        refused("xlsx rows out of order", xlsx("<row r=\"3\"/><row r=\"2\"/>"));
        refused("xlsx cells out of order", xlsx("<row r=\"1\"><c r=\"B1\"/><c r=\"A1\"/></row>"));
        refused("xlsx cell in another row", xlsx("<row r=\"1\"><c r=\"A2\"/></row>"));
        QTest::newRow("xlsx rows past the row limit")
            << xlsx(kCard + "<row r=\"65537\">" + kCard.mid(5)) << 1 << "<Que>q</Que><Ans>a</Ans>";
        refused("xlsx entity expansion",
                xlsx(kCard, "<!DOCTYPE sst [<!ENTITY a \"aaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><si><t>&b;</t></si>"));
        refused("xlsx not well-formed", xlsx("<row><c></row>"));
        refused("xlsx without relationships", xlsx(kCard, "<si/>", false));
        refused("zip of neither kind", zipOf({{"a.txt", "a"}}));
        QTest::newRow("ods plain")
            << ods(odsCard() + odsCard("2", "a<text:s text:c=\"2\"/>b<text:tab/>c<text:line-break/>d<text:span>e</text:span>"))
            << 3 << "<Que>a  b\tc\nde</Que><Ans>2</Ans>";
        QTest::newRow("ods blank rows repeated to the end")
            << ods(odsCard() + "<table:table-row table:number-rows-repeated=\"1048575\"><table:table-cell "
                               "table:number-columns-repeated=\"16384\"/></table:table-row>")
            << 1 << "";
        refused("ods card repeated past the limit", ods(odsCard("2000000000")));
        refused("ods long text repeated into gigabytes", ods(odsCard("30000", QByteArray("<text:s text:c=\"32767\"/>").repeated(2))));
        refused("xlsx long shared string used in every row",
                xlsx(kCard.repeated(30000), "<si><t>" + QByteArray(8 << 10, 'q') + "</t></si><si><t>a</t></si>"));
        refused("ods content past the cap", ods(bigSheet));
        refused("ods document type", ods(odsCard(), kXmlHead + "<!DOCTYPE x [<!ENTITY a \"b\">]>"));
        refused("ods nested too deeply", ods("<table:table-row><table:table-cell office:value-type=\"string\"><text:p>" +
                                             QByteArray("<text:span>").repeated(100) + "x" + QByteArray("</text:span>").repeated(100) +
                                             "</text:p></table:table-cell></table:table-row>"));
        refused("ods without content", zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"}}));
    }
    void hostileFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, cards);
        QFETCH(QString, card);
        if (cards < 0) {
            QVERIFY_THROWS_EXCEPTION(DeckError, studyCopyOf(bytes));
            return;
        }
        const QString copy = studyCopyOf(bytes);
        QCOMPARE(copy.count(QStringLiteral("<Card>")), cards);
        QVERIFY2(copy.endsWith(card + "</Card></Root>") || card.isEmpty(), qPrintable(copy));
    }
};

QTEST_GUILESS_MAIN(StudyCopyTest)
#include "tst_study_copy.moc"
