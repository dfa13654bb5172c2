#include "workbook.h"

#include "errors.h"
#include "unicodetext.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace wifv {

// --- Sheet -------------------------------------------------------------------

namespace {
// Whether a cell's payload is a text index (else it is a number's bits).
bool holdsText(CellKind kind, ResultKind result)
{
    return kind == CellKind::Text || kind == CellKind::Error ||
           (kind == CellKind::Formula && (result == ResultKind::Text || result == ResultKind::Error));
}
} // namespace

Sheet::Slot Sheet::pack(std::uint32_t row, std::uint32_t column, const Cell &cell)
{
    Slot s{};
    s.row = row;
    s.column = std::uint16_t(column);
    s.kind = std::uint32_t(cell.kind);
    s.result = std::uint32_t(cell.result);
    s.format = cell.format;
    s.payload = holdsText(cell.kind, cell.result) ? cell.text : std::bit_cast<std::uint64_t>(cell.number);
    return s;
}

Cell Sheet::unpack(const Slot &s)
{
    Cell c;
    c.kind = CellKind(s.kind);
    c.result = ResultKind(s.result);
    c.format = s.format;
    if (holdsText(c.kind, c.result))
        c.text = std::uint32_t(s.payload);
    else
        c.number = std::bit_cast<double>(s.payload);
    return c;
}

std::vector<Sheet::Slot>::const_iterator Sheet::find(std::uint32_t row, std::uint32_t column) const
{
    const std::uint64_t key = std::uint64_t(row) << 16 | column;
    return std::lower_bound(m_slots.begin(), m_slots.end(), key,
                            [](const Slot &s, std::uint64_t k) { return s.key() < k; });
}

std::optional<Cell> Sheet::cell(std::uint32_t row, std::uint32_t column) const
{
    const auto it = find(row, column);
    if (it == m_slots.end() || it->row != row || it->column != column)
        return std::nullopt;
    return unpack(*it);
}

Sheet::Row Sheet::row(std::uint32_t row) const
{
    const auto first = find(row, 0);
    const auto last = std::lower_bound(first, m_slots.end(), std::uint64_t(row + 1) << 16,
                                       [](const Slot &s, std::uint64_t k) { return s.key() < k; });
    return Row(m_slots.data() + (first - m_slots.begin()), m_slots.data() + (last - m_slots.begin()));
}

std::optional<Cell> Sheet::Row::cell(std::uint32_t column) const
{
    const Slot *it = std::lower_bound(m_begin, m_end, column,
                                      [](const Slot &s, std::uint32_t c) { return s.column < c; });
    if (it == m_end || it->column != column)
        return std::nullopt;
    return unpack(*it);
}

void Sheet::set(std::uint32_t row, std::uint32_t column, const Cell &cell)
{
    const auto at = find(row, column);
    const auto it = m_slots.begin() + (at - m_slots.cbegin());
    if (it != m_slots.end() && it->row == row && it->column == column)
        *it = pack(row, column, cell);
    else
        m_slots.insert(it, pack(row, column, cell));
    m_columns = std::max(m_columns, column + 1);
}

void Sheet::remove(std::uint32_t row, std::uint32_t column)
{
    const auto at = find(row, column);
    if (at == m_slots.end() || at->row != row || at->column != column)
        return;
    m_slots.erase(at);
    if (column + 1 == m_columns) {
        m_columns = 0;
        for (const Slot &s : m_slots)
            m_columns = std::max<std::uint32_t>(m_columns, s.column + 1u);
    }
}

void Sheet::append(std::uint32_t row, std::uint32_t column, const Cell &cell)
{
    m_slots.push_back(pack(row, column, cell));
    m_columns = std::max(m_columns, column + 1);
}

void Sheet::finish()
{
    const auto less = [](const Slot &a, const Slot &b) { return a.key() < b.key(); };
    if (!std::is_sorted(m_slots.begin(), m_slots.end(), less))
        std::stable_sort(m_slots.begin(), m_slots.end(), less);
    // Of cells given twice, the last one read wins: keep the last of each run.
    const auto out = std::unique(m_slots.rbegin(), m_slots.rend(),
                                 [](const Slot &a, const Slot &b) { return a.key() == b.key(); });
    m_slots.erase(m_slots.begin(), out.base());
}

std::uint32_t Sheet::rowCount() const
{
    return m_slots.empty() ? 0 : m_slots.back().row + 1;
}

QString columnLetters(std::uint32_t column)
{
    QString letters;
    for (std::uint32_t c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + char16_t((c - 1) % 26)));
    return letters;
}

// --- StringPool ----------------------------------------------------------------

// Texts are stored as a length (7 bits a byte, low bits first) and the bytes.
char *StringPool::room(size_t bytes, std::uint32_t &location)
{
    // A text of more than a sixteenth of a block gets a block to itself, so
    // shared blocks are never left mostly empty.
    if (bytes > kBlockSize / 16) {
        if (m_blocks.size() >= kMaxBlocks)
            throw Error(QStringLiteral("The workbook holds more text than can be loaded"));
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(bytes));
        location = std::uint32_t((m_blocks.size() - 1) << kOffsetBits);
        return m_blocks.back().get();
    }
    if (m_used + bytes > kBlockSize) {
        if (m_blocks.size() >= kMaxBlocks)
            throw Error(QStringLiteral("The workbook holds more text than can be loaded"));
        m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlockSize));
        m_shared = m_blocks.size() - 1;
        m_used = 0;
    }
    location = std::uint32_t(m_shared << kOffsetBits | m_used);
    char *at = m_blocks[m_shared].get() + m_used;
    m_used += bytes;
    return at;
}

std::uint32_t StringPool::add(std::string_view utf8)
{
    unsigned char header[10];
    size_t headerSize = 0;
    for (size_t n = utf8.size();; n >>= 7) {
        header[headerSize++] = static_cast<unsigned char>((n & 0x7F) | (n >= 0x80 ? 0x80 : 0));
        if (n < 0x80)
            break;
    }
    std::uint32_t location = 0;
    char *at = room(headerSize + utf8.size(), location);
    std::memcpy(at, header, headerSize);
    if (!utf8.empty())
        std::memcpy(at + headerSize, utf8.data(), utf8.size());
    m_index.push_back(location);
    return std::uint32_t(m_index.size() - 1);
}

std::uint32_t StringPool::add(const QString &text)
{
    const QByteArray bytes = withoutLoneSurrogates(text).toUtf8();
    // Spelled out: QByteArray would also convert to a C string, cut at a NUL.
    return add(std::string_view(bytes.constData(), size_t(bytes.size())));
}

std::string_view StringPool::utf8(std::uint32_t index) const
{
    const std::uint32_t location = m_index[index];
    const auto *p = reinterpret_cast<const unsigned char *>(m_blocks[location >> kOffsetBits].get()) +
                    (location & (kBlockSize - 1));
    size_t size = 0;
    for (unsigned shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        size |= size_t(b & 0x7F) << shift;
        if (!(b & 0x80))
            break;
    }
    return {reinterpret_cast<const char *>(p), size};
}

QString StringPool::text(std::uint32_t index) const
{
    const std::string_view s = utf8(index);
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}

// --- Workbook ------------------------------------------------------------------

std::uint16_t Workbook::addFormat(const QString &code)
{
    const auto it = std::find(m_formats.begin(), m_formats.end(), code);
    if (it != m_formats.end())
        return std::uint16_t(it - m_formats.begin());
    if (m_formats.size() > 0xFFFF)
        return 0; // no real workbook has that many distinct codes
    m_formats.push_back(code);
    m_classes.push_back(classifyNumberFormat(code));
    return std::uint16_t(m_formats.size() - 1);
}

Workbook Workbook::initial()
{
    Workbook w;
    w.sheets.emplace_back();
    w.sheets.back().name = QStringLiteral("Sheet1");
    w.activeSheet = 0;
    return w;
}

} // namespace wifv
