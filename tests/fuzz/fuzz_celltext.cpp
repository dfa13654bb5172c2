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
        // 15 significant digits: the text is the number, rounded. It is read
        // back as a long double, since rounding up the largest doubles
        // leaves the double range (1.79769313486232E308).
        const QByteArray text = wifv::numberText(value, u'.').toLatin1();
        char *end = nullptr;
        const long double back = std::strtold(text.constData(), &end);
        if (end != text.constData() + text.size() ||
            (value != 0 && std::fabs(back - value) > std::fabs(static_cast<long double>(value)) * 1e-14L))
            std::abort();
    }
    return 0;
}
