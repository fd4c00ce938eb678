// The BIFF8 reader: real workbooks from other programs, hand-made record
// sequences for the tricky parts of the format, and damaged input.

#include "DeckTestSupport.h"

#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"

#include <QtTest>

using namespace decktest;
namespace biff = xls::biff;

Q_DECLARE_METATYPE(QList<decktest::Rec>)

class XlsReaderTest : public QObject {
    Q_OBJECT

private slots:
    void fixtureCells_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *n : {"capitals-xlwt", "empty-xlwt", "mixed-libreoffice", "no-sheet1-xlwt", "one-card-xlwt",
                              "sheet1-not-first-xlwt", "title-only-xlwt", "tricky-xlwt", "two-cards-xlwt",
                              "vocab-writeexcel"})
            QTest::newRow(n) << QString::fromLatin1(n);
    }

    // Our reader sees the same cells as xlrd did (the oracle files were made
    // by xlrd_cells.py), and our writer writes them back with their formats,
    // column records and the file's other streams.
    void fixtureCells()
    {
        QFETCH(QString, name);
        const xls::Workbook wb = xls::readWorkbookFile(readFile(dataPath(name + ".xls")));
        const QJsonObject oracle = QJsonDocument::fromJson(readFile(dataPath("cells/" + name + ".json"))).object();
        QCOMPARE(cellsDiff(modelJson(wb), oracle), QString());
        // Plain decks from these writers hold nothing a rewrite would lose.
        QCOMPARE(wb.unsupported, QStringList());

        QVERIFY(!wb.formatRecords.empty());
        QCOMPARE(wb.otherStreams.empty(), name != "mixed-libreoffice");  // its document properties
        if (name == "mixed-libreoffice")
            QCOMPARE(wb.sheetIndex(QStringLiteral("sheet1")), 1);  // found in any case, wherever it stands
        const xls::Workbook back = xls::readWorkbookFile(xls::writeWorkbookFile(wb));
        QCOMPARE(cellsDiff(modelJson(back), oracle), QString());
        QVERIFY(back.formatRecords == wb.formatRecords);
        QVERIFY(back.otherStreams == wb.otherStreams);
        for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
            QVERIFY(back.sheets[i].columnRecords == wb.sheets[i].columnRecords);
            for (const xls::Row &r : wb.sheets[i].rows)
                for (const xls::CellEntry &e : r.cells)
                    QCOMPARE(back.sheets[i].cell(r.index, e.column)->xf, e.cell.xf);
        }
    }

    // Hand-made globals and Sheet1 records: the cells read and a feature
    // noted as one a rewrite would lose.
    void handMadeStreams_data()
    {
        QTest::addColumn<QList<Rec>>("globals");
        QTest::addColumn<QList<Rec>>("sheet");
        QTest::addColumn<QJsonArray>("cells");
        QTest::addColumn<QString>("unsupported");
        const QJsonValue blank;

        // 1: "abc" then, after a CONTINUE with option byte 1, "Ж" as UTF-16.
        // 2: rich text with 2 runs; its runs split over the next CONTINUE.
        // 3: phonetic (ext) data of 5 bytes skipped.
        // 4: a string whose header starts a CONTINUE record (no option byte).
        QTest::newRow("shared strings over CONTINUE records")
            << QList<Rec>{{biff::kSst, le32(4) + le32(4) + le16(4) + QByteArray(1, '\0') + "abc"},
                          {biff::kContinue, QByteArray(1, '\1') + le16(0x0416)              // one wide char
                                                + le16(2) + QByteArray(1, '\x08') + le16(2) + "hi"  // 2 runs
                                                + le32(0x00010000)},                        // first run
                          {biff::kContinue, le32(0x00020001)                                // second run
                                                + le16(3) + QByteArray(1, '\x04') + le32(5) + "xyz"
                                                + QByteArray(5, '\x7F')},
                          {biff::kContinue, le16(2) + QByteArray(1, '\1') + le16(0x6F22) + le16(0x5B57)}}
            << QList<Rec>{{biff::kLabelSst, cellHead(0, 0) + le32(0)}, {biff::kLabelSst, cellHead(1, 0) + le32(1)},
                          {biff::kLabelSst, cellHead(2, 0) + le32(2)}, {biff::kLabelSst, cellHead(3, 0) + le32(3)}}
            << QJsonArray{QJsonArray{0, 0, "text", QString::fromUtf8("abcЖ")}, QJsonArray{1, 0, "text", "hi"},
                          QJsonArray{2, 0, "text", "xyz"}, QJsonArray{3, 0, "text", QString::fromUtf8("漢字")}}
            << "text with mixed fonts or phonetic guides";

        // Every kind of cell record, and a later record for a cell replacing
        // the earlier one, wherever its row stands.
        QTest::newRow("cell records")
            << QList<Rec>{}
            << QList<Rec>{
                   {biff::kNumber, cellHead(2, 1) + f64(1)},  // replaced below
                   {biff::kNumber, cellHead(0, 0) + f64(3.25)},
                   {biff::kRk, cellHead(0, 1) + le32((static_cast<std::uint32_t>(-7) << 2) | 2)},  // integer
                   {biff::kRk, cellHead(0, 2) + le32((1234u << 2) | 3)},                           // integer / 100
                   {biff::kRk, cellHead(0, 3) + le32(0x3FF80000)},                                 // double 1.5
                   {biff::kMulRk,
                    le16(1) + le16(2) + le16(15) + le32((5u << 2) | 2) + le16(15) + le32((6u << 2) | 2) + le16(3)},
                   {biff::kBoolErr, cellHead(2, 0) + QByteArray("\x01\x00", 2)},  // TRUE
                   {biff::kBoolErr, cellHead(2, 1) + QByteArray("\x07\x01", 2)},  // #DIV/0!
                   {biff::kBlank, cellHead(3, 4)},
                   {biff::kMulBlank, le16(4) + le16(0) + le16(15) + le16(15) + le16(15) + le16(2)},  // A5:C5
                   {biff::kLabel, cellHead(5, 0) + str16("label")},
                   {biff::kRString, cellHead(6, 0) + str16("rich") + le16(1) + le32(0x00010000)},
                   {biff::kNumber, cellHead(0, 6) + f64(2)}}  // back in the first row
            << QJsonArray{QJsonArray{0, 0, "number", 3.25}, QJsonArray{0, 1, "number", -7},
                          QJsonArray{0, 2, "number", 12.34}, QJsonArray{0, 3, "number", 1.5},
                          QJsonArray{0, 6, "number", 2},     QJsonArray{1, 2, "number", 5},
                          QJsonArray{1, 3, "number", 6},     QJsonArray{2, 0, "bool", 1},
                          QJsonArray{2, 1, "error", 7},      QJsonArray{3, 4, "blank", blank},
                          QJsonArray{4, 0, "blank", blank},  QJsonArray{4, 1, "blank", blank},
                          QJsonArray{4, 2, "blank", blank},  QJsonArray{5, 0, "text", "label"},
                          QJsonArray{6, 0, "text", "rich"}}
            << "text with mixed fonts or phonetic guides";

        // Formula results are kept as values: a number, a text in the STRING
        // record that follows (after a shared formula), a boolean, an error
        // and an empty text.
        auto formula = [](int row, const QByteArray &result) {
            return Rec{biff::kFormula,
                       cellHead(row, 0) + result + le16(0) + le32(0) + le16(3) + QByteArray("\x1E\x01\x00", 3)};
        };
        auto special = [](int kind, int value) {
            return QByteArray(1, static_cast<char>(kind)) + QByteArray(1, '\0')
                   + QByteArray(1, static_cast<char>(value)) + QByteArray(3, '\0') + le16(0xFFFF);
        };
        QTest::newRow("formula results")
            << QList<Rec>{}
            << QList<Rec>{formula(0, f64(42)), formula(1, special(0, 0)), {biff::kShrFmla, QByteArray(10, '\0')},
                          {biff::kString, str16("cached text")}, formula(2, special(1, 1)),
                          formula(3, special(2, 0x2A)), formula(4, special(3, 0))}
            << QJsonArray{QJsonArray{0, 0, "number", 42}, QJsonArray{1, 0, "text", "cached text"},
                          QJsonArray{2, 0, "bool", 1}, QJsonArray{3, 0, "error", 42}, QJsonArray{4, 0, "text", ""}}
            << "formulas";
        // A chart sheet listed in the index is not read but is remembered.
        QTest::newRow("chart sheet") << QList<Rec>{boundSheet(0x7FFF, "Chart", 2)} << QList<Rec>{} << QJsonArray{}
                                     << "chart sheets";
    }

    void handMadeStreams()
    {
        QFETCH(QList<Rec>, globals);
        QFETCH(QList<Rec>, sheet);
        QFETCH(QJsonArray, cells);
        QFETCH(QString, unsupported);
        const xls::Workbook wb = xls::readBiff(biffStream(globals, sheet));
        const int rows = cells.isEmpty() ? 0 : cells.last()[0].toInt() + 1;
        QCOMPARE(cellsDiff(modelJson(wb), {{"sheets", QJsonArray{QJsonObject{
                                                          {"name", "Sheet1"}, {"rows", rows}, {"cells", cells}}}}}),
                 QString());
        QCOMPARE(wb.unsupported, QStringList{unsupported});
    }

    // Damaged files from elsewhere and hand-made streams the reader must
    // refuse with its own error, never a crash or a half-read workbook.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("file");
        for (const char *n : {"zero-bytes", "truncated", "csv-named-xls", "byteflip-1", "byteflip-2", "byteflip-3",
                              "byteflip-4", "byteflip-5"}) {
            const QString path = dataPath(QStringLiteral("malformed-%1.xls").arg(n));
            QVERIFY(QFile::exists(path));
            QTest::newRow(n) << readFile(path);
        }
        const QByteArray ok = biffStream({}, {{biff::kNumber, cellHead(0, 0) + f64(1)}});
        QCOMPARE(xls::readWorkbookFile(xlsFile(ok)).sheets.size(), std::size_t(1));
        auto row = [](const char *name, const QByteArray &stream) { QTest::newRow(name) << xlsFile(stream); };
        row("excel 5 BOF", records({bof(biff::kGlobals, biff::kBiff5Version), {biff::kEof, {}}}));
        row("not a BOF", records({{biff::kNumber, cellHead(0, 0) + f64(1)}}));
        row("password", biffStream({{biff::kFilePass, QByteArray(54, '\1')}}, {}));
        row("truncated record", ok.left(ok.size() - 3));
        row("no EOF in sheet", ok.left(ok.size() - 4));
        row("string index beyond the table", biffStream({}, {{biff::kLabelSst, cellHead(0, 0) + le32(0)}}));
        row("column 256", biffStream({}, {{biff::kNumber, cellHead(0, 256) + f64(1)}}));
        row("short NUMBER", biffStream({}, {{biff::kNumber, cellHead(0, 0) + "1234"}}));
        row("MULRK of wrong size", biffStream({}, {{biff::kMulRk, le16(0) + le16(0) + le16(15) + "123"}}));
        row("string longer than its record",
            biffStream({{biff::kSst, le32(1) + le32(1) + le16(65535) + QByteArray(1, '\0') + "abc"}}, {}));
        row("wide char split between records",
            biffStream({{biff::kSst, le32(1) + le32(1) + le16(2) + QByteArray(1, '\1') + "a"},
                        {biff::kContinue, QByteArray(1, '\1') + "bcd"}},
                       {}));
        row("sheet outside the stream", biffStream({boundSheet(0x7FFFFFFF, "x")}, {}));
        row("sheets overlapping", biffStream({boundSheet(0, "x")}, {}));
    }

    void refused()
    {
        QFETCH(QByteArray, file);
        QVERIFY_THROWS_EXCEPTION(xls::XlsError, xls::readWorkbookFile(file));
    }
};

QTEST_GUILESS_MAIN(XlsReaderTest)
#include "tst_xls_reader.moc"
