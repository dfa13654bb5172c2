#include "apptitle.h"
#include "celleditor.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "invoice.h"
#include "invoicefixture.h"
#include "spreadsheetview.h"
#include "testservers.h"
#include "tfimportfactvintra.h"
#include "xlsxreader.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace wifv;
using namespace wifv::test;

namespace {
const RegionalSettings kRegional{u',', QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")};
}

class TestSubmission : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void documentReachesTheFunction();
    void functionErrorIsLogged();
    void unreachableServerIsLogged();
    void failedCheckLogsNothing();
    void quotedMixedCaseNameIsNotFound();
    void openCellEditIsSent();
    void sampleFunctionStoresAndRefusesDuplicates();

private:
    void point(const QString &database);
    QStringList logLines() const { return m_window->Memo1->toPlainText().split(u'\n', Qt::SkipEmptyParts); }
    void press() { QTest::mouseClick(m_window->ButtonImporta, Qt::LeftButton); }

    Server m_server;
    QString m_recordDb, m_raiseDb, m_quotedDb;
    QTemporaryDir m_dir;
    QString m_workbookPath;
    std::unique_ptr<TdmCon> m_dm;
    std::unique_ptr<TfImportFactVintra> m_window;
    QStringList m_shown;
};

void TestSubmission::initTestCase()
{
    setApplicationTitle(QStringLiteral("wimportfactvintra"));
    m_server = plainServer();
    m_recordDb = uniqueName("submit_record");
    m_raiseDb = uniqueName("submit_raise");
    m_quotedDb = uniqueName("submit_quoted");
    for (const QString &db : {m_recordDb, m_raiseDb, m_quotedDb})
        recreateDatabase(m_server, db);
    adminExec(m_server, m_recordDb,
              "create table received (n serial, emitent text, doc text);"
              "create function o_import_factfi_vintra(pemitent text, pjson text) returns integer language plpgsql"
              " as $$ begin insert into received (emitent, doc) values (pemitent, pjson); return 1; end $$;");
    adminExec(m_server, m_raiseDb,
              "create function o_import_factfi_vintra(pemitent text, pjson text) returns integer language plpgsql"
              " as $$ begin raise exception 'Factura % exista deja', pjson::json->>'nrFact'"
              " using detail = 'detaliu', hint = 'sugestie'; end $$;");
    adminExec(m_server, m_quotedDb,
              "create function \"o_import_factFI_Vintra\"(pemitent text, pjson text) returns integer"
              " language sql as $$ select 1 $$;");
    QVERIFY(m_dir.isValid());
    m_workbookPath = m_dir.filePath("factura.xlsx");
    QFile f(m_workbookPath);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(invoiceWorkbook(validInvoice()));
}

void TestSubmission::cleanupTestCase()
{
    for (const QString &db : {m_recordDb, m_raiseDb, m_quotedDb})
        adminExec(m_server, "postgres", QStringLiteral("drop database if exists \"%1\"").arg(db));
}

void TestSubmission::init()
{
    m_dm = std::make_unique<TdmCon>();
    dmCon = m_dm.get();
    dmCon->glUser = QStringLiteral("ana Ștefan");
    m_window = std::make_unique<TfImportFactVintra>(nullptr);
    m_window->dxSpreadSheet1->model().setRegionalSettings(kRegional);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->LoadWorkbook(m_workbookPath);
    m_shown.clear();
    setMessageBoxHook([this](QWidget *, const QString &, const QString &text) { m_shown << text; });
    adminExec(m_server, m_recordDb, "delete from received");
}

void TestSubmission::cleanup()
{
    setMessageBoxHook({});
    m_window.reset();
    dmCon = nullptr;
    m_dm.reset();
}

void TestSubmission::point(const QString &database)
{
    dmCon->conTavo.setServer(m_server.host);
    dmCon->conTavo.setPort(m_server.port);
    dmCon->conTavo.setDatabase(database);
    dmCon->conTavo.setSslMode(SslMode::Prefer);
}

void TestSubmission::documentReachesTheFunction()
{
    point(m_recordDb);
    press();
    press();
    QCOMPARE(logLines(), (QStringList{"Factura s-a importat", "Factura s-a importat"}));
    QCOMPARE(m_shown, QStringList());
    QVERIFY(!dmCon->conTavo.connected());
    const QString expected = invoiceJson(readInvoice(readXlsx(invoiceWorkbook(validInvoice())), kRegional));
    QVERIFY(expected.contains(u"Ștefănescu"));
    QCOMPARE(adminQuery(m_server, m_recordDb, "select emitent from received order by n"),
             (QStringList{"ana Ștefan", "ana Ștefan"}));
    QCOMPARE(adminQuery(m_server, m_recordDb, "select doc from received order by n"), (QStringList{expected, expected}));
}

void TestSubmission::functionErrorIsLogged()
{
    point(m_raiseDb);
    press();
    QCOMPARE(logLines(), QStringList{"Eroare = Factura VNT-2025-0042 exista deja"});
    QCOMPARE(m_shown, QStringList());
}

void TestSubmission::unreachableServerIsLogged()
{
    point(m_recordDb);
    dmCon->conTavo.setPort(1);
    press();
    QCOMPARE(logLines().size(), 1);
    QVERIFY2(logLines().front().startsWith(QStringLiteral("Eroare = Cannot connect to host \"%1\", port 1").arg(m_server.host)),
             qPrintable(logLines().front()));
    QCOMPARE(m_shown, QStringList());
    // The window stays usable: with the right port the same workbook goes in.
    dmCon->conTavo.setPort(m_server.port);
    press();
    QCOMPARE(logLines().last(), QString("Factura s-a importat"));
}

void TestSubmission::failedCheckLogsNothing()
{
    point(m_recordDb);
    InvoiceCells cells = validInvoice();
    cells.remove("B22");
    QFile f(m_dir.filePath("fara_numar.xlsx"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(invoiceWorkbook(cells));
    f.close();
    m_window->LoadWorkbook(f.fileName());
    press();
    QCOMPARE(m_shown, QStringList{"Numarul facturii nu este completat."});
    QVERIFY(m_window->Memo1->toPlainText().isEmpty());
    QCOMPARE(adminQuery(m_server, m_recordDb, "select count(*) from received"), QStringList{"0"});

    // A cleared view fails at the fiscal code, shown with its full stop.
    m_shown.clear();
    QTest::mouseClick(m_window->ButtonClear, Qt::LeftButton);
    press();
    QCOMPARE(m_shown, QStringList{"factura nu contine codul fiscal \"Vintra\"=4417209583."});
}

void TestSubmission::quotedMixedCaseNameIsNotFound()
{
    point(m_quotedDb);
    press();
    QCOMPARE(logLines(), QStringList{"Eroare = function o_import_factfi_vintra(unknown, unknown) does not exist"});
}

void TestSubmission::openCellEditIsSent()
{
    point(m_recordDb);
    QTableView *table = m_window->dxSpreadSheet1->table();
    QLineEdit *editor = openCellEditor(table, 21, 1); // B22
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClicks(editor, "F-9");
    press(); // the editor is still open
    QCOMPARE(logLines(), QStringList{"Factura s-a importat"});
    QCOMPARE(adminQuery(m_server, m_recordDb, "select doc::json->>'nrFact' from received"), QStringList{"F-9"});
}

void TestSubmission::sampleFunctionStoresAndRefusesDuplicates()
{
    const QString db = uniqueName("submit_sample");
    recreateDatabase(m_server, db);
    runSqlFile(m_server, db, "db/import-function.sql");
    point(db);
    press();
    press();
    QCOMPARE(logLines(), (QStringList{"Factura s-a importat", "Eroare = Factura VNT-2025-0042 a fost deja importata"}));
    QCOMPARE(adminQuery(m_server, db, "select operator || '|' || nr_fact || '|' || data_fact || '|' || cui_eu from factura_vintra"),
             QStringList{"ana Ștefan|VNT-2025-0042|28.07.2025|RO1234567"});
    QCOMPARE(adminQuery(m_server, db, "select client || '|' || tour || '|' || pret from factura_vintra_poz order by nr"),
             (QStringList{"Ioana Ștefănescu|Istanbul / Cappadocia|1234,5", "Mihai \"Mișu\" Pop|Antalya|99"}));
    adminExec(m_server, "postgres", QStringLiteral("drop database \"%1\"").arg(db));
}

QTEST_MAIN(TestSubmission)
#include "tst_submission.moc"
