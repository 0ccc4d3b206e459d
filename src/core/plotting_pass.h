#pragma once

#include <cstdint>

namespace vantorel {

// The zoom factor a pass works with: a factor of zero, below zero or not a
// number is replaced by 5.
inline double usableZoomFactor(double factor) { return factor > 0 ? factor : 5; }

// The block size of the next stage, from the one that just ended, once the
// stage counter has advanced to `counter`: synchronized mode halves both
// sides, otherwise an odd counter halves the width and an even one the
// height. Halving multiplies by 0.5 and rounds ties to even; a side of 1 is
// never halved to 0 (which would stall the column loop): the stage orders
// never ask for it, but a synchronized-mode switch in the middle of a pass
// could.
struct BlockSize {
    std::int16_t width, height;
};
BlockSize nextStageBlock(BlockSize block, std::int16_t counter, bool synchronized);

// Draws the current view into the canvas, block by block and stage by stage,
// pumping events after every column of blocks. Callers set abortRequested
// first (see replot); a pass started from inside another one's pump runs to
// its own end and the outer pass then carries on from the shared state
// (docs/plotting-pass.md).
void runPlottingPass();

// How many passes are running, one inside another's event pump (0 when idle).
int plottingPassNesting();

// Deepest nesting of passes; a request beyond it restarts the innermost pass.
constexpr int DefaultPassNestingLimit = 64;
void setPlottingPassNestingLimit(int depth);

}  // namespace vantorel
