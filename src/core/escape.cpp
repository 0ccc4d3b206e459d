#include "core/escape.h"

#include "core/state.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

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

// What a count colours to: its band and shade and, outside band 0, its
// colour. Band 0 scales the shade by the intensity, which can change at any
// pump: its level and colour are kept with the intensity they were made for.
struct CountColour {
    enum Kind : std::uint8_t { Unknown, BandZero, Fixed, Black, Unchanged };
    std::uint32_t limitBits = 0;  // the limit it was worked out for
    Kind kind = Unknown;
    float band = 0, shade = 0;
    std::int32_t colour = 0;  // Fixed, Black, and BandZero at `intensity`
    int intensity = -1;       // BandZero: what `level` and `colour` are for
    std::int16_t level = 0;
};

// The colouring rules, in this order: a count above limit - 2 is black, but
// one that still falls in bands 0..3 gets its band colour instead. Beyond
// band 3 a count below that keeps the colour of the block before.
CountColour colourRules(float band, float shade, bool aboveLimitLessTwo)
{
    CountColour c;
    c.band = band;
    c.shade = shade;
    const int level = static_cast<int>(shade);
    c.kind = aboveLimitLessTwo ? CountColour::Black : CountColour::Unchanged;
    if (band == 0) {
        c.kind = CountColour::BandZero;
    } else if (band == 1) {
        c.kind = CountColour::Fixed, c.colour = rgb(200, level, 0);
    } else if (band == 2) {
        c.kind = CountColour::Fixed, c.colour = rgb(0, 0, level);
    } else if (band == 3) {
        c.kind = CountColour::Fixed, c.colour = rgb(255 - level, 0, level);
    }
    return c;
}

// Band 0's red level: the shade scaled by the intensity.
void applyIntensity(CountColour& c, int intensity)
{
    c.intensity = intensity;
    c.level = static_cast<std::int16_t>(intensity * static_cast<int>(c.shade) / 255);
    c.colour = rgb(c.level, 0, 0);
}

float bandOf(std::int16_t count, float limit) { return std::floor((4.0f / limit) * static_cast<float>(count)); }

std::uint32_t bitsOf(float x)
{
    std::uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// A pass paints hundreds of thousands of blocks with a few hundred distinct
// counts, so a positive count's band and shade (a floor and an integer
// remainder) are worked out once per limit and then looked up: one entry per
// possible count, made when first needed. calloc leaves the pages untouched
// until an entry is used, and all-zero bytes are Unknown.
CountColour* const colourOfCount = static_cast<CountColour*>(std::calloc(32768, sizeof(CountColour)));

// The band, shade and colour rules of a positive count, without band 0's intensity.
CountColour lookUpColourOnce(std::int16_t count, float limit)
{
    const float shade = static_cast<float>(static_cast<int>(limit) % count);
    CountColour c = colourRules(bandOf(count, limit), std::clamp(shade, 0.0f, 255.0f), count > limit - 2);
    c.limitBits = bitsOf(limit);
    return c;
}

const CountColour& lookUpColour(std::int16_t count, float limit, int intensity)
{
    CountColour& c = colourOfCount[count];
    if (c.kind == CountColour::Unknown || c.limitBits != bitsOf(limit))
        c = lookUpColourOnce(count, limit);
    if (c.kind == CountColour::BandZero && c.intensity != intensity)
        applyIntensity(c, intensity);
    return c;
}

// A count of 0 keeps the shade of the block before.
CountColour colourOfZeroWith(std::int16_t count, float limit, float previousShade, int intensity)
{
    CountColour zero =
        colourRules(bandOf(count, limit), std::clamp(previousShade, 0.0f, 255.0f), count > limit - 2);
    if (zero.kind == CountColour::BandZero)
        applyIntensity(zero, intensity);
    return zero;
}

// The colour is made in one place that the next count of 0 overwrites
// (colouring runs on the pass's thread only).
const CountColour& colourOfZero(std::int16_t count, float limit, float previousShade, int intensity)
{
    static CountColour zero;
    zero = colourOfZeroWith(count, limit, previousShade, intensity);
    return zero;
}

// What one block passes on to the next: a count of 0 keeps the shade, and a
// count beyond band 3 the colour (and band 0 only sets the level).
struct Carried {
    float band, shade;
    std::int16_t level;
    Colour colour;
};

Carried carriedFromState()
{
    const ExplorationState& s = state;
    return {s.colourBand, s.shade, s.colourLevel, s.blockColour};
}

void carryToState(const Carried& c)
{
    ExplorationState& s = state;
    s.colourBand = c.band;
    s.shade = c.shade;
    s.colourLevel = c.level;
    s.blockColour = c.colour;
}

// The colour of one block from its count and what the block before left.
Colour colourNext(Carried& carried, std::int16_t count, float limit, int intensity)
{
    const CountColour& c =
        count > 0 ? lookUpColour(count, limit, intensity) : colourOfZero(count, limit, carried.shade, intensity);
    carried.band = c.band;
    carried.shade = c.shade;
    // Written without branches on the kind: neighbouring blocks often differ
    // in band, and a mispredicted jump costs more than the selects.
    const bool bandZero = c.kind == CountColour::BandZero;
    const bool keeps = c.kind == CountColour::Unchanged || c.kind == CountColour::Unknown;
    carried.level = bandZero ? c.level : carried.level;
    carried.colour = keeps ? carried.colour : c.colour;
    return carried.colour;
}

void setBlockCorners()
{
    ExplorationState& s = state;
    s.blockRight = static_cast<std::int16_t>(s.pixelX + s.blockWidth - 1);
    s.blockBottom = static_cast<std::int16_t>(s.pixelY + s.blockHeight - 1);
}
}  // namespace

void paintBlock() { paintBlock(platform().scrollValue(ScrollBar::colourbar)); }

Colour colourBlock(int intensity)
{
    Carried carried = carriedFromState();
    const Colour colour = colourNext(carried, state.iterationCount, state.maxIterations, intensity);
    carryToState(carried);
    setBlockCorners();
    return colour;
}

void colourColumn(const std::int16_t* counts, Colour* colours, int blocks, int intensity)
{
    Carried carried = carriedFromState();
    const float limit = state.maxIterations;
    for (int k = 0; k < blocks; ++k)
        colours[k] = colourNext(carried, counts[k], limit, intensity);
    carryToState(carried);
    setBlockCorners();
}

CountColours::CountColours(float maxIterations, int intensity_)
    : limit(maxIterations), intensity(intensity_), colours(32768), shades(32768)
{
    if (!(maxIterations >= 1 && maxIterations <= 30000) || maxIterations != std::floor(maxIterations))
        throw std::invalid_argument("CountColours needs a whole limit from 1 to 30000");
    for (int count = 1; count < 32768; ++count) {
        CountColour c = lookUpColourOnce(static_cast<std::int16_t>(count), maxIterations);
        // Beyond band 3 only the counts above limit - 2 come, and they are
        // black: no positive count keeps the colour of the block before.
        if (c.kind == CountColour::Unchanged)
            throw std::invalid_argument("CountColours: a count that keeps the colour before");
        if (c.kind == CountColour::BandZero)
            applyIntensity(c, intensity);
        colours[static_cast<std::size_t>(count)] = c.colour;
        shades[static_cast<std::size_t>(count)] = c.shade;
    }
}

Colour CountColours::zeroColour(float shadeBefore) const
{
    return colourOfZeroWith(0, limit, shadeBefore, intensity).colour;
}

void paintBlock(int intensity)
{
    const ExplorationState& s = state;
    const Colour colour = colourBlock(intensity);
    // The test looks at the height only: in a 2 x 1 stage just the left pixel
    // of each block is set; the final 1 x 1 stage paints the right one.
    if (s.blockHeight == 1)
        platform().canvasSetPixel(s.pixelX, s.pixelY, colour);
    else
        platform().canvasFillBox(s.pixelX, s.pixelY, s.blockRight, s.blockBottom, colour);
}

}  // namespace vantorel
