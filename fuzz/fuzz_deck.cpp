// Feeds arbitrary bytes to the deck reader. Input that starts like a
// compound file goes through the whole store (open read-only, the record
// set, the study copy); any other input is read as a bare Workbook stream.
// A workbook that reads and can be written is written, read again and must
// give the same cells, each of the same type (an empty text stays a text;
// a lone surrogate half is stored as U+FFFD).

#include "FeedDeck.h"

#include "decks/xls/BiffReader.h"
#include "decks/xls/BiffWriter.h"
#include "decks/Workbook.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

void checkRoundTrip(const decks::Workbook &wb)
{
    decks::Workbook back;
    try {
        back = xls::readBiff(xls::writeBiff(wb));
    } catch (const decks::FormatError &) {
        // Refusals (unsupported features, unwritable names) happen before
        // anything is written; a failure to read what was written does not.
        try {
            xls::writeBiff(wb);
        } catch (const decks::FormatError &) {
            return;
        }
        std::fprintf(stderr, "written workbook does not read back\n");
        std::abort();
    }
    if (back.sheets.size() != wb.sheets.size())
        std::abort();
    for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
        const decks::Sheet &s = wb.sheets[i], &t = back.sheets[i];
        if (s.name != t.name || s.rowCount() != t.rowCount() || s.rows.size() != t.rows.size())
            std::abort();
        for (const decks::Row &r : s.rows) {
            for (const decks::CellEntry &e : r.cells) {
                const decks::Cell *c = t.cell(r.index, e.column);
                decks::Cell stored = e.cell;
                stored.text = xls::withoutLoneSurrogates(stored.text);
                if (!c || !stored.sameValue(*c)) {
                    std::fprintf(stderr, "cell %d,%d differs after a rewrite\n", r.index, e.column);
                    std::abort();
                }
            }
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(data),
                                                     static_cast<qsizetype>(size));
    static const QByteArray kCompoundSignature("\xD0\xCF\x11\xE0", 4);
    if (bytes.startsWith(kCompoundSignature)) {
        feedDeck(bytes, [](const decks::DeckConnection &c) { checkRoundTrip(c.workbook()); });
    } else {
        try {
            checkRoundTrip(xls::readBiff(bytes));
        } catch (const decks::FormatError &) {
        }
    }
    return 0;
}
