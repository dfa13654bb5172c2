#pragma once

#include <QString>

namespace wifv {

enum class FormatClass { Other, DateTime, TimeOnly };

// Classifies a number-format code by its first section: a date or
// date-and-time format holds a day, weekday, month, year, era, hour, minute,
// second or AM/PM code outside quoted text, escapes and brackets ([h], [m],
// [s] count); it is time-only when none of day, weekday, month, year or era
// stands in it. "General" and "@" are neither.
FormatClass classifyNumberFormat(const QString &code);

} // namespace wifv
