#include "decks/DateText.h"

#include <QDate>
#include <QTime>

#include <cmath>

namespace decks {

NumberForm numberFormOfCode(QStringView code)
{
    bool yearOrDay = false, month = false, hourOrSecond = false;
    for (qsizetype i = 0; i < code.size(); ++i) {
        const char16_t c = QChar::toLower(code[i].unicode());
        if (c == u';')
            break;  // the first section decides
        if (c == u'"') {
            const qsizetype end = code.indexOf(u'"', i + 1);
            i = end < 0 ? code.size() : end;
        } else if (c == u'\\' || c == u'_' || c == u'*') {
            ++i;  // the next character is shown or padded with, not a code
        } else if (c == u'[') {
            const qsizetype end = code.indexOf(u']', i + 1);
            const QStringView inside = code.mid(i + 1, (end < 0 ? code.size() : end) - i - 1);
            if (!inside.isEmpty() && (inside[0].toLower() == u'h' || inside[0].toLower() == u's'
                                      || inside[0].toLower() == u'm')) {
                bool elapsed = true;
                for (QChar ch : inside)
                    elapsed = elapsed && ch.toLower() == inside[0].toLower();
                hourOrSecond = hourOrSecond || elapsed;
            }
            i = end < 0 ? code.size() : end;
        } else if (c == u'a' && (code.mid(i, 5).compare(u"am/pm", Qt::CaseInsensitive) == 0)) {
            hourOrSecond = true;
            i += 4;
        } else if (c == u'a' && code.mid(i, 3).compare(u"a/p", Qt::CaseInsensitive) == 0) {
            hourOrSecond = true;
            i += 2;
        } else if (c == u'y' || c == u'd') {
            yearOrDay = true;
        } else if (c == u'm') {
            month = true;
        } else if (c == u'h' || c == u's') {
            hourOrSecond = true;
        }
    }
    if (yearOrDay || (month && !hourOrSecond))
        return NumberForm::Date;
    return hourOrSecond ? NumberForm::Time : NumberForm::Plain;
}

NumberForm builtInNumberForm(int id)
{
    if ((id >= 14 && id <= 17) || id == 22 || (id >= 27 && id <= 36) || (id >= 50 && id <= 58))
        return NumberForm::Date;
    if ((id >= 18 && id <= 21) || (id >= 45 && id <= 47))
        return NumberForm::Time;
    return NumberForm::Plain;
}

QString timeText(qint64 secondsOfDay)
{
    const qint64 h = secondsOfDay / 3600, m = secondsOfDay / 60 % 60, s = secondsOfDay % 60;
    QString text = QStringLiteral("%1:%2").arg(h, 2, 10, QLatin1Char('0')).arg(m, 2, 10, QLatin1Char('0'));
    if (s != 0)
        text += QStringLiteral(":%1").arg(s, 2, 10, QLatin1Char('0'));
    return text;
}

QString dateText(double serial, bool date1904, NumberForm form)
{
    // 2958465 is 9999-12-31 in the 1900 system; the 1904 system ends sooner.
    if (!std::isfinite(serial) || serial < 0 || serial >= 2958466 || form == NumberForm::Plain)
        return {};
    const qint64 total = std::llround(serial * 86400);
    const qint64 days = total / 86400, seconds = total % 86400;
    if (form == NumberForm::Time || (!date1904 && days == 0))
        return timeText(seconds);
    QString text;
    if (date1904) {
        text = QDate(1904, 1, 1).addDays(days).toString(Qt::ISODate);
    } else if (days == 60) {
        text = QStringLiteral("1900-02-29");  // the day Excel's 1900 system counts although it never was
    } else {
        text = QDate(1899, 12, days < 60 ? 31 : 30).addDays(days).toString(Qt::ISODate);
    }
    if (text.size() != 10)
        return {};
    if (seconds != 0)
        text += u' ' + timeText(seconds);
    return text;
}

QString isoDateText(QStringView iso)
{
    iso = iso.trimmed();
    QString date;
    QStringView time = iso;
    if (iso.size() >= 10 && iso[4] == u'-') {
        const QDate d = QDate::fromString(iso.left(10).toString(), Qt::ISODate);
        if (!d.isValid())
            return {};
        date = d.toString(Qt::ISODate);
        if (date.size() != 10)
            return {};
        if (iso.size() == 10)
            return date;
        if (iso[10] != u'T' && iso[10] != u't' && iso[10] != u' ')
            return {};
        time = iso.mid(11);
    }
    // hh:mm[:ss[.fff]] and a zone (Z, +hh:mm, -hh:mm) that is dropped.
    qsizetype end = 0;
    while (end < time.size() && (time[end].isDigit() || time[end] == u':' || time[end] == u'.'))
        ++end;
    const QStringView zone = time.mid(end);
    if (!zone.isEmpty() && zone != u"Z" && zone != u"z" && !zone.startsWith(u'+') && !zone.startsWith(u'-'))
        return {};
    const QTime t = QTime::fromString(time.left(end).toString(), Qt::ISODateWithMs);
    if (!t.isValid())
        return {};
    const qint64 seconds = std::llround(t.msecsSinceStartOfDay() / 1000.0);
    if (date.isEmpty())
        return timeText(seconds % 86400);
    return seconds == 0 ? date : date + u' ' + timeText(std::min<qint64>(seconds, 86399));
}

}  // namespace decks
