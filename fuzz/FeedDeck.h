#pragma once
// What the fuzz targets share: a deck's bytes go through the store, which
// picks the reader by content, and on through the study copy. Failing to
// read is the expected outcome for most inputs; anything else the
// sanitizers catch. A target that checks more is handed the opened
// connection once the study copy is built.

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/Workbook.h"

#include <QByteArray>

#include <functional>

inline void feedDeck(const QByteArray &bytes, const std::function<void(const decks::DeckConnection &)> &then = {})
{
    try {
        decks::DeckConnection c;
        c.OpenData(bytes, decks::DeckConnection::Mode::ReadOnly);
        decks::DeckRecordset rs;
        rs.Open(c);
        decks::buildStudyCopyText(rs);
        if (then)
            then(c);
    } catch (const decks::FormatError &) {
    } catch (const decks::DeckError &) {
    }
}
