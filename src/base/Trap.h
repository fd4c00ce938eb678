#pragma once
// How the window's procedures deal with failure.
//
// A failing step throws. A procedure that traps errors for its whole body
// runs its steps inside trapErrors(): the first failure ends it silently,
// and the steps already done stay done. Callers learn of failures through
// flags, not through results.

#include <QString>

#include <limits>
#include <stdexcept>

// A step that cannot be carried out.
struct StepFailed : std::runtime_error {
    explicit StepFailed(const QString &what) : std::runtime_error(what.toStdString()) {}
};

// A picture file (or its folder) that does not exist. Showing a card treats
// this failure apart from the others: the user is told.
struct PictureMissing : StepFailed {
    using StepFailed::StepFailed;
};

// Runs body; the first failure ends it. Returns false when it failed.
template <typename Body>
bool trapErrors(Body &&body) noexcept
{
    try {
        body();
        return true;
    } catch (const std::exception &) {
        return false;
    } catch (...) {
        return false;
    }
}

// Counters, card numbers and counts are 16-bit signed integers: a value that
// does not fit is a failure, not a wrap.
inline qint16 toInt16(qint64 value)
{
    if (value < std::numeric_limits<qint16>::min() || value > std::numeric_limits<qint16>::max())
        throw StepFailed(QStringLiteral("16-bit overflow: %1").arg(value));
    return static_cast<qint16>(value);
}
