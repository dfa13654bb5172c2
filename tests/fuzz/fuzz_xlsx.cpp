// Whole files in: a workbook or one of the reader's own errors out. Every
// cell near the top of every sheet is then turned into its text.
#include "celltext.h"
#include "errors.h"
#include "xlsxreader.h"

#include <algorithm>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Smaller limits than the program's, so each input stays quick.
    wifv::ReadLimits limits;
    limits.inflatedBytes = 64 << 20;
    limits.cells = 1 << 20;
    try {
        const wifv::Workbook book = wifv::readXlsx(bytes, limits);
        const wifv::RegionalSettings regional;
        for (const wifv::Sheet &sheet : book.sheets) {
            const std::uint32_t rows = std::min(sheet.rowCount(), 64u), columns = std::min(sheet.columnCount(), 64u);
            for (std::uint32_t r = 0; r < rows; ++r) {
                const wifv::Sheet::Row row = sheet.row(r);
                for (std::uint32_t c = 0; c < columns; ++c)
                    (void)wifv::cellText(book, row.cell(c), regional);
            }
        }
    } catch (const wifv::Error &) {
        // a refused file: what the operator sees as a message
    }
    return 0;
}
