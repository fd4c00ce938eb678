#pragma once
// Writes the workbook model as a BIFF8 stream and as a whole .xls file.

#include "decks/Workbook.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

namespace xls {

// The text as the writer stores it: every half of a surrogate pair that has
// no other half becomes U+FFFD, so that the file holds well-formed UTF-16.
QString withoutLoneSurrogates(const QString &s);

// The "Workbook" stream. Throws FormatError when the workbook holds features
// the model cannot carry (Workbook::unsupported) or has no sheet.
QByteArray writeBiff(const Workbook &wb);

// A whole .xls file: the stream in a compound file, with the workbook's
// other streams beside it.
QByteArray writeWorkbookFile(const Workbook &wb);
// The same, written to an open device. Throws FormatError also when the device
// takes less than the whole file.
void writeWorkbookFile(const Workbook &wb, QIODevice &device);

}  // namespace xls
