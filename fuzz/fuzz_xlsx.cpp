// Feeds arbitrary bytes to the .xlsx reader. Input that starts like a ZIP
// archive is read as a whole workbook; any other input is taken as the card
// sheet's XML and packed, stored, into a workbook with a few shared strings,
// so that mutations reach the XML reader past the archive's checksums. A
// workbook that reads goes on through the store and the study copy.

#include "FeedDeck.h"

#include "decks/zip/ZipArchive.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (!deckzip::looksLikeZip(bytes)) {
        bytes = deckzip::testing::zipOf(
            {{"xl/workbook.xml", "<workbook xmlns:r=\"r\"><sheets><sheet name=\"Sheet1\" r:id=\"rId1\"/></sheets></workbook>"},
             {"xl/_rels/workbook.xml.rels", "<Relationships><Relationship Id=\"rId1\" Target=\"worksheets/sheet1.xml\"/>"
                                            "</Relationships>"},
             {"xl/sharedStrings.xml", "<sst><si><t>Question</t></si><si><r><t>a</t></r><r><t>b</t></r></si></sst>"},
             {"xl/worksheets/sheet1.xml", bytes}},
            false);
    }
    feedDeck(bytes);
    return 0;
}
