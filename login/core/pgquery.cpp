#include "pgquery.h"

#include "errors.h"

namespace wifv {

namespace {

enum : unsigned int {
    kBool = 16, kInt8 = 20, kInt2 = 21, kInt4 = 23, kText = 25, kFloat4 = 700, kFloat8 = 701,
    kBpchar = 1042, kVarchar = 1043, kDate = 1082, kTime = 1083, kTimestamp = 1114,
    kTimestamptz = 1184, kTimetz = 1266, kNumeric = 1700,
};

// varchar(m) reads as short text up to this length, as long text beyond it.
constexpr int kMaxShortTextLength = 65535;

} // namespace

QString columnKindName(ColumnKind kind)
{
    switch (kind) {
    case ColumnKind::ShortText: return QStringLiteral("WideString");
    case ColumnKind::LongText: return QStringLiteral("WideMemo");
    case ColumnKind::Boolean: return QStringLiteral("Boolean");
    case ColumnKind::Integer: return QStringLiteral("Integer");
    case ColumnKind::Float: return QStringLiteral("Float");
    case ColumnKind::Date: return QStringLiteral("Date");
    case ColumnKind::DateTime: return QStringLiteral("DateTime");
    }
    return {};
}

QString resultTypeName(unsigned int typeOid, int typmod)
{
    switch (typeOid) {
    case kVarchar:
        // PQfmod of varchar(m) is m + 4; -1 means no length.
        return (typmod < 0 || typmod - 4 > kMaxShortTextLength) ? QStringLiteral("WideMemo")
                                                                 : QStringLiteral("WideString");
    case kBpchar: return QStringLiteral("WideString");
    case kText: return QStringLiteral("WideMemo");
    case kBool: return QStringLiteral("Boolean");
    case kInt2: return QStringLiteral("SmallInt");
    case kInt4: return QStringLiteral("Integer");
    case kInt8: return QStringLiteral("LargeInt");
    case kFloat4:
    case kFloat8:
    case kNumeric: return QStringLiteral("Float");
    case kDate: return QStringLiteral("Date");
    case kTime:
    case kTimetz: return QStringLiteral("Time");
    case kTimestamp:
    case kTimestamptz: return QStringLiteral("DateTime");
    default: return QStringLiteral("Unknown");
    }
}

bool typeBinds(ColumnKind kind, unsigned int typeOid, int typmod)
{
    const QString type = resultTypeName(typeOid, typmod);
    switch (kind) {
    case ColumnKind::ShortText: return type == u"WideString";
    case ColumnKind::LongText: return type == u"WideMemo";
    case ColumnKind::Boolean: return type == u"Boolean";
    case ColumnKind::Integer: return type == u"Integer" || type == u"SmallInt";
    case ColumnKind::Float: return type == u"Float";
    case ColumnKind::Date:
    case ColumnKind::DateTime: return type == u"Date" || type == u"Time" || type == u"DateTime";
    }
    return false;
}

QString PgField::name() const
{
    return m_query->name() + m_column.name;
}

bool PgField::isNull() const
{
    const PGresult *r = m_query->m_result.get();
    if (!r || m_resultIndex < 0 || m_query->m_row >= PQntuples(r))
        return true;
    return PQgetisnull(r, m_query->m_row, m_resultIndex) == 1;
}

QString PgField::asText() const
{
    if (isNull())
        return {};
    const PGresult *r = m_query->m_result.get();
    return QString::fromUtf8(PQgetvalue(r, m_query->m_row, m_resultIndex),
                             PQgetlength(r, m_query->m_row, m_resultIndex));
}

int PgField::asInteger() const
{
    if (isNull())
        return 0;
    return QByteArray(PQgetvalue(m_query->m_result.get(), m_query->m_row, m_resultIndex)).toInt();
}

PgQuery::PgQuery(QString name, PgConnection &connection, const QStringList &lines,
                 std::vector<DeclaredColumn> columns)
    : m_name(std::move(name)),
      m_connection(&connection),
      m_sql(lines.join(u'\n')),
      m_statement(parseParameters(m_sql)),
      m_values(static_cast<size_t>(m_statement.parameters.size()))
{
    m_fields.reserve(columns.size());
    for (const auto &c : columns)
        m_fields.push_back(PgField(*this, c));
}

qsizetype PgQuery::paramIndex(const QString &name) const
{
    for (qsizetype i = 0; i < m_statement.parameters.size(); ++i)
        if (m_statement.parameters.at(i).compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

void PgQuery::setParam(const QString &name, const QString &value)
{
    const qsizetype i = paramIndex(name);
    if (i < 0)
        throw Error(QStringLiteral("%1: Parameter '%2' not found").arg(m_name, name));
    m_values[static_cast<size_t>(i)] = value;
}

std::optional<QString> PgQuery::param(const QString &name) const
{
    const qsizetype i = paramIndex(name);
    if (i < 0)
        return std::nullopt;
    return m_values[static_cast<size_t>(i)];
}

pg::Result PgQuery::run()
{
    return m_connection->execute(m_statement.text, m_values);
}

void PgQuery::bind(const PGresult *result)
{
    const int columns = PQnfields(result);
    for (auto &field : m_fields) {
        const QString &wanted = field.m_column.name;
        int found = -1;
        for (int i = 0; i < columns; ++i) {
            if (wanted.compare(QString::fromUtf8(PQfname(result, i)), Qt::CaseInsensitive) == 0) {
                found = i;
                break;
            }
        }
        if (found < 0)
            throw Error(QStringLiteral("%1: Field '%2' not found").arg(m_name, wanted));
        const Oid type = PQftype(result, found);
        const int typmod = PQfmod(result, found);
        if (!typeBinds(field.m_column.kind, type, typmod))
            throw Error(QStringLiteral("%1: Type mismatch for field '%2', expecting: %3 actual: %4")
                            .arg(m_name, wanted, columnKindName(field.m_column.kind),
                                 resultTypeName(type, typmod)));
        field.m_resultIndex = found;
    }
}

void PgQuery::open()
{
    if (isOpen())
        return;
    pg::Result result = run();
    bind(result.get());
    m_result = std::move(result);
    m_row = 0;
}

void PgQuery::close()
{
    m_result.reset();
    m_row = 0;
}

void PgQuery::refresh()
{
    if (!isOpen()) {
        open();
        return;
    }
    pg::Result result = run();
    try {
        bind(result.get());
    } catch (...) {
        close();
        throw;
    }
    m_result = std::move(result);
    m_row = 0;
}

int PgQuery::rowCount() const
{
    return m_result ? PQntuples(m_result.get()) : 0;
}

const PgField &PgQuery::field(const QString &columnName) const
{
    for (const auto &f : m_fields)
        if (columnName.compare(f.m_column.name, Qt::CaseInsensitive) == 0)
            return f;
    throw Error(QStringLiteral("%1: Field '%2' not found").arg(m_name, columnName));
}

} // namespace wifv
