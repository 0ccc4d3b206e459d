#pragma once
// The two steps the plotting pass takes for every block: the escape-time
// count of the block's point and the colour of that count.

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

}  // namespace vantorel
