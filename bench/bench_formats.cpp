// Times the conversion to the study copy (open read-only, build the text,
// write the file) of one 32,000-card deck as .xls, and as .xlsx and .ods
// written from it by LibreOffice (soffice, when installed; otherwise those
// rows are skipped). The study copies of all three must be the same. Then
// the time the XML parser takes only to walk through each large part,
// inflated from the archive as the readers have it: the floor under any
// reader built on it.
// Usage: bench_formats [rounds]   (default 7; the median of each is shown)

#include "BenchSupport.h"

#include "app/FileSystemObject.h"
#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/zip/XmlPart.h"
#include "decks/zip/ZipArchive.h"

#include <QTemporaryDir>

namespace {

constexpr int kCards = 32000;

QString convert(const QString &deck, const QString &studyCopy)
{
    decks::DeckConnection c;
    c.Open(deck, decks::DeckConnection::Mode::ReadOnly);
    decks::DeckRecordset rs;
    rs.Open(c);
    const QString text = decks::buildStudyCopyText(rs);
    FileSystemObject().WriteTextLine(studyCopy, text);
    return text;
}

// The time the readers' XML layer takes only to inflate and walk through
// the tokens of a part of the archive, doing nothing with them: the least
// any reader built on it can spend on that part.
double tokensOnlyMs(const QString &archive, const QString &part, int rounds)
{
    QFile f(archive);
    if (!f.open(QIODevice::ReadOnly))
        bench::fail("bench_formats", "cannot read a converted deck");
    const QByteArray bytes = f.readAll();
    const deckzip::ZipArchive zip(bytes);
    std::vector<double> t;
    for (int r = 0; r < rounds; ++r)
        t.push_back(bench::timeMs([&] {
            deckzip::XmlPart xml(zip, part, qint64(256) << 20);
            while (xml.next()) {
            }
        }));
    return bench::median(t);
}

}  // namespace

int main(int argc, char **argv)
{
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 7;
    QTemporaryDir dir;
    if (!dir.isValid())
        bench::fail("bench_formats", "no temporary folder");
    const QString xls = dir.filePath(QStringLiteral("bench.xls"));
    {
        const QByteArray deck = bench::makeDeck(kCards);
        QFile f(xls);
        if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size())
            bench::fail("bench_formats", "cannot write the deck");
    }
    QStringList files{xls};
    files << bench::sofficeCopies(dir, xls, {QStringLiteral("xlsx"), QStringLiteral("ods")});

    std::printf("deck: %d cards; median of %d rounds\n", kCards, rounds);
    std::printf("%-8s %10s %12s %12s\n", "format", "bytes", "convert ms", "x .xls");
    double xlsTime = 0;
    QString xlsText;
    for (const QString &file : files) {
        std::vector<double> t;
        QString text;
        for (int r = 0; r < rounds; ++r)
            t.push_back(bench::timeMs([&] { text = convert(file, dir.filePath(QStringLiteral("bench.xml"))); }));
        const double ms = bench::median(t);
        if (file == xls) {
            xlsTime = ms;
            xlsText = text;
        } else if (text != xlsText) {
            bench::fail("bench_formats", "a study copy differs from the .xls deck's");
        }
        const QString suffix = QFileInfo(file).suffix();
        std::printf("%-8s %10lld %12.2f %12.2f%s\n", qPrintable(suffix), static_cast<long long>(QFileInfo(file).size()),
                    ms, ms / xlsTime,
                    suffix == u"xlsx" ? "   (goal <= 3)" : suffix == u"ods" ? "   (goal <= 3.5)" : "");
    }
    // What the XML parser alone costs, beside the .xls conversion.
    const QStringList parts{QStringLiteral("xlsx:xl/worksheets/sheet1.xml"), QStringLiteral("xlsx:xl/sharedStrings.xml"),
                            QStringLiteral("ods:content.xml")};
    std::printf("\nlibxml2's push parser under XmlPart, inflated from the archive, tokens only (no reader of ours):\n");
    for (const QString &entry : parts) {
        const QString suffix = entry.section(':', 0, 0), part = entry.section(':', 1);
        const QString file = dir.filePath(QStringLiteral("bench.") + suffix);
        if (!files.contains(file))
            continue;
        const double ms = tokensOnlyMs(file, part, rounds);
        std::printf("%-5s %-28s %12.2f %12.2f\n", qPrintable(suffix), qPrintable(part), ms, ms / xlsTime);
    }
    return 0;
}
