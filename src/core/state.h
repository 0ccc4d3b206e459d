#pragma once
// The exploration state: the one record of program-wide variables that every
// handler reads and writes. Member widths are those the picture, the labels
// and the location file depend on: 16-bit integers stay int16_t, the iteration
// limit and the colouring values stay float. Flags are bool (they only ever
// mean true or false).

#include <cstdint>
#include <string>

namespace vantorel {

struct ExplorationState {
    // View and navigation. Column 0 shows viewXMin, row 0 (the top) viewYMin;
    // the imaginary part grows downwards.
    double viewXMin = 0, viewYMin = 0, viewXMax = 0, viewYMax = 0;
    double zoomFactor = 0;       // each zoom step moves an edge by span / zoomFactor
    std::int16_t zoomCount = 0;  // zoom-in steps minus zoom-out steps

    // Computation parameters.
    float maxIterations = 0;          // copy of the itera scroll bar
    std::int16_t calcStep = 0;        // counter increment per iteration (kstep)
    std::int16_t refinementBase = 0;  // 2 = successive refinement on, 1 = off
    bool synchronizedMode = false;    // halve both block sides together
    std::int16_t colourLevel = 0;     // red level of colour band 0

    // Geometry of the current pass.
    std::int16_t canvasWidth = 0, canvasHeight = 0;  // pixels
    double spanX = 0, spanY = 0;                     // plane units
    double pixelStepX = 0, pixelStepY = 0;           // plane units per pixel
    std::int16_t initialBlockSize = 0;               // 16 or 1

    // Progress of the pass. These are shared on purpose: a pass started from
    // inside another one's event pump leaves them where the outer pass picks
    // them up again (docs/plotting-pass.md).
    std::int16_t blockWidth = 0, blockHeight = 0;
    std::int16_t pixelX = 0, pixelY = 0;
    std::int16_t blockRight = 0, blockBottom = 0;
    bool computePoint = false;      // keeps its value whenever the pass does not assign it
    std::int16_t stageCounter = 0;  // stage ends since start; only its parity is used

    // The point and its iteration.
    double cRe = 0, cIm = 0;
    double zRe = 0, zIm = 0, zReSquared = 0, zImSquared = 0, zReNext = 0;
    std::int16_t iterationCount = 0;  // count of the last iterated point

    // Colouring; shade carries over to the next block when the count is 0.
    float colourBand = 0, shade = 0;
    std::int32_t blockColour = 0;

    // Run control and timing.
    bool plotStarted = false, abortRequested = false, paused = false, timingActive = false;
    std::int32_t startTicks = 0, elapsedMs = 0;

    // Mouse drag on the canvas.
    bool dragging = false;
    std::int16_t dragStartX = 0, dragStartY = 0;

    // Which help text the information window loads: "info" or "howto".
    std::string infoFileName;
};

extern ExplorationState state;

}  // namespace vantorel
