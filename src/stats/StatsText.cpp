#include "stats/StatsText.h"

#include <cmath>

namespace stats {

long long roundHalfEven(double value)
{
    return static_cast<long long>(std::nearbyint(value));  // the default rounding mode is to even
}

std::optional<long long> percentOf(int part, int total)
{
    if (total == 0)
        return std::nullopt;
    return roundHalfEven(static_cast<double>(part) / total * 100.0);
}

QString rightLine(int right, int total)
{
    const auto pct = percentOf(right, total);
    return QStringLiteral("%1  ( %2 % )").arg(right).arg(pct ? QString::number(*pct) : QString());
}

QString wrongLine(int wrong, int total)
{
    return QStringLiteral("%1  ( %2 % )").arg(wrong).arg(percentOf(wrong, total).value_or(0));
}

QString sessionTimeText(const QTime &start, const QTime &end)
{
    int s = start.secsTo(end);
    if (s < 0)
        s += 24 * 3600;
    const int hours = s / 3600;
    s %= 3600;
    const int minutes = s / 60;
    s %= 60;
    return QStringLiteral("%1:%2:%3")
        .arg(hours, 2, 10, QLatin1Char('0'))
        .arg(minutes, 2, 10, QLatin1Char('0'))
        .arg(s, 2, 10, QLatin1Char('0'));
}

}  // namespace stats
