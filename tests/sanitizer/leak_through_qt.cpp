// Proof that the leak check of the sanitizer build can fail: this program
// loses memory on purpose from our own code, once in a lambda that Qt calls
// through a signal and once in a lambda delivered through Qt's event queue
// (QMetaObject::invokeMethod, queued). Every allocation stack of the
// program's handlers passes through Qt frames in the same way, so a
// suppression that silenced these two would silence a real leak in any
// handler as well. It then ends as the program does, through the shut-down
// routine ("shutdown"), or by leaving main ("exit"), which is how the widget
// tests end. leak_check_can_fail.sh runs both and expects both leaks reported.

#include "navigation/run_control.h"
#include "platform/platform.h"
#include "qt/qt_platform.h"

#include <QApplication>
#include <QMetaObject>
#include <QObject>

#include <cstdio>
#include <cstring>
#include <string_view>

namespace {

// Written and then forgotten: the only pointer to each block is overwritten,
// so no root reaches it when the leak check runs.
char* volatile lastBlock = nullptr;

[[gnu::noinline]] void leakThroughSignal()
{
    lastBlock = new char[300];
    std::memset(lastBlock, 1, 300);
    lastBlock = nullptr;
}

[[gnu::noinline]] void leakThroughEvent()
{
    lastBlock = new char[400];
    std::memset(lastBlock, 2, 400);
    lastBlock = nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string_view way = argc > 1 ? argv[1] : "";
    if (way != "exit" && way != "shutdown") {
        std::fputs("usage: leak_through_qt exit|shutdown\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    vantorel::qt::QtPlatform qt;
    vantorel::setPlatform(&qt);

    QObject sender;
    QObject::connect(&sender, &QObject::objectNameChanged, [] { leakThroughSignal(); });
    sender.setObjectName("leaking");
    QMetaObject::invokeMethod(
        &app, [] { leakThroughEvent(); }, Qt::QueuedConnection);
    QApplication::processEvents();

    if (way == "shutdown")
        vantorel::shutDown();
    vantorel::setPlatform(nullptr);
    return 0;
}
