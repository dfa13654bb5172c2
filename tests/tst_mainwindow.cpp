#include "application.h"
#include "dmcon.h"
#include "errordisplay.h"
#include "loginfile.h"
#include "tfimportfactvintra.h"
#include "tfmenuimportfactvintra.h"
#include "tfrmlogin.h"

#include <QApplication>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace wifv;

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_appData.isValid());
        setAppDataFolderOverride(m_appData.path());
    }
    void init();
    void cleanup();
    void longLivedObjects();
    void loggedOutShowsOnlyLogin();
    void loginOkShowsMenu();
    void databaseLabelWrapsAtDesignWidth();
    void loginClosedLeavesLoggedOut();
    void importButtonShowsOneWindow();
    void minimisedImportWindowStaysMinimised();
    void anchorsFollowResize();
    void closingMainWindowEndsProgram();

private:
    template <class T>
    T *find(const char *name) const
    {
        return m_app->mainWindow().findChild<T *>(QString::fromLatin1(name));
    }
    void login(bool accept);
    std::unique_ptr<Application> m_app;
    QTemporaryDir m_appData;
};

void TestMainWindow::init()
{
    m_app = std::make_unique<Application>();
    m_app->mainWindow().show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_app->mainWindow()));
}

void TestMainWindow::cleanup()
{
    m_app.reset();
    QVERIFY(!dmCon && !frmLogin && !fImportFactVintra && !fMenuImportFactVintra);
}

void TestMainWindow::login(bool accept)
{
    QTimer::singleShot(0, [accept] {
        QTRY_VERIFY(frmLogin->isVisible());
        accept ? frmLogin->accept() : frmLogin->reject();
    });
    QTest::mouseClick(find<QPushButton>("ButtonLogin"), Qt::LeftButton);
}

void TestMainWindow::longLivedObjects()
{
    QVERIFY(fMenuImportFactVintra == &m_app->mainWindow());
    QVERIFY(dmCon && frmLogin && fImportFactVintra);
    QCOMPARE(frmLogin->parentWidget(), fMenuImportFactVintra);
    QCOMPARE(fImportFactVintra->parentWidget(), fMenuImportFactVintra);
    QVERIFY(fImportFactVintra->isWindow());
    QVERIFY(!frmLogin->isVisible());
    QVERIFY(!fImportFactVintra->isVisible());
    QVERIFY(dmCon->glUser.isEmpty() && dmCon->glDataBase.isEmpty() && dmCon->glNumeFirma.isEmpty());
    QVERIFY(!dmCon->conTavoMob.connected() && !dmCon->conTavo.connected());
}

void TestMainWindow::loggedOutShowsOnlyLogin()
{
    auto &w = m_app->mainWindow();
    QCOMPARE(w.windowTitle(), QString("fMenuImportFactVintra"));
    QCOMPARE(w.size(), QSize(359, 262));

    auto *panelLogin = find<QFrame>("PanelLogin");
    QCOMPARE(panelLogin->geometry(), QRect(0, 0, 359, 41));
    QVERIFY(panelLogin->isVisible());
    QVERIFY(!find<QFrame>("PanelMenu")->isVisible());

    auto *button = find<QPushButton>("ButtonLogin");
    QVERIFY(button->isVisible());
    QCOMPARE(button->text(), QString("Login"));
    QCOMPARE(button->geometry(), QRect(12, 5, 75, 30));
    auto *version = find<QLabel>("Label1");
    QVERIFY(version->isVisible());
    QCOMPARE(version->text(), QString("wImportFactVintra v. 2025.07.28"));
    QCOMPARE(version->pos(), QPoint(161, 2));
    QVERIFY(version->font().bold());
    QCOMPARE(version->palette().color(QPalette::WindowText), QColor(0, 0, 128));

    for (const char *name : {"LabelUser", "LabelDataBase", "Label2", "Button1", "Shape1"})
        QVERIFY2(!find<QWidget>(name)->isVisible(), name);
}

void TestMainWindow::loginOkShowsMenu()
{
    dmCon->glUser = QStringLiteral("ana");
    dmCon->glDataBase = QStringLiteral("tavo_firma_demo");
    login(true);

    auto *panelMenu = find<QFrame>("PanelMenu");
    QVERIFY(!find<QFrame>("PanelLogin")->isVisible());
    QVERIFY(panelMenu->isVisible());
    QCOMPARE(panelMenu->geometry(), QRect(0, 0, 359, 262));
    QCOMPARE(find<QLabel>("LabelUser")->text(), QString("User ana"));
    QCOMPARE(find<QLabel>("LabelDataBase")->text(), QString("tavo_firma_demo"));
    QVERIFY(find<QLabel>("LabelUser")->isVisible());
    QVERIFY(find<QLabel>("Label2")->isVisible());
    auto *import = find<QPushButton>("Button1");
    QVERIFY(import->isVisible());
    QCOMPARE(import->text(), QString("Import facturi furnizor Vintra"));
    QCOMPARE(import->geometry(), QRect(12, 64, 197, 25));
    QCOMPARE(find<QFrame>("Shape1")->geometry(), QRect(-196, 40, 600, 2));
    // A word wider than the design width widens the label instead of being cut.
    auto *database = find<QLabel>("LabelDataBase");
    QVERIFY(database->width() >= database->fontMetrics().horizontalAdvance("tavo_firma_demo"));
}

void TestMainWindow::databaseLabelWrapsAtDesignWidth()
{
    dmCon->glDataBase = QStringLiteral("Firma de test SRL Iasi");
    login(true);
    auto *database = find<QLabel>("LabelDataBase");
    QCOMPARE(database->text(), QString("Firma de test SRL Iasi"));
    QCOMPARE(database->width(), 81);
    QVERIFY(database->height() > 2 * database->fontMetrics().height());
}

void TestMainWindow::loginClosedLeavesLoggedOut()
{
    dmCon->glUser = QStringLiteral("ana");
    login(false);
    QVERIFY(find<QFrame>("PanelLogin")->isVisible());
    QVERIFY(!find<QFrame>("PanelMenu")->isVisible());
    QCOMPARE(find<QLabel>("LabelUser")->text(), QString("LabelUser"));
}

void TestMainWindow::importButtonShowsOneWindow()
{
    login(true);
    auto *button = find<QPushButton>("Button1");
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(fImportFactVintra->isVisible());
    m_app->mainWindow().activateWindow();
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(fImportFactVintra->isActiveWindow());

    int importWindows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        importWindows += qobject_cast<TfImportFactVintra *>(w) != nullptr;
    QCOMPARE(importWindows, 1);

    // Closing only hides it; the next press shows the same window again.
    TfImportFactVintra *before = fImportFactVintra;
    fImportFactVintra->close();
    QVERIFY(!fImportFactVintra->isVisible());
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(fImportFactVintra->isVisible());
    QCOMPARE(fImportFactVintra, before);
}

void TestMainWindow::minimisedImportWindowStaysMinimised()
{
    login(true);
    auto *button = find<QPushButton>("Button1");
    QTest::mouseClick(button, Qt::LeftButton);
    QTRY_VERIFY(fImportFactVintra->isVisible());
    fImportFactVintra->showMinimized();
    QTRY_VERIFY(fImportFactVintra->isMinimized());
    QTest::mouseClick(button, Qt::LeftButton);
    QVERIFY(fImportFactVintra->isMinimized());
}

void TestMainWindow::anchorsFollowResize()
{
    auto &w = m_app->mainWindow();
    w.resize(459, 262);
    QTRY_COMPARE(find<QLabel>("Label1")->pos(), QPoint(261, 2));
    QCOMPARE(find<QPushButton>("ButtonLogin")->pos(), QPoint(12, 5));
    w.resize(359, 262);
    QTRY_COMPARE(find<QLabel>("Label1")->pos(), QPoint(161, 2));

    login(true);
    const int labelWidth = find<QLabel>("Label2")->width();
    w.resize(459, 300);
    QTRY_COMPARE(find<QFrame>("PanelMenu")->size(), QSize(459, 300));
    QCOMPARE(find<QFrame>("Shape1")->geometry(), QRect(-196, 40, 700, 2));
    QCOMPARE(find<QLabel>("Label2")->geometry().topLeft(), QPoint(261, 2));
    QCOMPARE(find<QLabel>("Label2")->width(), labelWidth);
    QCOMPARE(find<QPushButton>("Button1")->geometry(), QRect(12, 64, 197, 25));
}

void TestMainWindow::closingMainWindowEndsProgram()
{
    login(true);
    QTest::mouseClick(find<QPushButton>("Button1"), Qt::LeftButton);
    QTRY_VERIFY(fImportFactVintra->isVisible());

    QEventLoop loop;
    QTimer::singleShot(0, [this] { m_app->mainWindow().close(); });
    QTimer::singleShot(10000, &loop, [&loop] { loop.exit(1); });
    QCOMPARE(loop.exec(), 0); // ending the application ends every running loop
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
