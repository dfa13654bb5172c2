#include "apptitle.h"
#include "errordisplay.h"
#include "errors.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace wifv;

class TestErrorDisplay : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { setApplicationTitle(QStringLiteral("wimportfactvintra")); }
    void cleanup() { setMessageBoxHook({}); }
    void guardShowsEscapingError();
    void guardShowsNothingForAbort();
    void guardRunsHandlerToCompletion();
    void realBoxIsCriticalWithOneOk();
};

void TestErrorDisplay::guardShowsEscapingError()
{
    QWidget window;
    window.show();
    window.activateWindow();
    QTRY_VERIFY(window.isActiveWindow());

    QStringList shown;
    QWidget *owner = nullptr;
    setMessageBoxHook([&](QWidget *o, const QString &caption, const QString &text) {
        owner = o;
        shown << caption << text;
    });
    bool after = false;
    guarded([&] {
        throw Error(QStringLiteral("Companie inexistenta"));
        after = true;
    });
    QCOMPARE(shown, (QStringList{"wimportfactvintra", "Companie inexistenta."}));
    QCOMPARE(owner, &window);
    QVERIFY(!after);
}

void TestErrorDisplay::guardShowsNothingForAbort()
{
    int calls = 0;
    setMessageBoxHook([&](QWidget *, const QString &, const QString &) { ++calls; });
    guarded([] { throw Abort(); });
    QCOMPARE(calls, 0);
    guarded([] { throw std::runtime_error("x"); });
    QCOMPARE(calls, 1);
}

void TestErrorDisplay::guardRunsHandlerToCompletion()
{
    int calls = 0;
    setMessageBoxHook([&](QWidget *, const QString &, const QString &) { ++calls; });
    int steps = 0;
    guarded([&] { steps = 2; });
    QCOMPARE(steps, 2);
    QCOMPARE(calls, 0);
}

void TestErrorDisplay::realBoxIsCriticalWithOneOk()
{
    QString caption, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = -1;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        caption = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->buttons().size();
        QVERIFY(box->button(QMessageBox::Ok));
        box->button(QMessageBox::Ok)->click();
    });
    guarded([] { throw Error(QStringLiteral("Nu s-a ales nici un fisier...")); });
    QCOMPARE(caption, QString("wimportfactvintra"));
    QCOMPARE(text, QString("Nu s-a ales nici un fisier..."));
    QCOMPARE(icon, QMessageBox::Critical);
    QCOMPARE(buttons, 1);
}

QTEST_MAIN(TestErrorDisplay)
#include "tst_errordisplay.moc"
