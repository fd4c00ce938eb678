#include "decks/ooxml/XlsxReader.h"

#include "decks/DateText.h"
#include "decks/zip/XmlPart.h"
#include "decks/zip/ZipArchive.h"

#include <QHash>
#include <QStringList>
#include <QUrl>

#include <future>
#include <system_error>
#include <vector>

namespace ooxml {
namespace {

using deckzip::XmlPart;

const QString kCardSheet = QStringLiteral("Sheet1");
constexpr int kCardColumns = 2;  // A (question) and B (answer)
constexpr qint64 kMaxSmallPart = qint64(4) << 20;
// Shared strings of more bytes than this are read on a thread of their own.
constexpr qsizetype kOwnThreadSize = 256 * 1024;

// A text with "_xHHHH_" standing for the character HHHH (how OOXML writes
// control characters).
QString unescaped(const QString &text)
{
    if (!text.contains(u'_') || !text.contains(u"_x"))
        return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        bool ok = false;
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The text of a string item (<si>, <is>): its <t> elements in order, rich
// text runs included, phonetic runs (<rPh>) left out. Elements nest at most
// kMaxNesting deep and the text holds at most a cell's characters.
QString itemText(XmlPart &xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && xml.next()) {
        if (xml.isEndElement()) {
            --depth;
        } else if (xml.isStartElement()) {
            if (xml.name() == u"t") {
                xml.appendElementText(text);
            } else if (xml.name() == u"rPh") {
                xml.skip();
            } else if (++depth > deckzip::kMaxNesting) {
                throw decks::FormatError("elements nested too deeply");
            }
        }
    }
    return unescaped(text);
}

// The folder of a part ("xl/" for "xl/workbook.xml", "" for a part at the
// package's root).
QString folderOf(const QString &part)
{
    return part.left(part.lastIndexOf(u'/') + 1);
}

// A part's name from a relationship's target: a URI reference relative to
// the folder of the part the relationship belongs to, or absolute within the
// package (ECMA-376 Part 2, Relationships, and RFC 3986 5.2 for resolving
// it); "." and ".." segments resolved, percent-encoding decoded.
QString partPath(const QString &sourceFolder, QStringView target)
{
    QString path = QUrl::fromPercentEncoding(target.toString().toUtf8());
    path = path.startsWith(u'/') ? path.mid(1) : sourceFolder + path;
    QStringList segments;
    for (const QString &segment : path.split(u'/')) {
        if (segment == u"..") {
            if (!segments.isEmpty())
                segments.removeLast();
        } else if (segment != u"." && !segment.isEmpty()) {
            segments.append(segment);
        }
    }
    return segments.join(u'/');
}

// The relationships part of a part: "xl/_rels/workbook.xml.rels" for
// "xl/workbook.xml", "_rels/.rels" for the package itself ("").
QString relationshipsPart(const QString &part)
{
    return folderOf(part) + QStringLiteral("_rels/") + part.mid(part.lastIndexOf(u'/') + 1) + QStringLiteral(".rels");
}

struct Relationships {
    QHash<QString, QString> targets;  // id -> part name
    QHash<QString, QString> byType;   // the last path segment of a type -> the first part of that type
};

// The internal relationships of a part (ECMA-376 Part 2, Relationships):
// targets resolved against the part's folder; external ones (links to
// files and web pages) left out. No relationships part is no relationship.
Relationships readRelationships(const deckzip::ZipArchive &zip, const QString &part)
{
    Relationships rels;
    const QString name = relationshipsPart(part);
    if (!zip.contains(name))
        return rels;
    XmlPart xml(zip, name, kMaxSmallPart);
    while (xml.next()) {
        if (!xml.isStartElement() || xml.name() != u"Relationship")
            continue;
        const auto &attributes = xml.attributes();
        if (XmlPart::valueOf(attributes, u"TargetMode") == u"External")
            continue;
        const QString target = partPath(folderOf(part), XmlPart::valueOf(attributes, u"Target"));
        rels.targets.insert(XmlPart::valueOf(attributes, u"Id").toString(), target);
        // Transitional and strict types differ before the last segment
        // (".../2006/relationships/sharedStrings", ".../relationships/sharedStrings").
        const QStringView type = XmlPart::valueOf(attributes, u"Type");
        const QString kind = type.mid(type.lastIndexOf(u'/') + 1).toString();
        if (!rels.byType.contains(kind))
            rels.byType.insert(kind, target);
    }
    return rels;
}

// A related part of the given type, or the part at the fixed place when
// none is named and that one is there; empty when neither.
QString relatedPart(const deckzip::ZipArchive &zip, const Relationships &rels, const QString &type,
                    const QString &fallback)
{
    if (const QString named = rels.byType.value(type); !named.isEmpty() && zip.contains(named))
        return named;
    return zip.contains(fallback) ? fallback : QString();
}

// 0-based column and row of a reference such as "B12"; false when it is not
// one.
bool parseReference(QStringView ref, int &column, int &row)
{
    qsizetype i = 0;
    qint64 col = 0;
    for (; i < ref.size() && ref[i] >= u'A' && ref[i] <= u'Z'; ++i) {
        col = col * 26 + (ref[i].unicode() - 'A' + 1);
        if (col > (1 << 20))
            return false;
    }
    if (i == 0)
        return false;
    bool ok = false;
    const qint64 r = deckzip::toInt64(ref.mid(i), &ok);
    if (!ok || r < 1)
        return false;
    column = static_cast<int>(col - 1);
    row = static_cast<int>(std::min<qint64>(r - 1, 1 << 30));
    return true;
}

int errorCode(QStringView text)
{
    static const QHash<QString, int> codes{{QStringLiteral("#NULL!"), 0x00},  {QStringLiteral("#DIV/0!"), 0x07},
                                           {QStringLiteral("#VALUE!"), 0x0F}, {QStringLiteral("#REF!"), 0x17},
                                           {QStringLiteral("#NAME?"), 0x1D},  {QStringLiteral("#NUM!"), 0x24}};
    return codes.value(text.toString(), 0x2A);  // #N/A and anything else
}

struct WorkbookPart {
    QStringList names;
    QStringList relationIds;
    bool date1904 = false;
};

// The workbook part (ECMA-376 Part 1, 18.2.27 workbook): its sheets
// (18.2.19 sheet) and its date system (18.2.28 workbookPr, date1904). A
// package whose main part is no workbook (a word processing or presentation
// document) is no workbook either.
WorkbookPart readWorkbookPart(XmlPart &&xml)
{
    WorkbookPart wb;
    bool root = true;
    while (xml.next()) {
        if (!xml.isStartElement())
            continue;
        if (std::exchange(root, false) && xml.name() != u"workbook")
            throw decks::FormatError("the package holds no workbook", decks::FormatError::Kind::NotWorkbook);
        if (xml.name() == u"workbookPr") {
            const QStringView date1904 = xml.attribute(u"date1904");
            wb.date1904 = date1904 == u"1" || date1904 == u"true";
            continue;
        }
        if (xml.name() != u"sheet")
            continue;
        const QString id = xml.attributeInAnyNamespace(u"id").toString();
        wb.names.append(xml.attribute(u"name").toString());
        wb.relationIds.append(id);
    }
    if (root)
        throw decks::FormatError("the package holds no workbook", decks::FormatError::Kind::NotWorkbook);
    return wb;
}

// What each cell format of the styles part shows numbers as, by the index a
// cell's s attribute gives: the number format of each xf of cellXfs
// (ECMA-376 Part 1, 18.8.10 cellXfs, 18.8.45 xf), looked up among the
// numFmts of the part (18.8.31, 18.8.30 numFmt) or the built-in formats.
std::vector<decks::NumberForm> readNumberForms(XmlPart &&xml)
{
    QHash<int, decks::NumberForm> codes;
    std::vector<int> formatIds;
    bool inCellXfs = false;
    while (xml.next()) {
        if (xml.isEndElement() && xml.name() == u"cellXfs")
            inCellXfs = false;
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"numFmt") {
            const auto &attributes = xml.attributes();
            codes.insert(XmlPart::valueOf(attributes, u"numFmtId").toInt(),
                         decks::numberFormOfCode(XmlPart::valueOf(attributes, u"formatCode")));
        } else if (xml.name() == u"cellXfs") {
            inCellXfs = true;
        } else if (inCellXfs && xml.name() == u"xf") {
            formatIds.push_back(xml.attribute(u"numFmtId").toInt());
        }
    }
    std::vector<decks::NumberForm> forms;
    forms.reserve(formatIds.size());
    for (const int id : formatIds)
        forms.push_back(codes.value(id, decks::builtInNumberForm(id)));
    return forms;
}

QStringList readSharedStrings(XmlPart &&xml)
{
    QStringList strings;
    while (xml.next()) {
        if (xml.isStartElement() && xml.name() == u"si")
            strings.append(itemText(xml));
    }
    return strings;
}

// A cell that names a shared string: its text is filled in once the shared
// strings are read (they are read beside the sheet).
struct SharedCell {
    int row;
    int column;
    qsizetype index;
};

// What a cell's value is (its t attribute, ST_CellType): a number
// when its t attribute is absent or names no other type.
enum class ValueType { Number, SharedString, String, InlineString, Date, Boolean, Error };

ValueType valueType(QStringView t)
{
    const auto is = [&](const auto &name) { return t == deckzip::literal(name); };
    if (is(u"s"))
        return ValueType::SharedString;
    if (is(u"str"))
        return ValueType::String;
    if (is(u"inlineStr"))
        return ValueType::InlineString;
    if (is(u"d"))
        return ValueType::Date;
    if (is(u"b"))
        return ValueType::Boolean;
    if (is(u"e"))
        return ValueType::Error;
    return ValueType::Number;
}

// The text without white space around it; as it is when it has none.
QStringView trimmed(QStringView text)
{
    return !text.isEmpty() && !text.front().isSpace() && !text.back().isSpace() ? text : text.trimmed();
}

// One <c> element of type `type`: its value
// as a cell (Blank when it has none). A shared string is left for later in
// `shared`; a number takes the form of its cell format. A date written as
// ISO 8601 text (t="d") is that date's text. `value` is room for the text
// of its value, reused from cell to cell.
decks::Cell readCell(XmlPart &xml, ValueType type, decks::NumberForm form, int row, int column,
                     std::vector<SharedCell> &shared, QString &value)
{
    bool hasValue = false;
    while (xml.nextChild()) {
        if (xml.name() == u"v") {
            value.resize(0);
            xml.appendElementText(value);
            hasValue = true;
        } else if (xml.name() == u"is") {
            value = itemText(xml);
            hasValue = true;
        } else {
            xml.skip();
        }
    }
    if (!hasValue)
        return decks::Cell::blank();
    switch (type) {
    case ValueType::SharedString: {
        // An empty value names no string: Excel and the other readers take
        // the cell as empty.
        const QStringView index = trimmed(value);
        if (index.isEmpty())
            return decks::Cell::blank();
        bool ok = false;
        const qint64 n = deckzip::toInt64(index, &ok);
        if (!ok || n < 0)
            throw decks::FormatError("a cell names a shared string that is not there");
        shared.push_back({row, column, n});
        return decks::Cell::fromText(QString());
    }
    case ValueType::String:
        return decks::Cell::fromText(unescaped(value));
    case ValueType::InlineString:
        return decks::Cell::fromText(value);
    case ValueType::Date: {
        const QString date = decks::isoDateText(value);
        return decks::Cell::fromText(date.isNull() ? value : date);
    }
    case ValueType::Boolean:
        return decks::Cell::fromBool(trimmed(value) == u"1" || trimmed(value) == u"true");
    case ValueType::Error:
        return decks::Cell::fromError(errorCode(trimmed(value)));
    case ValueType::Number:
        break;
    }
    bool ok = false;
    const double number = deckzip::toDouble(trimmed(value), &ok);
    if (!ok)
        return decks::Cell::blank();
    decks::Cell cell = decks::Cell::fromNumber(number);
    cell.form = form;
    return cell;
}

// Reads the cells of columns A and B from <sheetData>; the texts of shared
// strings are counted against `budget` when they are filled in.
void readSheetData(XmlPart &xml, decks::Sheet &sheet, const std::vector<decks::NumberForm> &forms,
                   deckzip::TextBudget &budget, std::vector<SharedCell> &shared)
{
    QString value;
    int lastRow = -1;
    while (xml.nextChild()) {
        if (xml.name() != u"row") {
            xml.skip();
            continue;
        }
        int row = lastRow + 1;
        if (const QStringView r = xml.attribute(u"r"); !r.isEmpty()) {
            bool ok = false;
            const qint64 n = deckzip::toInt64(r, &ok);
            if (!ok || n < 1)
                throw decks::FormatError("a row has no valid number");
            row = static_cast<int>(std::min<qint64>(n - 1, 1 << 30));
        }
        if (row <= lastRow)
            throw decks::FormatError("rows out of order");
        if (row >= decks::kMaxRows)
            return;  // beyond what a deck can hold: the rows before it stand
        lastRow = row;
        int lastColumn = -1;
        while (xml.nextChild()) {
            if (xml.name() != u"c") {
                xml.skip();
                continue;
            }
            int column = lastColumn + 1;
            ValueType type = ValueType::Number;
            decks::NumberForm form = decks::NumberForm::Plain;
            {
                const auto &attributes = xml.attributes();
                if (const QStringView ref = XmlPart::valueOf(attributes, u"r"); !ref.isEmpty()) {
                    int refRow = 0;
                    if (!parseReference(ref, column, refRow) || refRow != row)
                        throw decks::FormatError("a cell reference does not fit its row");
                }
                if (column > lastColumn && column < kCardColumns) {
                    type = valueType(XmlPart::valueOf(attributes, u"t"));
                    bool ok = false;
                    const qint64 style = deckzip::toInt64(XmlPart::valueOf(attributes, u"s"), &ok);
                    if (ok && style >= 0 && style < static_cast<qint64>(forms.size()))
                        form = forms[static_cast<std::size_t>(style)];
                }
            }
            if (column <= lastColumn)
                throw decks::FormatError("cells out of order");
            lastColumn = column;
            if (column >= kCardColumns) {
                xml.skip();
                continue;
            }
            const decks::Cell cell = readCell(xml, type, form, row, column, shared, value);
            budget.spend(cell.text.size());
            if (cell.type != decks::CellType::Blank)
                sheet.setCell(row, column, cell);
        }
    }
}

// Fills in the texts of the cells that name shared strings.
void fillSharedCells(const std::vector<SharedCell> &shared, const QStringList &strings, decks::Sheet &sheet,
                     deckzip::TextBudget &budget)
{
    std::size_t hint = 0;
    for (const SharedCell &c : shared) {
        if (c.index >= strings.size())
            throw decks::FormatError("a cell names a shared string that is not there");
        const QString &text = strings[c.index];
        budget.spend(text.size());
        // The sheet holds the cell already, as an empty text.
        decks::Row *const row = sheet.findRow(c.row, hint);
        decks::Cell *const cell = row ? row->find(c.column) : nullptr;
        if (cell)
            cell->text = text;
        else
            sheet.setCell(c.row, c.column, decks::Cell::fromText(text));
    }
}

}  // namespace

QString workbookPart(const deckzip::ZipArchive &zip)
{
    // The package's own relationships name its main part (ECMA-376 Part 1,
    // 12.3.23 Workbook Part: the officeDocument relationship of
    // "_rels/.rels").
    const Relationships package = readRelationships(zip, QString());
    if (const QString main = package.byType.value(QStringLiteral("officeDocument")); !main.isEmpty()
        && zip.contains(main))
        return main;
    const QString fixed = QString::fromLatin1(kWorkbookPart);
    return zip.contains(fixed) ? fixed : QString();
}

decks::Workbook readXlsx(const deckzip::ZipArchive &zip)
{
    const QString main = workbookPart(zip);
    if (main.isEmpty())
        throw decks::FormatError("the package holds no workbook", decks::FormatError::Kind::NotWorkbook);
    const WorkbookPart parts = readWorkbookPart(XmlPart(zip, main, kMaxSmallPart));
    decks::Workbook wb;
    wb.date1904 = parts.date1904;
    for (const QString &name : parts.names) {
        decks::Sheet s;
        s.name = name;
        wb.sheets.push_back(std::move(s));
    }
    const int card = wb.sheetIndex(kCardSheet);
    if (card < 0)
        return wb;

    // The workbook's relationships name its sheets, its shared strings and
    // its styles (ECMA-376 Part 1, 12.3.24, 12.3.15, 12.3.20); without them, the parts are looked for where Excel puts
    // them.
    const QString folder = folderOf(main);
    const Relationships rels = readRelationships(zip, main);
    QString sheetPart = rels.targets.value(parts.relationIds[card]);
    if (sheetPart.isEmpty() || !zip.contains(sheetPart)) {
        const QString fixed = folder + QStringLiteral("worksheets/sheet%1.xml").arg(card + 1);
        if (sheetPart.isEmpty() && zip.contains(fixed))
            sheetPart = fixed;
        else if (sheetPart.isEmpty())
            throw decks::FormatError("the card sheet's part is not named");
    }
    const QString sharedStringsPart =
        relatedPart(zip, rels, QStringLiteral("sharedStrings"), folder + QStringLiteral("sharedStrings.xml"));
    const QString stylesPart = relatedPart(zip, rels, QStringLiteral("styles"), folder + QStringLiteral("styles.xml"));
    const std::vector<decks::NumberForm> forms =
        stylesPart.isEmpty() ? std::vector<decks::NumberForm>() : readNumberForms(XmlPart(zip, stylesPart, kMaxSmallPart));

    // The shared strings are read on a thread of their own while the sheet
    // is read here, when there are enough of them to be worth it.
    // Each thread inflates its parts from an archive of its own.
    const bool hasSharedStrings = !sharedStringsPart.isEmpty();
    const bool ownThread = hasSharedStrings && zip.declaredSize(sharedStringsPart) > kOwnThreadSize;
    const std::unique_ptr<deckzip::ZipArchive> twin = ownThread ? zip.twin() : nullptr;
    const deckzip::ZipArchive &stringsZip = twin ? *twin : zip;
    const auto readStrings = [&] {
        return hasSharedStrings ? readSharedStrings(XmlPart(stringsZip, sharedStringsPart, kMaxSharedStringsSize))
                                : QStringList();
    };
    std::future<QStringList> strings;
    try {
        strings = std::async(ownThread ? std::launch::async : std::launch::deferred, readStrings);
    } catch (const std::system_error &) {
        strings = std::async(std::launch::deferred, readStrings);  // no thread to be had
    }

    decks::Sheet &sheet = wb.sheets[static_cast<std::size_t>(card)];
    deckzip::TextBudget budget;
    std::vector<SharedCell> shared;
    {
        // Parsed ahead on a thread of its own: this one then only walks its
        // tokens (and the strings have a thread of their own).
        XmlPart xml(zip, sheetPart, kMaxSheetSize, XmlPart::Parsing::Ahead);
        while (xml.next()) {
            if (xml.isStartElement() && xml.name() == u"sheetData") {
                readSheetData(xml, sheet, forms, budget, shared);
                break;
            }
        }
    }
    fillSharedCells(shared, strings.get(), sheet, budget);
    return wb;
}

}  // namespace ooxml
