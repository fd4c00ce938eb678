#include "decks/DeckFormat.h"

#include "decks/odf/OdsReader.h"
#include "decks/ooxml/XlsxReader.h"
#include "decks/xls/BiffReader.h"
#include "decks/xls/CompoundFile.h"
#include "decks/zip/ZipArchive.h"

#include <QFile>

namespace decks {
namespace {

const QByteArray kCompoundSignature("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);

}  // namespace

const QString kNotEditableMessage = QStringLiteral(
    "This deck can be studied here but not edited. Save it as an Excel 97-2003 workbook (.xls) to edit it in "
    "Mnemora.");

DeckContent readDeckContent(const QByteArray &bytes)
{
    DeckContent content;
    if (deckzip::looksLikeZip(bytes)) {
        const deckzip::ZipArchive zip(bytes);
        if (zip.contains(QString::fromLatin1(ooxml::kWorkbookPart))) {
            content.format = DeckFormat::Xlsx;
            content.workbook = ooxml::readXlsx(zip);
        } else if (zip.contains(QString::fromLatin1(odf::kContentPart))) {
            content.format = DeckFormat::Ods;
            content.workbook = odf::readOds(zip);
        } else {
            throw xls::XlsError("a ZIP archive that is no workbook");
        }
        return content;
    }
    // Anything else goes to the .xls reader, which refuses what is not a
    // compound file.
    content.workbook = xls::readWorkbookFile(bytes);
    return content;
}

bool isEditableDeck(const QString &path)
{
    QFile file(path.trimmed());
    if (!file.open(QIODevice::ReadOnly) || file.peek(kCompoundSignature.size()) != kCompoundSignature)
        return false;
    try {
        xls::readCompoundFile(file.readAll());
        return true;
    } catch (const xls::XlsError &) {
        return false;
    }
}

}  // namespace decks
