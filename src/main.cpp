// Vantorel: explores the Mandelbrot set in a window.

#include "qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

const char* const Usage = "Usage: vantorel [--help] [--version]\n"
                          "Explores the Mandelbrot set in a window.\n"
                          "\n"
                          "  --help     print this text and exit\n"
                          "  --version  print the version and exit\n"
                          "\n"
                          "Locations and pictures are saved in mandel_locations/ and mandel_pictures/\n"
                          "beside the program when that folder holds them and may be written, else in\n"
                          "$XDG_DATA_HOME/vantorel/ (by default ~/.local/share/vantorel/).\n";

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build checks for leaks when the program ends; the
// suppressions for the libraries' own allocations name functions inside
// them, which only the slow unwinder finds (they have no frame pointers).
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif

int main(int argc, char** argv)
{
    // The program takes no arguments but these two; each is answered without
    // a display.
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        }
        if (argument == "--version") {
            std::puts("vantorel " VANTOREL_VERSION);
            return 0;
        }
        std::fprintf(stderr, "vantorel: unknown option '%s' (see vantorel --help)\n", argv[i]);
        return 2;
    }
    // Without a display Qt would abort with a long message; say what to do instead.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Vantorel needs a graphical display; without one, try: xvfb-run %s\n", argv[0]);
        return 1;
    }
    return vantorel::qt::runApplication(argc, argv);
}
