// Times the deck layer on a 32,000-card deck made by the project's writer:
//   FreeXL reading every cell (a peer reader, the yardstick),
//   our reader opening the deck read-only and walking every row,
//   building the study copy text and loading it as an XML document,
//   one editing rewrite (open for editing, change one field, commit),
//   a plain write of as many bytes through QSaveFile.
// Usage: bench_decks [rounds]   (default 7; the median of each is shown)

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/xls/BiffWriter.h"
#include "decks/xls/Workbook.h"

#include <QDomDocument>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <freexl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int kCards = 32000;

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double timeMs(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

void fail(const char *what)
{
    std::fprintf(stderr, "bench_decks: %s\n", what);
    std::exit(1);
}

QByteArray makeDeck()
{
    xls::Workbook wb = xls::newWorkbook(QStringLiteral("Sheet1"));
    xls::Sheet &s = wb.sheets.front();
    s.setCell(0, 0, xls::Cell::fromText(QStringLiteral("Question")));
    s.setCell(0, 1, xls::Cell::fromText(QStringLiteral("Answer")));
    // Plain cards, with a number answer in one card of ten and characters
    // the study copy escapes (quotes, &, <, >, en dash) in another.
    for (int i = 1; i <= kCards; ++i) {
        s.setCell(i, 0, xls::Cell::fromText(QStringLiteral("What is word number %1 of list %2?").arg(i).arg(i % 97)));
        if (i % 10 == 0)
            s.setCell(i, 1, xls::Cell::fromNumber(i * 1.5));
        else if (i % 10 == 5)
            s.setCell(i, 1, xls::Cell::fromText(QStringLiteral("\"Answer\" %1 – café & <tag>").arg(i)));
        else
            s.setCell(i, 1, xls::Cell::fromText(QStringLiteral("The answer to card %1").arg(i)));
    }
    return xls::writeWorkbookFile(wb);
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir dir;
    if (!dir.isValid())
        fail("no temporary folder");
    const QString path = dir.filePath(QStringLiteral("bench.xls"));
    const QByteArray deck = makeDeck();
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size())
            fail("cannot write the deck");
    }
    const QByteArray path8 = path.toLocal8Bit();

    std::vector<double> tFreexl, tReader, tBuild, tLoad, tRewrite, tPlain;
    long long checksum = 0;
    int cards = 0;
    for (int r = 0; r < rounds; ++r) {
        tFreexl.push_back(timeMs([&] {
            const void *h = nullptr;
            if (freexl_open(path8.constData(), &h) != FREEXL_OK)
                fail("FreeXL cannot open the deck");
            unsigned int rows = 0;
            unsigned short cols = 0;
            freexl_select_active_worksheet(h, 0);
            freexl_worksheet_dimensions(h, &rows, &cols);
            for (unsigned int row = 0; row < rows; ++row) {
                for (unsigned short col = 0; col < cols; ++col) {
                    FreeXL_CellValue v;
                    if (freexl_get_cell_value(h, row, col, &v) == FREEXL_OK)
                        checksum += v.type;
                }
            }
            freexl_close(h);
        }));

        tReader.push_back(timeMs([&] {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::ReadOnly);
            decks::DeckRecordset rs;
            rs.Open(c);
            while (!rs.EOF_()) {
                checksum += rs.Field(0).toString().size() + rs.Field(1).toString().size();
                rs.MoveNext();
            }
        }));

        QString text;
        {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::ReadOnly);
            decks::DeckRecordset rs;
            rs.Open(c);
            tBuild.push_back(timeMs([&] { text = decks::buildStudyCopyText(rs); }));
        }
        tLoad.push_back(timeMs([&] {
            QDomDocument doc;
            if (!doc.setContent((text + QStringLiteral("\r\n")).toUtf8()))
                fail("the study copy does not load");
            cards = doc.documentElement().childNodes().count();
        }));

        tRewrite.push_back(timeMs([&] {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::Edit);
            decks::DeckRecordset rs;
            rs.Open(c);
            rs.SetAbsolutePosition(1 + r % 100);
            rs.SetField(1, QStringLiteral("changed %1").arg(r));
            c.Commit();
        }));

        const QString plainPath = dir.filePath(QStringLiteral("plain.bin"));
        tPlain.push_back(timeMs([&] {
            QSaveFile f(plainPath);
            if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size() || !f.commit())
                fail("plain write failed");
        }));
    }

    const double freexl = median(tFreexl), reader = median(tReader), build = median(tBuild),
                 load = median(tLoad), rewrite = median(tRewrite), plain = median(tPlain);
    std::printf("deck: %d cards, %lld bytes; study copy: %d cards; median of %d rounds (checksum %lld)\n", kCards,
                static_cast<long long>(deck.size()), cards, rounds, checksum);
    std::printf("%-44s %10s\n", "step", "ms");
    std::printf("%-44s %10.2f\n", "FreeXL reads every cell", freexl);
    std::printf("%-44s %10.2f   %.2f x FreeXL (goal <= 1)\n", "our reader: open read-only, walk every row", reader,
                reader / freexl);
    std::printf("%-44s %10.2f\n", "study copy text (buildStudyCopyText)", build);
    std::printf("%-44s %10.2f\n", "load it (QDomDocument::setContent, count)", load);
    std::printf("%-44s %10.2f   %.2f x FreeXL (goal <= 3)\n", "  conversion + load", build + load,
                (build + load) / freexl);
    std::printf("%-44s %10.2f   %.2f x plain write (goal <= 10)\n", "rewrite: open for editing, one field, commit",
                rewrite, rewrite / plain);
    std::printf("%-44s %10.2f\n", "plain write of as many bytes (QSaveFile)", plain);
    return 0;
}
