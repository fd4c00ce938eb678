#include "decks/odf/OdsReader.h"

#include "decks/DateText.h"
#include "decks/zip/XmlPart.h"
#include "decks/zip/ZipArchive.h"

#include <cmath>

namespace odf {
namespace {

using deckzip::XmlPart;

const QString kCardSheet = QStringLiteral("Sheet1");
constexpr int kCardColumns = 2;  // A (question) and B (answer)

constexpr QStringView kOffice = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr QStringView kTable = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr QStringView kText = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr QStringView kCalcExt = u"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

using deckzip::appendCellText;
using deckzip::kMaxNesting;
constexpr qint64 kMaxManifestSize = qint64(4) << 20;

template <std::size_t N> bool isTable(const XmlPart &xml, const char16_t (&local)[N])
{
    return xml.name() == local && xml.namespaceUri() == kTable;
}

void checkNesting(int depth)
{
    if (depth > kMaxNesting)
        throw decks::FormatError("elements nested too deeply");
}

// A repeat count attribute: 1 when absent or not a positive number, at most
// limit.
template <std::size_t N> qint64 repeatCount(const XmlPart &xml, const char16_t (&attribute)[N], qint64 limit)
{
    bool ok = false;
    const qint64 n = deckzip::toInt64(xml.attribute(kTable, attribute), &ok);
    return ok && n > 0 ? std::min(n, limit) : 1;
}

// The text of the element the reader stands on, up to its end: text:s as
// spaces, text:tab as a tab, text:line-break as a line feed; notes and
// annotations left out. Spans nest at most kMaxNesting deep, counted here
// rather than by a call per level.
void appendText(XmlPart &xml, QString &text)
{
    int depth = 0;  // of the elements open inside it
    while (xml.next()) {
        if (xml.isEndElement()) {
            if (depth-- == 0)
                return;
        } else if (xml.isCharacters()) {
            xml.appendText(text);
        } else if (xml.isStartElement()) {
            const bool inText = xml.namespaceUri() == kText;
            if (inText && xml.name() == u"s") {
                bool ok = false;
                const int n = xml.attribute(kText, u"c").toInt(&ok);
                const qsizetype spaces = ok && n > 0 ? n : 1;
                deckzip::checkCellRoom(text.size(), spaces);  // before the spaces are made
                text += QString(spaces, u' ');
                xml.skip();
            } else if (inText && xml.name() == u"tab") {
                appendCellText(text, u"\t");
                xml.skip();
            } else if (inText && xml.name() == u"line-break") {
                appendCellText(text, u"\n");
                xml.skip();
            } else if (xml.name() == u"note" || xml.name() == u"annotation" || xml.name() == u"ruby-text") {
                xml.skip();
            } else {
                checkNesting(++depth);
            }
        }
    }
}

// "PT12H30M15S" (with an optional day part "P1DT...") as a fraction of days
// (an xsd:duration, as office:time-value holds it in ODF 1.2 Part 1).
bool parseDuration(QStringView s, double &days)
{
    if (!s.startsWith(u'P'))
        return false;
    double total = 0, number = 0, scale = 0;
    bool inTime = false, any = false;
    for (qsizetype i = 1; i < s.size(); ++i) {
        const QChar c = s[i];
        if (c.isDigit()) {
            if (scale > 0) {
                number += (c.unicode() - '0') * scale;
                scale /= 10;
            } else {
                number = number * 10 + (c.unicode() - '0');
            }
            any = true;
        } else if (c == u'.' || c == u',') {
            scale = 0.1;
        } else {
            if (c == u'T')
                inTime = true;
            else if (c == u'D')
                total += number;
            else if (c == u'H' && inTime)
                total += number / 24;
            else if (c == u'M' && inTime)
                total += number / 1440;
            else if (c == u'S' && inTime)
                total += number / 86400;
            else
                return false;
            number = 0;
            scale = 0;
        }
    }
    days = total;
    return any;
}


int errorCode(QStringView text)
{
    if (text == u"#DIV/0!")
        return 0x07;
    if (text == u"#VALUE!")
        return 0x0F;
    if (text == u"#REF!")
        return 0x17;
    if (text == u"#NAME?")
        return 0x1D;
    if (text == u"#NUM!")
        return 0x24;
    return 0x2A;
}

// One table:table-cell: its value (Blank when it has none). A date or time
// cell (office:value-type "date" or "time" in ODF 1.2 Part 1) is the ISO
// text of its office:date-value (an xsd:date or xsd:dateTime) or the time
// of day of its office:time-value: both are written as the date and time
// themselves, so the document's null date (table:null-date), which only
// says what the number 0 stands for, plays no part in them.
decks::Cell readCell(XmlPart &xml)
{
    enum class Type { None, Number, Date, Time, Boolean, String } type = Type::None;
    bool error = false, ok = false, boolean = false, hasStringValue = false;
    double number = 0;
    QString stringValue, dateText;
    {
        // Read while the reader stands on the start tag, and let go before
        // it moves on (the list would be copied then).
        const auto &attributes = xml.attributes();
        const auto office = [&](const auto &local) { return XmlPart::valueOf(attributes, kOffice, local); };
        const QStringView typeName = office(u"value-type");
        const auto is = [&](const auto &name) { return typeName == deckzip::literal(name); };
        if (is(u"float") || is(u"percentage") || is(u"currency")) {
            type = Type::Number;
            number = deckzip::toDouble(office(u"value"), &ok);
        } else if (is(u"date")) {
            type = Type::Date;
            // A date the ISO form cannot hold (before year 0, past 9999)
            // stays as written.
            const QStringView value = office(u"date-value");
            dateText = decks::isoDateText(value);
            if (dateText.isNull())
                dateText = value.trimmed().toString();
            ok = !dateText.isEmpty();
        } else if (is(u"time")) {
            type = Type::Time;
            ok = parseDuration(office(u"time-value"), number);
            if (ok && number >= 0 && number < 1e9)
                dateText = decks::timeText(std::llround(number * 86400) % 86400);
            ok = !dateText.isNull();
        } else if (is(u"boolean")) {
            type = Type::Boolean;
            boolean = office(u"boolean-value") == u"true" || office(u"boolean-value") == u"1";
        } else if (is(u"string")) {
            type = Type::String;
            const QStringView value = office(u"string-value");
            hasStringValue = !value.isNull();
            appendCellText(stringValue, value);
        }
        error = XmlPart::valueOf(attributes, kCalcExt, u"value-type") == deckzip::literal(u"error");
    }
    if (!error && (type != Type::String || hasStringValue)) {
        xml.skip();  // the paragraphs only show the value
    } else {
        QString text;
        bool firstParagraph = true;
        while (xml.nextChild()) {
            if (xml.namespaceUri() == kText && xml.name() == u"p") {
                if (!firstParagraph)
                    appendCellText(text, u"\n");
                firstParagraph = false;
                appendText(xml, text);
            } else {
                xml.skip();
            }
        }
        if (error)
            return decks::Cell::fromError(errorCode(text));
        stringValue = std::move(text);
    }
    switch (type) {
    case Type::Boolean:
        return decks::Cell::fromBool(boolean);
    case Type::String:
        return decks::Cell::fromText(stringValue);
    case Type::None:
        return decks::Cell::blank();
    case Type::Date:
    case Type::Time:
        return ok ? decks::Cell::fromText(dateText) : decks::Cell::blank();
    default:
        return ok ? decks::Cell::fromNumber(number) : decks::Cell::blank();
    }
}

struct TableReader {
    explicit TableReader(decks::Sheet &s) : sheet(s) {}

    decks::Sheet &sheet;
    deckzip::TextBudget budget;
    int nextRow = 0;
    bool full = false;

    void readRow(XmlPart &xml)
    {
        const qint64 repeat = repeatCount(xml, u"number-rows-repeated", decks::kMaxRows);
        decks::Cell cells[kCardColumns];
        qint64 column = 0;
        while (xml.nextChild()) {
            if (!isTable(xml, u"table-cell") && !isTable(xml, u"covered-table-cell")) {
                xml.skip();
                continue;
            }
            const qint64 span = repeatCount(xml, u"number-columns-repeated", 1 << 20);
            if (column >= kCardColumns) {
                xml.skip();
                continue;
            }
            const decks::Cell cell = readCell(xml);
            for (qint64 c = column; c < std::min<qint64>(column + span, kCardColumns); ++c)
                cells[c] = cell;
            column += span;
        }
        const bool blank = cells[0].type == decks::CellType::Blank && cells[1].type == decks::CellType::Blank;
        const qint64 end = std::min<qint64>(nextRow + repeat, decks::kMaxRows);
        if (!blank) {
            budget.spend((end - nextRow) * (cells[0].text.size() + cells[1].text.size()));
            for (qint64 row = nextRow; row < end; ++row)
                for (int c = 0; c < kCardColumns; ++c)
                    if (cells[c].type != decks::CellType::Blank)
                        sheet.setCell(static_cast<int>(row), c, cells[c]);
        }
        nextRow = static_cast<int>(end);
        full = nextRow >= decks::kMaxRows;
    }

    // The rows of a table or of a row group, header rows and row groups
    // within it included; the groups open are counted, not recursed into.
    void readRows(XmlPart &xml)
    {
        int depth = 0;  // of the row groups open
        while (!full) {
            if (!xml.nextChild()) {
                if (depth-- == 0)
                    return;
            } else if (isTable(xml, u"table-row")) {
                readRow(xml);
            } else if (isTable(xml, u"table-header-rows") || isTable(xml, u"table-row-group") ||
                       isTable(xml, u"table-rows")) {
                checkNesting(++depth);
            } else {
                xml.skip();
            }
        }
    }
};

// Whether the package's manifest says its parts are encrypted: a
// <manifest:encryption-data> under a file entry (ODF 1.2 Part 3, the
// manifest file). Such a content.xml is no XML until decrypted.
bool isEncrypted(const deckzip::ZipArchive &zip)
{
    const QString manifest = QStringLiteral("META-INF/manifest.xml");
    if (!zip.contains(manifest))
        return false;
    XmlPart xml(zip, manifest, kMaxManifestSize);
    while (xml.next())
        if (xml.isStartElement() && xml.name() == u"encryption-data")
            return true;
    return false;
}

}  // namespace

decks::Workbook readOds(const deckzip::ZipArchive &zip)
{
    if (isEncrypted(zip))
        throw decks::FormatError("the workbook is protected by a password", decks::FormatError::Kind::Protected);
    // Parsed ahead on a thread of its own: this one then only walks its
    // tokens.
    XmlPart xml(zip, QString::fromLatin1(kContentPart), kMaxContentSize, XmlPart::Parsing::Ahead);
    decks::Workbook wb;
    while (xml.next()) {
        if (!xml.isStartElement() || !isTable(xml, u"table"))
            continue;
        decks::Sheet sheet;
        sheet.name = xml.attribute(kTable, u"name").toString();
        wb.sheets.push_back(std::move(sheet));
        if (wb.sheetIndex(kCardSheet) == static_cast<int>(wb.sheets.size()) - 1) {
            // The sheets after the card sheet play no part.
            TableReader table(wb.sheets.back());
            table.readRows(xml);
            return wb;
        }
        xml.skip();
    }
    if (wb.sheets.empty())
        throw decks::FormatError("the document holds no table");
    return wb;
}

}  // namespace odf
