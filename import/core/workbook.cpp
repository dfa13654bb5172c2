#include "workbook.h"

#include <algorithm>

namespace wifv {

namespace {
auto position(std::vector<Sheet::Entry> &entries, std::uint32_t row, std::uint32_t column)
{
    return std::lower_bound(entries.begin(), entries.end(), std::pair{row, column},
                            [](const Sheet::Entry &e, const std::pair<std::uint32_t, std::uint32_t> &key) {
                                return e.row != key.first ? e.row < key.first : e.column < key.second;
                            });
}
} // namespace

const Cell *Sheet::cell(std::uint32_t row, std::uint32_t column) const
{
    auto &entries = const_cast<std::vector<Entry> &>(m_entries);
    const auto it = position(entries, row, column);
    if (it == entries.end() || it->row != row || it->column != column)
        return nullptr;
    return &it->cell;
}

void Sheet::set(std::uint32_t row, std::uint32_t column, const Cell &cell)
{
    const auto it = position(m_entries, row, column);
    if (it != m_entries.end() && it->row == row && it->column == column)
        it->cell = cell;
    else
        m_entries.insert(it, {row, column, cell});
}

void Sheet::remove(std::uint32_t row, std::uint32_t column)
{
    const auto it = position(m_entries, row, column);
    if (it != m_entries.end() && it->row == row && it->column == column)
        m_entries.erase(it);
}

void Sheet::finish()
{
    const auto less = [](const Entry &a, const Entry &b) {
        return a.row != b.row ? a.row < b.row : a.column < b.column;
    };
    if (!std::is_sorted(m_entries.begin(), m_entries.end(), less))
        std::stable_sort(m_entries.begin(), m_entries.end(), less);
    // Of cells given twice, the last one read wins.
    std::vector<Entry> unique;
    bool duplicates = false;
    for (size_t i = 1; i < m_entries.size() && !duplicates; ++i)
        duplicates = !less(m_entries[i - 1], m_entries[i]);
    if (!duplicates)
        return;
    unique.reserve(m_entries.size());
    for (const Entry &e : m_entries) {
        if (!unique.empty() && unique.back().row == e.row && unique.back().column == e.column)
            unique.back() = e;
        else
            unique.push_back(e);
    }
    m_entries = std::move(unique);
}

std::uint32_t Sheet::rowCount() const
{
    return m_entries.empty() ? 0 : m_entries.back().row + 1;
}

std::uint32_t Sheet::columnCount() const
{
    std::uint32_t columns = 0;
    for (const Entry &e : m_entries)
        columns = std::max(columns, e.column + 1);
    return columns;
}

QString columnLetters(std::uint32_t column)
{
    QString letters;
    for (std::uint32_t c = column + 1; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar(u'A' + char16_t((c - 1) % 26)));
    return letters;
}

std::uint32_t Workbook::addString(const QString &text)
{
    strings.push_back(text);
    return std::uint32_t(strings.size() - 1);
}

std::uint16_t Workbook::addFormat(const QString &code)
{
    const auto it = std::find(formats.begin(), formats.end(), code);
    if (it != formats.end())
        return std::uint16_t(it - formats.begin());
    if (formats.size() > 0xFFFF)
        return 0; // no real workbook has that many distinct codes
    formats.push_back(code);
    return std::uint16_t(formats.size() - 1);
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
