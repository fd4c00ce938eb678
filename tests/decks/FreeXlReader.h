#pragma once
// FreeXL, a peer reader of .xls files: the deck tests compare what it reads
// of our workbooks with what we wrote, the benchmarks time it as the
// yardstick for reading.

#include <QFile>
#include <QString>

#include <freexl.h>

namespace decktest {

// Reads every cell of every sheet: onSheet(name, rows) for each sheet, then
// onCell(row, column, value) for each of its cells, empty ones included.
// Returns why FreeXL failed, or an empty string.
template <typename OnSheet, typename OnCell>
QString freexlRead(const QString &path, OnSheet onSheet, OnCell onCell)
{
    const void *h = nullptr;
    if (freexl_open(QFile::encodeName(path).constData(), &h) != FREEXL_OK)
        return QStringLiteral("FreeXL cannot open the file");
    unsigned int count = 0;
    freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short i = 0; i < count; ++i) {
        const char *name = nullptr;
        unsigned int rows = 0;
        unsigned short cols = 0;
        freexl_get_worksheet_name(h, i, &name);
        freexl_select_active_worksheet(h, i);
        freexl_worksheet_dimensions(h, &rows, &cols);
        onSheet(QString::fromUtf8(name), rows);
        for (unsigned int r = 0; r < rows; ++r)
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) {
                    freexl_close(h);
                    return QStringLiteral("FreeXL cannot read cell %1,%2").arg(r).arg(c);
                }
                onCell(r, c, v);
            }
    }
    freexl_close(h);
    return {};
}

}  // namespace decktest
