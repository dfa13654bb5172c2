#include "errors.h"
#include "pgconnection.h"
#include "testservers.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace wifv;
using namespace wifv::test;

namespace {

const QString kSettings = QStringLiteral(
    "select concat_ws('|', current_setting('search_path'), current_setting('TimeZone'),"
    " current_setting('DateStyle'), current_setting('geqo'), current_setting('application_name'),"
    " current_setting('client_encoding'), current_database(), current_user,"
    " (select ssl::text from pg_stat_ssl where pid = pg_backend_pid()))");

// What the server says about a session opened the way the program opens one.
QString ourSession(SslMode mode)
{
    const Server server = tlsServer();
    PgConnection c(QStringLiteral("conTavo"));
    pointAt(c, server, mode);
    pg::Result r = c.execute(kSettings, {});
    return QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
}

// The same through libpq left to its defaults: what the planted environment
// would do to a connection that does not defend itself.
QString naiveSession(QString *error)
{
    const Server server = tlsServer();
    const QByteArray port = QByteArray::number(server.port), pw = password().toUtf8(), host = server.host.toUtf8();
    const char *keys[] = {"host", "port", "dbname", "user", "password", "sslmode", nullptr};
    const char *values[] = {host.constData(), port.constData(), "postgres", "tavo", pw.constData(), "require", nullptr};
    pg::Conn conn(PQconnectdbParams(keys, values, 0));
    if (PQstatus(conn.get()) != CONNECTION_OK) {
        *error = QString::fromUtf8(PQerrorMessage(conn.get()));
        return {};
    }
    pg::Result r(PQexec(conn.get(), kSettings.toUtf8().constData()));
    return QString::fromUtf8(PQgetvalue(r.get(), 0, 0));
}

void makeCertificate(const QString &folder, const QString &base)
{
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj", "/CN=hostile",
                   "-keyout", folder + "/" + base + ".key", "-out", folder + "/" + base + ".crt"});
    QVERIFY(openssl.waitForFinished(60000));
    QCOMPARE(openssl.exitCode(), 0);
}

struct Planted {
    QByteArray name;
    QByteArray value;
};

void plant(const std::vector<Planted> &vars)
{
    for (const auto &v : vars)
        qputenv(v.name.constData(), v.value);
}

} // namespace

class TestPgEnvironment : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanup();
    void homeFolderFilesAreIgnored();
    void explicitKeywordsOverrideTheEnvironment();
    void startUpClearsTheEnvironment();

private:
    QString m_baselinePrefer;
    QString m_baselineRequire;
    QTemporaryDir m_home;
    QByteArray m_realHome;
};

void TestPgEnvironment::initTestCase()
{
    pg::clearEnvironment();
    m_realHome = qgetenv("HOME");
    m_baselinePrefer = ourSession(SslMode::Prefer);
    m_baselineRequire = ourSession(SslMode::Require);
    QVERIFY2(m_baselinePrefer.endsWith(u"|true"), qPrintable(m_baselinePrefer));
    QCOMPARE(m_baselineRequire, m_baselinePrefer);
    QVERIFY(m_home.isValid());
    QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral(".postgresql")));
    const QString dot = m_home.path() + QStringLiteral("/.postgresql");
    makeCertificate(dot, QStringLiteral("root"));
    makeCertificate(m_home.path(), QStringLiteral("foreign"));
    // A client certificate whose key is missing makes libpq refuse to connect.
    QVERIFY(QFile::copy(m_home.path() + "/foreign.crt", dot + "/postgresql.crt"));
}

void TestPgEnvironment::cleanup()
{
    pg::clearEnvironment();
    qputenv("HOME", m_realHome);
}

void TestPgEnvironment::homeFolderFilesAreIgnored()
{
    qputenv("HOME", m_home.path().toUtf8());
    QString error;
    QVERIFY(naiveSession(&error).isEmpty());
    QVERIFY2(!error.isEmpty(), "the planted home folder should break a default libpq connection");
    QCOMPARE(ourSession(SslMode::Prefer), m_baselinePrefer);
    QCOMPARE(ourSession(SslMode::Require), m_baselineRequire);
}

void TestPgEnvironment::explicitKeywordsOverrideTheEnvironment()
{
    const QByteArray foreign = (m_home.path() + "/foreign.crt").toUtf8();
    plant({{"PGOPTIONS", "-c search_path=hostile"},
           {"PGAPPNAME", "hostile"},
           {"PGSSLMODE", "disable"},
           {"PGREQUIRESSL", "0"},
           {"PGCLIENTENCODING", "LATIN1"},
           {"PGTARGETSESSIONATTRS", "read-only"},
           {"PGHOSTADDR", "127.0.0.2"},
           {"PGGSSENCMODE", "require"},
           {"PGSSLROOTCERT", foreign},
           {"PGSSLCERT", foreign},
           {"PGSSLCRL", foreign},
           {"PGPASSFILE", foreign},
           {"PGCONNECT_TIMEOUT", "1"},
           {"PGDATABASE", "hostile"},
           {"PGUSER", "hostile"},
           {"PGPASSWORD", "hostile"},
           {"PGHOST", "127.0.0.2"},
           {"PGPORT", "1"}});
    QCOMPARE(ourSession(SslMode::Prefer), m_baselinePrefer);
    QCOMPARE(ourSession(SslMode::Require), m_baselineRequire);
}

void TestPgEnvironment::startUpClearsTheEnvironment()
{
    // These act through the environment alone; no keyword can override them.
    plant({{"PGTZ", "Pacific/Kiritimati"}, {"PGDATESTYLE", "SQL, DMY"}, {"PGGEQO", "off"}});
    QString error;
    const QString naive = naiveSession(&error);
    QVERIFY2(naive.contains(u"Pacific/Kiritimati") && naive.contains(u"SQL, DMY"), qPrintable(naive + error));

    plant({{"PGSERVICE", "hostile"}, {"PGSSLMAXPROTOCOLVERSION", "TLSv1.2"}, {"PGSYSCONFDIR", "/nonexistent"}});
    pg::clearEnvironment();
    for (const QString &entry : QProcess::systemEnvironment())
        QVERIFY2(!entry.startsWith(u"PG"), qPrintable(entry));
    QCOMPARE(ourSession(SslMode::Prefer), m_baselinePrefer);
}

QTEST_GUILESS_MAIN(TestPgEnvironment)
#include "tst_pgenvironment.moc"
