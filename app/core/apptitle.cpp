#include "apptitle.h"

namespace wifv {

QString applicationTitleFromPath(const QString &executablePath, QChar separator)
{
    QString name = executablePath.mid(executablePath.lastIndexOf(separator) + 1);
    const qsizetype dot = name.indexOf(u'.');
    if (dot >= 0)
        name.truncate(dot);
    if (name.isEmpty())
        return name;
    // The first character keeps its case; a surrogate pair counts as one.
    const qsizetype firstLength =
        (name.size() > 1 && name.at(0).isHighSurrogate() && name.at(1).isLowSurrogate()) ? 2 : 1;
    return name.left(firstLength) + name.mid(firstLength).toLower();
}

namespace {
QString &titleStorage()
{
    static QString title;
    return title;
}
} // namespace

const QString &applicationTitle() { return titleStorage(); }

void setApplicationTitle(const QString &title) { titleStorage() = title; }

} // namespace wifv
