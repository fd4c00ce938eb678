#pragma once
// What the benchmarks share: timing, a large generated deck, and FreeXL's
// read of a deck (a peer reader, the yardstick for reading), through the
// deck tests' FreeXL reader.

#include "FreeXlReader.h"

#include "decks/xls/BiffWriter.h"
#include "decks/Workbook.h"

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QUrl>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace bench {

inline double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

inline double timeMs(const std::function<void()> &f)
{
    QElapsedTimer t;
    t.start();
    f();
    return static_cast<double>(t.nsecsElapsed()) / 1e6;
}

[[noreturn]] inline void fail(const char *program, const char *what)
{
    std::fprintf(stderr, "%s: %s\n", program, what);
    std::exit(1);
}

// A deck of the given number of cards under a title row: ordinary texts,
// some numbers, and answers with quotes, an en dash and markup characters.
inline QByteArray makeDeck(int cards)
{
    QList<QPair<QVariant, QVariant>> rows{{QStringLiteral("Question"), QStringLiteral("Answer")}};
    for (int i = 1; i <= cards; ++i) {
        const QString question = QStringLiteral("What is word number %1 of list %2?").arg(i).arg(i % 97);
        if (i % 10 == 0)
            rows.append({question, i * 1.5});
        else if (i % 10 == 5)
            rows.append({question, QStringLiteral("\"Answer\" %1 \u2013 caf\u00e9 & <tag>").arg(i)});
        else
            rows.append({question, QStringLiteral("The answer to card %1").arg(i)});
    }
    return xls::writeWorkbookFile(decks::deckWorkbook(rows));
}

// A program folder with the reveal pictures and one deck.
inline QString makeProgramFolder(const QTemporaryDir &dir, const QByteArray &deck, const QString &deckName)
{
    QDir root(dir.path());
    root.mkpath(QStringLiteral("Images"));
    root.mkpath(QStringLiteral("Decks/Deck1"));
    QImage face(186, 42, QImage::Format_RGB32);
    face.fill(Qt::darkBlue);
    face.save(root.filePath(QStringLiteral("Images/showans.jpg")));
    face.save(root.filePath(QStringLiteral("Images/showque.jpg")));
    const QString path = root.filePath(QStringLiteral("Decks/Deck1/") + deckName);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(deck) != deck.size())
        fail("bench", "cannot write the deck");
    return path;
}

// FreeXL reading every cell of the deck; returns the cells read, or -1 when
// FreeXL cannot read the file.
inline long freexlCellCount(const QString &path)
{
    long cells = 0;
    const QString error = decktest::freexlRead(
        path, [](const QString &, unsigned) {}, [&cells](unsigned, unsigned, const FreeXL_CellValue &) { ++cells; });
    return error.isEmpty() ? cells : -1;
}

// The deck `xls` converted by LibreOffice (soffice) into each of `formats`
// ("xlsx", "ods") beside it: the paths written, in that order. A format
// soffice did not write (or soffice missing) is said and left out.
inline QStringList sofficeCopies(const QTemporaryDir &dir, const QString &xls, const QStringList &formats)
{
    QStringList out;
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        std::printf("soffice (LibreOffice) is not installed: the .xlsx and .ods rows are skipped\n");
        return out;
    }
    for (const QString &format : formats) {
        QProcess p;
        p.start(soffice, {QStringLiteral("-env:UserInstallation=") + QUrl::fromLocalFile(dir.filePath("lo")).toString(),
                          QStringLiteral("--headless"), QStringLiteral("--convert-to"), format, QStringLiteral("--outdir"),
                          QFileInfo(xls).path(), xls});
        p.waitForFinished(300000);
        const QString copy = QFileInfo(xls).path() + u'/' + QFileInfo(xls).completeBaseName() + u'.' + format;
        if (QFile::exists(copy))
            out << copy;
        else
            std::printf("soffice did not write %s: that row is skipped\n", qPrintable(copy));
    }
    return out;
}

}  // namespace bench
