// libFuzzer target for everything the program reads from outside: the bytes
// of a location file, the text of a dialog filter and the name a file dialog
// returns. The first byte chooses which; the rest is the input.
//
// Properties checked on every input (a violation aborts, which the fuzzer
// reports as a crash):
// - a load either takes the whole file or leaves the state as it was;
// - after any load the scroll bars hold values of their ranges, calcStep
//   matches the kstep bar and the view is finite, so every later command works;
// - a load never creates a file;
// - the filter list is the text with each "|" turned into NUL, plus a NUL.

#include "core/state.h"
#include "files/dialogs.h"
#include "files/location_file.h"
#include "navigation/run_control.h"
#include "platform/memory_platform.h"
#include "ui/headless.h"
#include "ui/lifecycle.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>

using namespace vantorel;
namespace fs = std::filesystem;

namespace {

void require(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "property violated: %s\n", what);
        std::abort();
    }
}

const fs::path& scratchFolder()
{
    static const fs::path folder = [] {
        fs::path p = fs::temp_directory_path() / ("vantorel-fuzz-" + std::to_string(getpid()));
        fs::create_directories(p);
        // The program's folder holds no data folders, so the dialogs start in
        // the user's data folder: keep that in here as well.
        ::setenv("XDG_DATA_HOME", p.c_str(), 1);
        return p;
    }();
    return folder;
}

MemoryPlatform& freshProgram()
{
    static MemoryPlatform fake;
    state = ExplorationState{};
    fake = MemoryPlatform();
    fake.folder = scratchFolder().string();
    connectHeadlessHandlers(fake);
    setPlatform(&fake);
    startUp();
    // Passes end at their first pump, so a loaded limit of 30000 stays quick.
    fake.onEveryPump = [] { mnustop_Click(); };
    return fake;
}

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void checkUsable(MemoryPlatform& fake)
{
    const int itera = fake.scrollValue(ScrollBar::itera), kstep = fake.scrollValue(ScrollBar::kstep);
    const int colour = fake.scrollValue(ScrollBar::colourbar);
    require(itera >= 1 && itera <= 30000, "itera in range");
    require(kstep >= 1 && kstep <= 400, "kstep in range");
    require(colour >= 0 && colour <= 1020, "colourbar in range");
    require(state.calcStep == kstep, "calcStep follows kstep");
    require(std::isfinite(state.viewXMin) && std::isfinite(state.viewYMin) && std::isfinite(state.viewXMax)
                && std::isfinite(state.viewYMax) && std::isfinite(state.viewXMax - state.viewXMin)
                && std::isfinite(state.viewYMax - state.viewYMin),
            "finite view and spans");
    // The next Start must run and end.
    Command1_Click();
    require(!state.abortRequested && !state.timingActive, "a later pass ends");
}

void loadBytes(const std::string& bytes)
{
    if (bytes.size() > 100)
        return;
    MemoryPlatform& fake = freshProgram();
    const fs::path file = scratchFolder() / "input.sav";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    fake.openDialogAnswer = file.string();
    const ExplorationState before = state;
    mnuloadlocation_Click();
    const bool loaded = state.plotStarted;
    if (!loaded) {
        require(sameBits(state.viewXMin, before.viewXMin) && sameBits(state.viewYMax, before.viewYMax)
                    && state.calcStep == before.calcStep && state.zoomCount == before.zoomCount
                    && sameBits(state.zoomFactor, before.zoomFactor),
                "a refused load leaves the state untouched");
    } else {
        require(bytes.size() >= 50, "only whole files load");
        double xMin;
        std::memcpy(&xMin, bytes.data(), 8);
        require(sameBits(state.viewXMin, xMin), "a load takes the file's view");
    }
    checkUsable(fake);
}

void filterText(const std::string& text)
{
    const std::string list = buildDialogFilter(text);
    std::string expected = text;
    for (char& c : expected)
        if (c == '|')
            c = '\0';
    expected.push_back('\0');
    require(list == expected, "filter list");
}

void chosenName(std::string name)
{
    // Only names inside the scratch folder: a name from the fuzzer must not
    // reach other files of the machine.
    for (char& c : name)
        if (c == '/' || c == '\0')
            c = '_';
    if (name.empty() || name == "." || name == ".." || name.size() > 200)
        return;
    MemoryPlatform& fake = freshProgram();
    const fs::path path = scratchFolder() / name;
    std::error_code error;
    fs::remove_all(path, error);
    fake.openDialogAnswer = path.string();
    mnuloadlocation_Click();
    require(!fs::exists(path), "a load never creates a file");
    require(!state.plotStarted, "a missing file does not load");
    checkUsable(fake);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::string payload(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] % 3) {
    case 0: loadBytes(payload); break;
    case 1: filterText(payload); break;
    default: chosenName(payload); break;
    }
    return 0;
}
