// The BIFF8 reader and writer: real workbooks from other programs,
// hand-made record sequences for the tricky parts of the format and damaged
// input for the reader; what the writer writes must read back the same in
// our reader, in xlrd and in FreeXL, and keep to the record rules of the
// format.

#include "DeckTestSupport.h"

#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace decktest;
using decks::Cell;
namespace biff = xls::biff;

Q_DECLARE_METATYPE(decks::Workbook)
Q_DECLARE_METATYPE(decks::FormatError::Kind)

namespace {

QString repeated(const QString &unit, int length) { return unit.repeated(length / unit.size() + 1).left(length); }

}  // namespace

class XlsTest : public QObject {
    Q_OBJECT

private slots:
    void fixtureCells_data()
    {
        QTest::addColumn<QString>("name");
        // Every workbook with an oracle file.
        const QFileInfoList oracles = QDir(dataPath("cells")).entryInfoList({"*.json"});
        QVERIFY(oracles.size() >= 10);
        for (const QFileInfo &oracle : oracles)
            QTest::newRow(qPrintable(oracle.baseName())) << oracle.baseName();
    }

    // Our reader sees the same cells as xlrd did (the oracle files were made
    // by xlrd_cells.py), and our writer writes them back with their formats,
    // column records and the file's other streams.
    void fixtureCells()
    {
        QFETCH(QString, name);
        const decks::Workbook wb = xls::readWorkbookFile(readFile(dataPath(name + ".xls")));
        const QJsonObject oracle = QJsonDocument::fromJson(readFile(dataPath("cells/" + name + ".json"))).object();
        QCOMPARE(cellsDiff(modelJson(wb), oracle), QString());
        // Plain decks from these writers hold nothing a rewrite would lose.
        QCOMPARE(wb.unsupported, QStringList());

        QVERIFY(!wb.formatRecords.empty());
        QCOMPARE(wb.otherStreams.empty(), name != "mixed-libreoffice");  // its document properties
        if (name == "mixed-libreoffice")
            QCOMPARE(wb.sheetIndex(QStringLiteral("sheet1")), 1);  // found in any case, wherever it stands
        const decks::Workbook back = xls::readWorkbookFile(xls::writeWorkbookFile(wb));
        QCOMPARE(cellsDiff(modelJson(back), oracle), QString());
        QVERIFY(back.formatRecords == wb.formatRecords);
        QVERIFY(back.otherStreams == wb.otherStreams);
        for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
            QVERIFY(back.sheets[i].columnRecords == wb.sheets[i].columnRecords);
            for (const decks::Row &r : wb.sheets[i].rows)
                for (const decks::CellEntry &e : r.cells)
                    QCOMPARE(back.sheets[i].cell(r.index, e.column)->xf, e.cell.xf);
        }
    }

    // Hand-made globals and Sheet1 records: the cells read and a feature
    // noted as one a rewrite would lose.
    void handMadeStreams_data()
    {
        QTest::addColumn<QByteArray>("stream");
        QTest::addColumn<QByteArray>("cells");  // as JSON
        QTest::addColumn<QString>("unsupported");

        // 1: "abc" then, after a CONTINUE with option byte 1, "Ж" as UTF-16.
        // 2: rich text with 2 runs; its runs split over the next CONTINUE.
        // 3: phonetic (ext) data of 5 bytes skipped.
        // 4: a string whose header starts a CONTINUE record (no option byte).
        QTest::newRow("shared strings over CONTINUE records")
            << biffStream({{biff::kSst, le32(4) + le32(4) + le16(4) + QByteArray(1, '\0') + "abc"},
                          {biff::kContinue, QByteArray(1, '\1') + le16(0x0416)              // one wide char
                                                + le16(2) + QByteArray(1, '\x08') + le16(2) + "hi"  // 2 runs
                                                + le32(0x00010000)},                        // first run
                          {biff::kContinue, le32(0x00020001)                                // second run
                                                + le16(3) + QByteArray(1, '\x04') + le32(5) + "xyz"
                                                + QByteArray(5, '\x7F')},
                          {biff::kContinue, le16(2) + QByteArray(1, '\1') + le16(0x6F22) + le16(0x5B57)}},
                          {{biff::kLabelSst, cellHead(0, 0) + le32(0)}, {biff::kLabelSst, cellHead(1, 0) + le32(1)},
                           {biff::kLabelSst, cellHead(2, 0) + le32(2)}, {biff::kLabelSst, cellHead(3, 0) + le32(3)}})
            << QByteArray(R"([[0, 0, "text", "abcЖ"], [1, 0, "text", "hi"], [2, 0, "text", "xyz"], [3, 0, "text", "漢字"]])")
            << "text with mixed fonts or phonetic guides";

        // Every kind of cell record, and a later record for a cell replacing
        // the earlier one, wherever its row stands.
        QTest::newRow("cell records")
            << biffStream({}, {
                   {biff::kNumber, cellHead(2, 1) + f64(1)},  // replaced below
                   {biff::kNumber, cellHead(0, 0) + f64(3.25)},
                   {biff::kRk, cellHead(0, 1) + le32((static_cast<std::uint32_t>(-7) << 2) | 2)},  // integer
                   {biff::kRk, cellHead(0, 2) + le32((1234u << 2) | 3)},                           // integer / 100
                   {biff::kRk, cellHead(0, 3) + le32(0x3FF80000)},                                 // double 1.5
                   {biff::kMulRk, le16(1) + le16(2) + le16(15) + le32((5u << 2) | 2) + le16(15) + le32((6u << 2) | 2) + le16(3)},
                   {biff::kBoolErr, cellHead(2, 0) + QByteArray("\x01\x00", 2)},  // TRUE
                   {biff::kBoolErr, cellHead(2, 1) + QByteArray("\x07\x01", 2)},  // #DIV/0!
                   {biff::kBlank, cellHead(3, 4)},
                   {biff::kMulBlank, le16(4) + le16(0) + le16(15) + le16(15) + le16(15) + le16(2)},  // A5:C5
                   {biff::kLabel, cellHead(5, 0) + str16("label")},
                   {biff::kRString, cellHead(6, 0) + str16("rich") + le16(1) + le32(0x00010000)},
                   {biff::kNumber, cellHead(0, 6) + f64(2)}})  // back in the first row
            << QByteArray(R"([[0, 0, "number", 3.25], [0, 1, "number", -7], [0, 2, "number", 12.34],
                              [0, 3, "number", 1.5], [0, 6, "number", 2], [1, 2, "number", 5], [1, 3, "number", 6],
                              [2, 0, "bool", 1], [2, 1, "error", 7], [3, 4, "blank", null], [4, 0, "blank", null],
                              [4, 1, "blank", null], [4, 2, "blank", null], [5, 0, "text", "label"],
                              [6, 0, "text", "rich"]])")
            << "text with mixed fonts or phonetic guides";

        // Formula results are kept as values: a number, a text in the STRING
        // record that follows (after a shared formula), a boolean, an error
        // and an empty text.
        auto special = [](char kind, char value) { return QByteArray(1, kind) + '\0' + value + QByteArray(3, '\0') + le16(0xFFFF); };
        QTest::newRow("formula results")
            << biffStream({}, {formula(0, f64(42)), formula(1, special(0, 0)), {biff::kShrFmla, QByteArray(10, '\0')},
                               {biff::kString, str16("cached text")}, formula(2, special(1, 1)),
                               formula(3, special(2, 0x2A)), formula(4, special(3, 0))})
            << QByteArray(R"([[0, 0, "number", 42], [1, 0, "text", "cached text"], [2, 0, "bool", 1],
                              [3, 0, "error", 42], [4, 0, "text", ""]])")
            << "formulas";
        // A chart sheet listed in the index is not read but is remembered.
        QTest::newRow("chart sheet") << biffStream({boundSheet(0x7FFF, "Chart", 2)}, {}) << QByteArray("[]")
                                     << "chart sheets";
    }

    void handMadeStreams()
    {
        QFETCH(QByteArray, stream);
        QFETCH(QByteArray, cells);
        QFETCH(QString, unsupported);
        const QJsonArray expected = QJsonDocument::fromJson(cells).array();
        const int rows = expected.isEmpty() ? 0 : expected.last()[0].toInt() + 1;
        const QJsonObject sheet1{{"name", "Sheet1"}, {"rows", rows}, {"cells", expected}};
        QCOMPARE(cellsDiff(modelJson(xls::readBiff(stream)), {{"sheets", QJsonArray{sheet1}}}), QString());
        QCOMPARE(xls::readBiff(stream).unsupported, QStringList{unsupported});
    }

    // Damaged files from elsewhere and hand-made streams the reader must
    // refuse with its own error, never a crash or a half-read workbook.
    void refused_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<decks::FormatError::Kind>("kind");
        using K = decks::FormatError::Kind;
        const QFileInfoList damaged = QDir(dataPath("")).entryInfoList({"malformed-*.xls"});
        QVERIFY(damaged.size() >= 8);
        // No compound file at all is no workbook; a compound file that
        // breaks its rules, or a broken stream in it, is a damaged one.
        const QHash<QString, K> kinds{{"zero-bytes", K::NotWorkbook}, {"csv-named-xls", K::NotWorkbook}};
        for (const QFileInfo &f : damaged)
            QTest::newRow(qPrintable(f.baseName().mid(10))) << readFile(f.filePath()) << kinds.value(f.baseName().mid(10), K::Damaged);
        const QByteArray ok = biffStream({}, {{biff::kNumber, cellHead(0, 0) + f64(1)}});
        QCOMPARE(xls::readWorkbookFile(xlsFile(ok)).sheets.size(), std::size_t(1));
        auto kindRow = [](const char *name, const QByteArray &stream, K kind) { QTest::newRow(name) << xlsFile(stream) << kind; };
        auto row = [&](const char *name, const QByteArray &stream) { kindRow(name, stream, K::Damaged); };
        kindRow("excel 4 BOF", records({{0x0409, le16(0) + le16(0x10) + le16(0)}, {biff::kEof, {}}}), K::UnsupportedVersion);
        // Excel 2.x-4.0 worksheets were bare record streams, in no compound file.
        QTest::newRow("excel 4 worksheet file") << records({{0x0409, le16(0) + le16(0x10) + le16(0)}, {biff::kEof, {}}})
                                                << K::UnsupportedVersion;
        kindRow("unknown BOF version", records({bof(biff::kGlobals, 0x0700), {biff::kEof, {}}}), K::UnsupportedVersion);
        kindRow("not a BOF", records({{biff::kNumber, cellHead(0, 0) + f64(1)}}), K::NotWorkbook);
        kindRow("password", biffStream({{biff::kFilePass, QByteArray(54, '\1')}}, {}), K::Protected);
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
        QFETCH(decks::FormatError::Kind, kind);
        try {
            xls::readWorkbookFile(file);
            QFAIL("read");
        } catch (const decks::FormatError &e) {
            QCOMPARE(e.kind(), kind);
        }
    }

    // What the writer writes reads back as `expected` (the workbook itself
    // unless given) in our reader, in xlrd and, where it can, in FreeXL.
    void roundTrip_data()
    {
        QTest::addColumn<decks::Workbook>("wb");
        QTest::addColumn<decks::Workbook>("expected");
        QTest::addColumn<bool>("freexlCanRead");  // FreeXL stops at strings over 3+ records
        auto row = [](const char *name, const decks::Workbook &wb, bool freexl, const decks::Workbook &expected = {}) {
            QTest::newRow(name) << wb << (expected.sheets.empty() ? wb : expected) << freexl;
        };
        const QVariant none;
        {
            decks::Workbook wb = decks::deckWorkbook(
                {{"q", none}, {none, "a"}, {42.0, -3.5}, {1e20, 1.25e-7}, {0.1, 123456789012345.0}, {none, none}});
            for (auto [r, c] : {std::pair{0, 1}, {1, 0}, {5, 0}, {5, 1}})
                wb.sheets[0].setCell(r, c, Cell::blank());
            row("numbers, blanks and an all-blank last row", wb, true);
        }
        {
            // Thousands of strings of many lengths in both widths, so that record
            // ends fall before a header, inside one, between two characters of
            // either width and just after a string.
            QList<QPair<QVariant, QVariant>> rows;
            for (int r = 0; r < 1500; ++r) {
                const int n = (r * 7919) % 97 + 1;
                rows.append({repeated("ab", n) + QString::number(r),
                             repeated(QString::fromUtf8("жё"), n % 41 + 1) + QString::number(r)});
            }
            rows.append({repeated("b", 8219), repeated(QString::fromUtf8("ж"), 4109)});
            row("boundaries", decks::deckWorkbook(rows), true);
        }
        {
            // Empty texts stay texts (FreeXL then reads no sheet at all).
            decks::Workbook wb = decks::deckWorkbook({{"q", ""}, {"", "a"}, {"long", repeated(QString::fromUtf8("жёлтый "), 30000)},
                                                  {repeated(QString::fromUtf8("é"), 20000), "after"}});
            wb.sheets[0].setCell(0, 5, Cell::fromBool(true));
            wb.sheets[0].setCell(3, 255, Cell::fromError(0x2A));
            decks::Sheet other;
            other.name = QString::fromUtf8("Заметки");
            other.visibility = 1;
            other.setCell(65535, 0, Cell::fromText("far down"));
            wb.sheets.insert(wb.sheets.begin(), other);
            row("other sheets, far cells, booleans, empty and long texts", wb, false);
        }
        // A character outside the Basic Multilingual Plane is never split
        // between a record and its CONTINUE record: the first string fills the
        // SST record after 4,106 wide characters, and these leads put the
        // boundary before, inside and after a pair. A lone surrogate half is
        // written as U+FFFD.
        const QString emoji = QString::fromUtf8("\xF0\x9F\x99\x82");
        for (int lead = 4102; lead <= 4108; ++lead) {
            const QString text = repeated(QString::fromUtf8("ж"), lead) + emoji + emoji + emoji;
            const QString answer = QStringLiteral("answer 1 ") + emoji;
            row(qPrintable(QStringLiteral("surrogates, lead %1").arg(lead)),
                decks::deckWorkbook({{text, answer}, {QStringLiteral("x") + QChar(0xD83D), QChar(0xDE42) + QStringLiteral("y")}}),
                false, decks::deckWorkbook({{text, answer}, {QStringLiteral("x\uFFFD"), QStringLiteral("\uFFFDy")}}));
        }
    }

    void roundTrip()
    {
        QFETCH(decks::Workbook, wb);
        QFETCH(decks::Workbook, expected);
        QFETCH(bool, freexlCanRead);
        const QByteArray file = xls::writeWorkbookFile(wb);
        const decks::Workbook back = xls::readWorkbookFile(file);
        QCOMPARE(cellsDiff(modelJson(back), modelJson(expected)), QString());
        for (std::size_t i = 0; i < wb.sheets.size(); ++i)
            QCOMPARE(back.sheets[i].visibility, wb.sheets[i].visibility);
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath("deck.xls"), file));
        QCOMPARE(readersDiff(dir.filePath("deck.xls"), modelJson(expected), freexlCanRead), QString());
    }

    // Record sizes, CONTINUE records only after the string table, each
    // going on with an option byte, a DIMENSIONS record for every sheet and
    // sheet offsets that point at a BOF record.
    void recordsKeepTheFormatRules()
    {
        decks::Workbook wb = decks::deckWorkbook({{repeated(QString::fromUtf8("ж"), 20000), QVariant()}, {"x", 1.0}});
        wb.sheets.push_back(decks::newWorkbook("Two").sheets[0]);
        const QByteArray stream = xls::writeBiff(wb);
        const auto *p = reinterpret_cast<const std::uint8_t *>(stream.constData());
        QList<std::size_t> bofs;
        QList<std::uint32_t> sheetOffsets;
        int continues = 0, dimensions = 0;
        std::uint16_t previous = 0;
        // Each record up to the end or the zero padding.
        for (std::size_t pos = 0, size = 0; pos + 4 <= std::size_t(stream.size()) && biff::u16(p + pos); pos += 4 + size) {
            const std::uint16_t type = biff::u16(p + pos);
            size = biff::u16(p + pos + 2);
            QVERIFY(size <= biff::kMaxRecordData);
            if (type == biff::kBof)
                bofs << pos;
            if (type == biff::kBoundSheet)
                sheetOffsets << biff::u32(p + pos + 4);
            dimensions += type == biff::kDimensions;
            if (type == biff::kContinue) {
                ++continues;
                QVERIFY(previous == biff::kSst || previous == biff::kContinue);
                // The long string's characters go on: the option byte says UTF-16.
                QCOMPARE(p[pos + 4], 1);
                QCOMPARE(size % 2, 1u);
            }
            previous = type;
        }
        QCOMPARE(continues, 4);  // 40,000 bytes of characters: five records
        QCOMPARE(dimensions, 2);  // also for the empty sheet
        for (std::uint32_t at : sheetOffsets)
            QVERIFY(bofs.contains(at));
        QVERIFY(stream.size() >= 4096);  // kept out of the small-block area
    }

    // A workbook without sheets; one with features a rewrite would lose is
    // refused as the store commits it.
    void refusesWhatItCannotKeep() { QVERIFY_THROWS_EXCEPTION(decks::FormatError, xls::writeBiff(decks::Workbook())); }
};

QTEST_GUILESS_MAIN(XlsTest)
#include "tst_xls.moc"
