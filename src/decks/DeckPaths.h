#pragma once
// Names and places of decks and of their study copies.

#include <QString>

namespace decks {

// The file name of a path: the part after its last "/" (the whole path when
// it has none).
QString fileNameOf(const QString &path);

// A deck's name: the file name up to its first "." (the whole name when it
// has none, empty when it begins with ".").
QString deckNameOf(const QString &fileName);

// The open-file dialog's filter for decks.
inline const QString kDeckFileFilter = QStringLiteral("Decks (*.xls *.xlsx *.ods);;All files (*)");

// Whether a chosen file's name has the form of a deck's: the deck's name
// (not empty) followed by exactly ".xls", ".xlsx" or ".ods", in lower case.
bool isDeckFileName(const QString &deckName, const QString &fileName);

// The folder that holds the study copies: a folder private to the user
// (owner-only permissions) inside the user's runtime folder, created when
// missing. Throws DeckError when it cannot be made private.
QString studyCopyFolder();

}  // namespace decks
