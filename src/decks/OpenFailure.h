#pragma once
// Why a deck did not open, told to the user in words: the file is missing,
// a folder, empty, protected by a password, not a workbook, without a sheet
// Sheet1, without cards, or with more cards than a deck can hold.

#include <QString>

#include <exception>

namespace decks {

enum class OpenFailure {
    Unknown,       // nothing found wrong with the file itself
    Missing,
    Folder,
    Empty,         // 0 bytes
    Protected,     // encrypted with a password
    NotWorkbook,   // none of the deck formats, or a damaged one
    NoSheet1,
    NoCards,       // Sheet1 holds no card (a title row at most)
    TooManyCards,  // more than 32,767
};

// The most cards a deck can hold: card numbers are 16-bit.
constexpr int kMaxDeckCards = 32767;

// Looks at the file at path, and reads it as a deck would be read, to tell
// why it cannot be studied.
OpenFailure classifyOpenFailure(const QString &path);

// What a failure the deck readers or the store threw says about the file.
// Every reader error is mapped here: an error that names its kind maps it
// kind by kind in this one function.
OpenFailure failureOfReaderError(const std::exception &error);

// The reason as a clause: "it is protected by a password". Empty for
// Unknown.
QString openFailureClause(OpenFailure failure);

// The message's informative text: "“Elements.xls” cannot be studied because
// it has no sheet named Sheet1." Empty for Unknown.
QString openFailureSentence(const QString &path, OpenFailure failure);

}  // namespace decks
