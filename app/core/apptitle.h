#pragma once

#include <QString>

namespace wifv {

// The application title derived from the executable's full path: the name
// after the last path separator, cut at its first full stop, every character
// after the first lower-cased. The title is the caption of every error box
// and the application name that the login checks in the company database.
QString applicationTitleFromPath(const QString &executablePath, QChar separator);

// The separator of executable paths on this platform.
constexpr QChar nativePathSeparator()
{
#ifdef _WIN32
    return QChar(u'\\');
#else
    return QChar(u'/');
#endif
}

// The title computed once at start (setApplicationTitle) and read afterwards.
const QString &applicationTitle();
void setApplicationTitle(const QString &title);

} // namespace wifv
