#pragma once
// Helpers shared by the deck tests: test data paths, a JSON view of a
// workbook's cells (the same shape xlrd_cells.py prints, so our reader, xlrd
// and FreeXL can be compared), and a builder for hand-made BIFF8 streams.

#include "FreeXlReader.h"

#include "decks/xls/Biff.h"
#include "decks/xls/CompoundFile.h"
#include "decks/Workbook.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

namespace decktest {

inline QString dataPath(const QString &name) { return QStringLiteral(MNEMORA_TEST_DATA "/") + name; }

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// Each cell as [row, column, kind, value]; booleans and errors hold their code.
inline QJsonObject modelJson(const decks::Workbook &wb)
{
    static const char *const kinds[] = {"blank", "text", "number", "bool", "error"};
    QJsonArray sheets;
    for (const decks::Sheet &s : wb.sheets) {
        QJsonArray cells;
        for (const decks::Row &r : s.rows)
            for (const auto &[col, c] : r.cells)
                cells.append(QJsonArray{r.index, col, kinds[int(c.type)],
                                        c.type == decks::CellType::Text    ? QJsonValue(c.text)
                                        : c.type == decks::CellType::Blank ? QJsonValue()
                                                                         : QJsonValue(c.number)});
        sheets.append(QJsonObject{{"name", s.name}, {"rows", s.rowCount()}, {"cells", cells}});
    }
    return QJsonObject{{"sheets", sheets}};
}

// The first difference between two cell views, or an empty string.
inline QString cellsDiff(const QJsonObject &ours, const QJsonObject &theirs)
{
    auto lines = [](const QJsonObject &view) {
        QStringList out;
        for (const QJsonValue &s : view["sheets"].toArray()) {
            out << QStringLiteral("sheet %1 of %2 rows").arg(s["name"].toString()).arg(s["rows"].toInt());
            for (const QJsonValue &c : s["cells"].toArray())
                out << QString::fromUtf8(QJsonDocument(c.toArray()).toJson(QJsonDocument::Compact));
        }
        return out;
    };
    const QStringList a = lines(ours), b = lines(theirs);
    for (qsizetype k = 0; k < std::max(a.size(), b.size()); ++k)
        if (a.value(k) != b.value(k))
            return QStringLiteral("%1 vs %2").arg(a.value(k).left(200), b.value(k).left(200));
    return {};
}

// The cells as xlrd reads them, through the system Python; on failure the
// error says why and the result is empty.
inline QJsonObject xlrdJson(const QString &path, QString *error)
{
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral(MNEMORA_TEST_SOURCE_DIR "/xlrd_cells.py"), path});
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        *error = QStringLiteral("xlrd (/usr/bin/python3 with python3-xlrd) failed: %1 %2")
                     .arg(p.errorString(), QString::fromUtf8(p.readAllStandardError()));
        return {};
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object();
}

// Text and number cells and the row count, as FreeXL reads them (FreeXL
// does not tell an empty cell from a missing one).
inline QJsonObject freexlJson(const QString &path, QString *error)
{
    QList<QPair<QJsonObject, QJsonArray>> sheets;
    *error = freexlRead(
        path, [&](const QString &name, unsigned rows) { sheets.append({{{"name", name}, {"rows", int(rows)}}, {}}); },
        [&](unsigned r, unsigned c, const FreeXL_CellValue &v) {
            if (v.type == FREEXL_CELL_INT || v.type == FREEXL_CELL_DOUBLE)
                sheets.last().second.append(QJsonArray{
                    int(r), int(c), "number", v.type == FREEXL_CELL_INT ? v.value.int_value : v.value.double_value});
            else if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT)
                sheets.last().second.append(QJsonArray{int(r), int(c), "text", QString::fromUtf8(v.value.text_value)});
        });
    QJsonArray out;
    for (auto &[sheet, cells] : sheets) {
        sheet["cells"] = cells;
        out.append(sheet);
    }
    return error->isEmpty() ? QJsonObject{{"sheets", out}} : QJsonObject{};
}

// Our view reduced to what FreeXL can tell apart.
inline QJsonObject withoutBlanks(QJsonObject view)
{
    QJsonArray sheets;
    for (const QJsonValue &s : view["sheets"].toArray()) {
        QJsonObject o = s.toObject();
        QJsonArray cells;
        for (const QJsonValue &c : o["cells"].toArray())
            if (c[2] == "text" || c[2] == "number")
                cells.append(c);
        o["cells"] = cells;
        sheets.append(o);
    }
    return {{"sheets", sheets}};
}

// How xlrd, and FreeXL if asked, read the file differently from `expected`
// (a view of our model), or why they could not read it; empty when they agree.
inline QString readersDiff(const QString &path, const QJsonObject &expected, bool freexlToo = false)
{
    QString error;
    const QJsonObject xlrd = xlrdJson(path, &error);
    if (error.isEmpty() && (error = cellsDiff(expected, xlrd)).isEmpty() && freexlToo) {
        const QJsonObject fx = freexlJson(path, &error);
        return error.isEmpty() ? cellsDiff(withoutBlanks(expected), fx) : error;
    }
    return error;
}

// Builds BIFF8 records and streams by hand.
struct Rec {
    std::uint16_t type;
    QByteArray data;
};

inline QByteArray le16(unsigned v) { return QByteArray(1, static_cast<char>(v)) + static_cast<char>(v >> 8); }
inline QByteArray le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
// Little-endian machines only, as the tests run.
inline QByteArray f64(double v) { return QByteArray(reinterpret_cast<const char *>(&v), 8); }
inline QByteArray cellHead(int row, int col, int xf = 15) { return le16(row) + le16(col) + le16(xf); }
// A 16-bit-length string with one byte per character.
inline QByteArray str16(const QByteArray &latin) { return le16(unsigned(latin.size())) + '\0' + latin; }

inline QByteArray records(const QList<Rec> &recs)
{
    QByteArray out;
    for (const Rec &r : recs)
        out += le16(r.type) + le16(static_cast<unsigned>(r.data.size())) + r.data;
    return out;
}

// A BOF record: version, substream type, build, year, file history, lowest version.
inline Rec bof(unsigned type, unsigned version = xls::biff::kBiff8Version)
{ return {xls::biff::kBof, le16(version) + le16(type) + le16(0x0DBB) + le16(0x07CC) + le32(0) + le32(6)}; }

// A BOUNDSHEET record for a visible sheet (0 worksheet, 2 chart) whose BOF
// stands at the given stream offset.
inline Rec boundSheet(std::uint32_t offset, const QByteArray &latinName, char type = 0)
{ return {xls::biff::kBoundSheet, le32(offset) + '\0' + type + char(latinName.size()) + '\0' + latinName}; }

// A workbook stream with one sheet "Sheet1": globals records, then the
// sheet's records.
inline QByteArray biffStream(const QList<Rec> &globals, const QList<Rec> &sheet)
{
    const Rec eof{xls::biff::kEof, {}};
    QList<Rec> g = QList<Rec>{bof(xls::biff::kGlobals)} + globals + QList<Rec>{boundSheet(0, "Sheet1"), eof};
    g[g.size() - 2] = boundSheet(static_cast<std::uint32_t>(records(g).size()), "Sheet1");
    return records(g) + records(QList<Rec>{bof(xls::biff::kWorksheet)} + sheet + QList<Rec>{eof});
}

// A FORMULA record for the formula =1 in column A, with its cached result.
inline Rec formula(int row, const QByteArray &result)
{ return {xls::biff::kFormula, cellHead(row, 0) + result + le16(0) + le32(0) + le16(3) + QByteArray("\x1E\x01\x00", 3)}; }

inline QByteArray xlsFile(const QByteArray &stream) { return xls::writeCompoundFile(stream, {}); }

}  // namespace decktest
