#pragma once
// Dates and times in deck cells. A spreadsheet keeps a date as a number, the
// days since the start of its date system, and tells it from a plain number
// only by the cell's number format; the study copy shows such a cell as
// ISO 8601 text: "1945-09-02", "1945-09-02 09:04" when it has a time of day,
// "09:04" for a time alone (seconds only when there are any).

#include "decks/Workbook.h"

#include <QString>
#include <QStringView>

namespace decks {

// What a number format code shows a number as: a date (with or without a
// time of day), a time alone, or a plain number. Only the first section
// counts; quoted text, escaped characters and bracketed colours, conditions
// and locales are passed over, elapsed-time brackets ([h], [mm], [ss]) make
// a time. "m" is a month unless hours or seconds stand in the code.
NumberForm numberFormOfCode(QStringView code);

// The same for the built-in number formats of Excel workbooks, by id:
// 14-17, 22, 27-36 and 50-58 are dates, 18-21 and 45-47 times ([MS-XLS]
// 2.4.126 FORMAT; ECMA-376 Part 1, 18.8.30 numFmt).
NumberForm builtInNumberForm(int id);

// The ISO text of a date serial number in the workbook's date system: the
// 1900 system counts day 1 as 1900-01-01 and keeps Excel's 29 February 1900
// (day 60), the 1904 system counts day 0 as 1904-01-01. A Time shows the
// time of day alone, and so does a Date of day 0 in the 1900 system (which
// has no date). Rounded to the second. Null for a number that is no date
// (negative, past 9999-12-31, not finite): such a cell shows its number.
QString dateText(double serial, bool date1904, NumberForm form);

// An ISO 8601 date, date and time, or time as .ods and .xlsx files write
// them ("1945-09-02", "1945-09-02T09:04:00.000Z", "09:04:00"), in the same
// text form as dateText(); a zone is dropped (the time stays as written).
// Null when the text is none of them.
QString isoDateText(QStringView iso);

// A time of day as text: "09:04", or "09:04:30" when it has seconds.
QString timeText(qint64 secondsOfDay);

}  // namespace decks
