#pragma once
// The counts of a deep view for the plotting pass.
//
// A pass over a deep view (deep_view.h) takes its counts here instead of from
// the double loop; everything else about the pass (stages, colouring, pumps,
// Stop, Pause, nesting) is unchanged, and so is the way counts are planned and
// shared between the two threads (column_counts.cpp): only the kernel that
// turns a pixel into a count differs.
//
// Before the first count, the reference orbit must be computed in the view's
// precision, which can take a noticeable part of a second at great depths. It
// is computed on a thread of its own while the pass keeps pumping events, so
// that Stop and every other command answer meanwhile.

#include "core/count_kernel_batch.h"

#include <cstdint>

namespace vantorel {

// At the pass set-up: counts the current deep view on a canvas of width x
// height from now on, or counts with the double loop when no deep view is
// active. A pass over the same deep view (the same corners) and canvas as the
// last deep one keeps its reference orbit.
void beginDeepPass(int width, int height);

// Whether the pass under way counts a deep view.
bool deepPassActive();
// Tells one deep view counted from another (0: none): counts kept for one
// view must not be taken for another whose nearest doubles are the same.
std::uint64_t deepPassGeneration();

// Whether the reference orbit and its table serve this limit and step. If
// not, starts computing them in the background (once) and returns false.
bool deepTablesReady(float maxIterations, int calcStep);
// Waits up to `milliseconds` for the computation started by
// deepTablesReady; true when the tables are ready then.
bool waitForDeepTables(int milliseconds);
// Holds the background computation while a plot is paused, and lets it go on.
void holdDeepTables(bool hold);
// At the end of a pass: a computation still under way is given up (a pass
// over the view starts it again).
void endDeepPass();

// The count of pixel (px, py) of the deep view; the tables must be ready.
std::int16_t deepEscapeCount(int px, int py, float maxIterations, int calcStep);

// The kernel that counts a deep view's pixels from a feed: each point the
// feed gives is a pixel position, x in cRe and y in cIm. It uses the tables
// that were ready when publishDeepKernelTables was called last; call that only
// while no thread runs the kernel.
void runDeepKernel(const kernel::Batch& batch);
void publishDeepKernelTables();

}  // namespace vantorel
