#include "logintable.h"

namespace wifv {

void LoginTable::close()
{
    m_open = false;
    m_editing = false;
}

std::optional<QString> LoginTable::value(Column column) const
{
    const LoginRow *row = m_editing ? &m_buffer : (m_rows.empty() ? nullptr : &m_rows.front());
    if (!row)
        return std::nullopt;
    return column == Company ? row->company : row->username;
}

void LoginTable::setValue(Column column, const std::optional<QString> &value)
{
    if (!m_editing) {
        m_editing = true;
        m_inserting = m_rows.empty();
        m_buffer = m_inserting ? LoginRow{} : m_rows.front();
    }
    (column == Company ? m_buffer.company : m_buffer.username) = value;
}

void LoginTable::finishEdit()
{
    if (!m_editing)
        return;
    m_editing = false;
    if (m_inserting) {
        if (!m_buffer.company && !m_buffer.username)
            return;
        m_buffer.rowId = m_nextRowId++;
        m_buffer.priorState = RowState::Detached;
        m_rows.push_back(m_buffer);
    } else {
        LoginRow &row = m_rows.front();
        if (row.company == m_buffer.company && row.username == m_buffer.username)
            return;
        row.company = m_buffer.company;
        row.username = m_buffer.username;
        row.priorState = RowState::Unchanged;
    }
    ++m_changeCounter;
}

void LoginTable::assign(std::vector<LoginRow> rows, int changeCounter)
{
    m_editing = false;
    m_rows = std::move(rows);
    m_changeCounter = changeCounter;
    m_nextRowId = 0;
    for (const auto &r : m_rows)
        m_nextRowId = std::max(m_nextRowId, r.rowId + 1);
}

} // namespace wifv
