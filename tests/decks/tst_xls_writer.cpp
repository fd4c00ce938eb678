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
    const auto *p = reinterpret_cast<const std::uint8_t *>(stream.constData());
    auto u16 = [&](std::size_t at) { return xls::biff::u16(p + at); };
    // Up to the end or the zero padding.
    for (std::size_t pos = 0; pos + 4 <= std::size_t(stream.size()) && u16(pos) != 0; pos += 4 + u16(pos + 2))
        out.push_back({u16(pos), pos, stream.mid(qsizetype(pos + 4), u16(pos + 2))});
    return out;
}

QString repeated(const QString &unit, int length) { return unit.repeated(length / unit.size() + 1).left(length); }

}  // namespace

class XlsWriterTest : public QObject {
    Q_OBJECT

private slots:
    // What the writer writes reads back as `expected` (the workbook itself
    // unless given) in our reader, in xlrd and, where it can, in FreeXL.
    void roundTrip_data()
    {
        QTest::addColumn<xls::Workbook>("wb");
        QTest::addColumn<xls::Workbook>("expected");
        QTest::addColumn<bool>("freexlCanRead");  // FreeXL stops at strings over 3+ records
        auto row = [](const char *name, const xls::Workbook &wb, bool freexl, const xls::Workbook &expected = {}) {
            QTest::newRow(name) << wb << (expected.sheets.empty() ? wb : expected) << freexl;
        };
        const QVariant none;
        row("numbers", xls::deckWorkbook({{42.0, -3.5}, {1e20, 1.25e-7}, {0.1, 123456789012345.0}}), true);
        {
            xls::Workbook wb = xls::deckWorkbook({{"q", none}, {none, "a"}, {"q2", "a2"}, {none, none}});
            for (auto [r, c] : {std::pair{0, 1}, {1, 0}, {3, 0}, {3, 1}})
                wb.sheets[0].setCell(r, c, Cell::blank());
            row("blanks and an all-blank last row", wb, true);
            wb.sheets[0].setCell(0, 1, Cell::fromText(""));
            wb.sheets[0].setCell(1, 1, Cell::fromText(""));
            row("empty texts stay texts", wb, false);  // FreeXL then reads no sheet at all
        }
        row("wide text over many records",
            xls::deckWorkbook({{"long", repeated(QString::fromUtf8("жёлтый "), 30000)},
                               {repeated(QString::fromUtf8("é"), 20000), "after"}}),
            false);
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
            row("boundaries", xls::deckWorkbook(rows), true);
        }
        {
            xls::Workbook wb = xls::deckWorkbook({{"q", "a"}});
            wb.sheets[0].setCell(0, 5, Cell::fromBool(true));
            wb.sheets[0].setCell(3, 255, Cell::fromError(0x2A));
            xls::Sheet other;
            other.name = QString::fromUtf8("Заметки");
            other.visibility = 1;
            other.setCell(65535, 0, Cell::fromText("far down"));
            wb.sheets.insert(wb.sheets.begin(), other);
            row("other sheets, far cells, booleans", wb, false);
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
                xls::deckWorkbook({{text, answer}, {QStringLiteral("x") + QChar(0xD83D), QChar(0xDE42) + QStringLiteral("y")}}),
                false, xls::deckWorkbook({{text, answer}, {QStringLiteral("x\uFFFD"), QStringLiteral("\uFFFDy")}}));
        }
    }

    void roundTrip()
    {
        QFETCH(xls::Workbook, wb);
        QFETCH(xls::Workbook, expected);
        QFETCH(bool, freexlCanRead);
        const QByteArray file = xls::writeWorkbookFile(wb);
        const xls::Workbook back = xls::readWorkbookFile(file);
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
        xls::Workbook wb = xls::deckWorkbook({{repeated(QString::fromUtf8("ж"), 20000), QVariant()}, {"x", 1.0}});
        wb.sheets.push_back(xls::newWorkbook("Two").sheets[0]);
        const QByteArray stream = xls::writeBiff(wb);
        const std::vector<RecordInfo> recs = walk(stream);
        auto count = [&](std::uint16_t type) {
            return static_cast<int>(std::count_if(recs.begin(), recs.end(), [&](auto &r) { return r.type == type; }));
        };
        QCOMPARE(count(xls::biff::kContinue), 4);  // 40,000 bytes of characters: five records
        QCOMPARE(count(xls::biff::kDimensions), 2);  // also for the empty sheet
        for (std::size_t i = 0; i < recs.size(); ++i) {
            QVERIFY(recs[i].data.size() <= 8224);
            if (recs[i].type == xls::biff::kContinue) {
                QVERIFY(recs[i - 1].type == xls::biff::kSst || recs[i - 1].type == xls::biff::kContinue);
                // The long string's characters go on: the option byte says UTF-16.
                QCOMPARE(recs[i].data.at(0), '\1');
                QCOMPARE(recs[i].data.size() % 2, 1);
            }
            if (recs[i].type == xls::biff::kBoundSheet) {
                const std::uint32_t at = xls::biff::u32(reinterpret_cast<const std::uint8_t *>(recs[i].data.data()));
                QVERIFY(std::any_of(recs.begin(), recs.end(),
                                    [&](auto &r) { return r.offset == at && r.type == xls::biff::kBof; }));
            }
        }
        QVERIFY(stream.size() >= 4096);  // kept out of the small-block area
    }

    // A workbook without sheets; one with features a rewrite would lose is
    // refused as the store commits it.
    void refusesWhatItCannotKeep() { QVERIFY_THROWS_EXCEPTION(xls::XlsError, xls::writeBiff(xls::Workbook())); }
};

QTEST_GUILESS_MAIN(XlsWriterTest)
#include "tst_xls_writer.moc"
