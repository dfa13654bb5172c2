#include "apptitle.h"
#include "errors.h"

#include <QTest>

#include <stdexcept>

using namespace wifv;

class TestAppCore : public QObject {
    Q_OBJECT
private slots:
    void title_data();
    void title();
    void fullStop_data();
    void fullStop();
    void innermostMessage();
    void abortShowsNothing();
};

void TestAppCore::title_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("expected");

    const QChar back(u'\\'), slash(u'/');
    QTest::newRow("windows exe") << "C:\\Program Files\\Tavo\\wImportFactVintra.exe" << back << "wimportfactvintra";
    QTest::newRow("linux binary") << "/opt/tavo/bin/wImportFactVintra" << slash << "wimportfactvintra";
    QTest::newRow("first letter keeps case") << "D:\\WImportFactVintra.EXE" << back << "Wimportfactvintra";
    QTest::newRow("cut at first dot") << "C:\\apps\\a.b.exe" << back << "a";
    QTest::newRow("dot in folder only") << "/home/ana.pop/tools/Import" << slash << "Import";
    QTest::newRow("no separator") << "Tool.exe" << back << "Tool";
    QTest::newRow("dot first") << "/x/.hidden" << slash << "";
    QTest::newRow("empty") << "" << slash << "";
    QTest::newRow("backslash is a plain character on linux") << "/tmp/Ab\\Cd.bin" << slash << "Ab\\cd";
    QTest::newRow("non-ASCII lower-casing") << "C:\\ĂȘTI\\ÎMPORT.exe" << back << "Împort";
    QTest::newRow("first character outside the BMP")
        << QString::fromUtf8("/x/\xF0\x9D\x90\x80" "BC.exe") << slash << QString::fromUtf8("\xF0\x9D\x90\x80" "bc");
    // A path far beyond 256 characters still yields the file's own name.
    QTest::newRow("long installation path")
        << "C:\\" + QString(300, u'x') + "\\Sub\\wImportFactVintra.exe" << back << "wimportfactvintra";
}

void TestAppCore::title()
{
    QFETCH(QString, path);
    QFETCH(QChar, separator);
    QFETCH(QString, expected);
    QCOMPARE(applicationTitleFromPath(path, separator), expected);
}

void TestAppCore::fullStop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("letter") << "Companie inexistenta" << "Companie inexistenta.";
    QTest::newRow("ellipsis") << "Nu s-a ales nici un fisier..." << "Nu s-a ales nici un fisier...";
    QTest::newRow("double quote") << "Nu exista \"A8\"" << "Nu exista \"A8\"";
    QTest::newRow("closing parenthesis") << "valoare (x)" << "valoare (x)";
    QTest::newRow("exclamation") << "Atentie!" << "Atentie!";
    QTest::newRow("comma") << "a," << "a,";
    QTest::newRow("space") << "a " << "a ";
    QTest::newRow("hyphen (45)") << "a-" << "a-";
    QTest::newRow("slash (47)") << "a/" << "a/.";
    QTest::newRow("digit") << "Eroare 42" << "Eroare 42.";
    QTest::newRow("question mark") << "Sigur?" << "Sigur?.";
    QTest::newRow("colon") << "Eroare:" << "Eroare:.";
    QTest::newRow("non-ASCII letter") << "Eroare ă" << "Eroare ă.";
    QTest::newRow("empty") << "" << "";
}

void TestAppCore::fullStop()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(withFullStop(text), expected);
}

namespace {
std::exception_ptr chain(const QStringList &messages)
{
    // messages[0] is the outermost.
    std::function<void(int)> raise = [&](int i) {
        if (i == messages.size() - 1)
            throw Error(messages.at(i));
        try {
            raise(i + 1);
        } catch (...) {
            std::throw_with_nested(Error(messages.at(i)));
        }
    };
    try {
        raise(0);
    } catch (...) {
        return std::current_exception();
    }
    return nullptr;
}
} // namespace

void TestAppCore::innermostMessage()
{
    QCOMPARE(*errorDisplayText(chain({"Outer"})), QString("Outer."));
    QCOMPARE(*errorDisplayText(chain({"Outer", "Inner"})), QString("Inner."));
    QCOMPARE(*errorDisplayText(chain({"Outer", "Middle", ""})), QString("Middle."));
    QCOMPARE(*errorDisplayText(chain({"Outer", "", ""})), QString("Outer."));
    QCOMPARE(*errorDisplayText(chain({"", ""})), QString(""));
    // A foreign exception's what() is read as UTF-8.
    QCOMPARE(*errorDisplayText(std::make_exception_ptr(std::runtime_error("Eroare \xC4\x83"))),
             QString("Eroare ă."));
}

void TestAppCore::abortShowsNothing()
{
    QVERIFY(!errorDisplayText(std::make_exception_ptr(Abort())).has_value());
}

QTEST_APPLESS_MAIN(TestAppCore)
#include "tst_appcore.moc"
