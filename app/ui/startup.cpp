#include "startup.h"

#include "anchors.h"
#include "apptitle.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

namespace wifv {

void prepareApplication()
{
    setApplicationTitle(
        applicationTitleFromPath(QDir::toNativeSeparators(QCoreApplication::applicationFilePath()), nativePathSeparator()));
    installDesignFontFallbacks();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/wimportfactvintra.png")));
}

} // namespace wifv
