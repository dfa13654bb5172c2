#include "testservers.h"

#include "errors.h"
#include "pgresource.h"

#include <QFile>
#include <QHash>
#include <QUuid>

#include <stdexcept>

namespace wifv::test {

namespace {

QHash<QString, QString> readState()
{
    QFile file(QStringLiteral(WIFV_PG_STATE));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("the test servers are not running: no " WIFV_PG_STATE);
    QHash<QString, QString> values;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            values.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    return values;
}

const QHash<QString, QString> &state()
{
    static const QHash<QString, QString> s = readState();
    return s;
}

Server server(const char *portKey, const char *logKey)
{
    const auto &s = state();
    return {s.value(QStringLiteral("WIFV_PG_HOST")), s.value(QString::fromLatin1(portKey)).toInt(),
            s.value(QString::fromLatin1(logKey))};
}

pg::Conn adminConnect(const Server &server, const QString &database)
{
    const QByteArray host = server.host.toUtf8(), port = QByteArray::number(server.port),
                     db = database.toUtf8(), pw = password().toUtf8();
    const char *keys[] = {"host", "port", "dbname", "user", "password", "sslmode", nullptr};
    const char *values[] = {host.constData(), port.constData(), db.constData(), "tavo", pw.constData(),
                            "prefer", nullptr};
    pg::Conn conn(PQconnectdbParams(keys, values, 0));
    if (PQstatus(conn.get()) != CONNECTION_OK)
        throw std::runtime_error(std::string("admin connection failed: ") + PQerrorMessage(conn.get()));
    return conn;
}

} // namespace

Server tlsServer() { return server("WIFV_PG_TLS_PORT", "WIFV_PG_TLS_LOG"); }
Server plainServer() { return server("WIFV_PG_PLAIN_PORT", "WIFV_PG_PLAIN_LOG"); }
QString password() { return QStringLiteral(WIFV_DB_PASSWORD); }
QString sourceDir() { return QStringLiteral(WIFV_SOURCE_DIR); }

QStringList adminQuery(const Server &server, const QString &database, const QString &sql)
{
    pg::Conn conn = adminConnect(server, database);
    pg::Result result(PQexec(conn.get(), sql.toUtf8().constData()));
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        throw std::runtime_error(std::string("admin SQL failed: ") + PQresultErrorMessage(result.get()));
    QStringList rows;
    for (int r = 0; r < PQntuples(result.get()); ++r)
        rows << QString::fromUtf8(PQgetvalue(result.get(), r, 0));
    return rows;
}

void adminExec(const Server &server, const QString &database, const QString &sql)
{
    adminQuery(server, database, sql);
}

void recreateDatabase(const Server &server, const QString &name)
{
    adminExec(server, QStringLiteral("postgres"), QStringLiteral("drop database if exists \"%1\"").arg(name));
    adminExec(server, QStringLiteral("postgres"), QStringLiteral("create database \"%1\"").arg(name));
}

void runSqlFile(const Server &server, const QString &database, const QString &relativePath)
{
    QFile file(sourceDir() + u'/' + relativePath);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("cannot read " + relativePath.toStdString());
    adminExec(server, database, QString::fromUtf8(file.readAll()));
}

qint64 logSize(const Server &server)
{
    return QFile(server.logPath).size();
}

QString logSince(const Server &server, qint64 offset)
{
    QFile file(server.logPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    file.seek(offset);
    return QString::fromUtf8(file.readAll());
}

void pointAt(PgConnection &connection, const Server &server, SslMode mode)
{
    connection.setServer(server.host);
    connection.setPort(server.port);
    connection.setDatabase(QStringLiteral("postgres"));
    connection.setUsername(QStringLiteral("tavo"));
    connection.setPassword(password());
    connection.setSslMode(mode);
}

QString failureOf(const std::function<void()> &f)
{
    try {
        f();
    } catch (const Error &e) {
        return e.message();
    }
    return {};
}

QString uniqueName(const QString &prefix)
{
    return prefix + u'_' + QUuid::createUuid().toString(QUuid::Id128).left(12);
}

} // namespace wifv::test
