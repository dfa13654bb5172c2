#pragma once

#include "regional.h"
#include "workbook.h"

#include <QString>

namespace wifv {

// A number as the cell texts write it: rounded to 15 significant digits,
// plain decimal without thousands separators or trailing zeros, the decimal
// separator only when a fraction remains; scientific form ("1,5E15", "5E-5")
// for magnitudes of 1E15 or more and non-zero magnitudes below 0.0001.
QString numberText(double value, QChar decimalSeparator);

// A serial date as date text: the short date, then one blank and the long
// time unless the time is exactly midnight (after rounding to 9 decimals).
QString dateText(double serial, bool date1904, const RegionalSettings &regional);
// The time of day of a serial number, in the long time format.
QString timeText(double serial, const RegionalSettings &regional);

// The text of a cell (none: no cell) by the cell text rules: what the view
// shows and what the invoice reading takes.
QString cellText(const Workbook &book, const std::optional<Cell> &cell, const RegionalSettings &regional);

// The extension of a file name: from the last full stop of the name part to
// the end, full stop included, letters A to Z lower-cased; empty without one.
QString fileExtension(const QString &path);

} // namespace wifv
