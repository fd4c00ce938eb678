#pragma once
// What the fuzz targets share: a deck's bytes go through the store, which
// picks the reader by content, and on through the study copy. Failing to
// read is the expected outcome for most inputs; anything else the
// sanitizers catch.

#include "decks/DeckStore.h"
#include "decks/StudyCopy.h"
#include "decks/xls/Workbook.h"

#include <QByteArray>

inline void feedDeck(const QByteArray &bytes)
{
    try {
        decks::DeckConnection c;
        c.OpenData(bytes, decks::DeckConnection::Mode::ReadOnly);
        decks::DeckRecordset rs;
        rs.Open(c);
        decks::buildStudyCopyText(rs);
    } catch (const xls::XlsError &) {
    } catch (const decks::DeckError &) {
    }
}
