#pragma once
// Reads the cards of an OpenDocument spreadsheet (.ods, as LibreOffice and
// gnumeric write it) into the workbook model: the sheets up to the card sheet
// "Sheet1" (the first sheet of that name, in any case) by name, and the cells
// of columns A and B of the card sheet. Text cells are their paragraphs joined by line
// breaks (text:s, text:tab and text:line-break as the characters they
// stand for); numbers, percentages, currencies, dates and times are numbers
// (dates as day counts from 1899-12-30, as a spreadsheet keeps them);
// booleans and errors keep their types. Repeated rows and cells expand, up
// to the BIFF8 row limit; cells without a value are left out, so blank rows
// repeated to the end of the sheet cost nothing. Nothing here writes.

#include "decks/Workbook.h"

namespace deckzip { class ZipArchive; }

namespace odf {

// The part every .ods document holds.
inline constexpr char kContentPart[] = "content.xml";
inline constexpr qint64 kMaxContentSize = qint64(64) << 20;

// Throws decks::FormatError for a missing or damaged content part and XML with a
// document type declaration.
decks::Workbook readOds(const deckzip::ZipArchive &zip);

}  // namespace odf
