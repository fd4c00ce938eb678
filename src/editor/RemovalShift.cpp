#include "editor/RemovalShift.h"

#include "decks/DeckStore.h"

namespace editor {

std::vector<CardRow> removeAndShiftUp(const std::vector<CardRow> &rows)
{
    std::vector<CardRow> out = rows;
    if (rows.empty())
        return out;
    std::size_t row = 0;
    for (std::size_t next = 1; next < rows.size(); ++next, ++row) {
        if (decks::fieldText(rows[next].question).isEmpty())
            break;
        out[row] = CardRow{rows[next].question, decks::fieldText(rows[next].answer)};
    }
    out[row] = CardRow{QString(), QString()};
    return out;
}

}  // namespace editor
