#pragma once
// Removing a card from a deck worksheet. The store can change the values of
// the rows but cannot delete one, so a removal moves each following card one
// row up and blanks the row that becomes spare.

#include <QVariant>

#include <vector>

namespace editor {

struct CardRow {
    QVariant question;
    QVariant answer;
    bool operator==(const CardRow &) const = default;
};

// rows: the removed card (rows[0]) and every card row after it, in order.
// Returns the same rows after the removal. The cards that follow move up by
// one, each question keeping its value type and each answer turned into its
// text, up to the first row whose question is empty; the row after the last
// one moved becomes blank (empty texts), and the rows from the empty one on
// stay where they were.
std::vector<CardRow> removeAndShiftUp(const std::vector<CardRow> &rows);

}  // namespace editor
