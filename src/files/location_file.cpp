#include "files/location_file.h"

#include "core/numeric.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "files/dialogs.h"
#include "files/safe_file.h"
#include "navigation/run_control.h"
#include "navigation/view_limits.h"
#include "platform/platform.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>
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

// In a deep file every corner holds this quiet NaN ("DEEP" in its payload):
// the location text follows the 50 bytes.
constexpr std::uint64_t DeepViewFollows = 0x7FF8'0000'4445'4550;

// The ranges of the three scroll bars a location sets.
constexpr int IterationsMin = 1, IterationsMax = 30000;
constexpr int CalcStepMin = 1, CalcStepMax = 400;
constexpr int IntensityMin = 0, IntensityMax = 1020;

struct LocationRecord {
    double viewXMin, viewYMin, viewXMax, viewYMax;
    float maxIterations;
    std::int16_t calcStep, zoomCount;
    double zoomFactor;
    std::int16_t colourLevel;
};

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
    explicit Reader(std::string_view in) : bytes(in) {}
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
    std::string_view bytes;
    std::size_t at = 0;
};

LocationBytes encode(const LocationRecord& l)
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

LocationRecord decode(std::string_view bytes)
{
    Reader r(bytes);
    LocationRecord l{};
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

bool marksDeepView(const LocationRecord& l)
{
    for (const double corner : {l.viewXMin, l.viewYMin, l.viewXMax, l.viewYMax})
        if (std::bit_cast<std::uint64_t>(corner) != DeepViewFollows)
            return false;
    return true;
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

const char* const NotFinite = "Its view is not a finite part of the plane.";

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
std::string refusal(const LocationRecord& l)
{
    if (!isUsableView(l.viewXMin, l.viewYMin, l.viewXMax, l.viewYMax))
        return NotFinite;
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

// --- the location text ---
//
//   Vantorel location 1
//   precision BITS            the corners' precision, 64 to 65536
//   x-min DECIMAL             the four corners, exact at that precision
//   y-min DECIMAL
//   x-max DECIMAL
//   y-max DECIMAL
//   iterations N              1 to 30000
//   step N                    1 to 400
//   intensity N               0 to 1020
//   zoom-count N              -32768 to 32767
//   zoom-factor DECIMAL       the double exactly
//   checksum HEX              FNV-1a (64 bits) of the lines above, 16 digits
//
// Lines end with a line feed (a carriage return before it is ignored, also
// by the checksum, which takes every line above it with one line feed);
// empty lines may follow the checksum and nothing else.

constexpr std::string_view TextFormatLine = "Vantorel location 1";
constexpr std::string_view TextFormatName = "Vantorel location";
constexpr const char* TextKeys[] = {"precision",  "x-min", "y-min",     "x-max",      "y-max",
                                    "iterations", "step",  "intensity", "zoom-count", "zoom-factor"};
constexpr std::size_t TextLines = 1 + std::size(TextKeys) + 1;

std::uint64_t fnv1a(std::uint64_t hash, std::string_view bytes)
{
    for (const char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}
constexpr std::uint64_t FnvOffset = 0xcbf29ce484222325ULL;

std::string checksumText(std::uint64_t hash)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string textFor(const DeepView& view, int iterations, int step, int intensity, int zoomCount, double zoomFactor)
{
    const int bits = std::max({view.xMin.precision(), view.yMin.precision(), view.xMax.precision(),
                               view.yMax.precision()});
    const BigFloat* corners[4] = {&view.xMin, &view.yMin, &view.xMax, &view.yMax};
    std::string text = std::string(TextFormatLine) + "\nprecision " + std::to_string(bits) + "\n";
    for (int i = 0; i < 4; ++i)
        text += std::string(TextKeys[1 + i]) + " " + corners[i]->rounded(bits).toExactDecimal() + "\n";
    // A factor that is no finite number (only a 50-byte file brings one) is
    // written as 0, which the pass takes as its default, as it does a NaN.
    const BigFloat factor(std::isfinite(zoomFactor) ? zoomFactor : 0.0);
    text += "iterations " + std::to_string(iterations) + "\nstep " + std::to_string(step) + "\nintensity "
            + std::to_string(intensity) + "\nzoom-count " + std::to_string(zoomCount) + "\nzoom-factor "
            + factor.toExactDecimal() + "\n";
    return text + "checksum " + checksumText(fnv1a(FnvOffset, text)) + "\n";
}

LocationRead refused(std::string problem) { return {std::nullopt, std::move(problem)}; }

// A value as a message quotes it: at most 24 characters.
std::string quoted(std::string_view value)
{
    std::string text = "\"";
    text.append(value.substr(0, 24));
    if (value.size() > 24)
        text += "\u2026";
    return text + "\"";
}

// A whole number from low to high: an optional '-' and digits, nothing else.
// Either the number, or why it is refused.
std::optional<int> wholeNumber(std::string_view text, const char* what, int low, int high, std::string& problem)
{
    const std::size_t digitsFrom = !text.empty() && text[0] == '-' ? 1 : 0;
    const std::string_view digits = text.substr(digitsFrom);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
        problem = std::string("Its ") + what + ", " + quoted(text) + ", is not a whole number.";
        return std::nullopt;
    }
    long value = 0;
    for (const char c : digits)
        value = std::min(value * 10 + (c - '0'), 1'000'000'000L);
    value = digitsFrom ? -value : value;
    if (value < low || value > high) {
        problem = outsideRange(what, std::string(text.substr(0, 24)), low, high);
        return std::nullopt;
    }
    return static_cast<int>(value);
}

std::optional<BigFloat> decimalNumber(std::string_view text, const char* what, int bits, std::string& problem)
{
    auto value = BigFloat::parse(text, bits);
    if (!value)
        problem = std::string("Its ") + what + ", " + quoted(text) + ", is not a finite decimal number.";
    return value;
}

LocationRead parseText(std::string_view text)
{
    if (text.size() > LocationTextLimit)
        return refused("Its location text is longer than " + std::to_string(LocationTextLimit)
                       + " bytes, the most a location file holds.");
    const std::string damaged = "Its location text is damaged or cut short: its checksum is missing or does not match.";
    std::vector<std::string_view> lines;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        std::string_view line = text.substr(at, end - at);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        at = end + 1;
    }
    // The first line, complete, names the format and its version.
    if (text.find('\n') == std::string_view::npos || !lines[0].starts_with(TextFormatName))
        return refused(damaged);
    if (lines[0] != TextFormatLine)
        return refused("Its location text is of a version this program does not read: its first line is "
                       + quoted(lines[0]) + ", not \"" + std::string(TextFormatLine) + "\".");
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    constexpr std::string_view ChecksumKey = "checksum ";
    std::uint64_t hash = FnvOffset;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i)
        hash = fnv1a(fnv1a(hash, lines[i]), "\n");
    if (lines.size() < 2 || lines.back() != std::string(ChecksumKey) + checksumText(hash))
        return refused(damaged);
    std::string_view values[std::size(TextKeys)];
    bool wellFormed = lines.size() == TextLines;
    for (std::size_t i = 0; wellFormed && i < std::size(TextKeys); ++i) {
        const std::string key = std::string(TextKeys[i]) + " ";
        wellFormed = lines[1 + i].starts_with(key);
        if (wellFormed)
            values[i] = lines[1 + i].substr(key.size());
    }
    if (!wellFormed)
        return refused("Its location text does not have the lines precision, x-min, y-min, x-max, y-max, "
                       "iterations, step, intensity, zoom-count and zoom-factor in this order.");

    std::string problem;
    const auto bits = wholeNumber(values[0], "precision", BigFloat::MinimumBits, BigFloat::MaximumBits, problem);
    if (!bits)
        return refused(problem);
    std::optional<BigFloat> corners[4];
    for (int i = 0; i < 4; ++i)
        if (!(corners[i] = decimalNumber(values[1 + i], TextKeys[1 + i], *bits, problem)))
            return refused(problem);
    Location l;
    l.fromText = true;
    l.view = {*corners[0], *corners[1], *corners[2], *corners[3]};
    if (!isUsableView(l.view.xMin.toDouble(), l.view.yMin.toDouble(), l.view.xMax.toDouble(), l.view.yMax.toDouble()))
        return refused(NotFinite);
    if (!(l.view.xMin < l.view.xMax) || !(l.view.yMin < l.view.yMax))
        return refused("Its corners are out of order: x-min must be less than x-max, and y-min less than y-max.");
    if (!withinDeepestDepth(l.view))
        return refused(std::string("Its view is deeper than the deepest view supported, with ") + DeepestDepthText
                       + ".");
    const auto iterations = wholeNumber(values[5], "iteration limit", IterationsMin, IterationsMax, problem);
    const auto step = iterations ? wholeNumber(values[6], "calculation step", CalcStepMin, CalcStepMax, problem)
                                 : std::nullopt;
    const auto intensity = step ? wholeNumber(values[7], "colour intensity", IntensityMin, IntensityMax, problem)
                                : std::nullopt;
    const auto zoomCount = intensity ? wholeNumber(values[8], "zoom count", INT16_MIN, INT16_MAX, problem)
                                     : std::nullopt;
    const auto factor = zoomCount ? decimalNumber(values[9], "zoom factor", BigFloat::MinimumBits, problem)
                                  : std::nullopt;
    if (!factor)
        return refused(problem);
    l.zoomFactor = factor->toDouble();
    if (!std::isfinite(l.zoomFactor))
        return refused("Its zoom factor, " + quoted(values[9]) + ", is beyond the range of doubles.");
    l.maxIterations = static_cast<float>(*iterations);
    l.calcStep = static_cast<std::int16_t>(*step);
    l.colourLevel = static_cast<std::int16_t>(*intensity);
    l.zoomCount = static_cast<std::int16_t>(*zoomCount);
    return {l, {}};
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
    LocationRecord l{state.viewXMin, state.viewYMin,  state.viewXMax,   state.viewYMax,   state.maxIterations,
                     state.calcStep, state.zoomCount, state.zoomFactor, state.colourLevel};
    // A deep view whose corners are doubles (the view where doubles stopped
    // resolving, a 50-byte file loaded) is held whole by the 50 bytes; its
    // load makes it deep again.
    const DeepView& v = deep.view;
    const bool beyondDoubles = deepViewActive()
                               && !(v.xMin.isDouble() && v.yMin.isDouble() && v.xMax.isDouble() && v.yMax.isDouble());
    if (beyondDoubles) {
        // Corners out of order are refused by the load: a file the program
        // would not read back is not written.
        if (!(v.xMin < v.xMax) || !(v.yMin < v.yMax)) {
            tell("Could not save the location to \"" + path
                 + "\".\r\nIts view is mirrored (a zoom factor below 2 turned it over), which a deep location "
                   "file cannot hold; one more zoom step turns it back.");
            return;
        }
        const double marker = std::bit_cast<double>(DeepViewFollows);
        l.viewXMin = l.viewYMin = l.viewXMax = l.viewYMax = marker;
    }
    const LocationBytes record = encode(l);
    std::string bytes(reinterpret_cast<const char*>(record.data()), record.size());
    if (beyondDoubles)
        bytes += locationText();
    // A failed save keeps any older file whole and says why: a location the
    // user believes saved and finds missing later is lost work.
    const std::string problem = replaceFileContents(path, bytes.data(), bytes.size());
    if (!problem.empty())
        tell("Could not save the location to \"" + path + "\".\r\n" + problem);
}

LocationRead parseLocation(std::string_view bytes)
{
    if (bytes.starts_with(TextFormatName))
        return parseText(bytes);
    // All 50 bytes or nothing: a file that is refused changes nothing, and
    // the user learns what was wrong with it.
    if (bytes.size() < LocationFileSize)
        return refused("The file is " + std::to_string(bytes.size()) + " bytes long; a location file is "
                       + std::to_string(LocationFileSize) + " bytes long.");
    const LocationRecord r = decode(bytes.substr(0, LocationFileSize));
    if (marksDeepView(r))
        return parseText(bytes.substr(LocationFileSize));
    if (std::string problem = refusal(r); !problem.empty())
        return refused(problem);
    Location l;
    l.view = {BigFloat(r.viewXMin), BigFloat(r.viewYMin), BigFloat(r.viewXMax), BigFloat(r.viewYMax)};
    l.maxIterations = r.maxIterations;
    l.calcStep = r.calcStep;
    l.zoomCount = r.zoomCount;
    l.zoomFactor = r.zoomFactor;
    l.colourLevel = r.colourLevel;
    return {l, {}};
}

LocationRead readLocationFile(const std::string& path)
{
    // The 50 bytes first: only a location text, alone or after them, is read
    // further, so a huge file named .sav costs no more than a small one.
    FileRead read = readFileStart(path, LocationFileSize);
    if (read.problem.empty()
        && (std::string_view(read.bytes).starts_with(TextFormatName)
            || (read.bytes.size() == LocationFileSize && marksDeepView(decode(read.bytes)))))
        read = readFileStart(path, LocationFileSize + LocationTextLimit + 1);
    if (!read.problem.empty())
        return refused(read.problem);
    return parseLocation(read.bytes);
}

int locationIterations(const Location& l) { return *iterationsForBar(l.maxIterations); }

void applyLocation(const Location& l)
{
    if (l.fromText) {
        adoptDeepView(l.view);
    } else {
        // Exactly the file's doubles, mirrored or empty views included.
        state.viewXMin = l.view.xMin.toDouble();
        state.viewYMin = l.view.yMin.toDouble();
        state.viewXMax = l.view.xMax.toDouble();
        state.viewYMax = l.view.yMax.toDouble();
        adoptDoubleView();
    }
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
}

void mnuloadlocation_Click()
{
    const std::string path = showOpenDialog("sav", dataFolderPath("location"));
    if (!acceptedLocationName(path, "Could not load the location from"))
        return;
    const LocationRead read = readLocationFile(path);
    if (!read.location) {
        tell("Could not load the location from \"" + path + "\".\r\n" + read.problem);
        return;
    }
    applyLocation(*read.location);
    replot();  // draws over the old picture; a load does not clear the canvas
}

std::string locationText()
{
    Platform& p = platform();
    return textFor(currentDeepView(), p.scrollValue(ScrollBar::itera), p.scrollValue(ScrollBar::kstep),
                   p.scrollValue(ScrollBar::colourbar), state.zoomCount, state.zoomFactor);
}

void mnucopylocation_Click() { platform().copyToClipboard(locationText()); }

}  // namespace vantorel
