#include "core/escape.h"

#include "core/state.h"
#include "platform/platform.h"

#include <cmath>

namespace vantorel {

std::int16_t escapeCount()
{
    ExplorationState& s = state;
    // The sequence starts at z = c rather than z = 0: the first test is on c
    // itself, so every count is one step lower than in the textbook loop.
    s.zRe = s.cRe;
    s.zIm = s.cIm;
    // The counter advances by calcStep while the limit stays maxIterations:
    // a larger step iterates fewer times but keeps counts on the same scale,
    // so the colour bands do not move. Counts stay below 30000 + 400.
    int n = 0;
    const int step = s.calcStep;
    const float limit = s.maxIterations;
    while (!(static_cast<float>(n) > limit)) {
        s.zReSquared = s.zRe * s.zRe;
        s.zImSquared = s.zIm * s.zIm;
        if (s.zImSquared + s.zReSquared > 4.0)
            break;
        s.zReNext = (s.zReSquared - s.zImSquared) + s.cRe;
        s.zIm = (s.zRe + s.zRe) * s.zIm + s.cIm;
        s.zRe = s.zReNext;
        n += step;
        if (n > 32767) {  // only reachable with a step outside the kstep range
            n = 32767;
            break;
        }
    }
    return static_cast<std::int16_t>(n);
}

namespace {
constexpr std::int32_t rgb(int red, int green, int blue)
{
    auto channel = [](int v) { return v > 255 ? 255 : v; };
    return channel(red) + 256 * channel(green) + 65536 * channel(blue);
}
}  // namespace

void paintBlock()
{
    ExplorationState& s = state;
    const std::int16_t count = s.iterationCount;
    s.colourBand = std::floor((4.0f / s.maxIterations) * static_cast<float>(count));
    if (count > 0)
        s.shade = static_cast<float>(static_cast<int>(s.maxIterations) % count);
    if (s.shade > 255)
        s.shade = 255;
    if (s.shade < 0)
        s.shade = 0;
    s.blockRight = static_cast<std::int16_t>(s.pixelX + s.blockWidth - 1);
    s.blockBottom = static_cast<std::int16_t>(s.pixelY + s.blockHeight - 1);
    // Steps in this order: a count just below the limit that still falls in
    // bands 0..3 gets its band colour, not black.
    if (count > s.maxIterations - 2)
        s.blockColour = 0;
    const int level = static_cast<int>(s.shade);
    if (s.colourBand == 0) {
        // Only band 0 (far from the set) follows the intensity scroll bar.
        const int intensity = platform().scrollValue(ScrollBar::colourbar);
        s.colourLevel = static_cast<std::int16_t>(intensity * level / 255);
        s.blockColour = rgb(s.colourLevel, 0, 0);
    } else if (s.colourBand == 1) {
        s.blockColour = rgb(200, level, 0);
    } else if (s.colourBand == 2) {
        s.blockColour = rgb(0, 0, level);
    } else if (s.colourBand == 3) {
        s.blockColour = rgb(255 - level, 0, level);
    }
    // The test looks at the height only: in a 2 x 1 stage just the left pixel
    // of each block is set; the final 1 x 1 stage paints the right one.
    if (s.blockHeight == 1)
        platform().canvasSetPixel(s.pixelX, s.pixelY, s.blockColour);
    else
        platform().canvasFillBox(s.pixelX, s.pixelY, s.blockRight, s.blockBottom, s.blockColour);
}

}  // namespace vantorel
