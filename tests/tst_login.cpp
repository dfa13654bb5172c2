#include "anchors.h"
#include "apptitle.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "loginfile.h"
#include "loginsequence.h"
#include "loginstorage.h"
#include "testservers.h"
#include "tfrmlogin.h"

#include <QCryptographicHash>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace wifv;
using namespace wifv::test;

namespace {

const QString kApp = QStringLiteral("wimportfactvintra");
const QString kPassword = QStringLiteral("parola 1");

QString sha256(const QString &text)
{
    return QString::fromLatin1(QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex());
}

} // namespace

class TestLogin : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();
    void passwordRule_data();
    void passwordRule();
    void schemeRule_data();
    void schemeRule();
    void dialogLayout();
    void successfulLoginThroughTheDialog();
    void hashTypes_data();
    void hashTypes();
    void failures_data();
    void failures();
    void unreachableDirectoryStillRemembersNames();
    void directoryWithoutTls();
    void escapeDoesNotClose();
    void rememberedAtTheNextShow();
    void brokenFileIsReportedAndTheDialogOpensEmpty();

private:
    void createCompany(const QString &db, const QString &storedPassword, bool withApp, const QString &jasIp,
                       const QString &alter = {});
    void typeLogin(const QString &company, const QString &user, const QString &password);
    QByteArray rememberedFile() const;
    // Nothing the program or the servers wrote holds the password typed.
    void verifyPasswordNotOnDisk(const QString &password) const;
    qint64 m_directoryLog = 0, m_companyLog = 0;

    Server m_company;
    Server m_directory;
    QStringList m_companyDbs;
    QTemporaryDir m_appData;
    std::unique_ptr<TdmCon> m_dm;
    std::unique_ptr<TfrmLogin> m_dialog;
    QStringList m_shown;
};

void TestLogin::createCompany(const QString &db, const QString &storedPassword, bool withApp, const QString &jasIp,
                              const QString &alter)
{
    recreateDatabase(m_company, db);
    runSqlFile(m_company, db, QStringLiteral("db/company.sql"));
    adminExec(m_company, db, operatorRowSql("ana", storedPassword, "Sediu central") + operatorRowSql("ion", "x", "Depozit"));
    if (withApp)
        adminExec(m_company, db,
                  "insert into aplicatie_mob values ('wImportFactVintra', true, null);"
                  "insert into aplicatie_mob_emitent values ('WIMPORTFACTVINTRA', 'ana', 'operator import');");
    if (!jasIp.isNull())
        adminExec(m_company, db,
                  euRowSql(jasIp));
    if (!alter.isEmpty())
        adminExec(m_company, db, alter);
    m_companyDbs << db;
}

void TestLogin::initTestCase()
{
    installDesignFontFallbacks();
    setApplicationTitle(kApp);
    QVERIFY(m_appData.isValid());
    setAppDataFolderOverride(m_appData.path());
    m_company = plainServer();
    m_directory = tlsServer();

    createCompany("login_hash", sha256(kPassword), true, "jas.firma.ro:8080");
    createCompany("login_plain", kPassword, true, QString());
    createCompany("login_noapp", kPassword, false, "x");
    createCompany("login_nogln", kPassword, true, "x", "alter table eu drop column gln");

    recreateDatabase(m_directory, QStringLiteral("tavo_mob"));
    runSqlFile(m_directory, QStringLiteral("tavo_mob"), QStringLiteral("db/directory.sql"));
    QStringList rows;
    const auto row = [&](const QString &name, const QString &db, const QString &hash) {
        rows << QStringLiteral("('%1', '%2', %3, '%4', true, false, %5)")
                    .arg(name, m_company.host)
                    .arg(m_company.port)
                    .arg(db, hash.isNull() ? QStringLiteral("null") : "'" + hash + "'");
    };
    row("Firma Hash", "login_hash", "HashSHA2");
    row("Firma Plain", "login_plain", QString());
    row("Firma hashsha2", "login_plain", "hashsha2");
    row("Firma spatiu", "login_plain", "HashSHA2 ");
    row("Firma fara aplicatie", "login_noapp", "");
    row("Firma fara gln", "login_nogln", "");
    rows << QStringLiteral("('Firma fara port', '%1', null, 'login_plain', true, false, null)").arg(m_company.host);
    rows << QStringLiteral("('Firma gazda necunoscuta', 'gazda-necunoscuta.invalid', %1, 'login_plain', true, false, null)")
                .arg(m_company.port);
    adminExec(m_directory, QStringLiteral("tavo_mob"), "insert into m_firma values " + rows.join(", "));
}

void TestLogin::init()
{
    QFile::remove(loginFilePath());
    m_dm = std::make_unique<TdmCon>();
    dmCon = m_dm.get();
    dmCon->conTavoMob.setServer(m_directory.host);
    dmCon->conTavoMob.setPort(m_directory.port);
    m_dialog = std::make_unique<TfrmLogin>(nullptr);
    m_shown.clear();
    setMessageBoxHook([this](QWidget *, const QString &, const QString &text) { m_shown << text; });
    m_directoryLog = logSize(m_directory);
    m_companyLog = logSize(m_company);
}

void TestLogin::verifyPasswordNotOnDisk(const QString &password) const
{
    // A password of a few letters turns up in any log by chance.
    if (password.size() < 6)
        return;
    const QByteArray secret = password.toUtf8();
    QVERIFY(!rememberedFile().contains(secret));
    QVERIFY(!logSince(m_directory, m_directoryLog).toUtf8().contains(secret));
    QVERIFY(!logSince(m_company, m_companyLog).toUtf8().contains(secret));
    QVERIFY(!logSince(m_company, m_companyLog).contains(sha256(password)));
}

void TestLogin::cleanup()
{
    setMessageBoxHook({});
    m_dialog.reset();
    m_dm.reset();
    dmCon = nullptr;
}

void TestLogin::cleanupTestCase()
{
    for (const QString &db : m_companyDbs)
        adminExec(m_company, "postgres", QStringLiteral("drop database if exists %1").arg(db));
    adminExec(m_directory, "postgres", "drop database if exists tavo_mob");
    setAppDataFolderOverride(std::nullopt);
}

void TestLogin::passwordRule_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("hashType");
    QTest::addColumn<QString>("expected");
    QTest::newRow("digest") << "abc" << "HashSHA2" << "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
    QTest::newRow("empty password digest")
        << "" << "HashSHA2" << "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";
    QTest::newRow("other case") << "abc" << "hashsha2" << "abc";
    QTest::newRow("trailing space") << "abc" << "HashSHA2 " << "abc";
    QTest::newRow("empty type") << " a b " << "" << " a b ";
    QTest::newRow("UTF-8 bytes") << "ă" << "HashSHA2" << "817789243c880b917385edcc706add33c1bc42fc0422d967e66ddbc29926b798";
}

void TestLogin::passwordRule()
{
    QFETCH(QString, password);
    QFETCH(QString, hashType);
    QFETCH(QString, expected);
    QCOMPARE(passwordValue(password, hashType), expected);
}

void TestLogin::schemeRule_data()
{
    QTest::addColumn<QString>("jasIp");
    QTest::addColumn<QString>("expected");
    QTest::newRow("8080") << "jas.firma.ro:8080" << "http";
    QTest::newRow("18080") << "10.0.0.5:18080" << "http";
    QTest::newRow("443") << "jas.firma.ro:443" << "https";
    QTest::newRow("empty") << "" << "https";
}

void TestLogin::schemeRule()
{
    QFETCH(QString, jasIp);
    QFETCH(QString, expected);
    QCOMPARE(jasProtocol(jasIp), expected);
}

void TestLogin::dialogLayout()
{
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QCOMPARE(m_dialog->windowTitle(), QString("frmLogin"));
    QCOMPARE(m_dialog->size(), QSize(362, 158));
    QCOMPARE(m_dialog->Edit3->echoMode(), QLineEdit::Password);
    QCOMPARE(m_dialog->Button1->text(), QString("Login"));
    QCOMPARE(m_dialog->Button1->geometry(), QRect(77, 120, 75, 30));
    QVERIFY(m_dialog->Button1->isDefault());
    QTRY_COMPARE(QApplication::focusWidget(), m_dialog->Edit3);
    QCOMPARE(m_dialog->findChildren<QPushButton *>().size(), 1);
    // Tab order: password, Login, company, user name.
    for (QWidget *next : {static_cast<QWidget *>(m_dialog->Button1), static_cast<QWidget *>(m_dialog->Edit1),
                          static_cast<QWidget *>(m_dialog->Edit2), static_cast<QWidget *>(m_dialog->Edit3)}) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), next);
    }
}

void TestLogin::typeLogin(const QString &company, const QString &user, const QString &password)
{
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QTRY_COMPARE(QApplication::focusWidget(), m_dialog->Edit3);
    QTest::keyClicks(m_dialog->Edit3, password);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_dialog->Edit1);
    m_dialog->Edit1->selectAll();
    QTest::keyClicks(m_dialog->Edit1, company);
    QTest::keyClick(m_dialog->Edit1, Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), m_dialog->Edit2);
    m_dialog->Edit2->selectAll();
    QTest::keyClicks(m_dialog->Edit2, user);
    QTest::keyClick(m_dialog->Edit2, Qt::Key_Return);
}

QByteArray TestLogin::rememberedFile() const
{
    QFile f(loginFilePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestLogin::successfulLoginThroughTheDialog()
{
    typeLogin("Firma Hash", "ana", kPassword);
    QCOMPARE(m_shown, QStringList());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(!m_dialog->isVisible());

    QCOMPARE(dmCon->glNumeFirma, QString("Firma Hash"));
    QCOMPARE(dmCon->glUser, QString("ana"));
    QCOMPARE(dmCon->glUserPass, kPassword);
    QCOMPARE(dmCon->glDataBase, QString("login_hash"));
    QCOMPARE(dmCon->glUserRol, QString("operator import"));
    QCOMPARE(dmCon->glEuPL, QString("Sediu central"));
    QCOMPARE(dmCon->glJasIP, QString("jas.firma.ro:8080"));
    QCOMPARE(dmCon->glJasProtocol, QString("http"));
    QVERIFY(m_dialog->Edit3->text().isEmpty());

    QVERIFY(dmCon->dsAplicatieMobEmitent.isOpen() && dmCon->dsEu.isOpen());
    QVERIFY(!dmCon->dsEmitent.isOpen() && !dmCon->dsAplicatieMob.isOpen() && !m_dialog->dsTavoMobil->isOpen());
    QCOMPARE(dmCon->conTavo.sslMode(), SslMode::Prefer);
    QCOMPARE(dmCon->conTavo.database(), QString("login_hash"));

    LoginTable remembered;
    readLoginStorage(rememberedFile(), remembered);
    QCOMPARE(remembered.rows().size(), size_t(1));
    QCOMPARE(remembered.rows().front().company, std::optional<QString>("Firma Hash"));
    QCOMPARE(remembered.rows().front().username, std::optional<QString>("ana"));
    verifyPasswordNotOnDisk(kPassword);
}

void TestLogin::hashTypes_data()
{
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("jasProtocol");
    QTest::newRow("HashSHA2 sends the digest") << "Firma Hash" << "http";
    QTest::newRow("null sends the text") << "Firma Plain" << "https";
    QTest::newRow("hashsha2 sends the text") << "Firma hashsha2" << "https";
    QTest::newRow("HashSHA2 with a space sends the text") << "Firma spatiu" << "https";
}

void TestLogin::hashTypes()
{
    QFETCH(QString, company);
    QFETCH(QString, jasProtocol);
    typeLogin(company, "ana", kPassword);
    QCOMPARE(m_shown, QStringList());
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(dmCon->glJasProtocol, jasProtocol);
}

void TestLogin::failures_data()
{
    QTest::addColumn<QString>("company");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("shown");
    QTest::newRow("unknown company") << "Firma Nimeni" << "ana" << kPassword << "Companie inexistenta.";
    QTest::newRow("trailing space") << "Firma Hash " << "ana" << kPassword << "Companie inexistenta.";
    QTest::newRow("wrong password") << "Firma Hash" << "ana" << "gresit" << "User, Password eronate.";
    QTest::newRow("digest typed as the password")
        << "Firma Hash" << "ana" << sha256(kPassword) << "User, Password eronate.";
    QTest::newRow("application not registered")
        << "Firma fara aplicatie" << "ana" << kPassword << "Aplicatia wimportfactvintra nu este disponibila.";
    QTest::newRow("no grant") << "Firma Plain" << "ion" << "x"
                              << "Aplicatia wimportfactvintra nu este disponibila pentru user-ul ion.";
    QTest::newRow("eu without gln") << "Firma fara gln" << "ana" << kPassword << "dsEu: Field 'gln' not found.";
    // Every text typed reaches the server as data, never as SQL.
    QTest::newRow("company name as SQL") << "Firma Hash'; delete from m_firma; --" << "ana" << kPassword
                                         << "Companie inexistenta.";
    QTest::newRow("user name as SQL") << "Firma Plain" << "ana' or '1'='1" << kPassword << "User, Password eronate.";
    QTest::newRow("password as SQL") << "Firma Plain" << "ana" << "x' or '1'='1'; --" << "User, Password eronate.";
    // A null port reads as 0, which no server listens on.
    QTest::newRow("company without a port")
        << "Firma fara port" << "ana" << kPassword
        << "Cannot connect to host \"127.0.0.1\", port 0: the server is unreachable or refused the connection.";
    QTest::newRow("company host not found") << "Firma gazda necunoscuta" << "ana" << kPassword
                                            << "Host \"gazda-necunoscuta.invalid\" not found.";
}

void TestLogin::failures()
{
    QFETCH(QString, company);
    QFETCH(QString, user);
    QFETCH(QString, password);
    QFETCH(QString, shown);
    typeLogin(company, user, password);
    QCOMPARE(m_shown, QStringList{shown});
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_dialog->Edit1->text(), company);
    QCOMPARE(m_dialog->Edit3->text(), password);
    QCOMPARE(dmCon->glNumeFirma, company);
    QVERIFY(!dmCon->dsEmitent.isOpen() && !dmCon->dsAplicatieMob.isOpen() && !m_dialog->dsTavoMobil->isOpen());
    QVERIFY(rememberedFile().contains(company.toUtf8()));
    verifyPasswordNotOnDisk(password);
    QCOMPARE(adminQuery(m_directory, QStringLiteral("tavo_mob"), "select count(*) from m_firma"), QStringList{"8"});
    // The settings step comes after the fields of the checks are filled: they keep their new values.
    if (company == u"Firma fara gln")
        QCOMPARE(dmCon->glUser, user);
    else
        QVERIFY(dmCon->glUser.isEmpty());
}

void TestLogin::directoryWithoutTls()
{
    // The directory connection insists on TLS: a server without it is refused.
    dmCon->conTavoMob.setServer(m_company.host);
    dmCon->conTavoMob.setPort(m_company.port);
    typeLogin("Firma Hash", "ana", kPassword);
    QCOMPARE(m_shown, QStringList{"SSL connection is not allowed."});
    QVERIFY(m_dialog->isVisible());
    QVERIFY(dmCon->glUser.isEmpty());
}

void TestLogin::unreachableDirectoryStillRemembersNames()
{
    dmCon->conTavoMob.setPort(1);
    typeLogin("Firma Hash", "ana", kPassword);
    QCOMPARE(m_shown.size(), 1);
    QVERIFY2(m_shown.front().contains(QStringLiteral("\"%1\"").arg(m_directory.host)), qPrintable(m_shown.front()));
    QVERIFY(rememberedFile().contains("\"company\":\"Firma Hash\",\"username\":\"ana\""));
    QVERIFY(dmCon->glUser.isEmpty());
}

void TestLogin::escapeDoesNotClose()
{
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog.get()));
    QTest::keyClick(m_dialog.get(), Qt::Key_Escape);
    QVERIFY(m_dialog->isVisible());
}

void TestLogin::rememberedAtTheNextShow()
{
    typeLogin("Firma Nimeni", "maria", "x");
    QCOMPARE(m_shown.size(), 1);
    m_dialog->hide();
    // Typed but never saved: the next showing shows the file's record.
    m_dialog->Edit1->selectAll();
    QTest::keyClicks(m_dialog->Edit1, "altceva");
    m_dialog->show();
    QCOMPARE(m_dialog->Edit1->text(), QString("Firma Nimeni"));

    // A new run: a new dialog shows the remembered names.
    m_dialog = std::make_unique<TfrmLogin>(nullptr);
    m_dialog->show();
    QCOMPARE(m_dialog->Edit1->text(), QString("Firma Nimeni"));
    QCOMPARE(m_dialog->Edit2->text(), QString("maria"));
    QVERIFY(m_dialog->Edit3->text().isEmpty());
}

void TestLogin::brokenFileIsReportedAndTheDialogOpensEmpty()
{
    QFile f(loginFilePath());
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("\xEF\xBB\xBF");
    f.close();
    m_dialog->show();
    QCOMPARE(m_shown, QStringList{"[FireDAC][Stan]-719. Invalid JSON storage format. Position [3]."});
    QVERIFY(m_dialog->isVisible());
    QVERIFY(m_dialog->Edit1->text().isEmpty());
    QVERIFY(m_dialog->dsLogin.isOpen());
    QVERIFY(m_dialog->dsLogin.rows().empty());
}

QTEST_MAIN(TestLogin)
#include "tst_login.moc"
