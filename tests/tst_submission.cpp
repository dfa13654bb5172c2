#include "apptitle.h"
#include "celleditor.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "invoice.h"
#include "invoicefixture.h"
#include "xlsxfixtures.h"
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

#include <xlsxwriter.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

using namespace wifv;
using namespace wifv::test;

namespace {
const RegionalSettings kRegional{u',', QStringLiteral("dd.MM.yyyy"), QStringLiteral("HH:mm:ss")};

// A loopback listening socket on a free port.
int listenOnLoopback(int &port)
{
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), size) != 0 || ::listen(fd, 16) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        throw std::runtime_error("cannot listen on loopback");
    port = ntohs(address.sin_port);
    return fd;
}

// Passes TCP connections on to the database server until stopped; after
// that its port refuses connections, as a stopped server's does.
class Forwarder {
public:
    explicit Forwarder(int targetPort) : m_target(targetPort)
    {
        m_listener = listenOnLoopback(m_port);
        m_thread = std::thread([this] { run(); });
    }
    ~Forwarder() { stop(); }
    int port() const { return m_port; }
    void stop()
    {
        m_stop = true;
        if (m_thread.joinable())
            m_thread.join();
    }

private:
    void run()
    {
        std::vector<std::pair<int, int>> links; // client, server
        while (!m_stop) {
            std::vector<pollfd> fds{{m_listener, POLLIN, 0}};
            for (auto [a, b] : links) {
                fds.push_back({a, POLLIN, 0});
                fds.push_back({b, POLLIN, 0});
            }
            if (::poll(fds.data(), fds.size(), 50) <= 0)
                continue;
            if (fds[0].revents & POLLIN) {
                const int client = ::accept(m_listener, nullptr, nullptr);
                const int server = ::socket(AF_INET, SOCK_STREAM, 0);
                sockaddr_in to{};
                to.sin_family = AF_INET;
                to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
                to.sin_port = htons(std::uint16_t(m_target));
                if (::connect(server, reinterpret_cast<sockaddr *>(&to), sizeof to) == 0) {
                    links.push_back({client, server});
                } else {
                    ::close(client);
                    ::close(server);
                }
            }
            for (size_t i = 1; i < fds.size(); ++i) {
                if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                    continue;
                auto &link = links[(i - 1) / 2];
                const int from = fds[i].fd, to = from == link.first ? link.second : link.first;
                char buffer[16384];
                const ssize_t n = ::read(from, buffer, sizeof buffer);
                if (n <= 0 || ::write(to, buffer, size_t(n)) != n) {
                    ::close(link.first);
                    ::close(link.second);
                    link = {-1, -1};
                }
            }
            std::erase_if(links, [](const auto &l) { return l.first < 0; });
        }
        for (auto [a, b] : links) {
            ::close(a);
            ::close(b);
        }
        ::close(m_listener);
    }

    int m_target, m_port = 0, m_listener = -1;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
};

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}
} // namespace

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
    void cellTextsReachTheServerAsData();
    void serverStoppedBetweenLoginAndImporta();
    void backendTerminatedWhileTheFunctionRuns();
    void listenerThatNeverAnswersTimesOut();
    void millionRowsWithoutTheMarker();

private:
    void point(const QString &database);
    QStringList logLines() const { return m_window->Memo1->toPlainText().split(u'\n', Qt::SkipEmptyParts); }
    void press() { QTest::mouseClick(m_window->ButtonImporta, Qt::LeftButton); }

    Server m_server;
    QString m_recordDb, m_raiseDb, m_quotedDb, m_sleepDb;
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
    m_sleepDb = uniqueName("submit_sleep");
    for (const QString &db : {m_recordDb, m_raiseDb, m_quotedDb, m_sleepDb})
        recreateDatabase(m_server, db);
    // Writes a row, then works for a minute: long enough to be cut off.
    adminExec(m_server, m_sleepDb,
              "create table received (n serial, doc text);"
              "create function o_import_factfi_vintra(pemitent text, pjson text) returns integer language plpgsql"
              " as $$ begin insert into received (doc) values (pjson); perform pg_sleep(60); return 1; end $$;");
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
    for (const QString &db : {m_recordDb, m_raiseDb, m_quotedDb, m_sleepDb})
        adminExec(m_server, "postgres", QStringLiteral("drop database if exists \"%1\" with (force)").arg(db));
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

void TestSubmission::cellTextsReachTheServerAsData()
{
    point(m_recordDb);
    InvoiceCells cells = validInvoice();
    cells["B22"] = QStringLiteral("F'1'); delete from received; --");
    cells["B26"] = QStringLiteral("$$; drop table received; $$ \\ :pjson ? $1");
    cells["C27"] = QStringLiteral("' or '1'='1");
    const QString path = m_dir.filePath("sql.xlsx");
    writeFile(path, invoiceWorkbook(cells));
    m_window->LoadWorkbook(path);
    press();
    QCOMPARE(logLines(), QStringList{"Factura s-a importat"});
    const QString expected = invoiceJson(readInvoice(readXlsx(invoiceWorkbook(cells)), kRegional));
    QCOMPARE(adminQuery(m_server, m_recordDb, "select doc from received"), QStringList{expected});
    QCOMPARE(adminQuery(m_server, m_recordDb, "select doc::json->>'nrFact' from received"),
             QStringList{"F'1'); delete from received; --"});
}

void TestSubmission::serverStoppedBetweenLoginAndImporta()
{
    point(m_recordDb);
    Forwarder server(m_server.port);
    dmCon->conTavo.setPort(server.port());
    press();
    QCOMPARE(logLines(), QStringList{"Factura s-a importat"});
    server.stop(); // the company server goes away after the operator logged in
    press();
    QCOMPARE(logLines().size(), 2);
    const QString expected = QStringLiteral("Eroare = Cannot connect to host \"%1\", port %2").arg(m_server.host).arg(server.port());
    QVERIFY2(logLines().last().startsWith(expected), qPrintable(logLines().last()));
    QCOMPARE(m_shown, QStringList());
    QCOMPARE(adminQuery(m_server, m_recordDb, "select count(*) from received"), QStringList{"1"});
    // Back on a live server, the same press goes through.
    dmCon->conTavo.setPort(m_server.port);
    press();
    QCOMPARE(logLines().last(), QString("Factura s-a importat"));
}

void TestSubmission::backendTerminatedWhileTheFunctionRuns()
{
    point(m_sleepDb);
    adminExec(m_server, m_sleepDb, "delete from received");
    // From another session: end the backend as soon as the function runs.
    std::atomic<bool> terminated{false};
    std::thread killer([&] {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
        while (!terminated && std::chrono::steady_clock::now() < deadline) {
            try {
                const QStringList r = adminQuery(
                    m_server, "postgres",
                    QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity where datname = '%1'"
                                   " and query ilike '%%o_import_factfi_vintra%%' and pid <> pg_backend_pid()")
                        .arg(m_sleepDb));
                terminated = r.contains(QStringLiteral("t"));
            } catch (const std::exception &) {
            }
            if (!terminated)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    });
    press();
    killer.join();
    QVERIFY(terminated);
    QCOMPARE(logLines(), QStringList{"Eroare = terminating connection due to administrator command"});
    QCOMPARE(m_shown, QStringList());
    // The function's row went with its transaction.
    QCOMPARE(adminQuery(m_server, m_sleepDb, "select count(*) from received"), QStringList{"0"});
    QVERIFY(!dmCon->conTavo.connected());
}

void TestSubmission::listenerThatNeverAnswersTimesOut()
{
    // The kernel completes the handshake; nothing ever reads or answers.
    int port = 0;
    const int fd = listenOnLoopback(port);
    point(m_recordDb);
    dmCon->conTavo.setPort(port);
    const auto start = std::chrono::steady_clock::now();
    press();
    const double waited = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    ::close(fd);
    QCOMPARE(logLines().size(), 1);
    QVERIFY2(logLines().front().startsWith(QStringLiteral("Eroare = ")) && logLines().front().contains(m_server.host) &&
                 logLines().front().contains(QStringLiteral("timed out")),
             qPrintable(logLines().front()));
    QVERIFY2(waited >= 14.0, qPrintable(QString::number(waited))); // the connect time-out, not an earlier give-up
    QCOMPARE(m_shown, QStringList());
}

void TestSubmission::millionRowsWithoutTheMarker()
{
    point(m_recordDb);
    const QString path = m_dir.filePath("fara_total.xlsx");
    writeFile(path, buildWorkbook(
                        [](lxw_workbook *wb) {
                            lxw_worksheet *ws = workbook_add_worksheet(wb, "Factura");
                            worksheet_write_string(ws, 7, 0, "VKN: 4417209583", nullptr);
                            worksheet_write_string(ws, 21, 1, "VNT-1", nullptr);
                            worksheet_write_string(ws, 22, 1, "28.07.2025", nullptr);
                            worksheet_write_string(ws, 24, 0, "Reservation №", nullptr);
                            for (lxw_row_t r = 25; r < 25 + 1000000; ++r) {
                                worksheet_write_string(ws, r, 0, "R-1", nullptr);
                                worksheet_write_number(ws, r, 4, 12.5, nullptr);
                            }
                        },
                        true));
    m_window->LoadWorkbook(path);
    QCOMPARE(m_window->dxSpreadSheet1->workbook().sheets[0].rowCount(), 1000025u);
    press();
    QCOMPARE(m_shown, QStringList{"Fisierul nu contine randul \"Grand TOTAL\" in coloana A."});
    QVERIFY(m_window->Memo1->toPlainText().isEmpty());
    QCOMPARE(adminQuery(m_server, m_recordDb, "select count(*) from received"), QStringList{"0"});
}

QTEST_MAIN(TestSubmission)
#include "tst_submission.moc"
