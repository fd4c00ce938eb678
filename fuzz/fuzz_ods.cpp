// Feeds arbitrary bytes to the .ods reader. Input that starts like a ZIP
// archive is read as a whole document; any other input is taken as its
// content.xml and packed, stored, into a document, so that mutations reach
// the XML reader past the archive's checksums. A document that reads goes on
// through the store and the study copy.

#include "FeedDeck.h"

#include "decks/zip/ZipArchive.h"

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QByteArray bytes(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    if (!deckzip::looksLikeZip(bytes))
        bytes = deckzip::testing::zipOf({{"mimetype", "application/vnd.oasis.opendocument.spreadsheet"},
                                         {"content.xml", bytes}},
                                        false);
    feedDeck(bytes);
    return 0;
}
