#pragma once
// Multiple choice without any widget: which cards' answers stand in the
// places of the choices, the verdict on a choice, and the fixed sizes and
// times of a card and its verdict.

#include <QString>
#include <QVector>

namespace study {

// The width, in twips, of every choice label. (The card texts wrap at their
// panel's inner edge.)
constexpr int kChoiceWidthTwips = 1500;

// The verdict appears this long after a choice and stays this long before
// the next card.
constexpr int kVerdictDelayMs = 500;
constexpr int kVerdictShownMs = 1000;

// The cards whose answers fill the places of `places` (2 or 4) choices for
// the card cardPos of a deck of cardCount cards, before the right answer
// replaces one of them: the two cards before it, then for four places the
// two after it, wrapping around the ends of the deck. Throws StepFailed
// for an empty deck.
QVector<int> choiceCards(int cardCount, int cardPos, int places);

// Colour values as the program stores them: red in the low byte, then
// green, then blue.
constexpr int kRightColour = 65280;  // pure green
constexpr int kWrongColour = 255;    // pure red

struct Verdict {
    bool right = false;
    QString caption;  // "Right" or "Wrong"
    int colour = 0;
};

// The verdict on a choice: right when the chosen text is the shown answer's
// text, exactly and case-sensitively, whichever place shows it.
Verdict judgeChoice(const QString &chosen, const QString &shownAnswer);

}  // namespace study
