#pragma once
// The two steps the plotting pass takes for every block: the escape-time
// count of the block's point and the colour of that count.

#include "platform/platform.h"

#include <cstdint>
#include <vector>

namespace vantorel {

// Escape count of the point (state.cRe, state.cIm) with the limit
// state.maxIterations and the counter increment state.calcStep.
std::int16_t escapeCount();

// Colours state.iterationCount and draws the block at (pixelX, pixelY) of
// blockWidth x blockHeight on the canvas.
void paintBlock();
// The same with the value of the intensity scroll bar given: the pass reads
// it after each event pump, the only place where it can change, instead of
// once per block.
void paintBlock(int intensity);
// Everything paintBlock(intensity) does but the drawing: the band, shade,
// colour and block corners it leaves in the state. Returns the colour, for a
// pass that paints a whole column of blocks at once.
Colour colourBlock(int intensity);
// colourBlock for a column of blocks one after another, counts[k] being the
// count of block k, into colours[k]. The state is left as colourBlock leaves
// it for the last block, which is at (pixelX, pixelY).
void colourColumn(const std::int16_t* counts, Colour* colours, int blocks, int intensity);

// The colours of counts for one limit and intensity, worked out once and then
// only read, so that threads other than the pass's can colour pictures: what
// colourBlock gives a block of a count after a block that left a shade.
class CountColours {
public:
    // The limit must be a whole number from 1 to 30000, the itera bar's
    // range: then every positive count has a colour of its own, and only a
    // count of 0 depends on the block before (throws std::invalid_argument
    // otherwise).
    CountColours(float maxIterations, int intensity);
    // A count of 0 keeps the shade the block before left.
    Colour colour(std::int16_t count, float shadeBefore) const
    {
        return count > 0 ? colours[static_cast<std::size_t>(count)] : zeroColour(shadeBefore);
    }
    Colour zeroColour(float shadeBefore) const;
    // The shade a block of a positive count leaves.
    float shade(std::int16_t count) const { return shades[static_cast<std::size_t>(count)]; }

private:
    float limit;
    int intensity;
    std::vector<Colour> colours;
    std::vector<float> shades;
};

}  // namespace vantorel
