#include "application.h"
#include "pgresource.h"
#include "startup.h"
#include "tfmenuimportfactvintra.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Nothing outside the program may change how it connects.
    wifv::pg::clearEnvironment();

    // The command line is not read: Qt sees only the program's name.
    int qtArgc = argc > 0 ? 1 : 0;
    QApplication app(qtArgc, argv);
    wifv::prepareApplication();

    wifv::Application objects;
    objects.mainWindow().show();
    return app.exec();
}
