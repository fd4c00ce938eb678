#pragma once
// Reads the cards of an Office Open XML workbook (.xlsx, as Excel 2007 and
// later, LibreOffice, gnumeric and openpyxl write it) into the workbook
// model: every sheet by name, and the cells of columns A and B of the card
// sheet "Sheet1" (the first sheet of that name, in any case). Text cells
// come from the shared strings or inline strings, rich text runs joined;
// numbers, booleans and errors keep their types; cells without a value are
// left out. Nothing here writes a workbook.

#include "decks/Workbook.h"

namespace deckzip { class ZipArchive; }

namespace ooxml {

// Where Excel puts the workbook part; a package names its own in its
// relationships.
inline constexpr char kWorkbookPart[] = "xl/workbook.xml";

// Caps on what one part may inflate to.
inline constexpr qint64 kMaxSheetSize = qint64(64) << 20;
inline constexpr qint64 kMaxSharedStringsSize = qint64(16) << 20;

// The package's workbook part: the target of the officeDocument
// relationship in "_rels/.rels", or kWorkbookPart when that names no part
// of the archive; empty when neither is there (no Office Open XML package).
QString workbookPart(const deckzip::ZipArchive &zip);

// The workbook's parts are found through its relationships, part names
// compared without regard to case; number cells with a date or time format
// keep their number and say so (decks::NumberForm), the date system comes
// from the workbook part. Throws decks::FormatError for a missing or
// damaged part, XML with a document type declaration, a shared-string index
// that is not there, and cell references out of order; NotWorkbook for a
// package whose main part is no workbook. Rows past the BIFF8 row limit are
// not read.
decks::Workbook readXlsx(const deckzip::ZipArchive &zip);

}  // namespace ooxml
