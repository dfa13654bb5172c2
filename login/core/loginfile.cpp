#include "loginfile.h"

#include "apptitle.h"
#include "errors.h"
#include "loginstorage.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#ifdef _WIN32
#include <shlobj.h>
#else
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace wifv {

namespace {

std::optional<QString> &folderOverride()
{
    static std::optional<QString> folder;
    return folder;
}

#ifndef _WIN32
QString homeFolder()
{
    if (const char *home = std::getenv("HOME"); home && *home)
        return QString::fromLocal8Bit(home);
    if (const passwd *pw = getpwuid(getuid()); pw && pw->pw_dir)
        return QString::fromLocal8Bit(pw->pw_dir);
    return {};
}
#endif

} // namespace

void setAppDataFolderOverride(std::optional<QString> folder) { folderOverride() = std::move(folder); }

QString appDataFolder()
{
    if (folderOverride())
        return *folderOverride();
#ifdef _WIN32
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer) != S_OK)
        return {};
    return QString::fromWCharArray(buffer);
#else
    QString folder;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        folder = QString::fromLocal8Bit(xdg);
    } else {
        const QString home = homeFolder();
        if (home.isEmpty())
            return {};
        folder = joinPath(home, QStringLiteral(".config"));
    }
    // A fresh account has no such folder yet; missing parents are made too.
    const QByteArray path = QFile::encodeName(folder);
    for (qsizetype slash = path.indexOf('/', 1); slash > 0; slash = path.indexOf('/', slash + 1))
        ::mkdir(path.left(slash).constData(), 0700);
    ::mkdir(path.constData(), 0700);
    return folder;
#endif
}

QString joinPath(const QString &folder, const QString &name)
{
    if (folder.isEmpty() || folder.endsWith(nativePathSeparator()) || folder.endsWith(u'/'))
        return folder + name;
    return folder + nativePathSeparator() + name;
}

QString loginFilePath()
{
    return joinPath(appDataFolder(), QStringLiteral("TavoLorun.json"));
}

void saveLoginFile(LoginTable &table, const QString &path, const WriteBytes &write)
{
    table.finishEdit();
    const QByteArray bytes = writeLoginStorage(table);
    auto cannotCreate = [&](const QString &reason) {
        return Error(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(path), reason));
    };
    QSaveFile file(path);
    // Where no temporary file can be made beside it, the file is written in place.
    file.setDirectWriteFallback(true);
    if (!file.open(QIODevice::WriteOnly))
        throw cannotCreate(file.errorString());
    try {
        if (write)
            write(file, bytes);
        else if (file.write(bytes) != bytes.size())
            throw cannotCreate(file.errorString());
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        throw cannotCreate(file.errorString());
}

void loadLoginFile(LoginTable &table, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        table.close();
        throw Error(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    }
    readLoginStorage(file.readAll(), table);
}

} // namespace wifv
