// The remembered-login file reader: any bytes in, a table or an error out.
// A table read must write back to bytes that read to the same table, but
// for its texts' ends: the file keeps a text up to its first NUL character.
#include "errors.h"
#include "loginstorage.h"
#include "logintable.h"

#include <cstdint>
#include <cstdlib>

namespace {

std::vector<wifv::LoginRow> asWritten(std::vector<wifv::LoginRow> rows)
{
    auto cut = [](std::optional<QString> &text) {
        if (text && text->contains(QChar(0)))
            text->truncate(text->indexOf(QChar(0)));
    };
    for (wifv::LoginRow &row : rows) {
        cut(row.company);
        cut(row.username);
    }
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    wifv::LoginTable table;
    try {
        wifv::readLoginStorage(bytes, table);
    } catch (const wifv::Error &) {
        return 0;
    }
    const QByteArray written = wifv::writeLoginStorage(table);
    wifv::LoginTable again;
    try {
        wifv::readLoginStorage(written, again);
    } catch (const wifv::Error &) {
        std::abort(); // our own output refused
    }
    if (again.rows() != asWritten(table.rows()) || again.changeCounter() != table.changeCounter() ||
        wifv::writeLoginStorage(again) != written)
        std::abort();
    return 0;
}
