#include "qt/application.h"

#include "qt/qt_platform.h"
#include "ui/lifecycle.h"

#include <QApplication>

namespace vantorel::qt {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    // Closing windows never ends the loop by itself: only the shut-down
    // routine ends the program.
    app.setQuitOnLastWindowClosed(false);
    QtPlatform qtPlatform;
    setPlatform(&qtPlatform);
    startUp();
    return app.exec();
}

} // namespace vantorel::qt
