// .xlsx and .ods decks: the study copy of every deck written by LibreOffice,
// gnumeric and openpyxl is byte for byte that of the .xls deck with the same
// cards; damaged and hostile files are refused or give the cards they hold;
// such decks are never opened for editing.

#include "DeckTestSupport.h"

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"

#include "decks/zip/ZipArchive.h"

#include <QtTest>

using namespace decktest;
using Mode = decks::DeckConnection::Mode;
using deckzip::testing::zipOf;

namespace {

// The study copy text of a deck's bytes; throws DeckError as opening does.
QString studyCopyOf(const QByteArray &bytes)
{
    decks::DeckConnection c;
    c.OpenData(bytes, Mode::ReadOnly);
    decks::DeckRecordset rs;
    rs.Open(c);
    return decks::buildStudyCopyText(rs);
}

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

class SheetDecksTest : public QObject {
    Q_OBJECT

private slots:
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
            QVERIFY_THROWS_EXCEPTION(decks::DeckError, studyCopyOf(bytes));
            return;
        }
        const QString copy = studyCopyOf(bytes);
        QCOMPARE(copy.count(QStringLiteral("<Card>")), cards);
        QVERIFY2(copy.endsWith(card + "</Card></Root>") || card.isEmpty(), qPrintable(copy));
    }

    // Refused by the store itself; the editor's own refusal is tested with the editor.
    void neverOpenedForEditing()
    {
        for (const char *file : {"rich-soffice.xlsx", "rich-soffice.ods"}) {
            decks::DeckConnection c;
            QVERIFY_THROWS_EXCEPTION(decks::DeckError, c.Open(dataPath(file), Mode::Edit));
            QVERIFY(!c.IsOpen());
        }
    }
};

QTEST_MAIN(SheetDecksTest)
#include "tst_sheet_decks.moc"
