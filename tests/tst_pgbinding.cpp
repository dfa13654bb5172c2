#include "errors.h"
#include "pgquery.h"
#include "testservers.h"

#include <QTest>

using namespace wifv;
using namespace wifv::test;

Q_DECLARE_METATYPE(wifv::ColumnKind)

namespace {

// Every PostgreSQL type the declared kinds know about, with the name that
// messages give it.
struct SqlColumn {
    const char *name;
    const char *type;
    const char *typeName;
};
const SqlColumn kColumns[] = {
    {"c_varchar", "varchar(10)", "WideString"},
    {"c_varchar_max", "varchar(65535)", "WideString"},
    {"c_varchar_huge", "varchar(70000)", "WideMemo"},
    {"c_varchar_free", "varchar", "WideMemo"},
    {"c_char", "char(5)", "WideString"},
    {"c_text", "text", "WideMemo"},
    {"c_bool", "boolean", "Boolean"},
    {"c_int2", "smallint", "SmallInt"},
    {"c_int4", "integer", "Integer"},
    {"c_int8", "bigint", "LargeInt"},
    {"c_float4", "real", "Float"},
    {"c_float8", "double precision", "Float"},
    {"c_numeric", "numeric(12,2)", "Float"},
    {"c_date", "date", "Date"},
    {"c_time", "time", "Time"},
    {"c_timestamp", "timestamp", "DateTime"},
    {"c_timestamptz", "timestamptz", "DateTime"},
};

struct Kind {
    ColumnKind kind;
    const char *name;
    QStringList binds; // type names that bind to it
};
const Kind kKinds[] = {
    {ColumnKind::ShortText, "WideString", {"WideString"}},
    {ColumnKind::LongText, "WideMemo", {"WideMemo"}},
    {ColumnKind::Boolean, "Boolean", {"Boolean"}},
    {ColumnKind::Integer, "Integer", {"Integer", "SmallInt"}},
    {ColumnKind::Float, "Float", {"Float"}},
    {ColumnKind::Date, "Date", {"Date", "Time", "DateTime"}},
    {ColumnKind::DateTime, "DateTime", {"Date", "Time", "DateTime"}},
};


} // namespace

class TestPgBinding : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void binding_data();
    void binding();
    void missingColumnNamesTheFirstDeclared();
    void extraColumnsAndLetterCaseIgnored();
    void nullsAndNoRows();
    void longShortTextIsKeptWhole();
    void parametersByNameIgnoringCase();
    void openOnOpenQueryDoesNothingRefreshRunsAgain();
    void rowsOutliveTheConnection();

private:
    PgConnection m_con{QStringLiteral("con")};
    QString m_db;
};

void TestPgBinding::initTestCase()
{
    const Server server = plainServer();
    m_db = uniqueName(QStringLiteral("binding"));
    recreateDatabase(server, m_db);
    QStringList defs;
    for (const auto &c : kColumns)
        defs << QStringLiteral("%1 %2").arg(c.name, c.type);
    adminExec(server, m_db, QStringLiteral("create table types (%1)").arg(defs.join(", ")));
    adminExec(server, m_db,
              "create table people (id integer, name varchar(50), note text, born date, wide varchar(80));"
              "insert into people values (1, 'Ana', null, '1990-05-01', repeat('x', 80)),"
              " (null, null, 'second', null, null);");
    m_con.setServer(server.host);
    m_con.setPort(server.port);
    m_con.setDatabase(m_db);
    m_con.setUsername(QStringLiteral("tavo"));
    m_con.setPassword(password());
    m_con.setSslMode(SslMode::Prefer);
    m_con.setDisconnectedMode(true);
}

void TestPgBinding::cleanupTestCase()
{
    m_con.close();
    adminExec(plainServer(), QStringLiteral("postgres"), QStringLiteral("drop database if exists \"%1\"").arg(m_db));
}

void TestPgBinding::binding_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<ColumnKind>("kind");
    QTest::addColumn<QString>("expected"); // empty: binds
    for (const auto &k : kKinds) {
        for (const auto &c : kColumns) {
            const QString expected =
                k.binds.contains(QString::fromLatin1(c.typeName))
                    ? QString()
                    : QStringLiteral("q: Type mismatch for field '%1', expecting: %2 actual: %3")
                          .arg(c.name, k.name, c.typeName);
            QTest::addRow("%s as %s", c.type, k.name) << QString::fromLatin1(c.name) << k.kind << expected;
        }
    }
}

void TestPgBinding::binding()
{
    QFETCH(QString, column);
    QFETCH(ColumnKind, kind);
    QFETCH(QString, expected);
    PgQuery q(QStringLiteral("q"), m_con, {QStringLiteral("select * from types")},
              {{column, kind, 20, false}});
    QCOMPARE(failureOf([&] { q.open(); }), expected);
    QCOMPARE(q.isOpen(), expected.isEmpty());
}

void TestPgBinding::missingColumnNamesTheFirstDeclared()
{
    PgQuery q(QStringLiteral("dsX"), m_con, {QStringLiteral("select id, name from people")},
              {{"id", ColumnKind::Integer}, {"absent_one", ColumnKind::LongText}, {"absent_two", ColumnKind::Integer},
               {"name", ColumnKind::Boolean}});
    QCOMPARE(failureOf([&] { q.open(); }), QString("dsX: Field 'absent_one' not found"));
    QVERIFY(!q.isOpen());
    QCOMPARE(q.rowCount(), 0);

    // A mismatch declared before a missing column is the one reported.
    PgQuery r(QStringLiteral("dsY"), m_con, {QStringLiteral("select id, name from people")},
              {{"name", ColumnKind::Integer}, {"absent", ColumnKind::LongText}});
    QCOMPARE(failureOf([&] { r.open(); }),
             QString("dsY: Type mismatch for field 'name', expecting: Integer actual: WideString"));
}

void TestPgBinding::extraColumnsAndLetterCaseIgnored()
{
    PgQuery q(QStringLiteral("dsPeople"), m_con, {QStringLiteral("select *"), QStringLiteral("from people where id = 1")},
              {{"NAME", ColumnKind::ShortText, 50}});
    q.open();
    QCOMPARE(q.rowCount(), 1);
    QCOMPARE(q.field(QStringLiteral("name")).asText(), QString("Ana"));
    QCOMPARE(q.field(QStringLiteral("Name")).name(), QString("dsPeopleNAME"));
}

void TestPgBinding::nullsAndNoRows()
{
    const std::vector<DeclaredColumn> columns = {
        {"id", ColumnKind::Integer}, {"name", ColumnKind::ShortText, 50}, {"note", ColumnKind::LongText}};
    PgQuery q(QStringLiteral("q"), m_con, {QStringLiteral("select * from people where id is null")}, columns);
    q.open();
    QCOMPARE(q.rowCount(), 1);
    QCOMPARE(q.field(QStringLiteral("id")).asInteger(), 0);
    QVERIFY(q.field(QStringLiteral("name")).isNull());
    QCOMPARE(q.field(QStringLiteral("name")).asText(), QString(""));
    QCOMPARE(q.field(QStringLiteral("note")).asText(), QString("second"));

    PgQuery none(QStringLiteral("q"), m_con, {QStringLiteral("select * from people where false")}, columns);
    none.open();
    QVERIFY(none.isOpen());
    QCOMPARE(none.rowCount(), 0);
    QCOMPARE(none.field(QStringLiteral("id")).asInteger(), 0);
    QCOMPARE(none.field(QStringLiteral("name")).asText(), QString(""));
    QCOMPARE(none.field(QStringLiteral("note")).asText(), QString(""));
}

void TestPgBinding::longShortTextIsKeptWhole()
{
    PgQuery q(QStringLiteral("q"), m_con, {QStringLiteral("select wide from people where id = 1")},
              {{"wide", ColumnKind::ShortText, 50}});
    q.open();
    QCOMPARE(q.field(QStringLiteral("wide")).asText(), QString(80, u'x'));
}

void TestPgBinding::parametersByNameIgnoringCase()
{
    PgQuery q(QStringLiteral("q"), m_con,
              {QStringLiteral("select * from people"), QStringLiteral("where name = :pname and :PName::text <> ':pname'")},
              {{"id", ColumnKind::Integer}});
    QCOMPARE(q.statement().parameters.size(), 1);
    q.setParam(QStringLiteral("pName"), QStringLiteral("Ana"));
    q.open();
    QCOMPARE(q.rowCount(), 1);
    QCOMPARE(q.field(QStringLiteral("id")).asInteger(), 1);
    QVERIFY(!failureOf([&] { q.setParam(QStringLiteral("pOther"), QString()); }).isEmpty());
}

void TestPgBinding::openOnOpenQueryDoesNothingRefreshRunsAgain()
{
    PgQuery q(QStringLiteral("q"), m_con, {QStringLiteral("select * from people where note = :pNote")},
              {{"note", ColumnKind::LongText}});
    q.setParam(QStringLiteral("pNote"), QStringLiteral("second"));
    q.open();
    QCOMPARE(q.rowCount(), 1);
    q.setParam(QStringLiteral("pNote"), QStringLiteral("none"));
    q.open();
    QCOMPARE(q.rowCount(), 1);
    QCOMPARE(q.field(QStringLiteral("note")).asText(), QString("second"));
    q.refresh();
    QCOMPARE(q.rowCount(), 0);
    q.close();
    q.close();
    QVERIFY(!q.isOpen());
}

void TestPgBinding::rowsOutliveTheConnection()
{
    PgQuery q(QStringLiteral("q"), m_con, {QStringLiteral("select * from people where id = 1")},
              {{"born", ColumnKind::Date}, {"name", ColumnKind::ShortText, 50}});
    q.open();
    QVERIFY(!m_con.connected());
    QCOMPARE(q.field(QStringLiteral("name")).asText(), QString("Ana"));
}

QTEST_GUILESS_MAIN(TestPgBinding)
#include "tst_pgbinding.moc"
