// mkdeck: builds a deck workbook from a plain-text card list.
//
//   mkdeck OUTPUT.xls SOURCE.tsv
//
// Each non-empty line of the UTF-8 source is one row of Sheet1: the question,
// a tab, the answer. Every cell is stored as text.

#include "decks/xls/BiffWriter.h"
#include "decks/Workbook.h"

#include <QFile>
#include <QSaveFile>
#include <QString>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: mkdeck OUTPUT.xls SOURCE.tsv\n");
        return 2;
    }
    const QString output = QString::fromLocal8Bit(argv[1]);
    const QString source = QString::fromLocal8Bit(argv[2]);

    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "mkdeck: cannot read %s\n", argv[2]);
        return 1;
    }
    QList<QPair<QVariant, QVariant>> rows;
    int lineNo = 0;
    const QList<QByteArray> lines = in.readAll().split('\n');
    for (QByteArray line : lines) {
        ++lineNo;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QString text = QString::fromUtf8(line);
        const qsizetype tab = text.indexOf(QLatin1Char('\t'));
        if (tab <= 0 || tab == text.size() - 1 || text.indexOf(QLatin1Char('\t'), tab + 1) >= 0) {
            std::fprintf(stderr, "%s:%d: expected question<TAB>answer\n", argv[2], lineNo);
            return 1;
        }
        rows.append({text.left(tab), text.mid(tab + 1)});
    }

    try {
        const QByteArray bytes = xls::writeWorkbookFile(decks::deckWorkbook(rows));
        QSaveFile out(output);
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) < 0 || !out.commit()) {
            std::fprintf(stderr, "mkdeck: cannot write %s\n", argv[1]);
            return 1;
        }
    } catch (const decks::FormatError &e) {
        std::fprintf(stderr, "mkdeck: %s\n", e.what());
        return 1;
    }
    return 0;
}
