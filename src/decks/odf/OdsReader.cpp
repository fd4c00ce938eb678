#include "decks/odf/OdsReader.h"

#include "decks/zip/XmlPart.h"
#include "decks/zip/ZipArchive.h"

#include <QDate>
#include <QTime>

namespace odf {
namespace {

using deckzip::XmlPart;

const QString kCardSheet = QStringLiteral("Sheet1");
constexpr int kCardColumns = 2;  // A (question) and B (answer)

constexpr QStringView kOffice = u"urn:oasis:names:tc:opendocument:xmlns:office:1.0";
constexpr QStringView kTable = u"urn:oasis:names:tc:opendocument:xmlns:table:1.0";
constexpr QStringView kText = u"urn:oasis:names:tc:opendocument:xmlns:text:1.0";
constexpr QStringView kCalcExt = u"urn:org:documentfoundation:names:experimental:calc:xmlns:calcext:1.0";

constexpr int kMaxNesting = 64;  // of spans in a paragraph, of row groups
// A cell's text is kept up to the length an .xls cell can hold; the rest is
// left out (text:s can make a few bytes stand for thousands of spaces).
constexpr qsizetype kMaxCellText = 32767;

void appendCapped(QString &text, QStringView more)
{
    if (text.size() < kMaxCellText)
        text += more.left(kMaxCellText - text.size());
}

bool isTable(const XmlPart &xml, QStringView local)
{
    return xml.name() == local && xml.namespaceUri() == kTable;
}

void checkNesting(int depth)
{
    if (depth > kMaxNesting)
        throw xls::XlsError("elements nested too deeply");
}

// A repeat count attribute: 1 when absent or not a positive number, at most
// limit.
qint64 repeatCount(const XmlPart &xml, QStringView attribute, qint64 limit)
{
    bool ok = false;
    const qint64 n = xml.attribute(kTable, attribute).toLongLong(&ok);
    return ok && n > 0 ? std::min(n, limit) : 1;
}

// The text of the element the reader stands on, up to its end: text:s as
// spaces, text:tab as a tab, text:line-break as a line feed; notes and
// annotations left out.
void appendText(XmlPart &xml, QString &text, int depth = 0)
{
    checkNesting(depth);
    while (xml.next()) {
        XmlPart &r = xml;
        if (r.isEndElement())
            return;
        if (r.isCharacters()) {
            appendCapped(text, r.text());
        } else if (r.isStartElement()) {
            if (r.namespaceUri() == kText && r.name() == u"s") {
                bool ok = false;
                const int n = xml.attribute(kText, u"c").toInt(&ok);
                if (text.size() < kMaxCellText)
                    appendCapped(text, QString(ok && n > 0 ? std::min<qsizetype>(n, kMaxCellText) : 1, u' '));
                xml.skip();
            } else if (r.namespaceUri() == kText && r.name() == u"tab") {
                appendCapped(text, u"\t");
                xml.skip();
            } else if (r.namespaceUri() == kText && r.name() == u"line-break") {
                appendCapped(text, u"\n");
                xml.skip();
            } else if (r.name() == u"note" || r.name() == u"annotation" || r.name() == u"ruby-text") {
                xml.skip();
            } else {
                appendText(xml, text, depth + 1);
            }
        }
    }
}

// "PT12H30M15S" (with an optional day part "P1DT...") as a fraction of days.
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

// "2024-01-15" or "2024-01-15T10:30:00" as days since 1899-12-30.
bool parseDate(QStringView s, double &days)
{
    const QDate date = QDate::fromString(s.left(10).toString(), Qt::ISODate);
    if (!date.isValid())
        return false;
    days = static_cast<double>(QDate(1899, 12, 30).daysTo(date));
    if (s.size() > 11) {
        const QTime time = QTime::fromString(s.mid(11).toString(), Qt::ISODateWithMs);
        if (time.isValid())
            days += time.msecsSinceStartOfDay() / 86400000.0;
    }
    return true;
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

// One table:table-cell: its value (Blank when it has none).
xls::Cell readCell(XmlPart &xml)
{
    enum class Type { None, Number, Date, Time, Boolean, String } type = Type::None;
    bool error = false, ok = false, boolean = false, hasStringValue = false;
    double number = 0;
    QString stringValue;
    {
        // Read while the reader stands on the start tag, and let go before
        // it moves on (the list would be copied then).
        const auto &attributes = xml.attributes();
        const auto office = [&](QStringView local) { return XmlPart::valueOf(attributes, kOffice, local); };
        const QStringView typeName = office(u"value-type");
        if (typeName == u"float" || typeName == u"percentage" || typeName == u"currency") {
            type = Type::Number;
            number = office(u"value").toDouble(&ok);
        } else if (typeName == u"date") {
            type = Type::Date;
            ok = parseDate(office(u"date-value"), number);
        } else if (typeName == u"time") {
            type = Type::Time;
            ok = parseDuration(office(u"time-value"), number);
        } else if (typeName == u"boolean") {
            type = Type::Boolean;
            boolean = office(u"boolean-value") == u"true" || office(u"boolean-value") == u"1";
        } else if (typeName == u"string") {
            type = Type::String;
            const QStringView value = office(u"string-value");
            hasStringValue = !value.isNull();
            stringValue = value.toString();
        }
        error = XmlPart::valueOf(attributes, kCalcExt, u"value-type") == u"error";
    }
    if (!error && (type != Type::String || hasStringValue)) {
        xml.skip();  // the paragraphs only show the value
    } else {
        QString text;
        bool firstParagraph = true;
        while (xml.nextChild()) {
            if (xml.namespaceUri() == kText && xml.name() == u"p") {
                if (!firstParagraph)
                    appendCapped(text, u"\n");
                firstParagraph = false;
                appendText(xml, text);
            } else {
                xml.skip();
            }
        }
        if (error)
            return xls::Cell::fromError(errorCode(text));
        stringValue = std::move(text);
    }
    switch (type) {
    case Type::Boolean:
        return xls::Cell::fromBool(boolean);
    case Type::String:
        return xls::Cell::fromText(stringValue);
    case Type::None:
        return xls::Cell::blank();
    default:
        return ok ? xls::Cell::fromNumber(number) : xls::Cell::blank();
    }
}

struct TableReader {
    explicit TableReader(xls::Sheet &s) : sheet(s) {}

    xls::Sheet &sheet;
    deckzip::TextBudget budget;
    int nextRow = 0;
    bool full = false;

    void readRow(XmlPart &xml)
    {
        const qint64 repeat = repeatCount(xml, u"number-rows-repeated", xls::kMaxRows);
        xls::Cell cells[kCardColumns];
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
            const xls::Cell cell = readCell(xml);
            for (qint64 c = column; c < std::min<qint64>(column + span, kCardColumns); ++c)
                cells[c] = cell;
            column += span;
        }
        const bool blank = cells[0].type == xls::CellType::Blank && cells[1].type == xls::CellType::Blank;
        const qint64 end = std::min<qint64>(nextRow + repeat, xls::kMaxRows);
        if (!blank) {
            budget.spend((end - nextRow) * (cells[0].text.size() + cells[1].text.size()));
            for (qint64 row = nextRow; row < end; ++row)
                for (int c = 0; c < kCardColumns; ++c)
                    if (cells[c].type != xls::CellType::Blank)
                        sheet.setCell(static_cast<int>(row), c, cells[c]);
        }
        nextRow = static_cast<int>(end);
        full = nextRow >= xls::kMaxRows;
    }

    // The rows of a table or of a row group, header rows and row groups
    // within it included.
    void readRows(XmlPart &xml, int depth = 0)
    {
        checkNesting(depth);
        while (!full && xml.nextChild()) {
            if (isTable(xml, u"table-row"))
                readRow(xml);
            else if (isTable(xml, u"table-header-rows") || isTable(xml, u"table-row-group") ||
                     isTable(xml, u"table-rows"))
                readRows(xml, depth + 1);
            else
                xml.skip();
        }
    }
};

}  // namespace

xls::Workbook readOds(const deckzip::ZipArchive &zip)
{
    XmlPart xml(zip, QString::fromLatin1(kContentPart), kMaxContentSize);
    xls::Workbook wb;
    while (xml.next()) {
        if (!xml.isStartElement() || !isTable(xml, u"table"))
            continue;
        xls::Sheet sheet;
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
        throw xls::XlsError("the document holds no table");
    return wb;
}

}  // namespace odf
