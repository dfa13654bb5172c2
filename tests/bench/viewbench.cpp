// Start-up and view benchmark of the whole program.
//
//   wimport-viewbench [FILE]
//
// Starts the program's windows as the program does (the same preparation,
// the four long-lived objects in their order, the main window shown), and
// reports the time until the main window is on screen. With FILE, it then
// opens the import window, loads the workbook as the operator's Load does,
// and scrolls the grid to the middle, to the end and back to the top,
// painting each position; it reports each step's time and the process's
// memory, with the workbook on screen. Run it under a real X server (xvfb-run) or QT_QPA_PLATFORM=offscreen.
#include "application.h"
#include "pgresource.h"
#include "spreadsheetview.h"
#include "startup.h"
#include "tfimportfactvintra.h"
#include "tfmenuimportfactvintra.h"

#include <QApplication>
#include <QScrollBar>
#include <QTableView>
#include <QTest>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

double since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double statusMiB(const char *field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0)
            return double(std::atol(line.c_str() + n + 1)) / 1024.0;
    return 0;
}

// Paints the widget now, as the next frame would.
void paintNow(QWidget *w)
{
    w->repaint();
    QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char **argv)
{
    const auto start = Clock::now();
    wifv::pg::clearEnvironment();
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    wifv::prepareApplication();
    const double qtReady = since(start);

    wifv::Application objects;
    const double created = since(start);
    objects.mainWindow().show();
    if (!QTest::qWaitForWindowExposed(&objects.mainWindow()))
        return 1;
    paintNow(&objects.mainWindow());
    const double onScreen = since(start);
    std::printf("| start-up step | ms since main() |\n|---|---|\n");
    std::printf("| Qt ready | %.1f |\n| the four objects created | %.1f |\n| main window on screen | %.1f |\n\n", qtReady,
                created, onScreen);
    std::printf("memory with the main window up: %.1f MiB resident, %.1f MiB peak\n\n", statusMiB("VmRSS:"),
                statusMiB("VmHWM:"));
    if (argc < 2)
        return 0;

    wifv::TfImportFactVintra *window = wifv::fImportFactVintra;
    window->show();
    if (!QTest::qWaitForWindowExposed(window))
        return 1;
    QTableView *table = window->dxSpreadSheet1->table();
    QWidget *grid = table->viewport();

    auto step = [&](const char *name, auto &&action) {
        const auto t = Clock::now();
        action();
        paintNow(grid);
        std::printf("| %s | %.1f |\n", name, since(t));
    };
    std::printf("| view step | ms |\n|---|---|\n");
    step("load and show", [&] { window->LoadWorkbook(QString::fromLocal8Bit(argv[1])); });
    QScrollBar *bar = table->verticalScrollBar();
    step("scroll to the middle", [&] { bar->setValue(bar->maximum() / 2); });
    step("scroll one page", [&] { bar->setValue(bar->value() + bar->pageStep()); });
    step("scroll to the end", [&] { bar->setValue(bar->maximum()); });
    step("scroll to the top", [&] { bar->setValue(0); });
    const int rows = table->model()->rowCount();
    const int visible = table->rowAt(grid->height() - 1) - table->rowAt(0) + 1;
    std::printf("\ngrid rows %d, rows visible %d\n", rows, visible);
    std::printf("memory with the workbook on screen: %.1f MiB resident, %.1f MiB peak\n", statusMiB("VmRSS:"),
                statusMiB("VmHWM:"));
    return 0;
}
