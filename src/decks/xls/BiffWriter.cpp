#include "decks/xls/BiffWriter.h"

#include "decks/xls/Biff.h"
#include "decks/xls/CompoundFile.h"

#include <QHash>

#include <algorithm>
#include <cstring>

namespace xls {
namespace {

using namespace biff;

// A growing byte buffer of little-endian values.
class Buffer {
public:
    QByteArray bytes;

    void u8(std::uint8_t v) { bytes.append(static_cast<char>(v)); }
    void u16(std::uint16_t v)
    {
        const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
        bytes.append(b, 2);
    }
    void u32(std::uint32_t v)
    {
        const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
        bytes.append(b, 4);
    }
    void f64(double v)
    {
        std::uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        u32(static_cast<std::uint32_t>(bits));
        u32(static_cast<std::uint32_t>(bits >> 32));
    }
    void raw(const QByteArray &b) { bytes.append(b); }
    std::size_t size() const { return static_cast<std::size_t>(bytes.size()); }
    void put32(std::size_t pos, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[static_cast<qsizetype>(pos) + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }

    // Starts a record written in place; end() sets its length.
    std::size_t begin(std::uint16_t type)
    {
        u16(type);
        u16(0);
        return size();
    }
    void end(std::size_t start)
    {
        std::size_t len = size() - start;
        if (len > kMaxRecordData)
            throw FormatError("a record is too long to be written");
        bytes[static_cast<qsizetype>(start) - 2] = static_cast<char>(len & 0xFF);
        bytes[static_cast<qsizetype>(start) - 1] = static_cast<char>(len >> 8);
    }

    void record(std::uint16_t type, const QByteArray &data)
    {
        if (static_cast<std::size_t>(data.size()) > kMaxRecordData)
            throw FormatError("a record is too long to be written");
        u16(type);
        u16(static_cast<std::uint16_t>(data.size()));
        raw(data);
    }
};

bool fitsLatin1(const QString &s)
{
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c.unicode() <= 0xFF; });
}

// The characters of a string, one byte each when all fit, else UTF-16
// little-endian.
void putChars(QByteArray &out, QStringView s, bool wide)
{
    const qsizetype at = out.size();
    out.resize(at + s.size() * (wide ? 2 : 1));
    char *p = out.data() + at;
    const char16_t *c = s.utf16();
    if (wide) {
        for (qsizetype i = 0; i < s.size(); ++i) {
            *p++ = static_cast<char>(c[i] & 0xFF);
            *p++ = static_cast<char>(c[i] >> 8);
        }
    } else {
        for (qsizetype i = 0; i < s.size(); ++i)
            *p++ = static_cast<char>(c[i]);
    }
}

QByteArray bofData(std::uint16_t type)
{
    Buffer b;
    b.u16(kBiff8Version);
    b.u16(type);
    b.u16(0x0DBB);  // build
    b.u16(0x07CC);  // year
    b.u32(0);       // file history
    b.u32(0x06);    // lowest version that can read it
    return b.bytes;
}

// The writer's own formats: four Arial 10 fonts, 15 style formats, one cell
// format (index 15) and the Normal style.
void putDefaultFormats(Buffer &out)
{
    for (int i = 0; i < 4; ++i) {
        Buffer f;
        f.u16(200);     // height in twentieths of a point
        f.u16(0);       // attributes
        f.u16(0x7FFF);  // automatic colour
        f.u16(400);     // weight
        f.u16(0);       // no super/subscript
        f.u8(0);        // no underline
        f.u8(0);        // family
        f.u8(0);        // character set
        f.u8(0);
        f.u8(5);        // name length
        f.u8(0);        // one byte per character
        f.raw("Arial");
        out.record(kFont, f.bytes);
    }
    for (int i = 0; i < 16; ++i) {
        bool style = i < 15;
        Buffer x;
        x.u16(0);                          // font
        x.u16(0);                          // number format: General
        x.u16(style ? 0xFFF5 : 0x0001);   // locked; style formats have no parent
        x.u8(0x20);                        // aligned to the bottom
        x.u8(0);                           // no rotation
        x.u8(0);                           // no indent
        x.u8(style && i > 0 ? 0xF4 : 0);   // attributes a style leaves to its cells
        x.u32(0);                          // no borders
        x.u32(0);
        x.u16(0x20C0);                     // automatic pattern colours
        out.record(kXf, x.bytes);
    }
    Buffer st;
    st.u16(0x8000);  // built-in style for format 0
    st.u8(0);        // Normal
    st.u8(0xFF);
    out.record(kStyle, st.bytes);
}

// Writes the workbook's own formatting records when they are complete;
// returns the number of cell formats and the default cell format.
struct Formats {
    std::uint16_t count = 16;
    std::uint16_t defaultCell = 15;
};

Formats putFormats(Buffer &out, const Workbook &wb)
{
    std::vector<const RawRecord *> xfs;
    for (const RawRecord &r : wb.formatRecords) {
        if (r.type == kXf)
            xfs.push_back(&r);
    }
    bool usable = xfs.size() >= 16 && xfs.size() < 0xFFF0
                  && std::all_of(wb.formatRecords.begin(), wb.formatRecords.end(), [](const RawRecord &r) {
                         return static_cast<std::size_t>(r.data.size()) <= kMaxRecordData;
                     })
                  && std::all_of(xfs.begin(), xfs.end(), [](const RawRecord *r) { return r->data.size() >= 20; });
    if (!usable) {
        putDefaultFormats(out);
        return Formats{};
    }
    Formats f;
    f.count = static_cast<std::uint16_t>(xfs.size());
    f.defaultCell = 15;
    for (std::size_t i = 0; i < xfs.size(); ++i) {
        std::uint16_t flags = u16(reinterpret_cast<const std::uint8_t *>(xfs[i]->data.constData()) + 4);
        if (!(flags & 0x0004)) {
            f.defaultCell = static_cast<std::uint16_t>(i);
            break;
        }
    }
    for (const RawRecord &r : wb.formatRecords)
        out.record(r.type, r.data);
    return f;
}

// The shared string table, written in place and split over CONTINUE
// records: a string's header never splits, its characters split only
// between whole characters, and a CONTINUE that goes on with characters
// starts with the option byte. EXTSST follows: where every eighth (or
// more) string starts, for readers that look strings up quickly.
class SstWriter {
public:
    SstWriter(Buffer &out, const std::vector<QString> &strings, std::uint32_t references) : out_(out)
    {
        start_ = out_.begin(kSst);
        out_.u32(references);
        out_.u32(static_cast<std::uint32_t>(strings.size()));
        const std::size_t bucket = std::max<std::size_t>(8, (strings.size() + 127) / 128);
        Buffer ext;
        ext.u16(static_cast<std::uint16_t>(bucket));
        for (std::size_t i = 0; i < strings.size(); ++i) {
            put(strings[i]);
            if (i % bucket == 0) {
                ext.u32(static_cast<std::uint32_t>(stringStart_));
                ext.u16(static_cast<std::uint16_t>(stringStart_ - start_ + 4));
                ext.u16(0);
            }
        }
        out_.end(start_);
        out_.record(kExtSst, ext.bytes);
    }

private:
    std::size_t room() const { return kMaxRecordData - (out_.size() - start_); }
    void newRecord()
    {
        out_.end(start_);
        start_ = out_.begin(kContinue);
    }

    void put(const QString &text)
    {
        const QString s = withoutLoneSurrogates(text);
        const bool wide = !fitsLatin1(s);
        const std::size_t unit = wide ? 2 : 1;
        if (room() < 3 + unit)
            newRecord();
        stringStart_ = out_.size();
        out_.u16(static_cast<std::uint16_t>(s.size()));
        out_.u8(wide ? 1 : 0);
        qsizetype done = 0;
        while (done < s.size()) {
            const std::size_t fit = room() / unit;
            if (fit == 0) {
                newRecord();
                out_.u8(wide ? 1 : 0);
                continue;
            }
            qsizetype n = std::min<qsizetype>(s.size() - done, static_cast<qsizetype>(fit));
            // A character outside the Basic Multilingual Plane takes two
            // UTF-16 units; its halves never go to different records.
            if (n < s.size() - done && s.at(done + n - 1).isHighSurrogate() && --n == 0) {
                newRecord();
                out_.u8(1);
                continue;
            }
            putChars(out_.bytes, QStringView(s).mid(done, n), wide);
            done += n;
        }
    }

    Buffer &out_;
    std::size_t start_ = 0;        // data start of the record being filled
    std::size_t stringStart_ = 0;  // where the last string's header went
};

// `sst` holds the string index of every text cell of the workbook,
// in the order the cells are written; `next` is the first one for this sheet.
void putSheet(Buffer &out, const Sheet &sheet, const std::vector<std::uint32_t> &sst, std::size_t &next,
              const Formats &formats, bool first)
{
    out.record(kBof, bofData(kWorksheet));
    for (const RawRecord &r : sheet.columnRecords)
        out.record(r.type, r.data);

    // DIMENSIONS: first used row, last used row + 1, first used column,
    // last used column + 1; all zero for an empty sheet.
    std::uint32_t rowFirst = 0, rowLast = 0;
    std::uint16_t colFirst = 0, colLast = 0;
    if (!sheet.rows.empty()) {
        rowFirst = static_cast<std::uint32_t>(sheet.rows.front().index);
        rowLast = static_cast<std::uint32_t>(sheet.rows.back().index) + 1;
        colFirst = 0xFFFF;
        for (const Row &row : sheet.rows) {
            if (row.cells.empty())
                continue;
            colFirst = std::min(colFirst, row.cells.front().column);
            colLast = std::max<std::uint16_t>(colLast, row.cells.back().column + 1);
        }
        if (colFirst == 0xFFFF)
            colFirst = 0;
    }
    Buffer dim;
    dim.u32(rowFirst);
    dim.u32(rowLast);
    dim.u16(colFirst);
    dim.u16(colLast);
    dim.u16(0);
    out.record(kDimensions, dim.bytes);

    for (const Row &row : sheet.rows) {
        for (const CellEntry &e : row.cells) {
            const Cell &c = e.cell;
            std::uint16_t xf = c.xf < formats.count ? c.xf : formats.defaultCell;
            std::uint16_t type = kBlank;
            switch (c.type) {
            case CellType::Text:
                type = kLabelSst;  // an empty text too: the cell keeps its type
                break;
            case CellType::Blank:
                break;
            case CellType::Number:
                type = kNumber;
                break;
            case CellType::Boolean:
            case CellType::Error:
                type = kBoolErr;
                break;
            }
            std::size_t start = out.begin(type);
            out.u16(static_cast<std::uint16_t>(row.index));
            out.u16(e.column);
            out.u16(xf);
            if (type == kLabelSst)
                out.u32(sst.at(next++));
            else if (type == kNumber)
                out.f64(c.number);
            else if (type == kBoolErr) {
                out.u8(static_cast<std::uint8_t>(c.number));
                out.u8(c.type == CellType::Error ? 1 : 0);
            }
            out.end(start);
        }
    }

    Buffer w2;
    w2.u16(first ? 0x06B6 : 0x00B6);  // gridlines, headers, zeros, outline; the first sheet selected
    w2.u16(0);                        // top row
    w2.u16(0);                        // left column
    w2.u32(0x40);                     // automatic gridline colour
    w2.u16(0);                        // zoom in page break preview: default
    w2.u16(0);                        // zoom: default
    w2.u32(0);
    out.record(kWindow2, w2.bytes);
    out.record(kEof, {});
}

}  // namespace

QString withoutLoneSurrogates(const QString &s)
{
    QString out = s;
    for (qsizetype i = 0; i < out.size(); ++i) {
        const QChar c = out.at(i);
        if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            out[i] = QChar::ReplacementCharacter;
    }
    return out;
}

QByteArray writeBiff(const Workbook &wb)
{
    if (!wb.unsupported.isEmpty())
        throw FormatError(QStringLiteral("the workbook holds %1, which cannot be saved without losing them")
                           .arg(wb.unsupported.join(QStringLiteral(", ")))
                           .toStdString());
    if (wb.sheets.empty())
        throw FormatError("a workbook needs at least one sheet");

    // Every text once in the shared string table, in order of first use.
    std::size_t cellCount = 0;
    for (const Sheet &sheet : wb.sheets)
        for (const Row &row : sheet.rows)
            cellCount += row.cells.size();
    std::vector<QString> strings;
    std::vector<std::uint32_t> cellStrings;
    QHash<QString, std::uint32_t> index;
    strings.reserve(cellCount);
    cellStrings.reserve(cellCount);
    index.reserve(static_cast<qsizetype>(cellCount));
    for (const Sheet &sheet : wb.sheets) {
        if (sheet.name.isEmpty() || sheet.name.size() > kMaxSheetNameLength)
            throw FormatError("a sheet name must have 1 to 31 characters");
        for (const Row &row : sheet.rows) {
            if (row.index < 0 || row.index >= kMaxRows)
                throw FormatError("a row lies outside the sheet");
            for (const CellEntry &e : row.cells) {
                if (e.column >= kMaxColumns)
                    throw FormatError("a cell lies outside the sheet");
                if (e.cell.type != CellType::Text)
                    continue;
                if (e.cell.text.size() > kMaxCellText)
                    throw FormatError("a cell holds more text than a workbook can");
                auto it = index.constFind(e.cell.text);
                if (it == index.constEnd()) {
                    it = index.insert(e.cell.text, static_cast<std::uint32_t>(strings.size()));
                    strings.push_back(e.cell.text);
                }
                cellStrings.push_back(*it);
            }
        }
    }
    const auto references = static_cast<std::uint32_t>(cellStrings.size());

    // Room for the strings (at most two bytes a character, with a header and
    // an occasional option byte) and about 16 bytes a cell, in one piece.
    qsizetype estimate = 65536;
    for (const QString &s : strings)
        estimate += 2 * s.size() + 4;
    for (const Sheet &sheet : wb.sheets)
        for (const Row &row : sheet.rows)
            estimate += 16 * static_cast<qsizetype>(row.cells.size());
    Buffer g;
    g.bytes.reserve(estimate);
    g.record(kBof, bofData(kGlobals));
    {
        Buffer cp;
        cp.u16(1200);  // UTF-16
        g.record(kCodePage, cp.bytes);
        Buffer w1;
        w1.u16(0);       // left
        w1.u16(0);       // top
        w1.u16(0x4000);  // width
        w1.u16(0x2000);  // height
        w1.u16(0x0038);  // scroll bars and sheet tabs shown
        w1.u16(0);       // active sheet
        w1.u16(0);       // first visible tab
        w1.u16(1);       // one selected sheet
        w1.u16(0x0258);  // tab bar width ratio
        g.record(kWindow1, w1.bytes);
        Buffer dm;
        dm.u16(wb.date1904 ? 1 : 0);
        g.record(kDateMode, dm.bytes);
    }
    Formats formats = putFormats(g, wb);

    std::vector<std::size_t> offsetPositions;
    for (const Sheet &sheet : wb.sheets) {
        bool wide = !fitsLatin1(sheet.name);
        Buffer bs;
        bs.u32(0);  // stream offset, set below
        bs.u8(sheet.visibility & 0x03);
        bs.u8(0);   // worksheet
        bs.u8(static_cast<std::uint8_t>(sheet.name.size()));
        bs.u8(wide ? 1 : 0);
        putChars(bs.bytes, sheet.name, wide);
        offsetPositions.push_back(g.size() + 4);
        g.record(kBoundSheet, bs.bytes);
    }
    SstWriter(g, strings, references);
    g.record(kEof, {});

    std::size_t next = 0;
    for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
        g.put32(offsetPositions[i], static_cast<std::uint32_t>(g.size()));
        putSheet(g, wb.sheets[i], cellStrings, next, formats, i == 0);
    }
    // Streams under 4096 bytes would go to the compound file's small-block
    // area, which some readers do not expect for a workbook.
    if (g.bytes.size() < 4096)
        g.bytes.append(QByteArray(4096 - g.bytes.size(), '\0'));
    return g.bytes;
}

QByteArray writeWorkbookFile(const Workbook &wb)
{
    return writeCompoundFile(writeBiff(wb), wb.otherStreams);
}

void writeWorkbookFile(const Workbook &wb, QIODevice &device)
{
    writeCompoundFile(writeBiff(wb), wb.otherStreams, device);
}

}  // namespace xls
