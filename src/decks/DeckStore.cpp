#include "decks/DeckStore.h"

#include "decks/DateText.h"
#include "decks/DeckFormat.h"
#include "decks/DeckSave.h"

#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"
#include "decks/Workbook.h"

#include <QFile>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <utility>

#include <sys/stat.h>

namespace decks {
namespace {

const QString kCardSheet = QStringLiteral("Sheet1");
constexpr int kQuestionColumn = 0;
constexpr int kAnswerColumn = 1;
// Far more than any deck needs; a larger file is refused before it is read.
constexpr qint64 kMaxFileSize = qint64(512) << 20;


// A field value as a cell: an invalid value or an empty text is an empty
// (blank) cell, which keeps its row in the sheet.
decks::Cell cellFromVariant(const QVariant &v)
{
    if (!v.isValid())
        return decks::Cell::blank();
    switch (v.typeId()) {
    case QMetaType::Bool:
        return decks::Cell::fromBool(v.toBool());
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return decks::Cell::fromNumber(v.toDouble());
    default: {
        QString s = v.toString();
        if (s.size() > decks::kMaxCellText)
            throw DeckError("A cell can hold at most 32,767 characters.");
        return s.isEmpty() ? decks::Cell::blank() : decks::Cell::fromText(s);
    }
    }
}

// A cell as a field value: empty cells, empty texts and error values read as
// an invalid QVariant, booleans as TRUE / FALSE; read as text, a number
// formatted as a date or time is its ISO text (DateText.h).
QVariant variantFromCell(const decks::Cell *c, bool numbersAsText, bool date1904)
{
    if (!c)
        return {};
    switch (c->type) {
    case decks::CellType::Blank:
    case decks::CellType::Error:
        return {};
    case decks::CellType::Text:
        return c->text.isEmpty() ? QVariant() : QVariant(c->text);
    case decks::CellType::Number:
        if (!numbersAsText)
            return QVariant(c->number);
        if (c->form != NumberForm::Plain)
            if (const QString date = dateText(c->number, date1904, c->form); !date.isNull())
                return QVariant(date);
        return QVariant(numberText(c->number));
    case decks::CellType::Boolean:
        return QVariant(c->number != 0 ? QStringLiteral("TRUE") : QStringLiteral("FALSE"));
    }
    return {};
}

}  // namespace

// ---------------------------------------------------------------------------

struct DeckConnection::Impl {
    bool open = false;
    Mode mode = Mode::ReadOnly;
    QString path;
    bool hasFile = false;
    bool writable = false;  // only an .xls workbook is ever written
    decks::Workbook workbook;
    decks::Workbook saved;  // the file's content, for undoing a failed commit
    FileStamp stamp;      // of the file as it was read or last written
    CommitFault fault = CommitFault::None;
    bool dirty = false;

    void requireOpen() const
    {
        if (!open)
            throw DeckError("The deck is not open.");
    }
};

DeckConnection::DeckConnection() : d(std::make_unique<Impl>()) {}
DeckConnection::~DeckConnection() = default;

void DeckConnection::Open(const QString &path, Mode mode)
{
    if (d->open)
        throw DeckError("The deck connection is already open.");
    const QString trimmed = path.trimmed();
    if (trimmed.isEmpty())
        throw DeckError("No deck file was named.");
    QFile file(trimmed);
    if (!file.open(QIODevice::ReadOnly))
        throw DeckError(QStringLiteral("Cannot open %1: %2").arg(trimmed, file.errorString()).toStdString());
    if (file.size() > kMaxFileSize)
        throw DeckError(QStringLiteral("%1 is too large for a deck.").arg(trimmed).toStdString());
    // The stamp of the file actually opened, taken before it is read: a
    // write that races the read then shows as a change at commit time.
    struct stat st;
    FileStamp stamp;
    if (::fstat(file.handle(), &st) == 0)
        stamp = stampOf(st);
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw DeckError(QStringLiteral("Cannot read %1: %2").arg(trimmed, file.errorString()).toStdString());
    OpenData(content, mode);
    d->path = trimmed;
    d->hasFile = true;
    d->stamp = stamp;
}

void DeckConnection::OpenData(const QByteArray &content, Mode mode)
{
    if (d->open)
        throw DeckError("The deck connection is already open.");
    DeckContent deck;
    try {
        deck = readDeckContent(content);
    } catch (const decks::FormatError &e) {
        d->workbook = {};
        throw DeckUnreadable(QStringLiteral("This is not a deck workbook: %1").arg(QString::fromUtf8(e.what()))
                                 .toStdString(),
                             static_cast<int>(e.kind()));
    }
    d->writable = deck.format == DeckFormat::Xls;
    if (mode == Mode::Edit && !d->writable)
        throw DeckNotEditable(kNotEditableMessage.toStdString());
    d->workbook = std::move(deck.workbook);
    if (mode == Mode::Edit)
        d->saved = d->workbook;
    d->mode = mode;
    d->path.clear();
    d->hasFile = false;
    d->dirty = false;
    d->open = true;
}

void DeckConnection::Close()
{
    d->requireOpen();
    d->open = false;
    d->dirty = false;
    d->hasFile = false;
    d->path.clear();
    d->workbook = {};
    d->saved = {};
}

bool DeckConnection::IsOpen() const { return d->open; }
DeckConnection::Mode DeckConnection::OpenMode() const { return d->mode; }
QString DeckConnection::Path() const { return d->path; }

void DeckConnection::AppendRow(const QVariant &question, const QVariant &answer)
{
    d->requireOpen();
    if (d->mode != Mode::Edit)
        throw DeckError("The deck is open read-only.");
    decks::Sheet *sheet = d->workbook.sheet(kCardSheet);
    if (!sheet)
        throw DeckError("The workbook has no sheet Sheet1.");
    int row = sheet->rowCount();
    if (row >= decks::kMaxRows)
        throw DeckError("The sheet is full.");
    sheet->setCell(row, kQuestionColumn, cellFromVariant(question));
    sheet->setCell(row, kAnswerColumn, cellFromVariant(answer));
    d->dirty = true;
}

bool DeckConnection::HasChanges() const { return d->open && d->dirty; }

void DeckConnection::Commit()
{
    d->requireOpen();
    if (!d->dirty)
        return;
    try {
        if (!d->hasFile)
            throw DeckError("The deck has no file to be saved to.");
        if (!d->writable)
            throw DeckError(kNotEditableMessage.toStdString());
        if (const QString inUse = openElsewhereMessage(d->path); !inUse.isEmpty())
            throw DeckInUse(inUse.toStdString());
        QByteArray bytes;
        try {
            bytes = xls::writeWorkbookFile(d->workbook);
        } catch (const decks::FormatError &e) {
            throw DeckError(QStringLiteral("Cannot save the deck: %1").arg(QString::fromUtf8(e.what()))
                                .toStdString());
        }
        const CommitFault fault = std::exchange(d->fault, CommitFault::None);
        d->stamp = replaceDeck(d->path, bytes, d->stamp,
                               fault == CommitFault::DiskFull            ? SaveFault::DiskFull
                               : fault == CommitFault::FolderNotWritable ? SaveFault::FolderNotWritable
                                                                         : SaveFault::None);
    } catch (...) {
        d->workbook = d->saved;
        d->dirty = false;
        throw;
    }
    d->saved = d->workbook;
    d->dirty = false;
}

void DeckConnection::failNextCommit(CommitFault fault) { d->fault = fault; }

void DeckConnection::Revert()
{
    d->requireOpen();
    if (!d->dirty)
        return;
    d->workbook = d->saved;
    d->dirty = false;
}

decks::Workbook &DeckConnection::workbook() { return d->workbook; }
const decks::Workbook &DeckConnection::workbook() const { return d->workbook; }

// ---------------------------------------------------------------------------

struct DeckRecordset::Impl {
    DeckConnection *connection = nullptr;
    int count = 0;
    // 0 before the first row (BOF), count + 1 after the last (EOF), else
    // the 1-based row.
    int cursor = 0;
    mutable std::size_t rowHint = 0;  // speeds up walking row by row

    void requireOpen() const
    {
        if (!connection)
            throw DeckError("The record set is not open.");
        if (!connection->IsOpen())
            throw DeckError("The deck connection has been closed.");
    }
    std::size_t sheetIndex = 0;  // of Sheet1, found when the rows are loaded

    const decks::Sheet &sheet() const
    {
        const auto &sheets = connection->workbook().sheets;
        if (sheetIndex >= sheets.size())
            throw DeckError("The workbook has no sheet Sheet1.");
        return sheets[sheetIndex];
    }
    bool onRow() const { return cursor >= 1 && cursor <= count; }
    void load()
    {
        const int index = connection->workbook().sheetIndex(kCardSheet);
        if (index < 0)
            throw DeckError("The workbook has no sheet Sheet1.");
        sheetIndex = static_cast<std::size_t>(index);
        rowHint = 0;
        count = sheet().rowCount();
        cursor = count > 0 ? 1 : 0;
    }
};

DeckRecordset::DeckRecordset() : d(std::make_unique<Impl>()) {}
DeckRecordset::~DeckRecordset() = default;

void DeckRecordset::Open(DeckConnection &connection)
{
    if (d->connection)
        throw DeckError("The record set is already open.");
    if (!connection.IsOpen())
        throw DeckError("The deck connection is not open.");
    d->connection = &connection;
    try {
        d->load();
    } catch (...) {
        d->connection = nullptr;
        throw;
    }
}

void DeckRecordset::Close()
{
    if (!d->connection)
        throw DeckError("The record set is not open.");
    d->connection = nullptr;
    d->count = 0;
    d->cursor = 0;
}

bool DeckRecordset::IsOpen() const { return d->connection != nullptr; }

void DeckRecordset::Requery()
{
    d->requireOpen();
    d->load();
}

int DeckRecordset::RecordCount() const
{
    d->requireOpen();
    return d->count;
}

int DeckRecordset::AbsolutePosition() const
{
    d->requireOpen();
    if (d->count == 0)
        return PosUnknown;
    if (d->cursor == 0)
        return PosBOF;
    if (d->cursor > d->count)
        return PosEOF;
    return d->cursor;
}

void DeckRecordset::SetAbsolutePosition(int position)
{
    d->requireOpen();
    if (position < 1 || position > d->count)
        throw DeckError(QStringLiteral("There is no row %1.").arg(position).toStdString());
    d->cursor = position;
}

void DeckRecordset::MoveFirst()
{
    d->requireOpen();
    if (d->count == 0)
        throw DeckError("There are no rows.");
    d->cursor = 1;
}

void DeckRecordset::MoveNext()
{
    d->requireOpen();
    if (EOF_())
        throw DeckError("There is no next row.");
    ++d->cursor;
}

void DeckRecordset::MovePrevious()
{
    d->requireOpen();
    if (BOF())
        throw DeckError("There is no previous row.");
    --d->cursor;
}

void DeckRecordset::MoveLast()
{
    d->requireOpen();
    if (d->count == 0)
        throw DeckError("There are no rows.");
    d->cursor = d->count;
}

bool DeckRecordset::BOF() const
{
    d->requireOpen();
    return d->count == 0 || d->cursor == 0;
}

bool DeckRecordset::EOF_() const
{
    d->requireOpen();
    return d->count == 0 || d->cursor > d->count;
}

int DeckRecordset::BlankRowsAtEnd() const
{
    d->requireOpen();
    const decks::Sheet &sheet = d->sheet();
    const auto empty = [](const decks::Cell *c) { return !variantFromCell(c, true, false).isValid(); };
    int blank = 0;
    // Rows without any cell record are absent from the sheet: every row
    // between two present ones is blank.
    int next = d->count;  // the row after the one looked at, 0-based
    for (auto it = sheet.rows.rbegin(); it != sheet.rows.rend(); ++it) {
        if (it->index >= next)
            continue;  // appended since the rows were read
        blank += next - 1 - it->index;  // absent rows
        if (!empty(it->find(kQuestionColumn)) || !empty(it->find(kAnswerColumn)))
            return blank;
        ++blank;
        next = it->index;
    }
    return blank + next;
}

QVariant DeckRecordset::Field(int index) const
{
    d->requireOpen();
    if (index != kQuestionColumn && index != kAnswerColumn)
        throw DeckError(QStringLiteral("There is no field %1.").arg(index).toStdString());
    if (!d->onRow())
        throw DeckError("The cursor is not on a row.");
    const decks::Row *row = d->sheet().findRow(d->cursor - 1, d->rowHint);
    const decks::Cell *cell = row ? row->find(index) : nullptr;
    return variantFromCell(cell, d->connection->OpenMode() == DeckConnection::Mode::ReadOnly,
                           d->connection->workbook().date1904);
}

void DeckRecordset::SetField(int index, const QVariant &value)
{
    d->requireOpen();
    if (d->connection->OpenMode() != DeckConnection::Mode::Edit)
        throw DeckError("The deck is open read-only.");
    if (index != kQuestionColumn && index != kAnswerColumn)
        throw DeckError(QStringLiteral("There is no field %1.").arg(index).toStdString());
    if (!d->onRow())
        throw DeckError("The cursor is not on a row.");
    auto &sheets = d->connection->workbook().sheets;
    if (d->sheetIndex >= sheets.size())
        throw DeckError("The workbook has no sheet Sheet1.");
    decks::Sheet &sheet = sheets[d->sheetIndex];
    decks::Cell cell = cellFromVariant(value);
    // Found from where the last lookup ended, so that a walk over the rows
    // does not search the sheet for every field.
    decks::Row *row = sheet.findRow(d->cursor - 1, d->rowHint);
    if (decks::Cell *old = row ? row->find(index) : nullptr) {
        if (old->sameValue(cell))
            return;
        cell.xf = old->xf;  // the cell keeps its format
        *old = std::move(cell);
    } else {
        sheet.setCell(d->cursor - 1, index, cell);
    }
    d->connection->d->dirty = true;
}

// ---------------------------------------------------------------------------

QString fieldText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double)
        return numberText(value.toDouble());
    return value.toString();
}

QString numberText(double value)
{
    if (std::isnan(value))
        return QStringLiteral("NaN");
    if (std::isinf(value))
        return value < 0 ? QStringLiteral("-Infinity") : QStringLiteral("Infinity");
    if (value == 0)
        return QStringLiteral("0");
    // 15 significant digits: d.dddddddddddddde[+-]x
    char buf[40];
    std::snprintf(buf, sizeof buf, "%.14e", std::fabs(value));
    const char *e = std::strchr(buf, 'e');
    int exponent = std::atoi(e + 1);
    QByteArray digits;
    digits.append(buf[0]);
    digits.append(buf + 2, static_cast<qsizetype>(e - buf - 2));
    while (digits.size() > 1 && digits.endsWith('0'))
        digits.chop(1);

    QByteArray out;
    if (value < 0)
        out.append('-');
    if (exponent >= 15 || exponent < -4) {
        // Scientific: 1E+20, 1.5E-07
        out.append(digits.at(0));
        if (digits.size() > 1) {
            out.append('.');
            out.append(digits.mid(1));
        }
        out.append('E');
        out.append(exponent < 0 ? '-' : '+');
        QByteArray ex = QByteArray::number(std::abs(exponent));
        if (ex.size() < 2)
            ex.prepend('0');
        out.append(ex);
    } else if (exponent < 0) {
        out.append("0.");
        out.append(QByteArray(-exponent - 1, '0'));
        out.append(digits);
    } else if (digits.size() <= exponent + 1) {
        out.append(digits);
        out.append(QByteArray(exponent + 1 - digits.size(), '0'));
    } else {
        out.append(digits.left(exponent + 1));
        out.append('.');
        out.append(digits.mid(exponent + 1));
    }
    return QString::fromLatin1(out);
}

}  // namespace decks
