#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace wifv {

enum class RowState { Detached, Inserted, Deleted, Modified, Unchanged, Editing };

// One remembered record; a column value may be null.
struct LoginRow {
    quint32 rowId = 0;
    RowState priorState = RowState::Detached; // the state before its last change
    std::optional<QString> company;
    std::optional<QString> username;
    bool operator==(const LoginRow &) const = default;
};

// The in-memory table dsLogin with the columns company and username. Posted
// changes are committed at once; the change counter grows by one for every
// posted insert or edit and is kept in the file.
class LoginTable {
public:
    enum Column { Company, Username };

    bool isOpen() const { return m_open; }
    void open() { m_open = true; }
    void close();

    const std::vector<LoginRow> &rows() const { return m_rows; }
    quint32 nextRowId() const { return m_nextRowId; }
    int changeCounter() const { return m_changeCounter; }

    // The current record's value (the first row), pending edit included.
    std::optional<QString> value(Column column) const;
    // Writes a value into the current record, starting an edit first (an
    // insert when the table is empty).
    void setValue(Column column, const std::optional<QString> &value);
    bool editing() const { return m_editing; }
    // Posts a pending edit when it changed a value, drops it otherwise.
    void finishEdit();
    void cancel() { m_editing = false; }

    // Replaces everything the table holds (used by the file reader).
    void assign(std::vector<LoginRow> rows, int changeCounter);

private:
    bool m_open = false;
    std::vector<LoginRow> m_rows;
    quint32 m_nextRowId = 0;
    int m_changeCounter = 0;
    bool m_editing = false;
    bool m_inserting = false;
    LoginRow m_buffer;
};

} // namespace wifv
