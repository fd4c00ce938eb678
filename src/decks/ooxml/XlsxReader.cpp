#include "decks/ooxml/XlsxReader.h"

#include "decks/zip/XmlPart.h"
#include "decks/zip/ZipArchive.h"

#include <QHash>
#include <QStringList>

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
    if (!text.contains(u"_x"))
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
// text runs included, phonetic runs (<rPh>) left out.
QString itemText(XmlPart &xml)
{
    QString text;
    int depth = 1;
    while (depth > 0 && xml.next()) {
        if (xml.isEndElement()) {
            --depth;
        } else if (xml.isStartElement()) {
            if (xml.name() == u"t")
                text += xml.readElementText();
            else if (xml.name() == u"rPh")
                xml.skip();
            else
                ++depth;
        }
    }
    return unescaped(text);
}

// A part's path from a relationship target, which is relative to xl/ or
// absolute within the package.
QString partPath(QStringView target)
{
    if (target.startsWith(u'/'))
        return target.mid(1).toString();
    QString path = QStringLiteral("xl/") + target.toString();
    path.replace(QStringLiteral("xl/../"), QString());
    return path;
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
    const qint64 r = ref.mid(i).toLongLong(&ok);
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
};

WorkbookPart readWorkbookPart(XmlPart &&xml)
{
    WorkbookPart wb;
    while (xml.next()) {
        if (!xml.isStartElement() || xml.name() != u"sheet")
            continue;
        const QString id = xml.attributeInAnyNamespace(u"id").toString();
        wb.names.append(xml.attribute(u"name").toString());
        wb.relationIds.append(id);
    }
    return wb;
}

// Relationship id -> target, and the shared strings' target.
QHash<QString, QString> readRelationships(XmlPart &&xml, QString &sharedStrings)
{
    QHash<QString, QString> targets;
    while (xml.next()) {
        if (!xml.isStartElement() || xml.name() != u"Relationship")
            continue;
        const QString target = partPath(xml.attribute(u"Target"));
        targets.insert(xml.attribute(u"Id").toString(), target);
        if (xml.attribute(u"Type").endsWith(u"/sharedStrings"))
            sharedStrings = target;
    }
    return targets;
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

// One <c> element of type `type`: its value as a cell (Blank when it has
// none). A shared string is left for later in `shared`.
xls::Cell readCell(XmlPart &xml, QStringView type, int row, int column, std::vector<SharedCell> &shared)
{
    QString value;
    bool hasValue = false;
    while (xml.nextChild()) {
        if (xml.name() == u"v") {
            value = xml.readElementText();
            hasValue = true;
        } else if (xml.name() == u"is") {
            value = itemText(xml);
            hasValue = true;
        } else {
            xml.skip();
        }
    }
    if (!hasValue)
        return xls::Cell::blank();
    if (type == u"s") {
        bool ok = false;
        const qsizetype index = QStringView(value).trimmed().toLongLong(&ok);
        if (!ok || index < 0)
            throw xls::XlsError("a cell names a shared string that is not there");
        shared.push_back({row, column, index});
        return xls::Cell::fromText(QString());
    }
    if (type == u"str")
        return xls::Cell::fromText(unescaped(value));
    if (type == u"inlineStr" || type == u"d")
        return xls::Cell::fromText(value);
    if (type == u"b")
        return xls::Cell::fromBool(QStringView(value).trimmed() == u"1" || QStringView(value).trimmed() == u"true");
    if (type == u"e")
        return xls::Cell::fromError(errorCode(QStringView(value).trimmed()));
    bool ok = false;
    const double number = QStringView(value).trimmed().toDouble(&ok);
    return ok ? xls::Cell::fromNumber(number) : xls::Cell::blank();
}

// Reads the cells of columns A and B from <sheetData>; the texts of shared
// strings are counted against `budget` when they are filled in.
void readSheetData(XmlPart &xml, xls::Sheet &sheet, deckzip::TextBudget &budget, std::vector<SharedCell> &shared)
{
    int lastRow = -1;
    while (xml.nextChild()) {
        if (xml.name() != u"row") {
            xml.skip();
            continue;
        }
        int row = lastRow + 1;
        if (const QStringView r = xml.attribute(u"r"); !r.isEmpty()) {
            bool ok = false;
            const qint64 n = r.toLongLong(&ok);
            if (!ok || n < 1)
                throw xls::XlsError("a row has no valid number");
            row = static_cast<int>(std::min<qint64>(n - 1, 1 << 30));
        }
        if (row <= lastRow)
            throw xls::XlsError("rows out of order");
        if (row >= xls::kMaxRows)
            return;  // beyond what a deck can hold: the rows before it stand
        lastRow = row;
        int lastColumn = -1;
        while (xml.nextChild()) {
            if (xml.name() != u"c") {
                xml.skip();
                continue;
            }
            int column = lastColumn + 1;
            QString type;
            {
                const auto &attributes = xml.attributes();
                if (const QStringView ref = XmlPart::valueOf(attributes, u"r"); !ref.isEmpty()) {
                    int refRow = 0;
                    if (!parseReference(ref, column, refRow) || refRow != row)
                        throw xls::XlsError("a cell reference does not fit its row");
                }
                if (column > lastColumn && column < kCardColumns)
                    type = XmlPart::valueOf(attributes, u"t").toString();
            }
            if (column <= lastColumn)
                throw xls::XlsError("cells out of order");
            lastColumn = column;
            if (column >= kCardColumns) {
                xml.skip();
                continue;
            }
            const xls::Cell cell = readCell(xml, type, row, column, shared);
            budget.spend(cell.text.size());
            if (cell.type != xls::CellType::Blank)
                sheet.setCell(row, column, cell);
        }
    }
}

// Fills in the texts of the cells that name shared strings.
void fillSharedCells(const std::vector<SharedCell> &shared, const QStringList &strings, xls::Sheet &sheet,
                     deckzip::TextBudget &budget)
{
    for (const SharedCell &c : shared) {
        if (c.index >= strings.size())
            throw xls::XlsError("a cell names a shared string that is not there");
        const QString &text = strings[c.index];
        budget.spend(text.size());
        sheet.setCell(c.row, c.column, xls::Cell::fromText(text));
    }
}

}  // namespace

xls::Workbook readXlsx(const deckzip::ZipArchive &zip)
{
    const WorkbookPart parts = readWorkbookPart(XmlPart(zip, QString::fromLatin1(kWorkbookPart), kMaxSmallPart));
    xls::Workbook wb;
    for (const QString &name : parts.names) {
        xls::Sheet s;
        s.name = name;
        wb.sheets.push_back(std::move(s));
    }
    const int card = wb.sheetIndex(kCardSheet);
    if (card < 0)
        return wb;

    QString sharedStringsPart = QStringLiteral("xl/sharedStrings.xml");
    const QHash<QString, QString> targets =
        readRelationships(XmlPart(zip, QStringLiteral("xl/_rels/workbook.xml.rels"), kMaxSmallPart), sharedStringsPart);
    const QString sheetPart = targets.value(parts.relationIds[card]);
    if (sheetPart.isEmpty())
        throw xls::XlsError("the card sheet's part is not named");
    // The shared strings are read on a thread of their own while the sheet
    // is read here, when there are enough of them to be worth it.
    // Each thread inflates its parts from an archive of its own.
    const bool hasSharedStrings = zip.contains(sharedStringsPart);
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

    xls::Sheet &sheet = wb.sheets[static_cast<std::size_t>(card)];
    deckzip::TextBudget budget;
    std::vector<SharedCell> shared;
    {
        XmlPart xml(zip, sheetPart, kMaxSheetSize);
        while (xml.next()) {
            if (xml.isStartElement() && xml.name() == u"sheetData") {
                readSheetData(xml, sheet, budget, shared);
                break;
            }
        }
    }
    fillSharedCells(shared, strings.get(), sheet, budget);
    return wb;
}

}  // namespace ooxml
