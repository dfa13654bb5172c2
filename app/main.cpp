#include "anchors.h"
#include "application.h"
#include "apptitle.h"
#include "pgresource.h"
#include "tfmenuimportfactvintra.h"

#include <QApplication>
#include <QDir>
#include <QIcon>

int main(int argc, char **argv)
{
    // Nothing outside the program may change how it connects.
    wifv::pg::clearEnvironment();

    // The command line is not read: Qt sees only the program's name.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    wifv::setApplicationTitle(wifv::applicationTitleFromPath(
        QDir::toNativeSeparators(QCoreApplication::applicationFilePath()), wifv::nativePathSeparator()));

    wifv::installDesignFontFallbacks();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/wimportfactvintra.png")));

    wifv::Application objects;
    objects.mainWindow().show();
    return app.exec();
}
