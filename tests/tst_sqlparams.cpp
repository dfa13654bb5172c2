#include "sqlparams.h"

#include <QTest>

using namespace wifv;

class TestSqlParams : public QObject {
    Q_OBJECT
private slots:
    void rewrite_data();
    void rewrite();
};

void TestSqlParams::rewrite_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<QStringList>("names");

    QTest::newRow("one") << "select * from m_firma where nume_firma = :pNumeFirma"
                         << "select * from m_firma where nume_firma = $1" << QStringList{"pNumeFirma"};
    QTest::newRow("two on lines") << "where emitent = :pEmitent\n  and operator_parola = :pP\n;"
                                  << "where emitent = $1\n  and operator_parola = $2\n;"
                                  << QStringList{"pEmitent", "pP"};
    QTest::newRow("repeat in other case") << "select :pA, :pa, :pB" << "select $1, $1, $2"
                                          << QStringList{"pA", "pB"};
    QTest::newRow("cast") << "select :p::text, x::int" << "select $1::text, x::int" << QStringList{"p"};
    QTest::newRow("quoted text") << "select ':no', 'it''s :no', :yes" << "select ':no', 'it''s :no', $1"
                                 << QStringList{"yes"};
    QTest::newRow("escape string") << "select E'a\\' :no', :yes" << "select E'a\\' :no', $1"
                                   << QStringList{"yes"};
    QTest::newRow("quoted identifier") << "select \"a:no\" from t where x = :yes"
                                       << "select \"a:no\" from t where x = $1" << QStringList{"yes"};
    QTest::newRow("dollar quoted") << "select $$ :no $$, $f$ :no $f$, :yes" << "select $$ :no $$, $f$ :no $f$, $1"
                                   << QStringList{"yes"};
    QTest::newRow("comments") << "select 1 -- :no\n, /* :no */ :yes" << "select 1 -- :no\n, /* :no */ $1"
                              << QStringList{"yes"};
    QTest::newRow("function call") << "SELECT * FROM o_import_factFI_Vintra(:pemitent, :pjson)"
                                   << "SELECT * FROM o_import_factFI_Vintra($1, $2)"
                                   << QStringList{"pemitent", "pjson"};
    QTest::newRow("lone colon and digits") << "select a[1:2], :1, :" << "select a[1:2], :1, :" << QStringList{};
    QTest::newRow("no parameters") << "select *\nfrom eu\n;" << "select *\nfrom eu\n;" << QStringList{};
}

void TestSqlParams::rewrite()
{
    QFETCH(QString, sql);
    QFETCH(QString, expected);
    QFETCH(QStringList, names);
    const ParsedStatement parsed = parseParameters(sql);
    QCOMPARE(parsed.text, expected);
    QCOMPARE(parsed.parameters, names);
}

QTEST_APPLESS_MAIN(TestSqlParams)
#include "tst_sqlparams.moc"
