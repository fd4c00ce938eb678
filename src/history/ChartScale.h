#pragma once
// The scales of the history chart: how its date axis is labelled, and how
// high its axis of cards answered goes, so that no two labels of an axis
// read the same.

#include <QDateTime>
#include <QString>

namespace history {

// Runs spread over a year or more are told apart by month; over a few days
// or more by day; closer together by the time of day as well.
inline QString dateAxisFormat(const QDateTime &first, const QDateTime &last)
{
    const qint64 seconds = first.secsTo(last);
    if (seconds > 300LL * 24 * 3600)
        return QStringLiteral("MMM yyyy");
    if (seconds > 4LL * 24 * 3600)
        return QStringLiteral("d MMM");
    return QStringLiteral("d MMM hh:mm");
}

// The top of the axis of cards answered, drawn with three whole-number
// labels (0, half, top): an even number at least `most`, rounded up to
// 2, 4, 6, 8 or 10 times a power of ten.
inline int answeredAxisTop(int most)
{
    long long scale = 1;
    while (scale * 10 < most)
        scale *= 10;
    for (const int step : {2, 4, 6, 8, 10}) {
        if (step * scale >= most)
            return int(step * scale);
    }
    return int(10 * scale);
}

}  // namespace history
