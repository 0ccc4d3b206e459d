// Vantorel: explores the Mandelbrot set in a window.

#include "qt/application.h"

#include <cstdio>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build checks for leaks when the program ends; the
// suppressions for the libraries' own allocations name functions inside
// them, which only the slow unwinder finds (they have no frame pointers).
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif

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
