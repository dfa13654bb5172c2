#include "dmcon.h"
#include "errors.h"
#include "testservers.h"

#include <QTest>

using namespace wifv;
using namespace wifv::test;

namespace {

// The application registry and one operator's grant.
const char *kCompanyRows = R"SQL(
insert into aplicatie_mob values ('WImportFactVintra', true, null), ('altceva', true, null),
  ('wimportfactvintra', false, 'inactive copy');
insert into aplicatie_mob_emitent values ('wImportFactVintra', 'ana', 'operator');
)SQL";

} // namespace

class TestDmCon : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void startsEmptyAndClosed();
    void loginQueriesBindAgainstTheContract();
    void directoryQueryFindsTheCompany();
    void euWithoutRowsReadsEmpty();
    void contractFaults_data();
    void contractFaults();

private:
    void pointCompany(TdmCon &dm, const QString &database);
    Server m_company;
    Server m_directory;
    QString m_companyDb;
    QString m_directoryDb;
};

void TestDmCon::initTestCase()
{
    m_company = plainServer();
    m_directory = tlsServer();
    m_companyDb = uniqueName(QStringLiteral("company"));
    m_directoryDb = uniqueName(QStringLiteral("directory"));
    recreateDatabase(m_company, m_companyDb);
    runSqlFile(m_company, m_companyDb, QStringLiteral("db/company.sql"));
    adminExec(m_company, m_companyDb,
              operatorRowSql("ana", "secret", "Sediu") + operatorRowSql("Ana", "other", "Depozit") +
                  QString::fromUtf8(kCompanyRows));
    recreateDatabase(m_directory, m_directoryDb);
    runSqlFile(m_directory, m_directoryDb, QStringLiteral("db/directory.sql"));
    adminExec(m_directory, m_directoryDb,
              QStringLiteral("insert into m_firma values ('Firma Demo', '%1', %2, '%3', true, false, 'HashSHA2'),"
                             " ('Fara port', 'x', null, 'y', null, false, null)")
                  .arg(m_company.host)
                  .arg(m_company.port)
                  .arg(m_companyDb));
}

void TestDmCon::cleanupTestCase()
{
    adminExec(m_company, QStringLiteral("postgres"), QStringLiteral("drop database if exists \"%1\"").arg(m_companyDb));
    adminExec(m_directory, QStringLiteral("postgres"),
              QStringLiteral("drop database if exists \"%1\"").arg(m_directoryDb));
}

void TestDmCon::pointCompany(TdmCon &dm, const QString &database)
{
    dm.conTavo.setServer(m_company.host);
    dm.conTavo.setPort(m_company.port);
    dm.conTavo.setDatabase(database);
    dm.conTavo.setSslMode(SslMode::Prefer);
}

void TestDmCon::startsEmptyAndClosed()
{
    TdmCon dm;
    for (const QString *f : {&dm.glNumeFirma, &dm.glUser, &dm.glUserPass, &dm.glDataBase, &dm.glUserRol, &dm.glEuPL,
                             &dm.glJasIP, &dm.glJasProtocol})
        QVERIFY(f->isEmpty());
    QVERIFY(!dm.conTavoMob.connected() && !dm.conTavo.connected());
    QCOMPARE(dm.conTavoMob.port(), 5432);
    QCOMPARE(dm.conTavoMob.database(), QString("tavo_mob"));
    QCOMPARE(dm.conTavoMob.sslMode(), SslMode::Require);
    QVERIFY(!dm.conTavoMob.disconnectedMode());
    QVERIFY(dm.conTavo.disconnectedMode());
    for (const PgQuery *q : {&dm.dsEmitent, &dm.dsAplicatieMob, &dm.dsAplicatieMobEmitent, &dm.dsEu})
        QVERIFY(!q->isOpen() && &q->connection() == &dm.conTavo);
}

void TestDmCon::loginQueriesBindAgainstTheContract()
{
    TdmCon dm;
    pointCompany(dm, m_companyDb);

    dm.dsEmitent.setParam(QStringLiteral("pEmitent"), QStringLiteral("ana"));
    dm.dsEmitent.setParam(QStringLiteral("pP"), QStringLiteral("secret"));
    dm.dsEmitent.open();
    QCOMPARE(dm.dsEmitent.rowCount(), 1);
    QCOMPARE(dm.dsEmitent.field(QStringLiteral("eu_punct_lucru")).asText(), QString("Sediu"));
    QCOMPARE(dm.dsEmitent.field(QStringLiteral("eu_punct_lucru")).name(), QString("dsEmitenteu_punct_lucru"));
    QCOMPARE(dm.dsEmitent.fields().size(), size_t(65));
    QVERIFY(!dm.conTavo.connected()); // disconnected mode: closed after each operation

    // The application name is compared without regard to case; inactive rows do not count.
    dm.dsAplicatieMob.setParam(QStringLiteral("pAplicatieMob"), QStringLiteral("wimportfactvintra"));
    dm.dsAplicatieMob.open();
    QCOMPARE(dm.dsAplicatieMob.rowCount(), 1);

    dm.dsAplicatieMobEmitent.setParam(QStringLiteral("pEmitent"), QStringLiteral("ana"));
    dm.dsAplicatieMobEmitent.setParam(QStringLiteral("pAplicatieMob"), QStringLiteral("wimportfactvintra"));
    dm.dsAplicatieMobEmitent.open();
    QCOMPARE(dm.dsAplicatieMobEmitent.rowCount(), 1);
    QCOMPARE(dm.dsAplicatieMobEmitent.field(QStringLiteral("rol")).asText(), QString("operator"));

    // The operator's name is compared exactly.
    dm.dsAplicatieMobEmitent.close();
    dm.dsAplicatieMobEmitent.setParam(QStringLiteral("pEmitent"), QStringLiteral("Ana"));
    dm.dsAplicatieMobEmitent.open();
    QCOMPARE(dm.dsAplicatieMobEmitent.rowCount(), 0);

    adminExec(m_company, m_companyDb, euRowSql(QStringLiteral("jas.example:8080")));
    dm.dsEu.open();
    QCOMPARE(dm.dsEu.rowCount(), 1);
    QCOMPARE(dm.dsEu.field(QStringLiteral("jas_ip")).asText(), QString("jas.example:8080"));
    QCOMPARE(dm.dsEu.fields().size(), size_t(117));
    adminExec(m_company, m_companyDb, QStringLiteral("delete from eu"));
}

void TestDmCon::directoryQueryFindsTheCompany()
{
    TdmCon dm;
    dm.conTavoMob.setServer(m_directory.host);
    dm.conTavoMob.setPort(m_directory.port);
    dm.conTavoMob.setDatabase(m_directoryDb);
    auto dsTavoMobil = makeDsTavoMobil(dm.conTavoMob);
    QCOMPARE(dsTavoMobil->fields().size(), size_t(7));

    dsTavoMobil->setParam(QStringLiteral("pNumeFirma"), QStringLiteral("Firma Demo"));
    dsTavoMobil->open();
    QCOMPARE(dsTavoMobil->rowCount(), 1);
    QCOMPARE(dsTavoMobil->field(QStringLiteral("ip")).asText(), m_company.host);
    QCOMPARE(dsTavoMobil->field(QStringLiteral("port")).asInteger(), m_company.port);
    QCOMPARE(dsTavoMobil->field(QStringLiteral("db_name")).asText(), m_companyDb);
    QCOMPARE(dsTavoMobil->field(QStringLiteral("pw_hash_type")).asText(), QString("HashSHA2"));
    QCOMPARE(dsTavoMobil->field(QStringLiteral("port")).name(), QString("dsTavoMobilport"));
    QVERIFY(dm.conTavoMob.connected()); // the directory connection stays connected
    QVERIFY(dm.conTavoMob.encrypted());

    dsTavoMobil->close();
    dsTavoMobil->setParam(QStringLiteral("pNumeFirma"), QStringLiteral("Fara port"));
    dsTavoMobil->open();
    QCOMPARE(dsTavoMobil->field(QStringLiteral("port")).asInteger(), 0);
    QCOMPARE(dsTavoMobil->field(QStringLiteral("pw_hash_type")).asText(), QString(""));

    dsTavoMobil->close();
    dsTavoMobil->setParam(QStringLiteral("pNumeFirma"), QStringLiteral("Firma Demo "));
    dsTavoMobil->open();
    QCOMPARE(dsTavoMobil->rowCount(), 0);
}

void TestDmCon::euWithoutRowsReadsEmpty()
{
    TdmCon dm;
    pointCompany(dm, m_companyDb);
    dm.dsEu.open();
    QCOMPARE(dm.dsEu.rowCount(), 0);
    QCOMPARE(dm.dsEu.field(QStringLiteral("jas_ip")).asText(), QString(""));
}

void TestDmCon::contractFaults_data()
{
    QTest::addColumn<QString>("alter");
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("expected");
    QTest::newRow("eu lacks gln") << "alter table eu drop column gln" << "dsEu" << "dsEu: Field 'gln' not found";
    QTest::newRow("eu lacks two: the first declared is named")
        << "alter table eu drop column gln, drop column cod_cci" << "dsEu" << "dsEu: Field 'cod_cci' not found";
    QTest::newRow("jas_ip as varchar(200)") << "alter table eu alter column jas_ip type varchar(200)" << "dsEu"
                                            << "dsEu: Type mismatch for field 'jas_ip', expecting: WideMemo actual: WideString";
    QTest::newRow("eu_punct_lucru as varchar(80) binds")
        << "alter table emitent alter column eu_punct_lucru type varchar(80)" << "dsEmitent" << "";
    QTest::newRow("port as bigint") << "alter table m_firma alter column port type bigint" << "dsTavoMobil"
                                    << "dsTavoMobil: Type mismatch for field 'port', expecting: Integer actual: LargeInt";
    QTest::newRow("rol as varchar(20)") << "alter table aplicatie_mob_emitent alter column rol type varchar(20)"
                                        << "dsAplicatieMobEmitent"
                                        << "dsAplicatieMobEmitent: Type mismatch for field 'rol', expecting: WideMemo actual: WideString";
    QTest::newRow("emitent table missing") << "drop table emitent" << "dsEmitent"
                                           << "relation \"emitent\" does not exist";
}

void TestDmCon::contractFaults()
{
    QFETCH(QString, alter);
    QFETCH(QString, query);
    QFETCH(QString, expected);
    const bool directory = query == u"dsTavoMobil";
    const Server server = directory ? m_directory : m_company;
    const QString copy = uniqueName(QStringLiteral("fault"));
    adminExec(server, QStringLiteral("postgres"),
              QStringLiteral("create database \"%1\" template \"%2\"").arg(copy, directory ? m_directoryDb : m_companyDb));
    adminExec(server, copy, alter);

    TdmCon dm;
    pointCompany(dm, copy);
    dm.conTavoMob.setServer(m_directory.host);
    dm.conTavoMob.setPort(m_directory.port);
    dm.conTavoMob.setDatabase(copy);
    auto dsTavoMobil = makeDsTavoMobil(dm.conTavoMob);
    PgQuery *q = directory ? dsTavoMobil.get()
                 : query == u"dsEu" ? &dm.dsEu
                 : query == u"dsEmitent" ? &dm.dsEmitent
                                          : &dm.dsAplicatieMobEmitent;
    QCOMPARE(failureOf([&] { q->open(); }), expected);
    QCOMPARE(q->isOpen(), expected.isEmpty());
    dm.conTavoMob.close();
    adminExec(server, QStringLiteral("postgres"), QStringLiteral("drop database \"%1\"").arg(copy));
}

QTEST_GUILESS_MAIN(TestDmCon)
#include "tst_dmcon.moc"
