// The worksheet store: opening, the record set's cursor, reading and writing
// fields, appending rows, and saving. The study copy text built from its
// record set: escaping, the characters XML cannot hold, the row rules and the
// 16-bit limit (the exact documents of the sample .xls workbooks are checked
// through the window, which writes them). And .xlsx and .ods decks: the study
// copy of every deck written by LibreOffice, gnumeric and openpyxl is byte for
// byte that of the .xls deck with the same cards; damaged and hostile files
// are refused or give the cards they hold; such decks are never opened for
// editing.

#include "DeckTestSupport.h"

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"
#include "decks/zip/ZipArchive.h"

#include <QtTest>

using namespace decktest;
using namespace decks;
using Mode = DeckConnection::Mode;
using deckzip::testing::zipOf;

namespace {

// A deck opened with its record set on Sheet1.
struct Opened {
    Opened(const QString &path, Mode mode) { c.Open(path, mode), rs.Open(c); }
    DeckConnection c;
    DeckRecordset rs;
};

using Rows = QList<QPair<QVariant, QVariant>>;

// The study copy text of a deck's bytes; throws DeckError as opening does.
QString studyCopyOf(const QByteArray &bytes)
{
    DeckConnection c;
    c.OpenData(bytes, Mode::ReadOnly);
    DeckRecordset rs;
    rs.Open(c);
    return buildStudyCopyText(rs);
}

// That of a deck whose Sheet1 holds the rows.
QString studyCopyOf(const Rows &rows) { return studyCopyOf(xls::writeWorkbookFile(xls::deckWorkbook(rows))); }

QString cards(const QString &inner) { return kStudyCopyDeclaration + "<Root>" + inner + "</Root>"; }
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

// An .xlsx workbook whose card sheet is the whole part given.
QByteArray xlsxSheet(const QByteArray &sheet)
{
    return zipOf({{"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"},
                  {"xl/_rels/workbook.xml.rels",
                   "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/></Relationships>"},
                  {"xl/worksheets/sheet1.xml", sheet}});
}

// A document type whose entity l9 stands for 10^9 "lol"s, and one that names
// a file outside the workbook, before the root element `root`.
QByteArray laughs(const QByteArray &root)
{
    QByteArray dtd = "<!DOCTYPE " + root + " [<!ENTITY l0 \"lol\">";
    for (int i = 1; i < 10; ++i)
        dtd += "<!ENTITY l" + QByteArray::number(i) + " \"" + ("&l" + QByteArray::number(i - 1) + ";").repeated(10) + "\">";
    return kXmlHead + dtd + "]>";
}
QByteArray outsideEntity(const QByteArray &root)
{
    return kXmlHead + "<!DOCTYPE " + root + " [<!ENTITY l9 SYSTEM \"file:///etc/hostname\">]>";
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

class DecksTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;
    QString copyOf(const QString &fixture)
    {
        const QString path = dir_.filePath(fixture);
        QFile::copy(dataPath(fixture), path);
        QFile(path).setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        return path;
    }

private slots:
    // Opening, closing and the access rules, and the decks that cannot open.
    void openAndAccessRules()
    {
        DeckConnection c;
        const QString path = dataPath("tricky-xlwt.xls");
        c.Open("  " + path + " \t", Mode::ReadOnly);  // the path is taken without blanks
        QCOMPARE(c.Path(), path);
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Open(path, Mode::ReadOnly));  // already open
        DeckRecordset rs;
        rs.Open(c);
        QCOMPARE(rs.RecordCount(), 14);  // the title row is a row
        QCOMPARE(rs.Field(0), QVariant("Question"));
        rs.SetAbsolutePosition(9);  // read-only decks read numbers as text
        QCOMPARE(rs.Field(0), QVariant("42"));
        QCOMPARE(rs.Field(1), QVariant("3.5"));
        rs.SetAbsolutePosition(8);  // both cells empty
        QVERIFY(!rs.Field(0).isValid() && !rs.Field(1).isValid());
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(2));
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(-1));
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.SetField(0, "x"));  // read-only
        QVERIFY_THROWS_EXCEPTION(DeckError, c.AppendRow("q", "a"));
        c.Close();
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(0));  // the connection is gone
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Close());

        // (Damaged files are refused through the window in tst_deckfiles.)
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Open(dataPath("does-not-exist.xls"), Mode::Edit));
        QVERIFY(!c.IsOpen());
        // A workbook without Sheet1 opens, but has no rows to give.
        c.Open(dataPath("no-sheet1-xlwt.xls"), Mode::Edit);
        DeckRecordset none;
        QVERIFY_THROWS_EXCEPTION(DeckError, none.Open(c));
        QVERIFY(!none.IsOpen());
        QVERIFY_THROWS_EXCEPTION(DeckError, c.AppendRow("q", "a"));
    }

    void cursorMoves()
    {
        auto &&[c, rs] = Opened(dataPath("capitals-xlwt.xls"), Mode::ReadOnly);
        QCOMPARE(rs.RecordCount(), 10);
        QCOMPARE(rs.AbsolutePosition(), 1);
        using R = DeckRecordset;
        // Each move and the position it leads to; no move goes past either end.
        for (auto [move, position] : {std::pair{&R::MovePrevious, R::PosBOF}, {&R::MoveNext, 1}, {&R::MoveLast, 10},
                                      {&R::MoveNext, R::PosEOF}, {&R::MovePrevious, 10}, {&R::MoveFirst, 1}}) {
            (rs.*move)();
            QCOMPARE(rs.AbsolutePosition(), position);
            QCOMPARE(rs.BOF(), position == R::PosBOF);
            QCOMPARE(rs.EOF_(), position == R::PosEOF);
            if (position < 0) {
                QVERIFY_THROWS_EXCEPTION(DeckError, (rs.*move)());
                QVERIFY_THROWS_EXCEPTION(DeckError, rs.Field(0));
            }
        }
        rs.SetAbsolutePosition(4);
        for (int position : {0, -1, 11, 40000}) {
            QVERIFY_THROWS_EXCEPTION(DeckError, rs.SetAbsolutePosition(position));
            QCOMPARE(rs.AbsolutePosition(), 4);
        }
        rs.Requery();
        QCOMPARE(rs.AbsolutePosition(), 1);
        rs.Close();
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.RecordCount());
        QVERIFY_THROWS_EXCEPTION(DeckError, rs.Close());
    }

    void emptySheet()
    {
        auto &&[c, rs] = Opened(dataPath("empty-xlwt.xls"), Mode::Edit);
        QCOMPARE(rs.RecordCount(), 0);
        QVERIFY(rs.BOF() && rs.EOF_());
        QCOMPARE(rs.AbsolutePosition(), DeckRecordset::PosUnknown);
        for (auto move : {&DeckRecordset::MoveFirst, &DeckRecordset::MoveLast, &DeckRecordset::MoveNext})
            QVERIFY_THROWS_EXCEPTION(DeckError, (rs.*move)());
        c.AppendRow("Question", "Answer");
        rs.Requery();
        QCOMPARE(rs.RecordCount(), 1);
    }

    void editsAndAppendedRowsAreCommittedOnce()
    {
        const QString path = copyOf("capitals-xlwt.xls");
        {
            auto &&[c, rs] = Opened(path, Mode::Edit);
            const auto blankOut = [&] { rs.SetField(0, QVariant()), rs.SetField(1, QString()); };
            rs.SetAbsolutePosition(2);
            rs.SetField(1, QString::fromUtf8("Bern – Berne"));
            rs.SetField(0, 12);
            rs.SetAbsolutePosition(5);  // blanked rows stay rows, here and at the end
            blankOut();
            c.AppendRow("O'Neill's \"quote\"", 7.5);
            c.AppendRow(QVariant(), QString::fromUtf8("日本"));
            c.AppendRow("gone", "too");
            QVERIFY(c.HasChanges());
            // Appended rows show after a requery.
            QCOMPARE(rs.RecordCount(), 10);
            rs.Requery();
            QCOMPARE(rs.RecordCount(), 13);
            rs.MoveLast();
            blankOut();
            c.Commit();
            QVERIFY(!c.HasChanges());
            QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter("capitals").size(), 1);
        }
        auto &&[c, rs] = Opened(path, Mode::Edit);
        QCOMPARE(rs.RecordCount(), 13);
        auto row = [&](int n) { return rs.SetAbsolutePosition(n), QVariantList{rs.Field(0), rs.Field(1)}; };
        const QVariantList blank{QVariant(), QVariant()};
        QCOMPARE(row(2), (QVariantList{12.0, QString::fromUtf8("Bern – Berne")}));
        QCOMPARE(row(5), blank);
        QCOMPARE(row(11), (QVariantList{"O'Neill's \"quote\"", 7.5}));  // the apostrophes as given
        QCOMPARE(row(12), (QVariantList{QVariant(), QString::fromUtf8("日本")}));
        QCOMPARE(row(13), blank);
        QCOMPARE(readersDiff(path, modelJson(c.workbook())), QString());
    }

    // A commit without changes writes nothing; a failed write leaves the file
    // as it was and the workbook in memory as the file is.
    void commitWritesChangesOrNothing()
    {
        const QString path = copyOf("tricky-xlwt.xls");
        const QByteArray before = readFile(path);
        auto &&[c, rs] = Opened(path, Mode::Edit);
        rs.SetAbsolutePosition(2);
        const QVariant old = rs.Field(0);
        rs.SetField(0, old);  // the same value is no change
        QVERIFY(!c.HasChanges());
        c.failNextCommit(DeckConnection::CommitFault::DiskFull);
        c.Commit();  // nothing to write, so the armed failure is not reached
        QCOMPARE(readFile(path), before);
        rs.SetField(0, "new text");
        c.AppendRow("q", "a");
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Commit());  // uses the armed failure up
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).filter("tricky").size(), 1);
        QVERIFY(!c.HasChanges());
        QCOMPARE(rs.Field(0), old);
        rs.Requery();
        QCOMPARE(rs.RecordCount(), 14);
        c.AppendRow("q", "a");
        c.Commit();
        QVERIFY(readFile(path) != before);
    }

    void otherSheetsAndColumnsSurviveRewrite()
    {
        xls::Workbook wb = xls::deckWorkbook({{"q", "a"}});
        wb.sheets[0].setCell(0, 2, xls::Cell::fromText("extra column"));
        wb.sheets[0].setCell(1, 3, xls::Cell::fromError(0x07));
        xls::Sheet notes;
        notes.name = "Notes";  // before Sheet1
        notes.setCell(3, 7, xls::Cell::fromNumber(2.5));
        wb.sheets.insert(wb.sheets.begin(), notes);
        const QString path = dir_.filePath("sheets.xls");
        QVERIFY(writeFile(path, xls::writeWorkbookFile(wb)));

        auto &&[c, rs] = Opened(path, Mode::Edit);
        rs.SetField(1, "changed");
        c.AppendRow("q2", "a2");
        c.Commit();

        wb.sheets[1].setCell(0, 1, xls::Cell::fromText("changed"));
        wb.sheets[1].setCell(2, 0, xls::Cell::fromText("q2"));
        wb.sheets[1].setCell(2, 1, xls::Cell::fromText("a2"));
        QCOMPARE(cellsDiff(modelJson(xls::readWorkbookFile(readFile(path))), modelJson(wb)), QString());
    }

    void featuresThatCannotBeSavedRefuseCommit()
    {
        // A formula's result can be read, but saving would turn the formula
        // into its value: the commit is refused and the file stays.
        const QByteArray file = xlsFile(biffStream({}, {formula(0, f64(1))}));
        const QString path = dir_.filePath("formula.xls");
        QVERIFY(writeFile(path, file));
        auto &&[c, rs] = Opened(path, Mode::Edit);
        c.AppendRow("q", "a");
        QVERIFY_THROWS_EXCEPTION(DeckError, c.Commit());
        QCOMPARE(readFile(path), file);
        QVERIFY(!c.HasChanges());
    }

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
        QCOMPARE(escapeQuestion(text), question);
        QCOMPARE(escapeAnswer(text), answer);
        QCOMPARE(removeNonXmlCharacters(text), xmlCharacters);
    }

    void rowRules_data()
    {
        QTest::addColumn<Rows>("rows");
        QTest::addColumn<QString>("document");
        const QVariant none;
        QTest::newRow("no rows") << Rows{} << kEmptyStudyCopy;
        QTest::newRow("title only") << Rows{{"Question", "Answer"}} << kEmptyStudyCopy;
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
        // The parser's own refusals: no entity is expanded, none is loaded,
        // and nesting has a limit.
        const QByteArray entityCell = "<row><c t=\"inlineStr\"><is><t>&l9;</t></is></c></row>";
        for (const auto &[name, head] : {std::pair("billion laughs", laughs("worksheet")),
                                          std::pair("external entity", outsideEntity("worksheet"))}) {
            refused(qPrintable("xlsx " + QString(name)), xlsxSheet(head + "<worksheet><sheetData>" + entityCell + "</sheetData></worksheet>"));
            refused(qPrintable("xlsx " + QString(name) + " in an attribute"),
                    xlsxSheet(head + "<worksheet><sheetData><row r=\"&l9;\"/></sheetData></worksheet>"));
            refused(qPrintable("ods " + QString(name)), ods(odsCard("1", "&l9;"), QByteArray(head).replace("worksheet", "office:document-content")));
        }
        refused("xlsx external document type",
                xlsxSheet(kXmlHead + "<!DOCTYPE worksheet SYSTEM \"file:///etc/hostname\"><worksheet><sheetData>" + kCard +
                          "</sheetData></worksheet>"));
        refused("xlsx undeclared entity", xlsx(entityCell));
        refused("xlsx bytes that are no text of their encoding",
                xlsxSheet(QByteArray("\0<\0?\0x\0m\0l\0 ", 12) + QByteArray("\xD8\x00<\0w\0/\0>", 10)));
        refused("xlsx nested past the parser's limit", xlsx(kCard + QByteArray("<x>").repeated(300) + QByteArray("</x>").repeated(300)));
        refused("ods nested past the parser's limit",
                ods(odsCard() + QByteArray("<text:p>").repeated(300) + QByteArray("</text:p>").repeated(300)));
        QTest::newRow("xlsx predefined entities and character references")
            << xlsx("<row><c t=\"inlineStr\"><is><t>&lt;&amp;&gt;&quot;&apos;</t></is></c>"
                    "<c t=\"inlineStr\"><is><t>&#65;&#x42;&#x20AC;<![CDATA[<&>]]></t></is></c></row>")
            << 1 << "<Que>&lt;&amp;&gt;'</Que><Ans>AB€&lt;&amp;&gt;</Ans>";
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

QTEST_GUILESS_MAIN(DecksTest)
#include "tst_decks.moc"
