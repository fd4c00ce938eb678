#pragma once
// The compound-file container (OLE2 structured storage) around a workbook's
// BIFF8 stream, read and written through libgsf. Nothing here knows about
// BIFF records.

#include "decks/Workbook.h"

#include <QByteArray>
#include <QIODevice>

#include <vector>

namespace xls {

struct CompoundContent {
    QByteArray workbook;          // the "Workbook" stream, or an Excel 5.0/95 "Book" stream
    bool book = false;            // the stream is a "Book" one (BIFF5)
    std::vector<Stream> others;   // other top-level streams, in file order
    QStringList unsupported;      // storages (macros, embedded objects)
};

// Reads a compound file held in memory. Throws FormatError when the bytes are
// not a compound file (NotWorkbook), when it is a workbook encrypted as a
// whole (an .xlsx with a password: Protected), or when it has neither a
// "Workbook" stream nor an Excel 5.0/95 "Book" one (NotWorkbook).
CompoundContent readCompoundFile(const QByteArray &file);

// Builds a compound file with the "Workbook" stream and the other streams.
QByteArray writeCompoundFile(const QByteArray &workbook, const std::vector<Stream> &others);
// The same, written to an open device; throws FormatError when the device
// takes less than the whole file.
void writeCompoundFile(const QByteArray &workbook, const std::vector<Stream> &others, QIODevice &device);

}  // namespace xls
