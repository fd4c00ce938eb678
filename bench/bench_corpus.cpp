// Reads every file under the folders given with the deck readers and says,
// per file and per origin folder, what came of it: the cards of its study
// copy, a workbook without the card sheet, or the reason it was refused.
//   bench_corpus FOLDER... > files.tsv   (the summary goes to stderr)
//   bench_corpus --show FILE...          (prints each file's study copy)
//   bench_corpus --cells FILE...         (prints the first rows of every sheet)
// Each file's line carries a checksum of its study copy, so that two runs
// (before and after a change to a reader) can be compared line by line.

#include "decks/DeckFormat.h"
#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDirIterator>
#include <QFile>
#include <QMap>

#include <cstdio>

namespace {

const char *kindName(decks::FormatError::Kind kind)
{
    switch (kind) {
    case decks::FormatError::Kind::NotWorkbook: return "not a workbook";
    case decks::FormatError::Kind::Damaged: return "damaged";
    case decks::FormatError::Kind::TooLarge: return "too large";
    case decks::FormatError::Kind::Protected: return "protected";
    case decks::FormatError::Kind::UnsupportedVersion: return "unsupported version";
    }
    return "?";
}

struct Tally {
    int files = 0, read = 0, cards = 0, noCardSheet = 0;
    QMap<QString, int> refused;
};

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QMap<QString, Tally> tallies;
    if (app.arguments().value(1) == QLatin1String("--cells")) {
        for (const QString &path : app.arguments().mid(2)) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            try {
                const decks::DeckContent deck = decks::readDeckContent(f.readAll());
                for (const decks::Sheet &sheet : deck.workbook.sheets) {
                    std::printf("[%s]\n", qPrintable(sheet.name));
                    for (std::size_t r = 0; r < std::min<std::size_t>(sheet.rows.size(), 8); ++r)
                        for (const decks::CellEntry &e : sheet.rows[r].cells)
                            std::printf("  %d,%d %s\n", sheet.rows[r].index, e.column,
                                        e.cell.type == decks::CellType::Text ? qPrintable(e.cell.text)
                                                                              : qPrintable(QString::number(e.cell.number)));
                }
            } catch (const std::exception &e) {
                std::printf("%s\n", e.what());
            }
        }
        return 0;
    }
    if (app.arguments().value(1) == QLatin1String("--show")) {
        for (const QString &path : app.arguments().mid(2)) {
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            try {
                decks::DeckConnection c;
                c.OpenData(f.readAll(), decks::DeckConnection::Mode::ReadOnly);
                decks::DeckRecordset rs;
                rs.Open(c);
                std::printf("%s\n", qPrintable(decks::buildStudyCopyText(rs)));
            } catch (const std::exception &e) {
                std::printf("%s\n", e.what());
            }
        }
        return 0;
    }
    for (const QString &root : app.arguments().mid(1)) {
        QDirIterator it(root, QDir::Files, QDirIterator::Subdirectories);
        QStringList paths;
        while (it.hasNext())
            paths << it.next();
        paths.sort();
        for (const QString &path : paths) {
            if (path.endsWith(QLatin1String(".md")))
                continue;
            QString origin = QDir(root).relativeFilePath(path).section(u'/', 0, -2);
            if (origin.isEmpty())
                origin = QDir(root).dirName();
            Tally &t = tallies[origin];
            ++t.files;
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            const QByteArray bytes = f.readAll();
            QString result, sum;
            try {
                decks::readDeckContent(bytes);
                try {
                    decks::DeckConnection c;
                    c.OpenData(bytes, decks::DeckConnection::Mode::ReadOnly);
                    decks::DeckRecordset rs;
                    rs.Open(c);
                    const QString copy = decks::buildStudyCopyText(rs);
                    const int cards = static_cast<int>(copy.count(QLatin1String("<Card>")));
                    ++t.read;
                    t.cards += cards;
                    result = QStringLiteral("read\t%1").arg(cards);
                    sum = QString::fromLatin1(
                        QCryptographicHash::hash(copy.toUtf8(), QCryptographicHash::Md5).toHex().left(12));
                } catch (const decks::DeckError &e) {
                    ++t.noCardSheet;
                    result = QStringLiteral("no cards\t0\t") + QString::fromUtf8(e.what());
                }
            } catch (const decks::FormatError &e) {
                const QString kind = QString::fromLatin1(kindName(e.kind()));
                ++t.refused[kind];
                result = QStringLiteral("refused\t%1: %2").arg(kind, QString::fromUtf8(e.what()));
            }
            std::printf("%s\t%s\t%s\n", qPrintable(QDir(root).relativeFilePath(path)), qPrintable(result),
                        qPrintable(sum));
        }
    }
    std::fprintf(stderr, "| origin | files | read | cards | no Sheet1 | refused |\n|---|---|---|---|---|---|\n");
    for (auto it = tallies.cbegin(); it != tallies.cend(); ++it) {
        QStringList refused;
        for (auto r = it->refused.cbegin(); r != it->refused.cend(); ++r)
            refused << QStringLiteral("%1 %2").arg(r.value()).arg(r.key());
        std::fprintf(stderr, "| %s | %d | %d | %d | %d | %s |\n", qPrintable(it.key()), it->files, it->read,
                     it->cards, it->noCardSheet, qPrintable(refused.join(QLatin1String(", "))));
    }
    return 0;
}
