#pragma once
// Location files (view and parameters, 50 bytes) and the data folders.

#include <cstdint>
#include <string>

namespace vantorel {

// What a location file holds.
struct Location {
    double viewXMin, viewYMin, viewXMax, viewYMax;
    float maxIterations;
    std::int16_t calcStep, zoomCount;
    double zoomFactor;
    std::int16_t colourLevel;  // the colour intensity
};

// Reads a location file and checks it as "&Load location" does: empty text
// and the location, or why it cannot be loaded, in the words the window shows.
std::string readLocationFile(const std::string& path, Location& location);
// The iteration limit of a location that was read, as its scroll bar takes it.
int locationIterations(const Location& location);

// "location" or "picture": the program's folder, the data folder's name and a
// final separator.
std::string dataFolderPath(const std::string& kind);

void mnusavelocation_Click();  // "&Save location"
void mnuloadlocation_Click();  // "&Load location"

}  // namespace vantorel
