#pragma once

#include "workbook.h"

#include <QByteArray>

#include <cstddef>
#include <cstdint>

namespace wifv {

// Limits that keep a hostile file from taking all memory or time, far above
// any real workbook's: a million invoice lines inflate to about 280 MB and
// make five million cells. Both count the whole workbook, all parts and all
// sheets together.
struct ReadLimits {
    std::uint64_t inflatedBytes = std::uint64_t(512) << 20; // bytes inflated from the package
    size_t cells = size_t(1) << 24;                         // cells of all sheets
};

// Reads an .xlsx workbook (Office Open XML, transitional or strict) from the
// bytes of the whole file. Content that is not such a package fails with
// "Unsupported document format"; a package damaged inside fails with a
// message naming the part.
Workbook readXlsx(const QByteArray &bytes, const ReadLimits &limits = {});

// The number-format code a built-in format id stands for (ids 0 to 49);
// "General" for ids without a fixed code.
QString builtinNumberFormat(int id);

} // namespace wifv
