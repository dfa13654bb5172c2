#pragma once

#include <QString>
#include <QStringList>

#include "failure.h"
#include "pgconnection.h"

#include <libpq-fe.h>


namespace wifv::test {

// One of the two throwaway servers started for the test run.
struct Server {
    QString host;
    int port = 0;
    QString logPath;
};

Server tlsServer();
Server plainServer();
// The password of the role tavo on both servers (the compiled one).
QString password();
QString sourceDir();

// Runs SQL through plain libpq, independent of the code under test; fails
// the test (throws) on any error. Returns the first column of every row.
QStringList adminQuery(const Server &server, const QString &database, const QString &sql);
void adminExec(const Server &server, const QString &database, const QString &sql);
// Drops and creates a database.
void recreateDatabase(const Server &server, const QString &name);
// Runs every statement of a SQL file of the repository.
void runSqlFile(const Server &server, const QString &database, const QString &relativePath);

// The server log, from a byte offset on (logSize() marks a point to read from).
qint64 logSize(const Server &server);
QString logSince(const Server &server, qint64 offset);

// Points a connection at a test server's database postgres as tavo.
void pointAt(PgConnection &connection, const Server &server, SslMode mode);

// Rows of a company database that satisfy every not-null column: an
// operator, and the company's settings row with the given web address.
QString operatorRowSql(const QString &name, const QString &storedPassword, const QString &workingPoint);
QString euRowSql(const QString &jasIp);

// A database name of its own for each test case.
QString uniqueName(const QString &prefix);

} // namespace wifv::test
