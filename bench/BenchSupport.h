#pragma once
// What the benchmarks share: timing, a large generated deck, and FreeXL's
// read of a deck (a peer reader, the yardstick for reading).

#include "decks/xls/BiffWriter.h"
#include "decks/xls/Workbook.h"

#include <QByteArray>
#include <QDir>
#include <QImage>
#include <QTemporaryDir>
#include <QElapsedTimer>
#include <QFile>
#include <QString>

#include <freexl.h>

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
    xls::Workbook wb = xls::newWorkbook(QStringLiteral("Sheet1"));
    xls::Sheet &s = wb.sheets.front();
    s.setCell(0, 0, xls::Cell::fromText(QStringLiteral("Question")));
    s.setCell(0, 1, xls::Cell::fromText(QStringLiteral("Answer")));
    for (int i = 1; i <= cards; ++i) {
        s.setCell(i, 0, xls::Cell::fromText(QStringLiteral("What is word number %1 of list %2?").arg(i).arg(i % 97)));
        if (i % 10 == 0)
            s.setCell(i, 1, xls::Cell::fromNumber(i * 1.5));
        else if (i % 10 == 5)
            s.setCell(i, 1, xls::Cell::fromText(QStringLiteral("\"Answer\" %1 \u2013 caf\u00e9 & <tag>").arg(i)));
        else
            s.setCell(i, 1, xls::Cell::fromText(QStringLiteral("The answer to card %1").arg(i)));
    }
    return xls::writeWorkbookFile(wb);
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

// FreeXL reading every cell of the first sheet; returns the cells read, or
// -1 when FreeXL cannot open the file.
inline long freexlReadAll(const QString &path)
{
    const void *h = nullptr;
    const QByteArray path8 = QFile::encodeName(path);
    if (freexl_open(path8.constData(), &h) != FREEXL_OK)
        return -1;
    unsigned int rows = 0;
    unsigned short cols = 0;
    long cells = 0;
    freexl_select_active_worksheet(h, 0);
    freexl_worksheet_dimensions(h, &rows, &cols);
    for (unsigned int row = 0; row < rows; ++row)
        for (unsigned short col = 0; col < cols; ++col) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(h, row, col, &v) == FREEXL_OK)
                ++cells;
        }
    freexl_close(h);
    return cells;
}

}  // namespace bench
