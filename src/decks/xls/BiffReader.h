#pragma once
// Reads a BIFF8 workbook stream into the workbook model.

#include "decks/Workbook.h"

#include <QByteArray>

namespace xls {

// Reads the records of a "Workbook" stream. Throws FormatError for a damaged
// stream, for the older BIFF5 format and for an encrypted workbook. Every
// length and index is checked against the bytes present, and what it
// allocates is bounded by the size of the stream.
Workbook readBiff(const QByteArray &stream);

// Reads a whole .xls file: the compound file, then its Workbook stream.
Workbook readWorkbookFile(const QByteArray &file);

}  // namespace xls
