#include "app/modMnemora.h"

#include <cmath>

float modMnemora::Rnd()
{
    rndState = static_cast<quint32>((static_cast<quint64>(rndState) * 1140671485u + 12820163u) & 0xFFFFFFu);
    return static_cast<float>(rndState) / 16777216.0f;
}

int modMnemora::RandomInt(int lo, int hi)
{
    const double r = Rnd();
    return static_cast<int>(std::floor((static_cast<double>(hi) - lo + 1.0) * r)) + lo;
}

QTime modMnemora::Now() const
{
    const QTime t = clock ? clock() : QTime::currentTime();
    return QTime(t.hour(), t.minute(), t.second());
}
