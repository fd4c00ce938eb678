#include "study/CardQueue.h"

#include "base/Trap.h"

#include <cmath>

namespace study {

int reinsertionPlace(int cardCount)
{
    const double g = 40.0 / 100.0 * cardCount;
    return static_cast<int>(std::lround(g));
}

void setUpQueue(QVector<qint16> &order, int cardCount)
{
    if (order.size() < cardCount)
        throw StepFailed(QStringLiteral("card queue too short"));
    for (int i = 0; i < cardCount; ++i)
        order[i] = toInt16(i);
}

qint16 advanceQueue(QVector<qint16> &order, int cardCount, bool answeredWrong)
{
    if (cardCount < 0)
        throw StepFailed(QStringLiteral("negative card count"));
    order.resize(cardCount + 1);
    const qint16 head = order[0];
    if (answeredWrong) {
        const int place = reinsertionPlace(cardCount);
        if (place > cardCount)
            throw StepFailed(QStringLiteral("re-insertion place outside the queue"));
        for (int i = 0; i < place; ++i)
            order[i] = order[i + 1];
        order[place] = head;
    } else {
        if (cardCount < 1)
            throw StepFailed(QStringLiteral("empty card queue"));
        for (int i = 0; i <= cardCount - 2; ++i)
            order[i] = order[i + 1];
        order[cardCount - 1] = head;
    }
    return head;
}

int remainder(int dividend, int divisor)
{
    if (divisor == 0)
        throw StepFailed(QStringLiteral("division by zero"));
    return dividend % divisor;
}

bool isPictureReference(const QString &questionText)
{
    return questionText.contains(QLatin1Char('\\'));
}

QString picturePath(const QString &appPath, const QString &reference)
{
    if (reference.contains(QLatin1String(":\\")))
        return reference;
    QString relative = reference;
    relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return appPath + relative;
}

}  // namespace study
