#pragma once

#include "pgresource.h"

#include <QByteArray>
#include <QString>

#include <chrono>
#include <optional>
#include <vector>

namespace wifv {

// require: TLS or no connection. prefer: TLS when the server offers it,
// otherwise unencrypted. The server's certificate is never verified.
enum class SslMode { Require, Prefer };

// One PostgreSQL connection with its settings. It connects on demand, when a
// statement needs it. In disconnected mode every statement makes its own
// server connection and closes it when done; otherwise the connection stays
// open once made.
class PgConnection {
public:
    explicit PgConnection(QString name);
    ~PgConnection();
    PgConnection(const PgConnection &) = delete;
    PgConnection &operator=(const PgConnection &) = delete;

    const QString &name() const { return m_name; }

    // A value different from the current one closes the connection first;
    // the value it already holds changes nothing.
    void setServer(const QString &server);
    void setPort(int port);
    void setDatabase(const QString &database);
    const QString &server() const { return m_server; }
    int port() const { return m_port; }
    const QString &database() const { return m_database; }

    // Takes effect at the next connect; another mode while connected fails.
    void setSslMode(SslMode mode);
    SslMode sslMode() const { return m_sslMode; }

    void setUsername(const QString &username) { m_username = username; }
    void setPassword(const QString &password) { m_password = password; }
    void setApplicationName(const QString &name) { m_applicationName = name; }
    void setDisconnectedMode(bool on) { m_disconnectedMode = on; }
    bool disconnectedMode() const { return m_disconnectedMode; }
    void setConnectTimeout(std::chrono::milliseconds timeout) { m_connectTimeout = timeout; }

    bool connected() const { return m_conn != nullptr; }
    // Whether the current server connection is encrypted (false when closed).
    bool encrypted() const;
    void close();

    // Runs one statement with text parameters (no value: SQL null), sent
    // untyped so that the server resolves their types. Connects first when
    // needed. The result holds every row; a failure raises an Error carrying
    // the server's primary message, or a connection-level message naming the
    // host.
    pg::Result execute(const QString &sql, const std::vector<std::optional<QString>> &params);

private:
    struct Attempt;
    class Use;
    void acquire();
    void release();
    void connect();
    Attempt attempt(const QByteArray &hostAddress, const char *libpqSslMode);
    QString hostPortText() const;

    QString m_name;
    QString m_server;
    int m_port = 5432;
    QString m_database;
    QString m_username;
    QString m_password;
    QString m_applicationName;
    SslMode m_sslMode = SslMode::Require;
    bool m_disconnectedMode = false;
    std::chrono::milliseconds m_connectTimeout{15000};
    pg::Conn m_conn;
    int m_operations = 0;
};

} // namespace wifv
