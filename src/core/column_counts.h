#pragma once
// The counts of one column of blocks, ready when the column begins instead of
// one escapeCount per block: counted then in one batch at shallow limits; at
// deep limits counted ahead, in the order the rest of the pass needs them,
// by the lanes of both threads (column_counts.cpp explains the plan).
//
// Why this is the same picture: everything a count depends on (the point,
// maxIterations, calcStep) and everything that decides which blocks of the
// column are computed (block sizes, pixelX, refinementBase, computePoint)
// changes only during the event pump or in the pass's own loop between
// columns; within a column the pass only paints. So the counts taken right
// after the pump, for exactly the blocks the row loop will compute, are the
// counts that loop would make. The batch walks the column with the loop's
// own rule (decideComputePoint) and forms each point as the loop does.

#include <cstdint>
#include <vector>

namespace vantorel {

// Whether the row loop computes the block at (pixelX, pixelY), given the
// computePoint of the block before it: the rule of the pass, shared by the
// pass and by the batch so that both pick the same blocks.
bool decideComputePoint(bool previous, int pixelX, int pixelY, int blockWidth, int blockHeight, int initialBlockSize,
                        int refinementBase);

// From this many loop rounds of a point that never escapes, a pass plans its
// pixels and counts them ahead on both threads, so that the worker counts
// while the pass's thread paints and pumps. Below it a column's own points,
// counted when the column begins, cost less than a plan of the whole pass.
constexpr int RoundsWorthPlanning = 16;

// Forgets the counts kept from earlier stages; called when a pass begins.
void beginPassCounts();
// Stops counting ahead; called when a pass ends (a pass it ran inside of
// plans again when it carries on).
void endPassCounts();
// Stops counting ahead while a pass waits in its pause, so that a paused
// program leaves the processor to others; the counts made so far are kept.
void pauseCountingAhead();
// Counts ahead again when the pause ends, if the pass was doing so and
// nothing a count depends on changed meanwhile (a change makes a new plan at
// the next column anyway).
void resumeCountingAhead();

// The row loop of the column at state.pixelX (pixelY = 0, rowStep, ...
// rowEnd) as far as counts go, in one go: counts[k] is what block k leaves in
// state.iterationCount, and the state is left as the loop leaves it at the
// last block (pixelY, computePoint, cRe, cIm, iterationCount). Counts kept
// from an earlier stage of the pass are reused while the view, the limit and
// the step are unchanged. False, with nothing changed, for a column the batch
// does not take: the pass then counts its blocks one by one.
bool countColumn(int rowEnd, int rowStep, std::vector<std::int16_t>& counts);

// What the batches have done since the program started: counts computed in
// batches (ahead of need or when a column began), blocks whose count was
// already there when their column began, columns the batch did not take
// (none in a pass on a canvas), plans of the rest of a pass, and counts
// that a plan should have brought but that neither thread had made when the
// column needed them (none: the plan missed nothing).
struct ColumnCountStats {
    long batched = 0, reused = 0, single = 0, plans = 0, late = 0;
};
ColumnCountStats columnCountStats();

}  // namespace vantorel
