#include "files/location_file.h"

#include "core/numeric.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "files/dialogs.h"
#include "files/safe_file.h"
#include "navigation/run_control.h"
#include "navigation/view_limits.h"
#include "platform/platform.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <pwd.h>
#include <set>
#include <unistd.h>

namespace vantorel {
namespace {

// A location file: nine little-endian fields, no header, no padding.
//   0 viewXMin f64 | 8 viewYMin f64 | 16 viewXMax f64 | 24 viewYMax f64
//  32 maxIterations f32 | 36 calcStep i16 | 38 zoomCount i16
//  40 zoomFactor f64 | 48 colour intensity i16
constexpr std::size_t LocationFileSize = 50;
using LocationBytes = std::array<unsigned char, LocationFileSize>;

// The ranges of the three scroll bars a location sets.
constexpr int IterationsMin = 1, IterationsMax = 30000;
constexpr int CalcStepMin = 1, CalcStepMax = 400;
constexpr int IntensityMin = 0, IntensityMax = 1020;

// Written byte by byte so that the layout does not depend on the compiler's
// struct packing or on the machine's byte order.
class Writer {
public:
    explicit Writer(LocationBytes& out) : bytes(out) {}
    void u16(std::uint16_t v) { put(v, 2); }
    void f32(float v) { put(std::bit_cast<std::uint32_t>(v), 4); }
    void f64(double v) { put(std::bit_cast<std::uint64_t>(v), 8); }
    void i16(std::int16_t v) { u16(static_cast<std::uint16_t>(v)); }

private:
    void put(std::uint64_t v, int size)
    {
        for (int i = 0; i < size; ++i)
            bytes[at++] = static_cast<unsigned char>((v >> (8 * i)) & 0xff);
    }
    LocationBytes& bytes;
    std::size_t at = 0;
};

class Reader {
public:
    explicit Reader(const std::string& in) : bytes(in) {}
    std::int16_t i16() { return static_cast<std::int16_t>(static_cast<std::uint16_t>(get(2))); }
    float f32() { return std::bit_cast<float>(static_cast<std::uint32_t>(get(4))); }
    double f64() { return std::bit_cast<double>(get(8)); }

private:
    std::uint64_t get(int size)
    {
        std::uint64_t v = 0;
        for (int i = 0; i < size; ++i)
            v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes[at++])) << (8 * i);
        return v;
    }
    const std::string& bytes;
    std::size_t at = 0;
};

LocationBytes encode(const Location& l)
{
    LocationBytes bytes{};
    Writer w(bytes);
    w.f64(l.viewXMin);
    w.f64(l.viewYMin);
    w.f64(l.viewXMax);
    w.f64(l.viewYMax);
    w.f32(l.maxIterations);
    w.i16(l.calcStep);
    w.i16(l.zoomCount);
    w.f64(l.zoomFactor);
    w.i16(l.colourLevel);
    return bytes;
}

Location decode(const std::string& bytes)
{
    Reader r(bytes);
    Location l{};
    l.viewXMin = r.f64();
    l.viewYMin = r.f64();
    l.viewXMax = r.f64();
    l.viewYMax = r.f64();
    l.maxIterations = r.f32();
    l.calcStep = r.i16();
    l.zoomCount = r.i16();
    l.zoomFactor = r.f64();
    l.colourLevel = r.i16();
    return l;
}

// The iteration limit as the itera bar takes it: rounded, ties to even.
// Nothing when it is not a number or rounds outside the bar's range.
std::optional<std::int16_t> iterationsForBar(float maxIterations)
{
    if (!std::isfinite(maxIterations))
        return std::nullopt;
    const double rounded = std::nearbyint(static_cast<double>(maxIterations));
    if (rounded < IterationsMin || rounded > IterationsMax)
        return std::nullopt;
    return roundToInt16(rounded);
}

std::string outsideRange(const char* what, const std::string& value, int low, int high)
{
    return std::string("Its ") + what + ", " + value + ", is outside " + std::to_string(low) + " to "
           + std::to_string(high) + ".";
}

// A location is taken only as a whole. Setting the bars one by one and
// stopping at the first bad value would leave a half-loaded place: the view of
// the file without its picture, and worse, the file's calculation step in
// calcStep while the kstep bar still shows the old one. A step of 0 or below
// never lets the escape-time loop reach its limit, so the next plot would
// hang. A view is taken by the rule navigation keeps to: finite corners and
// finite spans. A view wider than the largest double draws nothing useful and
// refuses every zoom, drag and arrow key, and an infinite zoom factor makes
// zoom steps that count without moving the view. Returns what is wrong, in
// the user's words, or empty text.
std::string refusal(const Location& l)
{
    if (!isUsableView(l.viewXMin, l.viewYMin, l.viewXMax, l.viewYMax))
        return "Its view is not a finite part of the plane.";
    if (!std::isfinite(usableZoomFactor(l.zoomFactor)))
        return "Its zoom factor is not a finite number.";
    if (!std::isfinite(l.maxIterations))
        return "Its iteration limit is not a finite number.";
    if (!iterationsForBar(l.maxIterations))
        return outsideRange("iteration limit", formatGeneral(l.maxIterations, platform().decimalSeparator()),
                            IterationsMin, IterationsMax);
    if (l.calcStep < CalcStepMin || l.calcStep > CalcStepMax)
        return outsideRange("calculation step", std::to_string(l.calcStep), CalcStepMin, CalcStepMax);
    if (l.colourLevel < IntensityMin || l.colourLevel > IntensityMax)
        return outsideRange("colour intensity", std::to_string(l.colourLevel), IntensityMin, IntensityMax);
    return {};
}

void tell(const std::string& text) { platform().messageBox(text, "Vantorel"); }

// Both commands take a name only if ".sav" appears anywhere in the whole path,
// capitals not accepted. The dialog adds the extension only to a name typed
// without a full stop, so "Place.SAV" or "trip.2024" reach the test as they
// are: the user is told rather than left to find nothing written. A
// cancelled dialog (no path) is no request and stays silent.
bool acceptedLocationName(const std::string& path, const char* failure)
{
    if (path.empty())
        return false;
    if (path.find(".sav") != std::string::npos)
        return true;
    tell(std::string(failure) + " \"" + path + "\".\r\nLocation files end in \".sav\", in small letters.");
    return false;
}

std::string trimSpaces(const std::string& text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The user's home folder: $HOME, or the account's when that is unset or not
// an absolute path.
std::string homeFolder()
{
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return home;
    const passwd* user = ::getpwuid(::getuid());
    return user ? user->pw_dir : "";
}

// The user's own data folder: $XDG_DATA_HOME, or ~/.local/share when that is
// unset or not an absolute path.
std::string userDataHome()
{
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg && xdg[0] == '/')
        return xdg;
    return homeFolder() + "/.local/share";
}

// Where the dialogs start when the user's data folder cannot be made (a
// read-only home, a data folder that is a file): the home folder where it
// can be written, else the folder the program was started in.
std::string folderInstead()
{
    const std::string home = homeFolder();
    if (!home.empty() && isWritableFolder(home))
        return home;
    char here[4096];
    return ::getcwd(here, sizeof here) ? here : "/";
}

}  // namespace

std::string dataFolderPath(const std::string& kind)
{
    const std::string k = trimSpaces(kind);
    std::string folder;
    if (k == "location")
        folder = "mandel_locations";
    else if (k == "picture")
        folder = "mandel_pictures";
    else
        return {};  // no other kind is asked for; the dialog then picks a folder
    // A copy of its own (the build tree, an unpacked folder) keeps its data
    // folders beside the program. An installed copy sits in a system folder
    // that is not the user's to write, so its data goes to the user's data
    // folder, made when first asked for so that the dialogs can start there.
    const std::string beside = platform().applicationFolder() + "/" + folder;
    if (isWritableFolder(beside))
        return beside + "/";
    const std::string own = userDataHome() + "/vantorel/" + folder;
    if (makeFolders(own))
        return own + "/";
    // Said once for each folder, so that the user knows where the files go
    // rather than finding them somewhere unexpected.
    const std::string instead = folderInstead();
    static std::set<std::string> told;
    if (told.insert(own).second)
        tell("The folder \"" + own + "\" for your " + (k == "location" ? "location files" : "pictures")
             + " could not be created.\r\nThe file dialog starts in \"" + instead + "\" instead.");
    return instead == "/" ? instead : instead + "/";
}

void mnusavelocation_Click()
{
    const std::string path = showSaveDialog("sav", "sav", dataFolderPath("location"));
    if (!acceptedLocationName(path, "Could not save the location to"))
        return;
    Platform& p = platform();
    // The bars are the store of these three; the state keeps the copies.
    state.maxIterations = static_cast<float>(p.scrollValue(ScrollBar::itera));
    state.calcStep = p.scrollValue(ScrollBar::kstep);
    state.colourLevel = p.scrollValue(ScrollBar::colourbar);
    const Location l{state.viewXMin, state.viewYMin,  state.viewXMax,   state.viewYMax,   state.maxIterations,
                     state.calcStep, state.zoomCount, state.zoomFactor, state.colourLevel};
    const LocationBytes bytes = encode(l);
    // A failed save keeps any older file whole and says why: a location the
    // user believes saved and finds missing later is lost work.
    const std::string problem = replaceFileContents(path, bytes.data(), bytes.size());
    if (!problem.empty())
        tell("Could not save the location to \"" + path + "\".\r\n" + problem);
}

std::string readLocationFile(const std::string& path, Location& l)
{
    // All 50 bytes or nothing: a file that is refused changes nothing, and
    // the user learns what was wrong with it.
    const FileRead read = readFileStart(path, LocationFileSize);
    std::string problem = read.problem;
    if (problem.empty() && read.bytes.size() < LocationFileSize)
        problem = "The file is " + std::to_string(read.bytes.size()) + " bytes long; a location file is "
                  + std::to_string(LocationFileSize) + " bytes long.";
    if (problem.empty()) {
        l = decode(read.bytes);
        problem = refusal(l);
    }
    return problem;
}

int locationIterations(const Location& l) { return *iterationsForBar(l.maxIterations); }

void mnuloadlocation_Click()
{
    const std::string path = showOpenDialog("sav", dataFolderPath("location"));
    if (!acceptedLocationName(path, "Could not load the location from"))
        return;
    Location l{};
    const std::string problem = readLocationFile(path, l);
    if (!problem.empty()) {
        tell("Could not load the location from \"" + path + "\".\r\n" + problem);
        return;
    }

    state.viewXMin = l.viewXMin;
    state.viewYMin = l.viewYMin;
    state.viewXMax = l.viewXMax;
    state.viewYMax = l.viewYMax;
    state.maxIterations = l.maxIterations;
    state.calcStep = l.calcStep;
    state.zoomCount = l.zoomCount;
    state.zoomFactor = l.zoomFactor;
    state.colourLevel = l.colourLevel;

    // In this order; each bar's change handler updates its label (and, for
    // kstep, calcStep, which already holds the same value).
    Platform& p = platform();
    p.setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(locationIterations(l)));
    p.setScrollValue(ScrollBar::kstep, l.calcStep);
    p.setScrollValue(ScrollBar::colourbar, l.colourLevel);

    // The zoom labels follow the loaded place at once rather than keeping the
    // count of the place that was left.
    showZoom();
    replot();  // draws over the old picture; a load does not clear the canvas
}

}  // namespace vantorel
