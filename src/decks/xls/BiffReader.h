#pragma once
// Reads a BIFF8 workbook stream (Excel 97-2003) into the workbook model, and
// for study the older BIFF5 one (Excel 5.0/95), which is never written.

#include "decks/Workbook.h"

#include <QByteArray>

namespace xls {

// Reads the records of a "Workbook" (BIFF8) or "Book" (BIFF5) stream; sets
// *biff5 to which it was. Throws FormatError for a damaged stream, for the
// formats before BIFF5 (UnsupportedVersion) and for an encrypted workbook
// (Protected). Every length and index is checked against the bytes present,
// and what it allocates is bounded by the size of the stream.
Workbook readBiff(const QByteArray &stream, bool *biff5 = nullptr);

// Reads a whole .xls file: the compound file, then its workbook stream.
Workbook readWorkbookFile(const QByteArray &file, bool *biff5 = nullptr);

}  // namespace xls
