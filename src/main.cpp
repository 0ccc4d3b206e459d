// Vantorel: explores the Mandelbrot set in a window.

#include "qt/application.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // Without a display Qt would abort with a long message; say what to do instead.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fputs("Vantorel needs a graphical display; without one, try: xvfb-run ./run.sh\n", stderr);
        return 1;
    }
    return vantorel::qt::runApplication(argc, argv);
}
