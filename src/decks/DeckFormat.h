#pragma once
// The deck file formats and the choice of reader. A deck is an Excel
// 97-2003 or 5.0/95 workbook (.xls, a compound file), an Office Open XML
// workbook (.xlsx, a ZIP archive whose relationships name a workbook part)
// or an OpenDocument
// spreadsheet (.ods, a ZIP archive holding content.xml). The reader is picked
// by the file's content, never by its name, and every reader gives the same
// workbook model. Only .xls decks are written: the others are studied.

#include "decks/Workbook.h"

#include <QByteArray>
#include <QString>

namespace decks {

enum class DeckFormat {
    Xls,   // Excel 97-2003 (BIFF8), the one format written
    Xls5,  // Excel 5.0/95 (BIFF5), studied only
    Xlsx,
    Ods,
};

struct DeckContent {
    DeckFormat format = DeckFormat::Xls;
    decks::Workbook workbook;
};

// Reads a deck file's bytes. Throws decks::FormatError when they are none of
// the formats (NotWorkbook), or a damaged, protected, too large or too old
// file of one (the error's kind says which).
DeckContent readDeckContent(const QByteArray &bytes);

// Shown instead of the card editor for a deck that is not an .xls workbook.
extern const QString kNotEditableMessage;

}  // namespace decks
