// libFuzzer target for everything the program reads from outside: the bytes
// of a location file, the text of a dialog filter and the name a file dialog
// returns. The first byte chooses which; the rest is the input. Two first
// bytes choose the location text of deep views: 'D' takes the rest as the
// lines of a text and adds their checksum (so that the values behind it are
// reached), loading it alone and after 50 bytes that mark a deep view; 'd'
// loads the rest as a whole file.
//
// Properties checked on every input (a violation aborts, which the fuzzer
// reports as a crash):
// - a load either takes the whole file or leaves the state as it was;
// - after any load the scroll bars hold values of their ranges, calcStep
//   matches the kstep bar and the view is finite, so every later command works;
// - a load never creates a file;
// - a deep view loaded from a text gives that text back: its location text
//   reads back to the same corners at the same precision;
// - the filter list is the text with each "|" turned into NUL, plus a NUL.

#include "core/deep_view.h"
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

// Loads the bytes as a location file of any form, whole or not at all.
void loadLocationFile(const std::string& bytes)
{
    MemoryPlatform& fake = freshProgram();
    const fs::path file = scratchFolder() / "input.sav";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    fake.openDialogAnswer = file.string();
    const ExplorationState before = state;
    mnuloadlocation_Click();
    if (!state.plotStarted) {
        require(sameBits(state.viewXMin, before.viewXMin) && sameBits(state.viewYMax, before.viewYMax)
                    && state.calcStep == before.calcStep && state.zoomCount == before.zoomCount
                    && sameBits(state.zoomFactor, before.zoomFactor) && !deepViewActive(),
                "a refused load leaves the state untouched");
        require(fake.messages.size() == 1, "a refused load says why");
    } else if (deepViewActive()) {
        const LocationRead again = parseLocation(locationText());
        require(again.location && again.problem.empty(), "the text of a loaded deep view reads back");
        const DeepView& a = again.location->view;
        const DeepView& b = deep.view;
        require(a.xMin == b.xMin && a.yMin == b.yMin && a.xMax == b.xMax && a.yMax == b.yMax
                    && a.xMin.precision() == b.xMin.precision(),
                "the text of a loaded deep view holds it exactly");
        require(a.xMin < a.xMax && a.yMin < a.yMax && withinDeepestDepth(a), "a loaded deep view is in order");
    }
    checkUsable(fake);
}

// The payload as the lines of a location text with their checksum added.
void deepText(std::string lines)
{
    if (lines.size() > 4096)
        return;
    std::erase(lines, '\r');
    if (lines.empty() || lines.back() != '\n')
        lines += '\n';
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const char c : lines)
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    char sum[40];
    std::snprintf(sum, sizeof sum, "checksum %016llx\n", static_cast<unsigned long long>(hash));
    const std::string text = lines + sum;
    loadLocationFile(text);
    // 50 bytes that mark a deep view: every corner the marked NaN, the
    // other fields those of the full view.
    std::string marked;
    for (int corner = 0; corner < 4; ++corner)
        marked += std::string("\x50\x45\x45\x44\0\0\xF8\x7F", 8);
    marked += std::string("\0\0\x7A\x44\x0F\0\0\0\0\0\0\0\0\0\x14\x40\xF4\x01", 18);
    loadLocationFile(marked + text);
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
    if (data[0] == 'D') {
        deepText(payload);
        return 0;
    }
    if (data[0] == 'd') {
        if (payload.size() <= 4096)
            loadLocationFile(payload);
        return 0;
    }
    switch (data[0] % 3) {
    case 0: loadBytes(payload); break;
    case 1: filterText(payload); break;
    default: chosenName(payload); break;
    }
    return 0;
}
