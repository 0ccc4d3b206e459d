#pragma once
// The two steps the plotting pass takes for every block: the escape-time
// count of the block's point and the colour of that count.

#include "platform/platform.h"

#include <cstdint>

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

}  // namespace vantorel
