#pragma once

#include "pgconnection.h"
#include "sqlparams.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace wifv {

// The kinds a query may declare for a result column.
enum class ColumnKind { ShortText, LongText, Boolean, Integer, Float, Date, DateTime };

struct DeclaredColumn {
    QString name;
    ColumnKind kind;
    int width = 0; // short text only
    bool required = false;
};

// The name error messages use for a declared kind ("WideString", ...).
QString columnKindName(ColumnKind kind);
// The name error messages use for a PostgreSQL result column type; `typmod`
// is the column's PQfmod.
QString resultTypeName(unsigned int typeOid, int typmod);
// Whether a result column of that type binds to the declared kind.
bool typeBinds(ColumnKind kind, unsigned int typeOid, int typmod);

class PgQuery;

// A declared column of a query, read from the query's current row.
class PgField {
public:
    // The field object's name: the query's name followed by the column's.
    QString name() const;
    const DeclaredColumn &column() const { return m_column; }
    bool isNull() const;
    // The value as text; a null, or no current row, reads as empty text.
    QString asText() const;
    // The value as a 32-bit integer; a null, or no current row, reads as 0.
    int asInteger() const;

private:
    friend class PgQuery;
    PgField(const PgQuery &query, DeclaredColumn column) : m_query(&query), m_column(column) {}
    const PgQuery *m_query;
    DeclaredColumn m_column;
    int m_resultIndex = -1;
};

// A statement on a connection with `:name` text parameters and declared
// result columns. An open query keeps its rows after the connection closes.
class PgQuery {
public:
    PgQuery(QString name, PgConnection &connection, const QStringList &lines,
            std::vector<DeclaredColumn> columns = {});
    PgQuery(const PgQuery &) = delete;
    PgQuery &operator=(const PgQuery &) = delete;

    const QString &name() const { return m_name; }
    PgConnection &connection() const { return *m_connection; }
    const QString &sql() const { return m_sql; }
    const ParsedStatement &statement() const { return m_statement; }

    // Sets the parameter found by name ignoring letter case.
    void setParam(const QString &name, const QString &value);
    std::optional<QString> param(const QString &name) const;

    // Runs the statement and binds the declared columns; does nothing when
    // the query is already open.
    void open();
    void close();
    bool isOpen() const { return m_result != nullptr; }
    // Runs an open query again with its current parameter values.
    void refresh();

    int rowCount() const;
    int currentRow() const { return m_row; }

    // The declared column of that name, ignoring letter case.
    const PgField &field(const QString &columnName) const;
    const std::vector<PgField> &fields() const { return m_fields; }

private:
    friend class PgField;
    qsizetype paramIndex(const QString &name) const;
    pg::Result run();
    void bind(const PGresult *result);

    QString m_name;
    PgConnection *m_connection;
    QString m_sql;
    ParsedStatement m_statement;
    std::vector<std::optional<QString>> m_values;
    std::vector<PgField> m_fields;
    pg::Result m_result;
    int m_row = 0;
};

} // namespace wifv
