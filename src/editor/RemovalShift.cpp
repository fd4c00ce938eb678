#include "editor/RemovalShift.h"

#include "decks/DeckStore.h"

namespace editor {

QString fieldText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double)
        return decks::numberText(value.toDouble());
    return value.toString();
}

std::vector<CardRow> removeAndShiftUp(const std::vector<CardRow> &rows)
{
    std::vector<CardRow> out = rows;
    if (rows.empty())
        return out;
    std::size_t row = 0;
    for (std::size_t next = 1; next < rows.size(); ++next, ++row) {
        if (fieldText(rows[next].question).isEmpty())
            break;
        out[row] = CardRow{rows[next].question, fieldText(rows[next].answer)};
    }
    out[row] = CardRow{QString(), QString()};
    return out;
}

}  // namespace editor
