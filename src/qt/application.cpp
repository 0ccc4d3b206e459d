#include "qt/application.h"

#include "qt/qt_platform.h"
#include "ui/lifecycle.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace vantorel::qt {

// The name of the desktop entry the program is installed with; task bars
// match the window to it to group it and find its icon.
const char* const DesktopFileName = "io.github.vantorel.Vantorel";

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Qt has taken the options it knows; anything left is no option of this
    // platform (-display on Wayland, say).
    if (argc > 1) {
        std::fprintf(stderr, "vantorel: unknown option '%s' (see vantorel --help)\n", argv[1]);
        return 2;
    }
    QGuiApplication::setDesktopFileName(DesktopFileName);
    // The icon is built into the program, so the title bar shows it wherever
    // the program runs from, installed or not.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QString(":/icons/%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
    // Closing windows never ends the loop by itself: only the shut-down
    // routine ends the program.
    app.setQuitOnLastWindowClosed(false);
    QtPlatform qtPlatform;
    setPlatform(&qtPlatform);
    startUp();
    return app.exec();
}

}  // namespace vantorel::qt
