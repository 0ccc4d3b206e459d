// vantorel-screenshot OUT.png: starts the program's window, clicks "&Start",
// waits for the complete default picture and saves an image of the main
// window. Prints the wall time of the plot and what the time label shows.
// Needs a display (run it under xvfb-run; tools/screenshot.sh does).

#include "qt/qt_platform.h"
#include "ui/lifecycle.h"
#include "qt/main_window.h"

#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <chrono>
#include <cstdio>

using namespace vantorel;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: vantorel-screenshot OUT.png\n");
        return 2;
    }
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    qt::QtPlatform qtPlatform;
    setPlatform(&qtPlatform);
    startUp();
    qt::MainWindow* form1 = qtPlatform.mainWindow();
    // Let the window appear before the plot starts, as a user would see it.
    for (int i = 0; i < 20; ++i)
        QCoreApplication::processEvents();

    const auto start = std::chrono::steady_clock::now();
    form1->findChild<QPushButton*>("Command1")->click();  // returns when the plot is complete
    const auto wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    // Labels written in the last frame of the plot are shown by a timer.
    const auto settled = std::chrono::steady_clock::now() + std::chrono::milliseconds(100);
    while (std::chrono::steady_clock::now() < settled)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);

    std::printf("default plot: wall %.0f ms, Labeltime %s ms\n", wall, qtPlatform.caption(Caption::Labeltime).c_str());
    if (!form1->grab().save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "vantorel-screenshot: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
