#include "pgconnection.h"

#include "errors.h"
#include "unicodetext.h"

#include <QRegularExpression>

#ifdef _WIN32
#include <winsock2.h>
#include <ws2tcpip.h>
#else
#include <arpa/inet.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#endif

#include <cerrno>

namespace wifv {

namespace {

// A path that cannot exist, given for every file libpq would otherwise look
// up in the home folder (password file, root and client certificates, CRL).
#ifdef _WIN32
constexpr const char *kNoFile = "NUL\\wifv-none";
#else
constexpr const char *kNoFile = "/dev/null/wifv-none";
#endif

// The first IPv4 address of a host name, or nothing.
std::optional<QByteArray> resolveIPv4(const QString &host)
{
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo *found = nullptr;
    if (getaddrinfo(host.toUtf8().constData(), nullptr, &hints, &found) != 0 || !found)
        return std::nullopt;
    std::unique_ptr<addrinfo, void (*)(addrinfo *)> owner(found, freeaddrinfo);
    char text[INET_ADDRSTRLEN] = {};
    const auto *address = reinterpret_cast<const sockaddr_in *>(found->ai_addr);
    if (!inet_ntop(AF_INET, &address->sin_addr, text, sizeof text))
        return std::nullopt;
    return QByteArray(text);
}

QString libpqText(const char *message)
{
    return QString::fromUtf8(message).trimmed().replace(QRegularExpression(QStringLiteral("\\s*\\n\\s*")),
                                                        QStringLiteral(" "));
}

// The primary text of a server error block in a verbose libpq message:
// "<severity>:  <SQLSTATE>: <primary>". The severity word may be translated;
// the five-character code and the layout are not.
std::optional<QString> serverPrimaryText(const char *message)
{
    static const QRegularExpression block(QStringLiteral(":  [0-9A-Z]{5}: ([^\\n]*)"));
    const auto match = block.match(QString::fromUtf8(message));
    if (!match.hasMatch())
        return std::nullopt;
    return match.captured(1).trimmed();
}

// UTF-8 for the server; a lone surrogate, which has no UTF-8 form, becomes
// U+FFFD.
QByteArray serverText(const QString &text)
{
    return withoutLoneSurrogates(text).toUtf8();
}

std::chrono::steady_clock::time_point deadlineAfter(std::chrono::milliseconds span)
{
    return std::chrono::steady_clock::now() + span;
}

} // namespace

struct PgConnection::Attempt {
    enum class Outcome { Connected, SslDeclined, Unreachable, TimedOut, Refused };
    Outcome outcome = Outcome::Refused;
    pg::Conn conn;
    QString message;
};

// Counts an operation in progress; in disconnected mode the last one to end
// closes the server connection.
class PgConnection::Use {
public:
    explicit Use(PgConnection &c) : m_c(c) { m_c.acquire(); }
    ~Use() { m_c.release(); }
    Use(const Use &) = delete;
    Use &operator=(const Use &) = delete;

private:
    PgConnection &m_c;
};

PgConnection::PgConnection(QString name) : m_name(std::move(name)) {}

PgConnection::~PgConnection() = default;

void PgConnection::setServer(const QString &server)
{
    if (server == m_server)
        return;
    close();
    m_server = server;
}

void PgConnection::setPort(int port)
{
    if (port == m_port)
        return;
    close();
    m_port = port;
}

void PgConnection::setDatabase(const QString &database)
{
    if (database == m_database)
        return;
    close();
    m_database = database;
}

void PgConnection::setSslMode(SslMode mode)
{
    if (mode == m_sslMode)
        return;
    if (connected())
        throw Error(QStringLiteral("Cannot perform this operation on an opened connection"));
    m_sslMode = mode;
}

bool PgConnection::encrypted() const
{
    return m_conn && PQsslInUse(m_conn.get()) == 1;
}

void PgConnection::close()
{
    m_conn.reset();
}

void PgConnection::acquire()
{
    if (!connected())
        connect();
    ++m_operations;
}

void PgConnection::release()
{
    if (--m_operations == 0 && m_disconnectedMode)
        close();
}

QString PgConnection::hostPortText() const
{
    return QStringLiteral("host \"%1\", port %2").arg(m_server).arg(m_port);
}

void PgConnection::connect()
{
    if (m_server.isEmpty())
        throw Error(QStringLiteral("Cannot connect to host \"\": no database server host name is set"));
    const auto address = resolveIPv4(m_server);
    if (!address)
        throw Error(QStringLiteral("Host \"%1\" not found").arg(m_server));

    // libpq's own prefer would retry without TLS after any failure, a refused
    // login included, sending the password a second time in plain text. So
    // TLS is always asked for with require, and only a server that declines
    // it during the TLS start-up gets a second, unencrypted attempt.
    Attempt result = attempt(*address, "require");
    if (result.outcome == Attempt::Outcome::SslDeclined) {
        if (m_sslMode == SslMode::Require)
            throw Error(QStringLiteral("SSL connection is not allowed"));
        result = attempt(*address, "disable");
    }
    if (result.outcome != Attempt::Outcome::Connected)
        throw Error(result.message);
    m_conn = std::move(result.conn);
}

PgConnection::Attempt PgConnection::attempt(const QByteArray &hostAddress, const char *libpqSslMode)
{
    const QByteArray host = m_server.toUtf8();
    const QByteArray port = QByteArray::number(m_port);
    const QByteArray database = m_database.toUtf8();
    const QByteArray user = m_username.toUtf8();
    const QByteArray password = m_password.toUtf8();
    const QByteArray appName = m_applicationName.isEmpty() ? QByteArray("wImportFactVintra")
                                                           : m_applicationName.toUtf8();
    const QByteArray timeoutSeconds =
        QByteArray::number(std::max<long long>(1, (m_connectTimeout.count() + 999) / 1000));

    // Every keyword that libpq could otherwise take from the environment or
    // the home folder gets an explicit value (an empty value counts as unset).
    const char *keys[] = {"host", "hostaddr", "port", "dbname", "user", "password",
                          "passfile", "connect_timeout", "client_encoding", "options",
                          "application_name", "fallback_application_name", "sslmode",
                          "sslcompression", "sslcert", "sslkey", "sslrootcert", "sslcrl",
                          "sslcrldir", "sslsni", "ssl_min_protocol_version",
                          "ssl_max_protocol_version", "gssencmode", "channel_binding",
                          "target_session_attrs", "keepalives", nullptr};
    const char *values[] = {host.constData(), hostAddress.constData(), port.constData(),
                            database.constData(), user.constData(), password.constData(),
                            kNoFile, timeoutSeconds.constData(), "UTF8", " ",
                            appName.constData(), appName.constData(), libpqSslMode,
                            "0", kNoFile, kNoFile, kNoFile, kNoFile,
                            kNoFile, "1", "TLSv1.2",
                            "TLSv1.3", "disable", "prefer",
                            "any", "1", nullptr};

    Attempt result;
    result.conn.reset(PQconnectStartParams(keys, values, 0));
    PGconn *conn = result.conn.get();
    if (!conn) {
        result.message = QStringLiteral("Out of memory while connecting to %1").arg(hostPortText());
        return result;
    }
    // Verbose server messages carry the SQLSTATE, which marks the server's
    // block in the text whatever the language of the severity word.
    PQsetErrorVerbosity(conn, PQERRORS_VERBOSE);

    const auto deadline = deadlineAfter(m_connectTimeout);
    ConnStatusType phase = CONNECTION_STARTED;
    PostgresPollingStatusType poll =
        PQstatus(conn) == CONNECTION_BAD ? PGRES_POLLING_FAILED : PGRES_POLLING_WRITING;
    for (;;) {
        if (poll == PGRES_POLLING_OK) {
            result.outcome = Attempt::Outcome::Connected;
            return result;
        }
        if (poll == PGRES_POLLING_FAILED)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            result.outcome = Attempt::Outcome::TimedOut;
            result.message = QStringLiteral("Connection to %1 timed out after %2 seconds")
                                 .arg(hostPortText())
                                 .arg(m_connectTimeout.count() / 1000.0);
            result.conn.reset();
            return result;
        }
        pollfd wait{};
        wait.fd = PQsocket(conn);
        wait.events = poll == PGRES_POLLING_READING ? POLLIN : POLLOUT;
#ifdef _WIN32
        const int ready = WSAPoll(&wait, 1, static_cast<int>(left.count()));
#else
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
#endif
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready == 0)
            continue; // the deadline check above ends the wait
        phase = PQstatus(conn);
        poll = PQconnectPoll(conn);
    }

    const char *libpqMessage = PQerrorMessage(conn);
    switch (phase) {
    case CONNECTION_SSL_STARTUP:
        result.outcome = Attempt::Outcome::SslDeclined;
        result.message = QStringLiteral("SSL connection is not allowed");
        break;
    case CONNECTION_STARTED:
    case CONNECTION_NEEDED:
        result.outcome = Attempt::Outcome::Unreachable;
        result.message =
            QStringLiteral("Cannot connect to %1: the server is unreachable or refused the connection")
                .arg(hostPortText());
        break;
    default:
        result.outcome = Attempt::Outcome::Refused;
        if (auto primary = serverPrimaryText(libpqMessage))
            result.message = *primary;
        else
            result.message = QStringLiteral("Connection to %1 failed: %2")
                                 .arg(hostPortText(), libpqText(libpqMessage));
        break;
    }
    result.conn.reset();
    return result;
}

pg::Result PgConnection::execute(const QString &sql, const std::vector<std::optional<QString>> &params)
{
    Use use(*this);
    const QByteArray statement = serverText(sql);
    std::vector<QByteArray> storage;
    storage.reserve(params.size());
    std::vector<const char *> values;
    values.reserve(params.size());
    for (const auto &p : params) {
        if (p) {
            storage.push_back(serverText(*p));
            values.push_back(storage.back().constData());
        } else {
            values.push_back(nullptr);
        }
    }
    pg::Result result(PQexecParams(m_conn.get(), statement.constData(), static_cast<int>(values.size()),
                                   nullptr, values.data(), nullptr, nullptr, 0));
    const ExecStatusType status = result ? PQresultStatus(result.get()) : PGRES_FATAL_ERROR;
    if (status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK)
        return result;

    const char *primary = result ? PQresultErrorField(result.get(), PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const bool lost = PQstatus(m_conn.get()) == CONNECTION_BAD;
    // A server that ends the session says why first (an administrator's
    // termination, a shutdown); libpq keeps those words only in the
    // connection's message. They name the failure better than the lost
    // connection that follows.
    std::optional<QString> farewell;
    if (!primary && lost)
        farewell = serverPrimaryText(PQerrorMessage(m_conn.get()));
    QString message;
    if (primary)
        message = QString::fromUtf8(primary);
    else if (farewell)
        message = *farewell;
    else
        message = QStringLiteral("Connection to %1 failed: %2")
                      .arg(hostPortText(),
                           libpqText(result ? PQresultErrorMessage(result.get()) : PQerrorMessage(m_conn.get())));
    if (lost)
        close(); // the next statement connects again
    throw Error(message);
}

} // namespace wifv
