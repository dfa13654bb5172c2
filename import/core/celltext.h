#pragma once

#include "workbook.h"

#include <QString>

namespace wifv {

// A number as the cell texts write it: rounded to 15 significant digits,
// plain decimal without thousands separators or trailing zeros, the decimal
// separator only when a fraction remains; scientific form ("1,5E15", "5E-5")
// for magnitudes of 1E15 or more and non-zero magnitudes below 0.0001.
QString numberText(double value, QChar decimalSeparator);

// The text the view shows for a cell (null: no cell).
QString displayText(const Workbook &book, const Cell *cell, QChar decimalSeparator);

// The extension of a file name: from the last full stop of the name part to
// the end, full stop included, letters A to Z lower-cased; empty without one.
QString fileExtension(const QString &path);

} // namespace wifv
