// The number-format classifier and the cell text: the first 8 bytes are a
// number, the rest a format code. A number's text must read back as a number.
#include "celltext.h"
#include "numberformat.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    if (size < 9)
        return 0;
    double value;
    std::memcpy(&value, data, sizeof value);
    const QString code = QString::fromUtf8(reinterpret_cast<const char *>(data) + 9, qsizetype(size - 9));
    const bool date1904 = data[8] & 1;
    const wifv::RegionalSettings regional[] = {
        {},
        {u',', QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")},
        {u'\u066B', QStringLiteral("yyyy-M-d 'an' yy"), QStringLiteral("hh:m:s tt")},
    };
    (void)wifv::classifyNumberFormat(code);

    wifv::Workbook book;
    book.date1904 = date1904;
    wifv::Cell cell;
    cell.kind = wifv::CellKind::Number;
    cell.number = value;
    cell.format = book.addFormat(code);
    for (const auto &r : regional)
        (void)wifv::cellText(book, cell, r);

    if (std::isfinite(value)) {
        bool ok = false;
        const double back = wifv::numberText(value, u'.').toDouble(&ok);
        // 15 significant digits: the text is the number, rounded.
        if (!ok || (value != 0 && std::fabs(back - value) > std::fabs(value) * 1e-14))
            std::abort();
    }
    return 0;
}
