// Vantorel: explores the Mandelbrot set in a window.

#include "qt/application.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char* const Usage = "Usage: vantorel [--help] [--version] [Qt options]\n"
                          "Explores the Mandelbrot set in a window.\n"
                          "\n"
                          "  --help     print this text and exit\n"
                          "  --version  print the version and exit\n"
                          "\n"
                          "Qt's standard options are taken as well, such as -style NAME,\n"
                          "-platform NAME, -display DISPLAY or -reverse.\n"
                          "\n"
                          "Locations and pictures are saved in mandel_locations/ and mandel_pictures/\n"
                          "beside the program when that folder holds them and may be written, else in\n"
                          "$XDG_DATA_HOME/vantorel/ (by default ~/.local/share/vantorel/).\n";

// The options Qt takes on this desktop (QGuiApplication, QApplication and
// the X11 platform), with whether a value follows. Qt reads "--style" as
// "-style", and "-style=NAME" as well. Qt itself decides once a display
// is there; this list only tells, without a display, whether an argument is
// one of Qt's or a mistake.
struct QtOption {
    const char* name;
    bool takesValue;
};

// clang-format off
const QtOption qtOptions[] = {
    {"-platform", true}, {"-platformpluginpath", true}, {"-platformtheme", true}, {"-plugin", true},
    {"-qwindowgeometry", true}, {"-geometry", true}, {"-qwindowtitle", true}, {"-title", true},
    {"-qwindowicon", true}, {"-icon", true}, {"-session", true}, {"-style", true},
    {"-stylesheet", true}, {"-qmljsdebugger", true}, {"-display", true}, {"-name", true},
    {"-visual", true}, {"-reverse", false}, {"-widgetcount", false}, {"-nograb", false},
    {"-dograb", false}, {"-testability", false},
};
// clang-format on

// The argument with one leading dash where it has two ("--style" is "-style").
std::string singleDash(const char* argument)
{
    const std::string a = argument;
    return a.rfind("--", 0) == 0 ? a.substr(1) : a;
}

// Looks at argv[i] as one of Qt's options: the index of its last word (its
// value where it takes one); 0 when Qt does not take it, -1 when its value
// is missing.
int qtOptionEnd(int argc, char** argv, int i)
{
    const std::string a = singleDash(argv[i]);
    for (const QtOption& o : qtOptions) {
        if (a == o.name)
            return !o.takesValue ? i : i + 1 < argc ? i + 1 : -1;
        if (o.takesValue && a.rfind(std::string(o.name) + "=", 0) == 0)
            return i;
    }
    return 0;
}

int refuse(const char* argument)
{
    if (argument[0] == '-')
        std::fprintf(stderr, "vantorel: unknown option '%s' (see vantorel --help)\n", argument);
    else
        std::fprintf(stderr, "vantorel: unexpected argument '%s' (see vantorel --help)\n", argument);
    return 2;
}

bool isOwnOption(const char* argument)
{
    return !std::strcmp(argument, "--help") || !std::strcmp(argument, "-h") || !std::strcmp(argument, "--version");
}

}  // namespace

#if defined(__SANITIZE_ADDRESS__)
// The sanitizer build checks for leaks when the program ends; the
// suppressions for the libraries' own allocations name functions inside
// them, which only the slow unwinder finds (they have no frame pointers).
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }
#endif

int main(int argc, char** argv)
{
    // --help and --version stand alone and are answered without a display.
    for (int i = 1; i < argc; ++i) {
        if (!isOwnOption(argv[i]))
            continue;
        if (argc > 2) {
            std::fprintf(stderr, "vantorel: %s takes no other arguments (see vantorel --help)\n", argv[i]);
            return 2;
        }
        if (!std::strcmp(argv[i], "--version"))
            std::puts("vantorel " VANTOREL_VERSION);
        else
            std::fputs(Usage, stdout);
        return 0;
    }
    // Any other argument must be one of Qt's; a display may come with one.
    bool displayGiven = false;
    for (int i = 1; i < argc; ++i) {
        const int end = qtOptionEnd(argc, argv, i);
        if (end < 0) {
            std::fprintf(stderr, "vantorel: %s needs a value (see vantorel --help)\n", argv[i]);
            return 2;
        }
        if (!end)
            return refuse(argv[i]);
        const std::string a = singleDash(argv[i]);
        displayGiven = displayGiven || a == "-platform" || a == "-display";
        i = end;
    }
    // Without a display Qt would abort with a long message; say what to do instead.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (!displayGiven && !set("DISPLAY") && !set("WAYLAND_DISPLAY") && !set("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "Vantorel needs a graphical display; without one, try: xvfb-run %s\n", argv[0]);
        return 1;
    }
    return vantorel::qt::runApplication(argc, argv);
}
