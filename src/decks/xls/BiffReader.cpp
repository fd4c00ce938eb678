#include "decks/xls/BiffReader.h"

#include "decks/DateText.h"
#include "decks/xls/Biff.h"
#include "decks/xls/CompoundFile.h"

#include <QHash>
#include <QStringDecoder>

#include <algorithm>
#include <iterator>
#include <utility>

namespace xls {
namespace {

using namespace biff;

struct Record {
    std::uint16_t type = 0;
    const std::uint8_t *data = nullptr;
    std::size_t size = 0;
    Bytes bytes() const { return Bytes(data, size); }
};

// Walks the records of the stream from a given offset.
class RecordStream {
public:
    explicit RecordStream(const QByteArray &s)
        : p_(reinterpret_cast<const std::uint8_t *>(s.constData())), n_(static_cast<std::size_t>(s.size()))
    {
    }
    std::size_t position() const { return pos_; }
    std::size_t size() const { return n_; }
    void seek(std::size_t pos) { pos_ = pos; }
    bool atEnd() const { return pos_ >= n_; }

    Record next()
    {
        if (pos_ > n_ || n_ - pos_ < 4)
            throw FormatError("the workbook is damaged (it ends in the middle of a record)");
        Record r;
        r.type = u16(p_ + pos_);
        r.size = u16(p_ + pos_ + 2);
        if (n_ - pos_ - 4 < r.size)
            throw FormatError("the workbook is damaged (it ends in the middle of a record)");
        r.data = p_ + pos_ + 4;
        pos_ += 4 + r.size;
        return r;
    }
    // The type of the next record, or 0 at the end.
    std::uint16_t peekType() const { return (pos_ <= n_ && n_ - pos_ >= 4) ? u16(p_ + pos_) : 0; }

private:
    const std::uint8_t *p_;
    std::size_t n_;
    std::size_t pos_ = 0;
};

// The data of a record and of the CONTINUE records that follow it, read as
// one sequence. Character data that crosses into a CONTINUE record starts
// there with a new option byte, which says whether the characters that
// follow take one byte or two.
class Segments {
public:
    void add(const Record &r) { segs_.emplace_back(r.data, r.size); total_ += r.size; }

    // Adds the record and all CONTINUE records that follow it in the stream.
    void addWithContinues(const Record &first, RecordStream &rs)
    {
        add(first);
        while (rs.peekType() == kContinue)
            add(rs.next());
    }

    bool exhausted()
    {
        skipFinished();
        return si_ >= segs_.size();
    }
    std::size_t bytesLeft() const { return total_ - consumed_; }

    std::uint8_t u8()
    {
        skipFinished();
        if (si_ >= segs_.size())
            throw FormatError("the workbook is damaged (a string runs past its record)");
        ++consumed_;
        return segs_[si_].first[off_++];
    }
    std::uint16_t u16()
    {
        std::uint16_t lo = u8();
        return static_cast<std::uint16_t>(lo | (u8() << 8));
    }
    std::uint32_t u32()
    {
        std::uint32_t lo = u16();
        return lo | (static_cast<std::uint32_t>(u16()) << 16);
    }
    void skip(std::size_t n)
    {
        if (n > bytesLeft())
            throw FormatError("the workbook is damaged (a string runs past its record)");
        while (n > 0) {
            skipFinished();
            std::size_t k = std::min(n, segs_[si_].second - off_);
            off_ += k;
            consumed_ += k;
            n -= k;
        }
    }

    // Reads cch characters, the first ones in the form given by `wide`.
    QString chars(std::size_t cch, bool wide)
    {
        if (cch > bytesLeft())
            throw FormatError("the workbook is damaged (a string runs past its record)");
        QString s(static_cast<qsizetype>(cch), Qt::Uninitialized);
        char16_t *out = reinterpret_cast<char16_t *>(s.data());
        while (cch > 0) {
            if (si_ >= segs_.size())
                throw FormatError("the workbook is damaged (a string runs past its record)");
            if (off_ == segs_[si_].second) {
                // The characters go on in the next record, after an option byte.
                ++si_;
                off_ = 0;
                if (si_ >= segs_.size() || segs_[si_].second == 0)
                    throw FormatError("the workbook is damaged (a string runs past its record)");
                wide = segs_[si_].first[off_++] & 1;
                ++consumed_;
                continue;
            }
            const std::uint8_t *p = segs_[si_].first + off_;
            std::size_t avail = segs_[si_].second - off_;
            std::size_t k;
            if (wide) {
                k = std::min(cch, avail / 2);
                if (k == 0)
                    throw FormatError("the workbook is damaged (a character is split between records)");
                for (std::size_t i = 0; i < k; ++i)
                    *out++ = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
                off_ += 2 * k;
                consumed_ += 2 * k;
            } else {
                k = std::min(cch, avail);
                for (std::size_t i = 0; i < k; ++i)
                    *out++ = static_cast<char16_t>(p[i]);
                off_ += k;
                consumed_ += k;
            }
            cch -= k;
        }
        return s;
    }

private:
    void skipFinished()
    {
        while (si_ < segs_.size() && off_ == segs_[si_].second) {
            ++si_;
            off_ = 0;
        }
    }

    std::vector<std::pair<const std::uint8_t *, std::size_t>> segs_;
    std::size_t si_ = 0;
    std::size_t off_ = 0;
    std::size_t total_ = 0;
    std::size_t consumed_ = 0;
};

// The characters of a cell's text: BIFF8 counts up to 65,535 of them, more
// than a cell can hold.
QString cellChars(Segments &seg, std::size_t cch, bool wide)
{
    if (cch > static_cast<std::size_t>(kMaxCellText))
        throw FormatError("the workbook is damaged (a text holds more than 32,767 characters)");
    return seg.chars(cch, wide);
}

// A string with a 16-bit length (LABEL, STRING, RSTRING); returns the text
// and the number of rich-text runs that follow it.
QString readUnicodeString(Segments &seg, bool *formatted = nullptr)
{
    std::size_t cch = seg.u16();
    std::uint8_t flags = seg.u8();
    std::size_t runs = (flags & 0x08) ? seg.u16() : 0;
    std::size_t ext = (flags & 0x04) ? seg.u32() : 0;
    QString s = cellChars(seg, cch, flags & 0x01);
    seg.skip(runs * 4);
    seg.skip(ext);
    if (formatted)
        *formatted = runs > 0 || ext > 0;
    return s;
}

// The code page of a BIFF5 workbook's 8-bit strings, from its CODEPAGE
// record ([MS-XLS] 2.4.52): 1200 is UTF-16, which BIFF5 does not use for
// 8-bit strings; 367 is ASCII; 32768 the Macintosh Roman, 32769 Windows
// Latin 1. Anything unknown is read as Windows Latin 1.
QStringDecoder codePageDecoder(std::uint16_t codePage)
{
    QByteArray name;
    switch (codePage) {
    case 367: name = "US-ASCII"; break;
    case 932: name = "Shift_JIS"; break;
    case 936: name = "GBK"; break;
    case 949: name = "windows-949"; break;
    case 950: name = "Big5"; break;
    case 1361: name = "johab"; break;
    case 10000:
    case 32768: name = "macintosh"; break;
    case 1200:
    case 32769: name = "windows-1252"; break;
    default:
        name = (codePage == 874 || (codePage >= 1250 && codePage <= 1258)) ? "windows-" + QByteArray::number(codePage)
                                                                            : "cp" + QByteArray::number(codePage);
    }
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    return decoder.isValid() ? std::move(decoder) : QStringDecoder("windows-1252", QStringConverter::Flag::Stateless);
}

// The 8-bit characters of a BIFF5 string in the workbook's code page. The
// decoder is made once per code page and thread: every cell needs one.
QString codePageText(const std::uint8_t *p, std::size_t n, std::uint16_t codePage)
{
    thread_local std::uint16_t page = 0;
    thread_local QStringDecoder decoder;
    if (page != codePage || !decoder.isValid()) {
        decoder = codePageDecoder(codePage);
        page = codePage;
    }
    return decoder.decode(QByteArrayView(reinterpret_cast<const char *>(p), static_cast<qsizetype>(n)));
}

// A BIFF5 string with a 16-bit length (LABEL, RSTRING, STRING): 8-bit
// characters in the workbook's code page, where BIFF8 has an
// XLUnicodeString.
QString readByteString(const Bytes &b, std::size_t at, std::uint16_t codePage)
{
    const std::size_t cch = b.u16(at);
    b.need(at + 2, cch);
    return codePageText(b.data() + at + 2, cch, codePage);
}

struct SharedString {
    QString text;
    bool formatted = false;  // rich-text runs or phonetic data
};

std::vector<SharedString> readSst(Segments &seg)
{
    seg.u32();  // total references, not needed
    std::uint32_t unique = seg.u32();
    std::vector<SharedString> strings;
    // Each string takes at least three bytes: never reserve more than fits.
    strings.reserve(std::min<std::size_t>(unique, seg.bytesLeft() / 3));
    for (std::uint32_t i = 0; i < unique && !seg.exhausted(); ++i) {
        SharedString s;
        s.text = readUnicodeString(seg, &s.formatted);
        strings.push_back(std::move(s));
    }
    return strings;
}

struct BoundSheet {
    std::uint32_t offset = 0;
    std::uint8_t visibility = 0;
    std::uint8_t kind = 0;  // 0 worksheet, 1 macro sheet, 2 chart, 6 VB module
    QString name;
};

struct Globals {
    std::vector<BoundSheet> sheets;
    std::vector<SharedString> sst;
    std::size_t end = 0;
    std::uint16_t codePage = 1252;
    // Each XF record's number form, in order: what a cell's format index
    // makes of its number.
    std::vector<NumberForm> xfForms;
};

// Checks a BOF record ([MS-XLS] 2.4.21): BIFF8 (version 0x0600, 16 bytes or
// more) and BIFF5 (0x0500, Excel 5.0/95, 8 bytes or more) are read; the
// older forms' BOF records (0x0009, 0x0209, 0x0409 for BIFF2 to BIFF4) are
// refused as too old. `biff5` says which of the two the workbook is, from
// its first BOF record on.
void checkBof(const Record &r, std::uint16_t wantedType, bool &biff5, bool first)
{
    if (r.type != kBof) {
        if (r.type == 0x0009 || r.type == 0x0209 || r.type == 0x0409)
            throw FormatError("the workbook is in an old Excel 2.x-4.x format, which is not supported",
                              FormatError::Kind::UnsupportedVersion);
        throw FormatError("the file is not an Excel 97-2003 workbook",
                          first ? FormatError::Kind::NotWorkbook : FormatError::Kind::Damaged);
    }
    Bytes b = r.bytes();
    std::uint16_t version = b.u16(0);
    std::uint16_t type = b.u16(2);
    if (first)
        biff5 = version == kBiff5Version;
    if (biff5) {
        // The workbook's first BOF decides: some writers mark the sheets of
        // a BIFF5 workbook as BIFF8 and still write their records as BIFF5.
        if (version != kBiff5Version && version != kBiff8Version)
            throw FormatError("the workbook is in an unknown Excel format", FormatError::Kind::UnsupportedVersion);
        b.need(0, 8);
    } else if (version != kBiff8Version) {
        throw FormatError("the workbook is in an unknown Excel format", FormatError::Kind::UnsupportedVersion);
    } else if (b.size() < 16) {
        throw FormatError("the workbook is damaged (a record is too short)");
    }
    if (type != wantedType)
        throw FormatError("the workbook is damaged (a part of it is not where its index says)");
}

// The number form of a FORMAT record's code ([MS-XLS] 2.4.126: ifmt, then
// the code as an XLUnicodeString in BIFF8, as a string of 8-bit characters
// with an 8-bit length in BIFF5).
std::pair<std::uint16_t, NumberForm> formatForm(const Bytes &b, bool biff5, std::uint16_t codePage)
{
    const std::uint16_t id = b.u16(0);
    QString code;
    if (biff5) {
        const std::size_t cch = b.u8(2);
        b.need(3, cch);
        code = codePageText(b.data() + 3, cch, codePage);
    } else {
        Segments seg;
        seg.add(Record{kFormat, b.data() + 2, b.size() - 2});
        code = readUnicodeString(seg);
    }
    return {id, decks::numberFormOfCode(code)};
}

void addUnsupported(Workbook &wb, const QString &what)
{
    if (!wb.unsupported.contains(what))
        wb.unsupported << what;
}

Globals readGlobals(RecordStream &rs, Workbook &wb, bool &biff5)
{
    Globals g;
    checkBof(rs.next(), kGlobals, biff5, true);
    std::uint16_t codePage = 1252;
    QHash<std::uint16_t, NumberForm> formats;  // FORMAT records: id -> form
    std::vector<std::uint16_t> xfFormats;                         // XF records: format id
    for (;;) {
        if (rs.atEnd())
            throw FormatError("the workbook is damaged (it ends too early)");
        Record r = rs.next();
        Bytes b = r.bytes();
        switch (r.type) {
        case kEof:
            // A FORMAT record's code stands for its id; an id without one
            // is a built-in format ([MS-XLS] 2.4.126).
            for (const std::uint16_t id : xfFormats)
                g.xfForms.push_back(formats.value(id, decks::builtInNumberForm(id)));
            g.codePage = codePage;
            g.end = rs.position();
            return g;
        case kBof:
            throw FormatError("the workbook is damaged (its first part has no end)");
        case kFilePass:
            // FILEPASS ([MS-XLS] 2.4.117): the records after it are
            // encrypted.
            throw FormatError("the workbook is protected by a password", FormatError::Kind::Protected);
        case kCodePage:
            codePage = b.u16(0);
            break;
        case kBoundSheet: {
            // BOUNDSHEET8 ([MS-XLS] 2.4.28); in BIFF5 the name is 8-bit
            // characters in the code page, without the option byte.
            BoundSheet s;
            s.offset = b.u32(0);
            s.visibility = b.u8(4) & 0x03;
            s.kind = b.u8(5);
            std::size_t cch = b.u8(6);
            if (biff5) {
                b.need(7, cch);
                s.name = codePageText(r.data + 7, cch, codePage);
                g.sheets.push_back(std::move(s));
                break;
            }
            bool wide = b.u8(7) & 1;
            b.need(8, cch * (wide ? 2 : 1));
            s.name.resize(static_cast<qsizetype>(cch));
            for (std::size_t i = 0; i < cch; ++i)
                s.name[static_cast<qsizetype>(i)] =
                    QChar(wide ? u16(r.data + 8 + 2 * i) : r.data[8 + i]);
            g.sheets.push_back(std::move(s));
            break;
        }
        case kSst: {
            Segments seg;
            seg.addWithContinues(r, rs);
            g.sst = readSst(seg);
            break;
        }
        case kDateMode:
            wb.date1904 = b.u16(0) != 0;
            break;
        case kFormat:
            {
                const auto [id, form] = formatForm(b, biff5, codePage);
                formats.insert(id, form);
            }
            [[fallthrough]];
        case kXf:
            if (r.type == kXf)
                xfFormats.push_back(b.u16(2));  // XF ([MS-XLS] 2.4.353): ifnt, then ifmt
            [[fallthrough]];
        case kFont:
        case kStyle:
        case kPalette:
            wb.formatRecords.push_back(RawRecord{r.type, QByteArray(reinterpret_cast<const char *>(r.data),
                                                                    static_cast<qsizetype>(r.size))});
            break;
        case kName:
            addUnsupported(wb, QStringLiteral("defined names or print areas"));
            break;
        case kObjProj:
            addUnsupported(wb, QStringLiteral("macros"));
            break;
        case kProtect:
            if (b.u16(0) != 0)
                addUnsupported(wb, QStringLiteral("workbook protection"));
            break;
        default:
            break;
        }
    }
}

struct PendingCell {
    std::uint16_t row;
    std::uint16_t column;
    Cell cell;
};

class SheetReader {
public:
    SheetReader(RecordStream &rs, const Globals &globals, bool biff5, Workbook &wb)
        : rs_(rs), sst_(globals.sst), xfForms_(globals.xfForms), codePage_(globals.codePage), biff5_(biff5), wb_(wb)
    {
    }

    // Reads the worksheet substream at the stream's position.
    void read(Sheet &sheet)
    {
        sheet_ = &sheet;
        sheet.rows.clear();
        late_.clear();
        pendingString_ = nullptr;
        pendingLate_ = kNone;
        waitingForString_ = false;
        checkBof(rs_.next(), kWorksheet, biff5_, false);
        for (;;) {
            if (rs_.atEnd())
                throw FormatError("the workbook is damaged (a sheet has no end)");
            Record r = rs_.next();
            if (r.type == kEof)
                break;
            record(r, sheet);
        }
        build(sheet);
    }

private:
    // Cells usually come row by row, column by column: those go straight
    // into the sheet's rows. Any other order is sorted out at the end.
    void add(std::uint16_t row, std::uint32_t column, std::uint16_t xf, Cell cell)
    {
        if (column >= static_cast<std::uint32_t>(kMaxColumns))
            throw FormatError("the workbook is damaged (a cell lies beyond the last column)");
        cell.xf = xf;
        if (cell.type == CellType::Number && xf < xfForms_.size())
            cell.form = xfForms_[xf];
        waitingForString_ = false;
        std::vector<Row> &rows = sheet_->rows;
        if (late_.empty()
            && (rows.empty() || rows.back().index < row
                || (rows.back().index == row && rows.back().cells.back().column < column))) {
            if (rows.empty() || rows.back().index != row) {
                rows.emplace_back();
                rows.back().index = row;
            }
            rows.back().cells.push_back(CellEntry{static_cast<std::uint16_t>(column), std::move(cell)});
            pendingString_ = &rows.back().cells.back().cell;
        } else {
            late_.push_back(PendingCell{row, static_cast<std::uint16_t>(column), std::move(cell)});
            pendingString_ = nullptr;
            pendingLate_ = late_.size() - 1;
        }
    }

    void record(const Record &r, Sheet &sheet)
    {
        Bytes b = r.bytes();
        switch (r.type) {
        case kBlank:
            add(b.u16(0), b.u16(2), b.u16(4), Cell::blank());
            break;
        case kNumber:
            add(b.u16(0), b.u16(2), b.u16(4), Cell::fromNumber(b.f64(6)));
            break;
        case kRk:
            add(b.u16(0), b.u16(2), b.u16(4), Cell::fromNumber(rkValue(b.u32(6))));
            break;
        case kBoolErr: {
            std::uint8_t value = b.u8(6);
            bool isError = b.u8(7) != 0;
            add(b.u16(0), b.u16(2), b.u16(4), isError ? Cell::fromError(value) : Cell::fromBool(value != 0));
            break;
        }
        case kLabelSst: {
            std::uint32_t index = b.u32(6);
            if (index >= sst_.size())
                throw FormatError("the workbook is damaged (a cell names a missing string)");
            const SharedString &s = sst_[index];
            if (s.formatted)
                addUnsupported(wb_, QStringLiteral("text with mixed fonts or phonetic guides"));
            add(b.u16(0), b.u16(2), b.u16(4), Cell::fromText(s.text));
            break;
        }
        case kLabel:
        case kRString: {
            b.need(0, 6);
            if (biff5_) {
                // LABEL and RSTRING in BIFF5: 8-bit characters in the code
                // page; RSTRING's formatting runs follow them.
                if (r.type == kRString)
                    addUnsupported(wb_, QStringLiteral("text with mixed fonts or phonetic guides"));
                add(b.u16(0), b.u16(2), b.u16(4), Cell::fromText(readByteString(b, 6, codePage_)));
                break;
            }
            Segments seg;
            seg.add(Record{r.type, r.data + 6, r.size - 6});
            QString text;
            bool formatted = false;
            if (r.type == kLabel) {
                text = readUnicodeString(seg, &formatted);
            } else {
                // RSTRING: the string, then its formatting runs.
                std::size_t cch = seg.u16();
                std::uint8_t flags = seg.u8();
                text = cellChars(seg, cch, flags & 1);
                formatted = true;
            }
            if (formatted)
                addUnsupported(wb_, QStringLiteral("text with mixed fonts or phonetic guides"));
            add(b.u16(0), b.u16(2), b.u16(4), Cell::fromText(text));
            break;
        }
        case kMulRk: {
            if (r.size < 6 || (r.size - 6) % 6 != 0)
                throw FormatError("the workbook is damaged (a MULRK record has a wrong size)");
            std::uint16_t row = b.u16(0);
            std::uint32_t first = b.u16(2);
            std::size_t n = (r.size - 6) / 6;
            for (std::size_t i = 0; i < n; ++i)
                add(row, first + static_cast<std::uint32_t>(i), b.u16(4 + 6 * i),
                    Cell::fromNumber(rkValue(b.u32(6 + 6 * i))));
            break;
        }
        case kMulBlank: {
            if (r.size < 6 || (r.size - 6) % 2 != 0)
                throw FormatError("the workbook is damaged (a MULBLANK record has a wrong size)");
            std::uint16_t row = b.u16(0);
            std::uint32_t first = b.u16(2);
            std::size_t n = (r.size - 6) / 2;
            for (std::size_t i = 0; i < n; ++i)
                add(row, first + static_cast<std::uint32_t>(i), b.u16(4 + 2 * i), Cell::blank());
            break;
        }
        case kFormula: {
            addUnsupported(wb_, QStringLiteral("formulas"));
            b.need(0, 20);
            std::uint16_t row = b.u16(0), col = b.u16(2), xf = b.u16(4);
            if (b.u16(12) != 0xFFFF) {
                add(row, col, xf, Cell::fromNumber(b.f64(6)));
                break;
            }
            switch (b.u8(6)) {
            case 0:  // text, in the STRING record that follows
                add(row, col, xf, Cell::fromText(QString()));
                waitingForString_ = true;
                break;
            case 1:
                add(row, col, xf, Cell::fromBool(b.u8(8) != 0));
                break;
            case 2:
                add(row, col, xf, Cell::fromError(b.u8(8)));
                break;
            default:  // an empty text
                add(row, col, xf, Cell::fromText(QString()));
                break;
            }
            break;
        }
        case kString: {
            QString text;
            if (biff5_) {
                text = readByteString(b, 0, codePage_);
            } else {
                Segments seg;
                seg.addWithContinues(r, rs_);
                text = readUnicodeString(seg);
            }
            if (waitingForString_) {
                if (pendingString_)
                    pendingString_->text = text;
                else if (pendingLate_ < late_.size())
                    late_[pendingLate_].cell.text = text;
            }
            waitingForString_ = false;
            break;
        }
        case kArray:
        case kShrFmla:
        case kTable:
            break;  // parts of a formula; the formula's result stays pending
        case kDefColWidth:
        case kColInfo:
            sheet.columnRecords.push_back(RawRecord{r.type, QByteArray(reinterpret_cast<const char *>(r.data),
                                                                       static_cast<qsizetype>(r.size))});
            break;
        case kBof:
            // A chart embedded in the sheet: its own substream, skipped whole.
            addUnsupported(wb_, QStringLiteral("charts"));
            skipSubstream();
            break;
        case kMergeCells:
            addUnsupported(wb_, QStringLiteral("merged cells"));
            break;
        case kNote:
            addUnsupported(wb_, QStringLiteral("cell notes"));
            break;
        case kObj:
        case kTxo:
            addUnsupported(wb_, QStringLiteral("pictures, drawings or other objects"));
            break;
        case kHlink:
            addUnsupported(wb_, QStringLiteral("hyperlinks"));
            break;
        case kDval:
        case kDv:
            addUnsupported(wb_, QStringLiteral("data validation"));
            break;
        case kCondFmt:
        case kCf:
            addUnsupported(wb_, QStringLiteral("conditional formatting"));
            break;
        case kAutoFilterInfo:
        case kAutoFilter:
        case kFilterMode:
            addUnsupported(wb_, QStringLiteral("filters"));
            break;
        case kProtect:
            if (b.u16(0) != 0)
                addUnsupported(wb_, QStringLiteral("sheet protection"));
            break;
        default:
            break;
        }
    }

    void skipSubstream()
    {
        int depth = 1;
        while (depth > 0) {
            if (rs_.atEnd())
                throw FormatError("the workbook is damaged (an embedded chart has no end)");
            Record r = rs_.next();
            if (r.type == kBof)
                ++depth;
            else if (r.type == kEof)
                --depth;
        }
    }

    // When cells came out of order, sorts all of them into rows; a later
    // record for the same cell wins.
    void build(Sheet &sheet)
    {
        if (late_.empty())
            return;
        std::vector<PendingCell> all;
        for (Row &r : sheet.rows)
            for (CellEntry &e : r.cells)
                all.push_back(PendingCell{static_cast<std::uint16_t>(r.index), e.column, std::move(e.cell)});
        std::move(late_.begin(), late_.end(), std::back_inserter(all));
        late_.clear();
        std::stable_sort(all.begin(), all.end(), [](const PendingCell &a, const PendingCell &b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        sheet.rows.clear();
        for (std::size_t i = 0; i < all.size(); ++i) {
            if (i + 1 < all.size() && all[i + 1].row == all[i].row && all[i + 1].column == all[i].column)
                continue;
            PendingCell &pc = all[i];
            if (sheet.rows.empty() || sheet.rows.back().index != pc.row) {
                Row row;
                row.index = pc.row;
                sheet.rows.push_back(std::move(row));
            }
            sheet.rows.back().cells.push_back(CellEntry{pc.column, std::move(pc.cell)});
        }
    }

    RecordStream &rs_;
    const std::vector<SharedString> &sst_;
    const std::vector<NumberForm> &xfForms_;
    std::uint16_t codePage_;
    bool biff5_;
    Workbook &wb_;
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);
    Sheet *sheet_ = nullptr;
    std::vector<PendingCell> late_;
    // The formula cell whose text the next STRING record holds.
    bool waitingForString_ = false;
    Cell *pendingString_ = nullptr;
    std::size_t pendingLate_ = kNone;
};

}  // namespace

Workbook readBiff(const QByteArray &stream, bool *biff5)
{
    Workbook wb;
    RecordStream rs(stream);
    bool older = false;
    Globals g = readGlobals(rs, wb, older);
    if (biff5)
        *biff5 = older;
    // A BIFF5 workbook is studied, never written: its formatting records are
    // not BIFF8 ones.
    if (older)
        addUnsupported(wb, QStringLiteral("the Excel 5.0/95 format"));

    // Worksheets are read in the order of their substreams, which must not
    // overlap; that keeps the work bounded by the size of the stream.
    struct Placed {
        std::size_t index;
        std::uint32_t offset;
    };
    std::vector<Placed> order;
    for (std::size_t i = 0; i < g.sheets.size(); ++i) {
        const BoundSheet &bs = g.sheets[i];
        if (bs.kind != 0) {
            addUnsupported(wb, bs.kind == 2 ? QStringLiteral("chart sheets")
                                            : QStringLiteral("macro or module sheets"));
            continue;
        }
        order.push_back(Placed{i, bs.offset});
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const Placed &a, const Placed &b) { return a.offset < b.offset; });

    std::vector<Sheet> read(g.sheets.size());
    std::vector<bool> present(g.sheets.size(), false);
    std::size_t end = g.end;
    SheetReader reader(rs, g, older, wb);
    for (const Placed &p : order) {
        if (p.offset < end || p.offset >= rs.size())
            throw FormatError("the workbook is damaged (a sheet is not where its index says)");
        rs.seek(p.offset);
        Sheet &s = read[p.index];
        s.name = g.sheets[p.index].name;
        s.visibility = g.sheets[p.index].visibility;
        reader.read(s);
        present[p.index] = true;
        end = rs.position();
    }
    for (std::size_t i = 0; i < read.size(); ++i) {
        if (present[i])
            wb.sheets.push_back(std::move(read[i]));
    }
    return wb;
}

Workbook readWorkbookFile(const QByteArray &file, bool *biff5)
{
    CompoundContent content = readCompoundFile(file);
    bool older = false;
    Workbook wb = readBiff(content.workbook, &older);
    // The records say the version, whatever the stream's name (some programs
    // wrote BIFF5 into a "Workbook" stream).
    if (biff5)
        *biff5 = older;
    wb.otherStreams = std::move(content.others);
    for (const QString &u : content.unsupported)
        addUnsupported(wb, u);
    return wb;
}

}  // namespace xls
