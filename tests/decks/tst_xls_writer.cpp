// The BIFF8 writer: what it writes must read back the same in our reader,
// in xlrd and in FreeXL, and keep to the record rules of the format.

#include "DeckTestSupport.h"

#include "decks/xls/Biff.h"
#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"

#include <QTemporaryDir>
#include <QtTest>


using namespace decktest;
using xls::Cell;

Q_DECLARE_METATYPE(xls::Workbook)

namespace {

struct RecordInfo {
    std::uint16_t type;
    std::size_t offset;
    QByteArray data;
};

std::vector<RecordInfo> walk(const QByteArray &stream)
{
    std::vector<RecordInfo> out;
    std::size_t pos = 0;
    const auto *p = reinterpret_cast<const std::uint8_t *>(stream.constData());
    while (pos + 4 <= static_cast<std::size_t>(stream.size())) {
        std::uint16_t type = xls::biff::u16(p + pos), len = xls::biff::u16(p + pos + 2);
        if (type == 0 && len == 0)
            break;  // padding
        out.push_back({type, pos, stream.mid(static_cast<qsizetype>(pos + 4), len)});
        pos += 4 + len;
    }
    return out;
}

QString repeated(const QString &unit, int length)
{
    QString s;
    while (s.size() < length)
        s += unit;
    return s.left(length);
}

xls::Workbook deckOf(const QList<QPair<Cell, Cell>> &rows)
{
    xls::Workbook wb = xls::newWorkbook("Sheet1");
    for (int i = 0; i < rows.size(); ++i) {
        wb.sheets[0].setCell(i, 0, rows[i].first);
        wb.sheets[0].setCell(i, 1, rows[i].second);
    }
    return wb;
}

}  // namespace

class XlsWriterTest : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void recordsKeepTheFormatRules();
    void emptyTextStaysText();
    void charactersBeyondTheBmp_data();
    void charactersBeyondTheBmp();
    void formatsAndOtherStreamsSurvive();
    void refusesWhatItCannotKeep();
};

void XlsWriterTest::roundTrip_data()
{
    QTest::addColumn<xls::Workbook>("wb");
    QTest::addColumn<bool>("freexlCanRead");  // FreeXL stops at strings over 3+ records

    QTest::newRow("plain") << deckOf({{Cell::fromText("Question"), Cell::fromText("Answer")},
                                      {Cell::fromText("France"), Cell::fromText("Paris")}})
                           << true;
    QTest::newRow("non-latin and apostrophes")
        << deckOf({{Cell::fromText("What's \"this\"?"), Cell::fromText("l'été – ok")},
                   {Cell::fromText(QString::fromUtf8("Хлеб")), Cell::fromText(QString::fromUtf8("漢字 и 🙂"))}})
        << true;
    QTest::newRow("numbers") << deckOf({{Cell::fromNumber(42), Cell::fromNumber(-3.5)},
                                        {Cell::fromNumber(1e20), Cell::fromNumber(1.25e-7)},
                                        {Cell::fromNumber(0.1), Cell::fromNumber(123456789012345.0)}})
                             << true;
    QTest::newRow("blanks and an all-blank last row")
        << deckOf({{Cell::fromText("q"), Cell::blank()},
                   {Cell::blank(), Cell::fromText("a")},
                   {Cell::fromText("q2"), Cell::fromText("a2")},
                   {Cell::blank(), Cell::blank()}})
        << true;
    QTest::newRow("latin text over two records")
        << deckOf({{Cell::fromText("long"), Cell::fromText(repeated("Lorem ipsum ", 10000))}}) << true;
    QTest::newRow("wide text over many records")
        << deckOf({{Cell::fromText("long"), Cell::fromText(repeated(QString::fromUtf8("жёлтый "), 30000))},
                   {Cell::fromText(repeated(QString::fromUtf8("é"), 20000)), Cell::fromText("after")}})
        << false;
    {
        // Thousands of strings of many lengths in both widths, so that record
        // ends fall before a header, inside one, between two characters of
        // either width and just after a string.
        xls::Workbook wb = xls::newWorkbook("Sheet1");
        for (int row = 0; row < 1500; ++row) {
            const int n = (row * 7919) % 97 + 1;
            wb.sheets[0].setCell(row, 0, Cell::fromText(repeated("ab", n) + QString::number(row)));
            wb.sheets[0].setCell(row, 1, Cell::fromText(repeated(QString::fromUtf8("жё"), n % 41 + 1)
                                                        + QString::number(row)));
        }
        wb.sheets[0].setCell(1500, 0, Cell::fromText(repeated("b", 8219)));
        wb.sheets[0].setCell(1500, 1, Cell::fromText(repeated(QString::fromUtf8("ж"), 4109)));
        QTest::newRow("boundaries") << wb << true;
    }
    {
        xls::Workbook wb = deckOf({{Cell::fromText("q"), Cell::fromText("a")}});
        wb.sheets[0].setCell(0, 5, Cell::fromBool(true));
        wb.sheets[0].setCell(3, 255, Cell::fromError(0x2A));
        xls::Sheet other;
        other.name = QString::fromUtf8("Заметки");
        other.visibility = 1;
        other.setCell(65535, 0, Cell::fromText("far down"));
        wb.sheets.insert(wb.sheets.begin(), other);
        QTest::newRow("other sheets, far cells, booleans") << wb << false;
    }
}

void XlsWriterTest::roundTrip()
{
    QFETCH(xls::Workbook, wb);
    QFETCH(bool, freexlCanRead);
    const QByteArray file = xls::writeWorkbookFile(wb);

    const xls::Workbook back = xls::readWorkbookFile(file);
    QCOMPARE(cellsDiff(modelJson(back), modelJson(wb)), QString());
    QCOMPARE(back.sheets.size(), wb.sheets.size());
    for (std::size_t i = 0; i < wb.sheets.size(); ++i)
        QCOMPARE(back.sheets[i].visibility, wb.sheets[i].visibility);

    QTemporaryDir dir;
    const QString path = dir.filePath("deck.xls");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();

    QString error;
    const QJsonObject xlrd = xlrdJson(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(cellsDiff(modelJson(wb), xlrd), QString());

    if (freexlCanRead) {
        const QJsonObject fx = freexlJson(path, &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(cellsDiff(withoutBlanks(modelJson(wb)), fx), QString());
    }
}

void XlsWriterTest::recordsKeepTheFormatRules()
{
    xls::Workbook wb = deckOf({{Cell::fromText(repeated(QString::fromUtf8("ж"), 20000)), Cell::blank()},
                               {Cell::fromText("x"), Cell::fromNumber(1)}});
    xls::Sheet second;
    second.name = "Two";
    wb.sheets.push_back(second);
    const QByteArray stream = xls::writeBiff(wb);
    const auto recs = walk(stream);

    std::vector<std::uint32_t> sheetOffsets;
    int dimensions = 0, blanks = 0, continues = 0;
    std::uint16_t previous = 0;
    for (const RecordInfo &r : recs) {
        QVERIFY(r.data.size() <= 8224);
        if (r.type == xls::biff::kBoundSheet)
            sheetOffsets.push_back(xls::biff::u32(reinterpret_cast<const std::uint8_t *>(r.data.constData())));
        if (r.type == xls::biff::kDimensions)
            ++dimensions;
        if (r.type == xls::biff::kBlank)
            ++blanks;
        if (r.type == xls::biff::kContinue) {
            QVERIFY(previous == xls::biff::kSst || previous == xls::biff::kContinue);
            // The long string's characters go on: the option byte says UTF-16.
            QCOMPARE(r.data.at(0), '\1');
            QCOMPARE(r.data.size() % 2, 1);
            ++continues;
        }
        previous = r.type;
    }
    QCOMPARE(continues, 4);  // 40,000 bytes of characters: five records
    QCOMPARE(dimensions, 2);  // also for the empty sheet
    QCOMPARE(blanks, 1);
    QCOMPARE(sheetOffsets.size(), std::size_t(2));
    for (std::uint32_t off : sheetOffsets) {
        auto it = std::find_if(recs.begin(), recs.end(), [&](const RecordInfo &r) { return r.offset == off; });
        QVERIFY(it != recs.end());
        QCOMPARE(it->type, std::uint16_t(xls::biff::kBof));
    }
    QVERIFY(stream.size() >= 4096);  // kept out of the small-block area
}

void XlsWriterTest::emptyTextStaysText()
{
    xls::Workbook wb = deckOf({{Cell::fromText("q"), Cell::fromText("")}, {Cell::blank(), Cell::fromText("")}});
    const xls::Workbook back = xls::readBiff(xls::writeBiff(wb));
    QCOMPARE(back.sheets[0].cell(0, 1)->type, xls::CellType::Text);
    QCOMPARE(back.sheets[0].cell(1, 0)->type, xls::CellType::Blank);
    QCOMPARE(back.sheets[0].cell(1, 1)->type, xls::CellType::Text);
}

// A character outside the Basic Multilingual Plane is never split between
// a record and its CONTINUE record, wherever the record boundary falls, and
// a lone surrogate half is written as U+FFFD.
void XlsWriterTest::charactersBeyondTheBmp_data()
{
    QTest::addColumn<int>("lead");
    // The first string's characters fill the SST record after 4,106 wide
    // characters: these leads put the boundary before, inside and after
    // a pair.
    for (int lead = 4102; lead <= 4108; ++lead)
        QTest::newRow(qPrintable(QString::number(lead))) << lead;
}

void XlsWriterTest::charactersBeyondTheBmp()
{
    QFETCH(int, lead);
    const QString emoji = QString::fromUtf8("\xF0\x9F\x99\x82");
    const QString text = repeated(QString::fromUtf8("ж"), lead) + emoji + emoji + emoji;
    QString lone = QStringLiteral("x");
    lone.append(QChar(0xD83D));
    xls::Workbook wb = deckOf({{Cell::fromText(text), Cell::fromText(QStringLiteral("answer 1 ") + emoji)},
                               {Cell::fromText(lone), Cell::fromText(QString(QChar(0xDE42)) + "y")}});
    const QByteArray file = xls::writeWorkbookFile(wb);
    xls::Workbook expected = wb;
    expected.sheets[0].setCell(1, 0, Cell::fromText(QStringLiteral("x\uFFFD")));
    expected.sheets[0].setCell(1, 1, Cell::fromText(QStringLiteral("\uFFFDy")));
    QCOMPARE(cellsDiff(modelJson(xls::readWorkbookFile(file)), modelJson(expected)), QString());

    QTemporaryDir dir;
    const QString path = dir.filePath("deck.xls");
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    QString error;
    const QJsonObject xlrd = xlrdJson(path, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(cellsDiff(modelJson(expected), xlrd), QString());
}

void XlsWriterTest::formatsAndOtherStreamsSurvive()
{
    const xls::Workbook wb = xls::readWorkbookFile(readFile(dataPath("mixed-libreoffice.xls")));
    QVERIFY(!wb.otherStreams.empty());
    QVERIFY(!wb.formatRecords.empty());
    const xls::Workbook back = xls::readWorkbookFile(xls::writeWorkbookFile(wb));
    // The empty-text cell among them stays an empty text.
    QCOMPARE(wb.sheets[1].cell(6, 1)->type, xls::CellType::Text);
    QCOMPARE(cellsDiff(modelJson(back), modelJson(wb)), QString());
    QVERIFY(back.formatRecords == wb.formatRecords);
    QVERIFY(back.otherStreams == wb.otherStreams);
    for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
        QVERIFY(back.sheets[i].columnRecords == wb.sheets[i].columnRecords);
        for (const xls::Row &r : wb.sheets[i].rows)
            for (const xls::CellEntry &e : r.cells)
                QCOMPARE(back.sheets[i].cell(r.index, e.column)->xf, e.cell.xf);
    }
}

void XlsWriterTest::refusesWhatItCannotKeep()
{
    xls::Workbook wb = deckOf({{Cell::fromText("q"), Cell::fromText("a")}});
    wb.unsupported << "formulas";
    QVERIFY_THROWS_EXCEPTION(xls::XlsError, xls::writeBiff(wb));
    xls::Workbook noSheets;
    QVERIFY_THROWS_EXCEPTION(xls::XlsError, xls::writeBiff(noSheets));
}

QTEST_GUILESS_MAIN(XlsWriterTest)
#include "tst_xls_writer.moc"
