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
        // An Office Open XML package names its workbook in its
        // relationships; an OpenDocument one holds content.xml.
        if (!ooxml::workbookPart(zip).isEmpty()) {
            content.format = DeckFormat::Xlsx;
            content.workbook = ooxml::readXlsx(zip);
        } else if (zip.contains(QString::fromLatin1(odf::kContentPart))) {
            content.format = DeckFormat::Ods;
            content.workbook = odf::readOds(zip);
        } else {
            throw FormatError("a ZIP archive that is no workbook", FormatError::Kind::NotWorkbook);
        }
        return content;
    }
    // Anything else goes to the .xls reader, which refuses what is not a
    // compound file (and reads the Excel 5.0/95 form for study).
    bool biff5 = false;
    content.workbook = xls::readWorkbookFile(bytes, &biff5);
    content.format = biff5 ? DeckFormat::Xls5 : DeckFormat::Xls;
    return content;
}

}  // namespace decks
