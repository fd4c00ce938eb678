#pragma once
// The in-memory model of a deck workbook, as every reader gives it and the
// .xls writer writes it (its shape is that of an Excel 97-2003 workbook): every worksheet with its name, visibility and cells (values and their
// cell format), the workbook's formatting records, the column widths, and the
// other streams of the compound file (document properties).
//
// What the model does not hold, the writer cannot write back. The reader
// therefore lists in `unsupported` every feature it met that a rewrite would
// lose (formulas, charts, drawings and notes, merged cells, defined names,
// macros, rich text runs, ...); the writer refuses such a workbook instead of
// silently dropping them. Layout details that carry no content (row heights,
// selection, zoom, panes, print setup, Excel 2007 colour extensions) are not
// kept and are written with their defaults.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace decks {

// Thrown by the readers for bytes that are not a readable workbook, and by
// the writer for a workbook that cannot be written. The kind says why, for
// the message that tells the user; what() names the detail.
class FormatError : public std::runtime_error {
public:
    enum class Kind {
        NotWorkbook,         // none of the workbook formats at all
        Damaged,             // a workbook whose content breaks its format
        TooLarge,            // a workbook past what a deck may hold
        Protected,           // encrypted with a password
        UnsupportedVersion,  // a workbook format too old (or new) to read
    };
    explicit FormatError(const char *what, Kind kind = Kind::Damaged) : std::runtime_error(what), kind_(kind) {}
    explicit FormatError(const std::string &what, Kind kind = Kind::Damaged)
        : std::runtime_error(what), kind_(kind)
    {
    }
    Kind kind() const { return kind_; }

private:
    Kind kind_;
};

// BIFF8 limits.
inline constexpr int kMaxRows = 65536;
inline constexpr int kMaxColumns = 256;
inline constexpr int kMaxSheetNameLength = 31;
// The characters one cell may hold, as Excel allows. Every reader refuses a
// cell that holds more as damaged, and the writer will not write one.
inline constexpr qsizetype kMaxCellText = 32767;

// A cell format index meaning "the workbook's default cell format".
inline constexpr std::uint16_t kDefaultXf = 0xFFFF;

enum class CellType : std::uint8_t {
    Blank,    // a cell record without a value (it still makes its row exist)
    Text,
    Number,
    Boolean,  // value 0 or 1 in `number`
    Error,    // the error code (#DIV/0! = 0x07, #N/A = 0x2A, ...) in `number`
};

// How a number cell's format shows it: as a plain number, or as a date or a
// time (the number a day count in the workbook's date system; see
// DateText.h). The readers set it from the cell's format; the writer keeps
// the format itself (xf), so this is never written.
enum class NumberForm : std::uint8_t { Plain, Date, Time };

struct Cell {
    CellType type = CellType::Blank;
    NumberForm form = NumberForm::Plain;
    std::uint16_t xf = kDefaultXf;
    double number = 0;
    QString text;

    static Cell blank() { return {}; }
    static Cell fromText(const QString &s) { Cell c; c.type = CellType::Text; c.text = s; return c; }
    static Cell fromNumber(double v) { Cell c; c.type = CellType::Number; c.number = v; return c; }
    static Cell fromBool(bool v) { Cell c; c.type = CellType::Boolean; c.number = v ? 1 : 0; return c; }
    static Cell fromError(int code) { Cell c; c.type = CellType::Error; c.number = code; return c; }

    // Same value (the format index and the number form are not compared).
    bool sameValue(const Cell &o) const;
    bool operator==(const Cell &o) const { return xf == o.xf && sameValue(o); }
};

struct CellEntry {
    std::uint16_t column;
    Cell cell;
};

// One row that holds at least one cell record; cells sorted by column.
struct Row {
    int index = 0;
    std::vector<CellEntry> cells;

    const Cell *find(int column) const;
    Cell *find(int column);
};

// A raw BIFF record kept to be written back unchanged.
struct RawRecord {
    std::uint16_t type = 0;
    QByteArray data;
    bool operator==(const RawRecord &) const = default;
};

struct Sheet {
    QString name;
    std::uint8_t visibility = 0;  // 0 visible, 1 hidden, 2 very hidden
    // Sorted by row index; rows without any cell record are absent.
    std::vector<Row> rows;
    // DEFCOLWIDTH and COLINFO records, written back as they were.
    std::vector<RawRecord> columnRecords;

    // Rows from the first (row 0) to the last row that holds any cell record,
    // a blank one included.
    int rowCount() const { return rows.empty() ? 0 : rows.back().index + 1; }
    const Cell *cell(int row, int column) const;
    // Replaces or adds the cell; row 0..65535, column 0..255.
    void setCell(int row, int column, const Cell &cell);
    const Row *findRow(int row) const;
    // The same, for walks from row to row: `hint` remembers where the last
    // lookup ended so that the next row is found at once.
    const Row *findRow(int row, std::size_t &hint) const;
    Row *findRow(int row, std::size_t &hint);
};

struct Stream {
    QString name;
    QByteArray data;
    bool operator==(const Stream &) const = default;
};

struct Workbook {
    std::vector<Sheet> sheets;
    // The date system of the date cells: days from 1904-01-01 instead of
    // from 1900-01-01.
    bool date1904 = false;
    // FONT, FORMAT, XF, STYLE and PALETTE records of the file, in order. When
    // they are complete (at least 16 XF records) the writer writes them back
    // and the cells keep their formats; otherwise it writes its own set.
    std::vector<RawRecord> formatRecords;
    // The compound file's other top-level streams, kept byte for byte.
    std::vector<Stream> otherStreams;
    // Features met while reading that a rewrite would lose; the writer
    // refuses the workbook while this is not empty.
    QStringList unsupported;

    // The first sheet of that name (compared without regard to case, as
    // sheet names are in a workbook), or nullptr.
    Sheet *sheet(const QString &name);
    const Sheet *sheet(const QString &name) const;
    int sheetIndex(const QString &name) const;
};

// Builds a workbook of one sheet with the given name (for new decks).
Workbook newWorkbook(const QString &sheetName);

// Builds a deck: one sheet "Sheet1" whose row i holds rows[i]'s question in
// column A and its answer in column B. A double or int becomes a number cell,
// anything else a text cell; an invalid value or a null string leaves the
// cell out (an empty string is an empty text cell).
Workbook deckWorkbook(const QList<QPair<QVariant, QVariant>> &rows);

}  // namespace decks

// The .xls reader and writer work on the same model.
namespace xls {
using decks::Cell;
using decks::CellEntry;
using decks::CellType;
using decks::FormatError;
using decks::kDefaultXf;
using decks::kMaxCellText;
using decks::kMaxColumns;
using decks::kMaxRows;
using decks::kMaxSheetNameLength;
using decks::NumberForm;
using decks::RawRecord;
using decks::Row;
using decks::Sheet;
using decks::Stream;
using decks::Workbook;
}  // namespace xls
