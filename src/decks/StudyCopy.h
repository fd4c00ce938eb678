#pragma once
// The text of a deck's study copy: a one-line XML document
// <Root><Card><Que>question</Que><Ans>answer</Ans></Card>...</Root>
// built from the rows of Sheet1.

#include <QString>
#include <QVariant>

namespace decks {

class DeckRecordset;

// The XML declaration every study copy starts with.
extern const QString kStudyCopyDeclaration;
// The study copy of a deck without cards.
extern const QString kEmptyStudyCopy;

// Removes the characters an XML 1.0 document cannot hold: control
// characters other than tab, line feed and carriage return, U+FFFE, U+FFFF
// and unpaired surrogates.
QString removeNonXmlCharacters(const QString &text);

// A question's text for the study copy: "&" -> "&amp;", double quotes
// removed, "<" -> "&lt;", ">" -> "&gt;", en dash -> "-", in that order.
QString escapeQuestion(const QString &text);
// An answer's text: as a question's, but double quotes become "&quot;".
QString escapeAnswer(const QString &text);

// True for a cell value that is no card text: no value or an empty text.
bool isEmptyCell(const QVariant &value);

// Walks the open record set and returns the study copy text (without the
// line end). A row becomes a card when both cells are filled and it is not a
// title row ("Question" in its first cell or "Answer" in its second).
// Rows are read up to a limit: the number of rows whose first cell is
// filled, raised by one for each row met with an empty cell. The limit is a
// 16-bit count: above 32,767 rows the conversion fails with DeckError. So
// does a study copy longer than kMaxStudyCopyLength characters: a small
// workbook can name one long text in every row, and its copy would not fit
// in memory. The record set is left open, its cursor at the end.
QString buildStudyCopyText(DeckRecordset &rs);

// Far more than the cards of any deck (32,767 cards of some 1,500
// characters on each side).
inline constexpr qsizetype kMaxStudyCopyLength = qsizetype(96) << 20;

}  // namespace decks
