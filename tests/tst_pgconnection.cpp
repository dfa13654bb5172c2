#include "errors.h"
#include "pgconnection.h"
#include "testservers.h"

#include <QTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace wifv;
using namespace wifv::test;

Q_DECLARE_METATYPE(wifv::SslMode)

namespace {


QString firstValue(PgConnection &c, const QString &sql)
{
    pg::Result r = c.execute(sql, {});
    return QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
}


} // namespace

class TestPgConnection : public QObject {
    Q_OBJECT
private slots:
    void sslModes_data();
    void sslModes();
    void wrongPasswordUnderPreferIsTriedOnceOverTls();
    void serverErrorsGivePrimaryText_data();
    void serverErrorsGivePrimaryText();
    void connectionFailuresNameTheHost_data();
    void connectionFailuresNameTheHost();
    void connectTimesOut();
    void disconnectedModeMakesOneSessionPerStatement();
    void stayingConnectedReusesTheSession();
    void settingsCloseOnlyOnChange();
    void sslModeChangeWhileConnectedFails();
    void lostConnectionReconnects();
    void textTravelsAsUtf8();
};

void TestPgConnection::sslModes_data()
{
    QTest::addColumn<bool>("tlsServer");
    QTest::addColumn<SslMode>("mode");
    QTest::addColumn<QString>("expected"); // server-side ssl flag, or the error

    QTest::newRow("require, TLS server") << true << SslMode::Require << "true";
    QTest::newRow("prefer, TLS server") << true << SslMode::Prefer << "true";
    QTest::newRow("require, plain server") << false << SslMode::Require << "SSL connection is not allowed";
    QTest::newRow("prefer, plain server") << false << SslMode::Prefer << "false";
}

void TestPgConnection::sslModes()
{
    QFETCH(bool, tlsServer);
    QFETCH(SslMode, mode);
    QFETCH(QString, expected);
    PgConnection c(QStringLiteral("con"));
    pointAt(c, tlsServer ? wifv::test::tlsServer() : plainServer(), mode);
    QString seen;
    try {
        // What the server itself records about this session's encryption.
        seen = firstValue(c, QStringLiteral("select ssl::text from pg_stat_ssl where pid = pg_backend_pid()"));
        QCOMPARE(c.encrypted(), seen == u"true");
    } catch (const Error &e) {
        seen = e.message();
        QVERIFY(!c.connected());
    }
    QCOMPARE(seen, expected);
}

void TestPgConnection::wrongPasswordUnderPreferIsTriedOnceOverTls()
{
    const Server server = wifv::test::tlsServer();
    const QString database = uniqueName(QStringLiteral("nodb"));
    const qint64 mark = logSize(server);

    PgConnection c(QStringLiteral("con"));
    pointAt(c, server, SslMode::Prefer);
    c.setDatabase(database);
    c.setPassword(QStringLiteral("wrong"));
    QCOMPARE(failureOf([&] { c.execute(QStringLiteral("select 1"), {}); }),
             QString("password authentication failed for user \"tavo\""));

    // The server saw exactly one login for this database, on the TLS line.
    QString log;
    int failures = 0;
    QTRY_VERIFY_WITH_TIMEOUT((log = logSince(server, mark),
                              failures = log.count(QStringLiteral("db=%1 FATAL:  password authentication failed")
                                                       .arg(database))) >= 1, 5000);
    QCOMPARE(failures, 1);
    const qsizetype at = log.indexOf(QStringLiteral("db=%1 DETAIL:  Connection matched pg_hba.conf line").arg(database));
    QVERIFY(at >= 0);
    QVERIFY(log.mid(at, 200).contains(QStringLiteral("\"hostssl")));
}

void TestPgConnection::serverErrorsGivePrimaryText_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    QTest::newRow("missing table") << "select * from no_such_table" << "relation \"no_such_table\" does not exist";
    QTest::newRow("raised with detail and hint")
        << "do $$ begin raise exception 'Factura % exista deja', 'F-1' using detail = 'd', hint = 'h'; end $$"
        << "Factura F-1 exista deja";
    QTest::newRow("syntax error") << "selec 1" << "syntax error at or near \"selec\"";
}

void TestPgConnection::serverErrorsGivePrimaryText()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    PgConnection c(QStringLiteral("con"));
    pointAt(c, plainServer(), SslMode::Prefer);
    QCOMPARE(failureOf([&] { c.execute(sql, {}); }), expected);
    // The connection stays usable after a statement error.
    QCOMPARE(firstValue(c, QStringLiteral("select 7")), QString("7"));
}

void TestPgConnection::connectionFailuresNameTheHost_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("mustContain");
    QTest::newRow("unresolvable") << "no-such-host.invalid" << 5432 << "\"no-such-host.invalid\"";
    QTest::newRow("nothing listening") << "127.0.0.1" << 1 << "host \"127.0.0.1\", port 1";
    QTest::newRow("empty server name") << "" << 5432 << "host \"\"";
}

void TestPgConnection::connectionFailuresNameTheHost()
{
    QFETCH(QString, host);
    QFETCH(int, port);
    QFETCH(QString, mustContain);
    PgConnection c(QStringLiteral("con"));
    pointAt(c, plainServer(), SslMode::Prefer);
    c.setServer(host);
    c.setPort(port);
    const QString message = failureOf([&] { c.execute(QStringLiteral("select 1"), {}); });
    QVERIFY2(message.contains(mustContain), qPrintable(message));
    QVERIFY(!c.connected());
}

void TestPgConnection::connectTimesOut()
{
    // A listening socket that never answers: the connection gives up at its deadline.
    const int listener = ::socket(AF_INET, SOCK_STREAM, 0);
    QVERIFY(listener >= 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    QCOMPARE(::bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
    QCOMPARE(::listen(listener, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length);

    PgConnection c(QStringLiteral("con"));
    pointAt(c, plainServer(), SslMode::Prefer);
    c.setPort(ntohs(address.sin_port));
    c.setConnectTimeout(std::chrono::milliseconds(1000));
    const QString message = failureOf([&] { c.execute(QStringLiteral("select 1"), {}); });
    ::close(listener);
    QVERIFY2(message.contains(u"timed out") && message.contains(u"host \"127.0.0.1\""), qPrintable(message));
}

void TestPgConnection::disconnectedModeMakesOneSessionPerStatement()
{
    const Server server = plainServer();
    const QString app = uniqueName(QStringLiteral("sessions"));
    const qint64 mark = logSize(server);
    PgConnection c(QStringLiteral("conTavo"));
    pointAt(c, server, SslMode::Prefer);
    c.setApplicationName(app);
    c.setDisconnectedMode(true);
    const QString first = firstValue(c, QStringLiteral("select pg_backend_pid()"));
    QVERIFY(!c.connected());
    const QString second = firstValue(c, QStringLiteral("select pg_backend_pid()"));
    QVERIFY(!c.connected());
    QVERIFY(first != second);
    QTRY_COMPARE(logSince(server, mark).count(QStringLiteral("application_name=%1").arg(app)), 2);
}

void TestPgConnection::stayingConnectedReusesTheSession()
{
    PgConnection c(QStringLiteral("conTavoMob"));
    pointAt(c, wifv::test::tlsServer(), SslMode::Require);
    const QString first = firstValue(c, QStringLiteral("select pg_backend_pid()"));
    QVERIFY(c.connected());
    QCOMPARE(firstValue(c, QStringLiteral("select pg_backend_pid()")), first);
}

void TestPgConnection::settingsCloseOnlyOnChange()
{
    const Server server = plainServer();
    PgConnection c(QStringLiteral("con"));
    pointAt(c, server, SslMode::Prefer);
    firstValue(c, QStringLiteral("select 1"));
    QVERIFY(c.connected());
    c.setServer(server.host);
    c.setPort(server.port);
    c.setDatabase(QStringLiteral("postgres"));
    c.setSslMode(SslMode::Prefer);
    QVERIFY(c.connected());
    c.setDatabase(QStringLiteral("template1"));
    QVERIFY(!c.connected());
    QCOMPARE(firstValue(c, QStringLiteral("select current_database()")), QString("template1"));
    c.setPort(server.port + 1);
    QVERIFY(!c.connected());
    c.setPort(server.port);
    firstValue(c, QStringLiteral("select 1"));
    c.setServer(QStringLiteral("localhost"));
    QVERIFY(!c.connected());
    QCOMPARE(c.server(), QString("localhost"));
}

void TestPgConnection::sslModeChangeWhileConnectedFails()
{
    PgConnection c(QStringLiteral("con"));
    pointAt(c, plainServer(), SslMode::Prefer);
    firstValue(c, QStringLiteral("select 1"));
    QCOMPARE(failureOf([&] { c.setSslMode(SslMode::Require); }),
             QString("Cannot perform this operation on an opened connection"));
    QCOMPARE(c.sslMode(), SslMode::Prefer);
    QVERIFY(c.connected());
    c.close();
    c.setSslMode(SslMode::Require);
    QCOMPARE(c.sslMode(), SslMode::Require);
}

void TestPgConnection::lostConnectionReconnects()
{
    const Server server = plainServer();
    PgConnection c(QStringLiteral("con"));
    pointAt(c, server, SslMode::Prefer);
    const QString pid = firstValue(c, QStringLiteral("select pg_backend_pid()"));
    adminExec(server, QStringLiteral("postgres"), QStringLiteral("select pg_terminate_backend(%1)").arg(pid));
    const QString message = failureOf([&] { c.execute(QStringLiteral("select 1"), {}); });
    QVERIFY2(message.contains(QStringLiteral("host \"%1\"").arg(server.host)) || message.contains(u"terminat"),
             qPrintable(message));
    QVERIFY(!c.connected());
    QVERIFY(firstValue(c, QStringLiteral("select pg_backend_pid()")) != pid);
}

void TestPgConnection::textTravelsAsUtf8()
{
    PgConnection c(QStringLiteral("con"));
    pointAt(c, wifv::test::tlsServer(), SslMode::Require);
    const QString text = QStringLiteral("Șoseaua Ștefan cel Mare 1/2 – ăîâ 😀");
    pg::Result r = c.execute(QStringLiteral("select $1::text, current_setting('client_encoding'), $2::text is null"),
                             {text, std::nullopt});
    QCOMPARE(QString::fromUtf8(PQgetvalue(r.get(), 0, 0)), text);
    QCOMPARE(QString::fromUtf8(PQgetvalue(r.get(), 0, 1)), QString("UTF8"));
    QCOMPARE(QString::fromUtf8(PQgetvalue(r.get(), 0, 2)), QString("t"));

    // A lone surrogate has no UTF-8 form: it reaches the server as U+FFFD.
    pg::Result lone = c.execute(QStringLiteral("select $1::text"), {QString(QChar(0xD800)) + u'x'});
    QCOMPARE(QString::fromUtf8(PQgetvalue(lone.get(), 0, 0)), QString(QChar(0xFFFD)) + u'x');
}

QTEST_GUILESS_MAIN(TestPgConnection)
#include "tst_pgconnection.moc"
