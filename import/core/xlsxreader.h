#pragma once

#include "workbook.h"

#include <QByteArray>

namespace wifv {

// Reads an .xlsx workbook (Office Open XML, transitional or strict) from the
// bytes of the whole file. Content that is not such a package fails with
// "Unsupported document format"; a package damaged inside fails with a
// message naming the part.
Workbook readXlsx(const QByteArray &bytes);

// The number-format code a built-in format id stands for (ids 0 to 49);
// "General" for ids without a fixed code.
QString builtinNumberFormat(int id);

} // namespace wifv
