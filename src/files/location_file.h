#pragma once
// Location files (the view and the parameters), "Copy location" and the data
// folders.
//
// A view whose corners are doubles is saved as the 50 bytes it always was.
// A deep view beyond doubles is saved as those 50 bytes with every corner a quiet NaN that marks
// what follows (so that a program that knows only the 50 bytes refuses the
// file rather than loading some other place), followed by the location text:
// the same text "Copy location" puts on the clipboard. A file may also hold
// the location text alone. The README's "Files" section gives the format.

#include "core/deep_view.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantorel {

// "location" or "picture": the program's folder, the data folder's name and a
// final separator.
std::string dataFolderPath(const std::string& kind);

void mnusavelocation_Click();  // "&Save location"
void mnuloadlocation_Click();  // "&Load location"
void mnucopylocation_Click();  // "&Copy location": the location text onto the clipboard

// A location as a file holds it.
struct Location {
    DeepView view;          // the corners exactly
    bool fromText = false;  // read from a location text (else from 50 bytes: the corners are doubles)
    float maxIterations = 0;
    std::int16_t calcStep = 0, zoomCount = 0;
    double zoomFactor = 0;
    std::int16_t colourLevel = 0;
};

// A location read and checked, or why it was refused, in the user's words.
struct LocationRead {
    std::optional<Location> location;
    std::string problem;  // empty when the location was read
};

// The most bytes of location text read, alone or after the 50 bytes. A
// longer text is refused from its first LocationTextLimit + 1 bytes; a
// corner of 65536 bits, the most a number holds, takes under 20,000.
constexpr std::size_t LocationTextLimit = 131072;

// Checks the content of a location file: 50 bytes (anything after them is
// ignored unless they mark a deep view), 50 marked bytes and a location text,
// or a location text alone. Uses the platform's canvas size for the depth
// limit.
LocationRead parseLocation(std::string_view bytes);
// Reads and checks a location file; reads no more than 50 +
// LocationTextLimit + 1 bytes of it.
LocationRead readLocationFile(const std::string& path);
// The iteration limit of a location that was read, as its scroll bar takes it.
int locationIterations(const Location& location);
// Makes the location the current one as "&Load location" does, except for
// the plot: the view (adopted as doubles or as a deep view), the five
// parameters in the state, the three scroll bars and the zoom labels.
void applyLocation(const Location& location);

// The current location as text: the view exactly, the three scroll bars'
// values, the zoom count and factor, and a checksum.
std::string locationText();

}  // namespace vantorel
