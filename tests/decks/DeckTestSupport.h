#pragma once
// Helpers shared by the deck tests: test data paths, a JSON view of a
// workbook's cells (the same shape xlrd_cells.py prints, so our reader and
// xlrd can be compared), and a builder for hand-made BIFF8 streams.

#include "decks/xls/CompoundFile.h"
#include "decks/xls/Workbook.h"

#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>

#include <cstring>

#include <freexl.h>

namespace decktest {

inline QString dataPath(const QString &name) { return QStringLiteral(MNEMORA_TEST_DATA "/") + name; }

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

inline QJsonArray cellJson(int row, int col, const xls::Cell &c)
{
    switch (c.type) {
    case xls::CellType::Text:
        return {row, col, QStringLiteral("text"), c.text};
    case xls::CellType::Number:
        return {row, col, QStringLiteral("number"), c.number};
    case xls::CellType::Boolean:
        return {row, col, QStringLiteral("bool"), static_cast<int>(c.number)};
    case xls::CellType::Error:
        return {row, col, QStringLiteral("error"), static_cast<int>(c.number)};
    case xls::CellType::Blank:
        break;
    }
    return {row, col, QStringLiteral("blank"), QJsonValue()};
}

inline QJsonObject modelJson(const xls::Workbook &wb)
{
    QJsonArray sheets;
    for (const xls::Sheet &s : wb.sheets) {
        QJsonArray cells;
        for (const xls::Row &r : s.rows)
            for (const xls::CellEntry &e : r.cells)
                cells.append(cellJson(r.index, e.column, e.cell));
        sheets.append(QJsonObject{{"name", s.name}, {"rows", s.rowCount()}, {"cells", cells}});
    }
    return QJsonObject{{"sheets", sheets}};
}

// The first difference between two cell views, or an empty string.
inline QString cellsDiff(const QJsonObject &ours, const QJsonObject &theirs)
{
    const QJsonArray a = ours["sheets"].toArray(), b = theirs["sheets"].toArray();
    if (a.size() != b.size())
        return QStringLiteral("sheet count %1 vs %2").arg(a.size()).arg(b.size());
    for (qsizetype i = 0; i < a.size(); ++i) {
        const QJsonObject sa = a[i].toObject(), sb = b[i].toObject();
        const QString where = sa["name"].toString();
        if (sa["name"] != sb["name"])
            return QStringLiteral("sheet %1 named %2 vs %3").arg(i).arg(where, sb["name"].toString());
        if (sa["rows"] != sb["rows"])
            return QStringLiteral("%1: rows %2 vs %3").arg(where).arg(sa["rows"].toInt()).arg(sb["rows"].toInt());
        const QJsonArray ca = sa["cells"].toArray(), cb = sb["cells"].toArray();
        for (qsizetype k = 0; k < std::max(ca.size(), cb.size()); ++k) {
            QJsonValue x = k < ca.size() ? ca[k] : QJsonValue(), y = k < cb.size() ? cb[k] : QJsonValue();
            if (x != y)
                return QStringLiteral("%1: cell %2: %3 vs %4")
                    .arg(where)
                    .arg(k)
                    .arg(QString::fromUtf8(QJsonDocument(x.toArray()).toJson(QJsonDocument::Compact).left(200)),
                         QString::fromUtf8(QJsonDocument(y.toArray()).toJson(QJsonDocument::Compact).left(200)));
        }
    }
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
    const void *h = nullptr;
    if (freexl_open(path.toLocal8Bit().constData(), &h) != FREEXL_OK) {
        *error = QStringLiteral("FreeXL cannot open the file");
        return {};
    }
    QJsonArray sheets;
    unsigned int count = 0;
    freexl_get_info(h, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned short i = 0; i < count; ++i) {
        const char *name = nullptr;
        unsigned int rows = 0;
        unsigned short cols = 0;
        freexl_get_worksheet_name(h, i, &name);
        freexl_select_active_worksheet(h, i);
        freexl_worksheet_dimensions(h, &rows, &cols);
        QJsonArray cells;
        for (unsigned int r = 0; r < rows; ++r) {
            for (unsigned short c = 0; c < cols; ++c) {
                FreeXL_CellValue v;
                if (freexl_get_cell_value(h, r, c, &v) != FREEXL_OK) {
                    *error = QStringLiteral("FreeXL cannot read cell %1,%2").arg(r).arg(c);
                    freexl_close(h);
                    return {};
                }
                if (v.type == FREEXL_CELL_INT)
                    cells.append(QJsonArray{int(r), int(c), "number", double(v.value.int_value)});
                else if (v.type == FREEXL_CELL_DOUBLE)
                    cells.append(QJsonArray{int(r), int(c), "number", v.value.double_value});
                else if (v.type == FREEXL_CELL_TEXT || v.type == FREEXL_CELL_SST_TEXT)
                    cells.append(QJsonArray{int(r), int(c), "text", QString::fromUtf8(v.value.text_value)});
            }
        }
        sheets.append(QJsonObject{{"name", QString::fromUtf8(name)}, {"rows", int(rows)}, {"cells", cells}});
    }
    freexl_close(h);
    return QJsonObject{{"sheets", sheets}};
}

// Our view reduced to what FreeXL can tell apart.
inline QJsonObject withoutBlanks(QJsonObject view)
{
    QJsonArray sheets;
    for (const QJsonValue &s : view["sheets"].toArray()) {
        QJsonObject o = s.toObject();
        QJsonArray cells;
        for (const QJsonValue &c : o["cells"].toArray()) {
            const QString kind = c.toArray()[2].toString();
            if (kind == "text" || kind == "number")
                cells.append(c);
        }
        o["cells"] = cells;
        sheets.append(o);
    }
    return QJsonObject{{"sheets", sheets}};
}

// Builds BIFF8 records and streams by hand.
struct Rec {
    std::uint16_t type;
    QByteArray data;
};

inline QByteArray le16(unsigned v)
{
    const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
    return QByteArray(b, 2);
}
inline QByteArray le32(std::uint32_t v) { return le16(v & 0xFFFF) + le16(v >> 16); }
inline QByteArray f64(double v)
{
    QByteArray b(8, '\0');
    std::memcpy(b.data(), &v, 8);  // little-endian machines only, as the tests run
    return b;
}
inline QByteArray cellHead(int row, int col, int xf = 15) { return le16(row) + le16(col) + le16(xf); }
inline QByteArray latin1(const char *s) { return QByteArray(s); }
// A 16-bit-length string with one byte per character.
inline QByteArray str16(const QByteArray &latin)
{
    return le16(static_cast<unsigned>(latin.size())) + QByteArray(1, '\0') + latin;
}

inline QByteArray records(const QList<Rec> &recs)
{
    QByteArray out;
    for (const Rec &r : recs)
        out += le16(r.type) + le16(static_cast<unsigned>(r.data.size())) + r.data;
    return out;
}

inline QByteArray bofData(unsigned type, unsigned version = 0x0600)
{
    return le16(version) + le16(type) + le16(0x0DBB) + le16(0x07CC) + le32(0) + le32(6);
}

// A workbook stream with one sheet "Sheet1": globals records, then the
// sheet's records.
inline QByteArray biffStream(const QList<Rec> &globals, const QList<Rec> &sheet,
                             const QString &sheetName = QStringLiteral("Sheet1"))
{
    QByteArray name = sheetName.toLatin1();
    auto boundSheet = [&](std::uint32_t offset) {
        return Rec{0x0085, le32(offset) + QByteArray(2, '\0') + QByteArray(1, static_cast<char>(name.size()))
                               + QByteArray(1, '\0') + name};
    };
    QList<Rec> g{{0x0809, bofData(0x0005)}};
    g += globals;
    g.append(boundSheet(0));
    g.append(Rec{0x000A, {}});
    std::uint32_t offset = static_cast<std::uint32_t>(records(g).size());
    g[g.size() - 2] = boundSheet(offset);
    QList<Rec> s{{0x0809, bofData(0x0010)}};
    s += sheet;
    s.append(Rec{0x000A, {}});
    return records(g) + records(s);
}

inline QByteArray xlsFile(const QByteArray &stream) { return xls::writeCompoundFile(stream, {}); }

}  // namespace decktest
