// The BIFF8 reader: real workbooks from other programs, hand-made record
// sequences for the tricky parts of the format, and damaged input.

#include "DeckTestSupport.h"

#include "decks/xls/BiffReader.h"

#include <QtTest>

using namespace decktest;

class XlsReaderTest : public QObject {
    Q_OBJECT

private slots:
    void fixtureCells_data();
    void fixtureCells();
    void damagedFilesFailCleanly_data();
    void damagedFilesFailCleanly();
    void sharedStringsOverContinueRecords();
    void cellRecordKinds();
    void formulaResultsAreKeptAsValues();
    void laterRecordForACellWins();
    void sheetsFoundByNameWhereverTheyStand();
    void refusedStreams_data();
    void refusedStreams();
};

void XlsReaderTest::fixtureCells_data()
{
    QTest::addColumn<QString>("name");
    for (const char *n : {"capitals-xlwt", "empty-xlwt", "mixed-libreoffice", "no-sheet1-xlwt", "one-card-xlwt",
                          "sheet1-not-first-xlwt", "title-only-xlwt", "tricky-xlwt", "two-cards-xlwt",
                          "vocab-writeexcel"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

// Our reader sees the same cells as xlrd did (the oracle files were made by
// xlrd_cells.py).
void XlsReaderTest::fixtureCells()
{
    QFETCH(QString, name);
    const xls::Workbook wb = xls::readWorkbookFile(readFile(dataPath(name + ".xls")));
    const QJsonObject oracle = QJsonDocument::fromJson(readFile(dataPath("cells/" + name + ".json"))).object();
    QVERIFY(!oracle.isEmpty());
    QCOMPARE(cellsDiff(modelJson(wb), oracle), QString());
    // Plain decks from these writers hold nothing a rewrite would lose.
    QCOMPARE(wb.unsupported, QStringList());
}

void XlsReaderTest::damagedFilesFailCleanly_data()
{
    QTest::addColumn<QString>("file");
    for (const char *n : {"malformed-zero-bytes.xls", "malformed-truncated.xls", "malformed-csv-named-xls.xls",
                          "malformed-byteflip-1.xls", "malformed-byteflip-2.xls", "malformed-byteflip-3.xls",
                          "malformed-byteflip-4.xls", "malformed-byteflip-5.xls"})
        QTest::newRow(n) << QString::fromLatin1(n);
}

void XlsReaderTest::damagedFilesFailCleanly()
{
    QFETCH(QString, file);
    const QByteArray bytes = readFile(dataPath(file));
    QCOMPARE(bytes.isEmpty(), file.contains("zero-bytes"));
    QVERIFY_THROWS_EXCEPTION(xls::XlsError, xls::readWorkbookFile(bytes));
}

void XlsReaderTest::sharedStringsOverContinueRecords()
{
    // 1: "abc" then, after a CONTINUE with option byte 1, "Ж" as UTF-16.
    // 2: rich text with 2 runs; its runs split over the next CONTINUE.
    // 3: phonetic (ext) data of 5 bytes skipped.
    // 4: a string whose header starts a CONTINUE record (no option byte).
    QByteArray part1 = le32(4) + le32(4) + le16(4) + QByteArray(1, '\0') + "abc";
    QByteArray part2 = QByteArray(1, '\1') + le16(0x0416)            // option byte, then one wide char
                       + le16(2) + QByteArray(1, '\x08') + le16(2) + "hi"  // rich string, 2 runs
                       + le32(0x00010000);                            // first run
    QByteArray part3 = le32(0x00020001)                               // second run, in the next record
                       + le16(3) + QByteArray(1, '\x04') + le32(5) + "xyz" + QByteArray(5, '\x7F');
    QByteArray part4 = le16(2) + QByteArray(1, '\1') + le16(0x6F22) + le16(0x5B57);
    QList<Rec> globals{{0x00FC, part1}, {0x003C, part2}, {0x003C, part3}, {0x003C, part4}};
    QList<Rec> sheet;
    for (int i = 0; i < 4; ++i)
        sheet.append({0x00FD, cellHead(i, 0) + le32(i)});
    const xls::Workbook wb = xls::readBiff(biffStream(globals, sheet));
    const xls::Sheet &s = wb.sheets.at(0);
    QCOMPARE(s.cell(0, 0)->text, QString::fromUtf8("abcЖ"));
    QCOMPARE(s.cell(1, 0)->text, QStringLiteral("hi"));
    QCOMPARE(s.cell(2, 0)->text, QStringLiteral("xyz"));
    QCOMPARE(s.cell(3, 0)->text, QString::fromUtf8("漢字"));
    // Mixed fonts inside a cell cannot be written back: noted, not dropped.
    QVERIFY(!wb.unsupported.isEmpty());
}

void XlsReaderTest::cellRecordKinds()
{
    auto rk = [](std::uint32_t v) { return le32(v); };
    QList<Rec> sheet{
        {0x0203, cellHead(0, 0) + f64(3.25)},                       // NUMBER
        {0x027E, cellHead(0, 1) + rk((static_cast<std::uint32_t>(-7) << 2) | 2)},  // RK integer
        {0x027E, cellHead(0, 2) + rk((1234u << 2) | 3)},            // RK integer / 100
        {0x027E, cellHead(0, 3) + rk(0x3FF80000)},                  // RK double 1.5
        {0x00BD, le16(1) + le16(2) + le16(15) + rk((5u << 2) | 2) + le16(15) + rk((6u << 2) | 2) + le16(3)},
        {0x0205, cellHead(2, 0) + QByteArray("\x01\x00", 2)},      // TRUE
        {0x0205, cellHead(2, 1) + QByteArray("\x07\x01", 2)},      // #DIV/0!
        {0x0201, cellHead(3, 4)},                                   // BLANK
        {0x00BE, le16(4) + le16(0) + le16(15) + le16(15) + le16(15) + le16(2)},  // MULBLANK A5:C5
        {0x0204, cellHead(5, 0) + str16("label")},                  // LABEL
        {0x00D6, cellHead(6, 0) + str16("rich") + le16(1) + le32(0x00010000)},  // RSTRING
    };
    const xls::Workbook wb = xls::readBiff(biffStream({}, sheet));
    const xls::Sheet &s = wb.sheets.at(0);
    QCOMPARE(s.cell(0, 0)->number, 3.25);
    QCOMPARE(s.cell(0, 1)->number, -7.0);
    QCOMPARE(s.cell(0, 2)->number, 12.34);
    QCOMPARE(s.cell(0, 3)->number, 1.5);
    QCOMPARE(s.cell(1, 2)->number, 5.0);
    QCOMPARE(s.cell(1, 3)->number, 6.0);
    QCOMPARE(s.cell(2, 0)->type, xls::CellType::Boolean);
    QCOMPARE(s.cell(2, 0)->number, 1.0);
    QCOMPARE(s.cell(2, 1)->type, xls::CellType::Error);
    QCOMPARE(s.cell(2, 1)->number, 7.0);
    QCOMPARE(s.cell(3, 4)->type, xls::CellType::Blank);
    QCOMPARE(s.findRow(4)->cells.size(), std::size_t(3));
    QCOMPARE(s.cell(5, 0)->text, QStringLiteral("label"));
    QCOMPARE(s.cell(6, 0)->text, QStringLiteral("rich"));
    QCOMPARE(s.rowCount(), 7);
}

void XlsReaderTest::formulaResultsAreKeptAsValues()
{
    auto formula = [](int row, const QByteArray &result) {
        return Rec{0x0006, cellHead(row, 0) + result + le16(0) + le32(0) + le16(3) + QByteArray("\x1E\x01\x00", 3)};
    };
    auto special = [](int kind, int value) {
        return QByteArray(1, static_cast<char>(kind)) + QByteArray(1, '\0') + QByteArray(1, static_cast<char>(value))
               + QByteArray(3, '\0') + le16(0xFFFF);
    };
    QList<Rec> sheet{
        formula(0, f64(42)),
        formula(1, special(0, 0)), {0x04BC, QByteArray(10, '\0')}, {0x0207, str16("cached text")},
        formula(2, special(1, 1)),
        formula(3, special(2, 0x2A)),
        formula(4, special(3, 0)),
    };
    const xls::Workbook wb = xls::readBiff(biffStream({}, sheet));
    const xls::Sheet &s = wb.sheets.at(0);
    QCOMPARE(s.cell(0, 0)->number, 42.0);
    QCOMPARE(s.cell(1, 0)->text, QStringLiteral("cached text"));
    QCOMPARE(s.cell(2, 0)->type, xls::CellType::Boolean);
    QCOMPARE(s.cell(3, 0)->type, xls::CellType::Error);
    QCOMPARE(s.cell(3, 0)->number, 42.0);
    QCOMPARE(s.cell(4, 0)->type, xls::CellType::Text);
    QVERIFY(s.cell(4, 0)->text.isEmpty());
    QVERIFY(wb.unsupported.contains(QStringLiteral("formulas")));
}

void XlsReaderTest::laterRecordForACellWins()
{
    QList<Rec> sheet{{0x0203, cellHead(2, 1) + f64(1)}, {0x0203, cellHead(0, 0) + f64(2)},
                     {0x0203, cellHead(2, 1) + f64(3)}};
    const xls::Sheet s = xls::readBiff(biffStream({}, sheet)).sheets.at(0);
    QCOMPARE(s.rows.size(), std::size_t(2));
    QCOMPARE(s.cell(2, 1)->number, 3.0);
    QCOMPARE(s.cell(0, 0)->number, 2.0);
}

void XlsReaderTest::sheetsFoundByNameWhereverTheyStand()
{
    const xls::Workbook wb = xls::readWorkbookFile(readFile(dataPath("mixed-libreoffice.xls")));
    QCOMPARE(wb.sheetIndex(QStringLiteral("Sheet1")), 1);
    QCOMPARE(wb.sheetIndex(QStringLiteral("sheet1")), 1);
    QCOMPARE(wb.sheetIndex(QStringLiteral("Sheet2")), -1);
    // A chart sheet listed in the index is not read but is remembered.
    QList<Rec> globals{{0x0085, le32(0x7FFF) + QByteArray("\x00\x02\x05\x00", 4) + "Chart"}};
    const xls::Workbook withChart = xls::readBiff(biffStream(globals, {}));
    QCOMPARE(withChart.sheets.size(), std::size_t(1));
    QVERIFY(withChart.unsupported.contains(QStringLiteral("chart sheets")));
}

void XlsReaderTest::refusedStreams_data()
{
    QTest::addColumn<QByteArray>("stream");
    const QByteArray ok = biffStream({}, {{0x0203, cellHead(0, 0) + f64(1)}});
    QTest::newRow("excel 5 BOF") << records({{0x0809, bofData(0x0005, 0x0500)}, {0x000A, {}}});
    QTest::newRow("not a BOF") << records({{0x0203, cellHead(0, 0) + f64(1)}});
    QTest::newRow("password") << biffStream({{0x002F, QByteArray(54, '\1')}}, {});
    QTest::newRow("truncated record") << ok.left(ok.size() - 3);
    QTest::newRow("no EOF in sheet") << ok.left(ok.size() - 4);
    QTest::newRow("string index beyond the table") << biffStream({}, {{0x00FD, cellHead(0, 0) + le32(0)}});
    QTest::newRow("column 256") << biffStream({}, {{0x0203, cellHead(0, 256) + f64(1)}});
    QTest::newRow("short NUMBER") << biffStream({}, {{0x0203, cellHead(0, 0) + "1234"}});
    QTest::newRow("MULRK of wrong size") << biffStream({}, {{0x00BD, le16(0) + le16(0) + le16(15) + "123"}});
    QTest::newRow("string longer than its record")
        << biffStream({{0x00FC, le32(1) + le32(1) + le16(65535) + QByteArray(1, '\0') + "abc"}}, {});
    QTest::newRow("wide char split between records")
        << biffStream({{0x00FC, le32(1) + le32(1) + le16(2) + QByteArray(1, '\1') + "a"},
                       {0x003C, QByteArray(1, '\1') + "bcd"}},
                      {});
    QTest::newRow("sheet outside the stream")
        << biffStream({{0x0085, le32(0x7FFFFFFF) + QByteArray(2, '\0') + QByteArray("\x01\x00x", 3)}}, {});
    QTest::newRow("sheets overlapping")
        << biffStream({{0x0085, le32(0) + QByteArray(2, '\0') + QByteArray("\x01\x00x", 3)}}, {});
}

void XlsReaderTest::refusedStreams()
{
    QFETCH(QByteArray, stream);
    QVERIFY_THROWS_EXCEPTION(xls::XlsError, xls::readBiff(stream));
}

QTEST_GUILESS_MAIN(XlsReaderTest)
#include "tst_xls_reader.moc"
