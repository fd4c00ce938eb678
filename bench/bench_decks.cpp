// Times the deck layer on a 32,000-card deck made by the project's writer:
//   FreeXL reading every cell (a peer reader, the yardstick),
//   our reader opening the deck read-only and walking every row,
//   the conversion to the study copy (open read-only, build the text, write
//   the file) and loading the study copy back,
//   one editing rewrite (open for editing, change one field, commit),
//   a plain write of as many bytes through QSaveFile.
// Usage: bench_decks [rounds]   (default 7; the median of each is shown)

#include "BenchSupport.h"

#include "app/FileSystemObject.h"
#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/StudyDocument.h"

#include <QSaveFile>
#include <QTemporaryDir>

namespace {

constexpr int kCards = 32000;

void fail(const char *what)
{
    bench::fail("bench_decks", what);
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir dir;
    if (!dir.isValid())
        fail("no temporary folder");
    const QString path = dir.filePath(QStringLiteral("bench.xls"));
    const QString studyCopy = dir.filePath(QStringLiteral("bench.xml"));
    const QByteArray deck = bench::makeDeck(kCards);
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size())
            fail("cannot write the deck");
    }

    std::vector<double> tFreexl, tReader, tConvert, tLoad, tRewrite, tPlain;
    long long checksum = 0;
    int cards = 0;
    for (int r = 0; r < rounds; ++r) {
        tFreexl.push_back(bench::timeMs([&] {
            const long cells = bench::freexlCellCount(path);
            if (cells < 0)
                fail("FreeXL cannot open the deck");
            checksum += cells;
        }));

        tReader.push_back(bench::timeMs([&] {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::ReadOnly);
            decks::DeckRecordset rs;
            rs.Open(c);
            while (!rs.EOF_()) {
                checksum += rs.Field(0).toString().size() + rs.Field(1).toString().size();
                rs.MoveNext();
            }
        }));

        tConvert.push_back(bench::timeMs([&] {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::ReadOnly);
            decks::DeckRecordset rs;
            rs.Open(c);
            FileSystemObject().WriteTextLine(studyCopy, decks::buildStudyCopyText(rs));
        }));
        tLoad.push_back(bench::timeMs([&] {
            decks::StudyDocument doc;
            if (!doc.load(studyCopy))
                fail("the study copy does not load");
            cards = doc.documentElement().childCount();
        }));

        tRewrite.push_back(bench::timeMs([&] {
            decks::DeckConnection c;
            c.Open(path, decks::DeckConnection::Mode::Edit);
            decks::DeckRecordset rs;
            rs.Open(c);
            rs.SetAbsolutePosition(1 + r % 100);
            rs.SetField(1, QStringLiteral("changed %1").arg(r));
            c.Commit();
        }));

        const QString plainPath = dir.filePath(QStringLiteral("plain.bin"));
        tPlain.push_back(bench::timeMs([&] {
            QSaveFile f(plainPath);
            if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size() || !f.commit())
                fail("plain write failed");
        }));
    }
    if (cards != kCards)
        fail("the study copy does not hold every card");

    const double freexl = bench::median(tFreexl), reader = bench::median(tReader),
                 convert = bench::median(tConvert), load = bench::median(tLoad),
                 rewrite = bench::median(tRewrite), plain = bench::median(tPlain);
    std::printf("deck: %d cards, %lld bytes; median of %d rounds (checksum %lld)\n", kCards,
                static_cast<long long>(deck.size()), rounds, checksum);
    std::printf("%-50s %10s\n", "step", "ms");
    std::printf("%-50s %10.2f\n", "FreeXL reads every cell", freexl);
    std::printf("%-50s %10.2f   %.2f x FreeXL (goal <= 1)\n", "our reader: open read-only, walk every row", reader,
                reader / freexl);
    std::printf("%-50s %10.2f\n", "conversion: open, build the study copy, write it", convert);
    std::printf("%-50s %10.2f\n", "load the study copy", load);
    std::printf("%-50s %10.2f   %.2f x FreeXL (goal <= 3)\n", "  conversion + load", convert + load,
                (convert + load) / freexl);
    std::printf("%-50s %10.2f   %.2f x plain write (goal <= 10)\n",
                "rewrite: open for editing, one field, commit", rewrite, rewrite / plain);
    std::printf("%-50s %10.2f\n", "plain write of as many bytes (QSaveFile)", plain);
    return 0;
}
