#pragma once
// The texts of the statistics view, without any widget.

#include <QString>
#include <QTime>

#include <optional>

namespace stats {

// Rounds to the nearest whole number, halves to the even one
// (12.5 -> 12, 37.5 -> 38).
long long roundHalfEven(double value);

// part / total x 100, rounded half to even; none when total is 0.
std::optional<long long> percentOf(int part, int total);

// "7  ( 70 % )"; with no card answered "0  (  % )".
QString rightLine(int right, int total);
// "3  ( 30 % )"; with no card answered "0  ( 0 % )".
QString wrongLine(int wrong, int total);

// The elapsed time from start to end as hh:mm:ss. Both are times of day: an
// end earlier than the start is a run across midnight.
QString sessionTimeText(const QTime &start, const QTime &end);

}  // namespace stats
