#pragma once
// The worksheet store: a deck workbook opened by path, and a cursor over the
// rows of its sheet "Sheet1".
//
// A deck is an Excel 97-2003 workbook, or an .xlsx or .ods workbook opened
// read-only (see DeckFormat.h: the reader is picked by content). The cards are the rows of the sheet
// named "Sheet1" (wherever it stands among the sheets), in sheet order, with
// no header row: every row is a record, the first one included. A record has
// two fields, the cells of column A (question) and column B (answer); each is
// empty (an invalid QVariant), text (QString) or a number (double).
//
// Every failure is reported by throwing decks::DeckError; the caller decides
// whether that ends a command silently or shows a message.

#include <QByteArray>
#include <QString>
#include <QVariant>

#include <memory>
#include <stdexcept>

#include "decks/Workbook.h"

namespace decks {

struct DeckError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Commit() found the file no longer the one that was read: another program
// (or another window) wrote it since. Nothing was written.
struct DeckChanged : DeckError {
    using DeckError::DeckError;
};

// The file is no workbook a reader can read; kind() says why (the reader's
// decks::FormatError kind: no workbook, damaged, too large, protected by a
// password, a version too old), for the message that tells the user.
struct DeckUnreadable : DeckError {
    DeckUnreadable(const std::string &what, int kind) : DeckError(what), kind_(kind) {}
    // A decks::FormatError::Kind.
    int kind() const { return kind_; }

private:
    int kind_;
};

// A deck that can be studied but not written (an .xlsx or .ods workbook)
// was asked to be opened for editing.
struct DeckNotEditable : DeckError {
    using DeckError::DeckError;
};

// Commit() found another program holding the deck open for editing (a
// LibreOffice lock file beside it); the message says who. Nothing was
// written.
struct DeckInUse : DeckError {
    using DeckError::DeckError;
};

class DeckRecordset;

// The open connection to one deck workbook. It holds the whole workbook in
// memory; changes made through a record set stay in memory until Commit()
// writes the workbook back in one piece.
class DeckConnection {
public:
    enum class Mode {
        ReadOnly,  // for building the study copy: numbers read as their text form
        Edit,      // for the card editor: cells keep their types, rows can change
    };

    DeckConnection();
    ~DeckConnection();
    DeckConnection(const DeckConnection &) = delete;
    DeckConnection &operator=(const DeckConnection &) = delete;

    // Opens the workbook at path; blanks around the path are not part of it.
    // Throws when the file cannot be read or is not a workbook, and when a
    // workbook other than an .xls one is opened for editing (the message is
    // kNotEditableMessage): such a deck is never written.
    void Open(const QString &path, Mode mode);
    // Opens a workbook held in memory, with no file behind it (Commit then
    // throws). For tools and for feeding the store arbitrary bytes.
    void OpenData(const QByteArray &content, Mode mode);
    // Throws when the connection is not open.
    void Close();
    bool IsOpen() const;
    Mode OpenMode() const;
    QString Path() const;

    // Appends one row to Sheet1: the question in column A, the answer in
    // column B, each stored exactly as given (an apostrophe stays one
    // apostrophe). Throws when the connection is not open for editing, the
    // workbook has no Sheet1 or a text is longer than a cell holds.
    void AppendRow(const QVariant &question, const QVariant &answer);

    // True when the workbook in memory differs from the file.
    bool HasChanges() const;
    // Writes the workbook to its file if it has changes: the new workbook
    // goes to a temporary file in the same folder which then replaces the
    // deck, so a failure leaves the old file whole (see DeckSave.h). It holds
    // a lock on the deck while it writes, and checks that the file is still
    // the one it read (size, modification and change times, identity),
    // throwing DeckChanged, writing nothing, when it is not; DeckInUse while
    // another program has the deck open. A cell of more than
    // decks::kMaxCellText characters is refused. Other failures throw
    // DeckError whose message is the reason in words ("The disk is full.").
    // Throws on failure, after putting the workbook in memory back to the
    // file's content.
    void Commit();
    // Drops the changes not yet committed: the workbook in memory is the
    // file's content again.
    void Revert();

    // How the next Commit() that writes is to fail, for tests (they run as
    // root, so file permissions cannot make a write fail).
    enum class CommitFault {
        None,
        DiskFull,           // half of the file goes out, then the write fails
        FolderNotWritable,  // nothing can be written at all
    };
    void failNextCommit(CommitFault fault);

    // The workbook in memory (for the record set and for tests).
    decks::Workbook &workbook();
    const decks::Workbook &workbook() const;

private:
    friend class DeckRecordset;  // marks the workbook changed on SetField
    struct Impl;
    std::unique_ptr<Impl> d;
};

// A keyset cursor over the rows of Sheet1 ("SELECT * FROM [Sheet1$]").
// Positions are 1-based. Like an ADO record set it can stand before the
// first row (BOF) or after the last row (EOF); both hold when there are no
// rows.
class DeckRecordset {
public:
    // AbsolutePosition() when the cursor is not on a row.
    static constexpr int PosUnknown = -1;
    static constexpr int PosBOF = -2;
    static constexpr int PosEOF = -3;

    DeckRecordset();
    ~DeckRecordset();
    DeckRecordset(const DeckRecordset &) = delete;
    DeckRecordset &operator=(const DeckRecordset &) = delete;

    // Opens the rows of Sheet1 of an open connection; the cursor goes to the
    // first row. Throws when the connection is not open or has no Sheet1.
    // The connection must outlive the record set while it is open.
    void Open(DeckConnection &connection);
    // Throws when the record set is not open.
    void Close();
    bool IsOpen() const;

    // Re-reads the rows (rows appended since are included); the cursor goes
    // to the first row.
    void Requery();

    int RecordCount() const;
    // The current row's position, or PosBOF / PosEOF / PosUnknown.
    int AbsolutePosition() const;
    // A position outside 1..RecordCount() is refused with DeckError and the
    // cursor stays where it was.
    void SetAbsolutePosition(int position);

    // Moves as ADO does: MoveNext at EOF and MovePrevious at BOF throw;
    // MoveFirst and MoveLast on an empty record set throw.
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    bool BOF() const;
    bool EOF_() const;  // EOF is a macro in <cstdio>

    // The number of rows at the end of the sheet whose question and answer
    // cells are both empty. The cursor does not move.
    int BlankRowsAtEnd() const;

    // Field 0 is the question cell, field 1 the answer cell of the current
    // row. Reading or writing when the cursor is not on a row, a field other
    // than 0 or 1, or writing through a read-only connection, throws.
    // In a read-only record set a number is read as its text form.
    QVariant Field(int index) const;
    void SetField(int index, const QVariant &value);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The text a field shows: a number in its usual text form (numberText),
// an empty cell as "".
QString fieldText(const QVariant &value);

// A number's usual text form, as a read-only opening reads it:
// 42 -> "42", 3.5 -> "3.5", up to 15 significant digits, 1E+20 style
// exponents for very large or small values.
QString numberText(double value);

}  // namespace decks
