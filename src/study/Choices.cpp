#include "study/Choices.h"

#include "base/Trap.h"
#include "study/CardQueue.h"

namespace study {

QVector<int> choiceCards(int cardCount, int cardPos, int places)
{
    const int n = cardCount;
    QVector<int> cards{remainder(n - 2 + cardPos, n), remainder(n - 1 + cardPos, n)};
    if (places == 4)
        cards << remainder(n + 1 + cardPos, n) << remainder(n + 2 + cardPos, n);
    return cards;
}

Verdict judgeChoice(const QString &chosen, const QString &shownAnswer)
{
    if (chosen == shownAnswer)
        return {true, QStringLiteral("Right"), kRightColour};
    return {false, QStringLiteral("Wrong"), kWrongColour};
}

}  // namespace study
