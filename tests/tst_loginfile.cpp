#include "errors.h"
#include "failure.h"
#include "loginfile.h"
#include "loginstorage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace wifv;
using wifv::test::failureOf;

namespace {

LoginTable typed(const QString &company, const QString &username)
{
    LoginTable t;
    t.open();
    t.setValue(LoginTable::Company, company);
    t.setValue(LoginTable::Username, username);
    return t; // left editing: saving must post it
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}


} // namespace

class TestLoginFile : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        m_tmp = std::make_unique<QTemporaryDir>();
        QVERIFY(m_tmp->isValid());
    }
    void joinRule_data();
    void joinRule();
    void saveAndLoad();
    void folderThatIsAFileCannotBeCreated();
    void failedWriteLeavesTheOldFileWhole();
    void saveFollowsASymbolicLinkAndKeepsPermissions();
    void missingFileCannotBeOpened();
    void applicationDataFolder();

private:
    QString path() const { return m_tmp->filePath(QStringLiteral("TavoLorun.json")); }
    std::unique_ptr<QTemporaryDir> m_tmp;
};

void TestLoginFile::joinRule_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("expected");
    QTest::newRow("no separator at the end") << "/home/ana/.config" << "/home/ana/.config/TavoLorun.json";
    QTest::newRow("separator at the end") << "/home/ana/.config/" << "/home/ana/.config/TavoLorun.json";
    QTest::newRow("folder unknown") << "" << "TavoLorun.json";
}

void TestLoginFile::joinRule()
{
    QFETCH(QString, folder);
    QFETCH(QString, expected);
    setAppDataFolderOverride(folder);
    QCOMPARE(loginFilePath(), expected);
    setAppDataFolderOverride(std::nullopt);
}

void TestLoginFile::saveAndLoad()
{
    LoginTable t = typed(QStringLiteral("Firma / Demo"), QStringLiteral("ana"));
    saveLoginFile(t, path());
    QVERIFY(!t.editing());
    QCOMPARE(contents(path()), writeLoginStorage(t));
    QVERIFY(contents(path()).contains(R"("company":"Firma \/ Demo")"));

    LoginTable loaded;
    loadLoginFile(loaded, path());
    QVERIFY(loaded.isOpen());
    QCOMPARE(loaded.rows(), t.rows());
    // Saving again with nothing changed writes the same bytes.
    const QByteArray before = contents(path());
    saveLoginFile(loaded, path());
    QCOMPARE(contents(path()), before);
    QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"TavoLorun.json"});
}

void TestLoginFile::folderThatIsAFileCannotBeCreated()
{
    const QString plain = m_tmp->filePath(QStringLiteral("plain"));
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    const QString target = plain + QStringLiteral("/TavoLorun.json");
    LoginTable t = typed(QStringLiteral("a"), QStringLiteral("b"));
    const QString message = failureOf([&] { saveLoginFile(t, target); });
    QVERIFY2(message.startsWith(QStringLiteral("Cannot create file \"%1\". ").arg(target)), qPrintable(message));
    QVERIFY(message.size() > QStringLiteral("Cannot create file \"%1\". ").arg(target).size());
}

void TestLoginFile::failedWriteLeavesTheOldFileWhole()
{
    LoginTable old = typed(QStringLiteral("Veche"), QStringLiteral("ana"));
    saveLoginFile(old, path());
    const QByteArray before = contents(path());

    LoginTable changed = typed(QStringLiteral("Noua"), QStringLiteral("ion"));
    const QString message = failureOf([&] {
        saveLoginFile(changed, path(), [](QIODevice &file, const QByteArray &bytes) {
            file.write(bytes.left(bytes.size() / 2));
            throw Error(QStringLiteral("disk full"));
        });
    });
    QCOMPARE(message, QString("disk full"));
    QCOMPARE(contents(path()), before);
    QCOMPARE(QDir(m_tmp->path()).entryList(QDir::Files | QDir::Hidden), QStringList{"TavoLorun.json"});
}

void TestLoginFile::saveFollowsASymbolicLinkAndKeepsPermissions()
{
    QVERIFY(QDir(m_tmp->path()).mkpath(QStringLiteral("real")));
    const QString target = m_tmp->filePath(QStringLiteral("real/remembered.json"));
    LoginTable first = typed(QStringLiteral("Prima"), QStringLiteral("ana"));
    saveLoginFile(first, target);
    QVERIFY(QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    QVERIFY(QFile::link(target, path()));

    LoginTable second = typed(QStringLiteral("A doua"), QStringLiteral("ion"));
    saveLoginFile(second, path());
    QVERIFY(QFileInfo(path()).isSymLink());
    QCOMPARE(contents(target), writeLoginStorage(second));
    QCOMPARE(QFile::permissions(target), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadUser |
                                             QFile::WriteUser);
}

void TestLoginFile::missingFileCannotBeOpened()
{
    LoginTable t = typed(QStringLiteral("a"), QStringLiteral("b"));
    t.finishEdit();
    const QString missing = m_tmp->filePath(QStringLiteral("none.json"));
    const QString message = failureOf([&] { loadLoginFile(t, missing); });
    QVERIFY2(message.startsWith(QStringLiteral("Cannot open file \"%1\". ").arg(missing)), qPrintable(message));
    QVERIFY(!t.isOpen());
}

void TestLoginFile::applicationDataFolder()
{
    const QByteArray savedXdg = qgetenv("XDG_CONFIG_HOME"), savedHome = qgetenv("HOME");
    const QString xdg = m_tmp->filePath(QStringLiteral("new/xdg"));
    qputenv("XDG_CONFIG_HOME", xdg.toUtf8());
    QCOMPARE(appDataFolder(), xdg);
    QVERIFY(QFileInfo(xdg).isDir());
    QCOMPARE(QFileInfo(xdg).permissions() & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());

    // A home folder that does not exist yet is made with it.
    qunsetenv("XDG_CONFIG_HOME");
    const QString home = m_tmp->filePath(QStringLiteral("home/ana"));
    qputenv("HOME", home.toUtf8());
    QCOMPARE(appDataFolder(), home + QStringLiteral("/.config"));
    QVERIFY(QFileInfo(home + QStringLiteral("/.config")).isDir());
    QCOMPARE(loginFilePath(), home + QStringLiteral("/.config/TavoLorun.json"));

    savedXdg.isNull() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", savedXdg);
    qputenv("HOME", savedHome);
}

QTEST_GUILESS_MAIN(TestLoginFile)
#include "tst_loginfile.moc"
