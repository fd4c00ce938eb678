#include "decks/DeckFormat.h"

#include "decks/odf/OdsReader.h"
#include "decks/ooxml/XlsxReader.h"
#include "decks/xls/BiffReader.h"
#include "decks/zip/ZipArchive.h"

namespace decks {

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
            throw decks::FormatError("a ZIP archive that is no workbook");
        }
        return content;
    }
    // Anything else goes to the .xls reader, which refuses what is not a
    // compound file.
    content.workbook = xls::readWorkbookFile(bytes);
    return content;
}

}  // namespace decks
