#pragma once
// Escape counts of many points at once, for the plotting pass.
//
// escapeCount (escape.h) is the definition of a count: the loop exactly as
// the program has always run it, one point at a time. The batch kernel here
// runs the same loop for several points side by side (SIMD lanes, and a
// second thread for large batches) with the same operations in the same
// order and without fused multiply-add, so every count it returns is the one
// escapeCount gives for that point, bit for bit. It adds one exact shortcut:
// a point whose iterate z comes back to a value it had before, bit for bit,
// is on a cycle and can never escape, so it gets the count of a point that
// never escapes without iterating to the limit.

#include "core/count_kernel_batch.h"

#include <cstdint>

namespace vantorel {

// Computes counts[i] = the escape count of (cRe[i], cIm[i]) with the given
// limit and counter increment, for i < n. Does not touch the state record.
// Refuses a step below 1 (the kstep scroll bar never gives one; the pass
// counts such blocks with escapeCount). Called from one thread at a time
// (the user-interface thread); it hands work to its own worker.
void escapeCounts(const double* cRe, const double* cIm, std::int16_t* counts, int n, float maxIterations, int calcStep);

// Counts points taken one at a time from the feed, on the calling thread,
// until the feed says enough or has none left and every lane is empty.
// Lanes still holding points when the feed says enough keep them in `lanes`
// and carry on with them in the next call with the same limit and step.
void countFromFeed(const kernel::Feed& feed, kernel::LaneState& lanes, float maxIterations, int calcStep);

// Lets the worker thread count from the feed in the background until the
// feed has no point left or says enough; its calls of the feed come from
// the worker thread. False (and nothing started) when threads are off or the
// worker is busy. stopWorkerFeed returns once the worker no longer uses the
// feed (points it held are dropped, never delivered); workerFeedRunning
// reads false only after every count the worker delivered is visible.
bool startWorkerFeed(const kernel::Feed& feed, float maxIterations, int calcStep);
void stopWorkerFeed();
bool workerFeedRunning();

// Rounds of the loop run by every point counted so far, on every thread:
// what the cycle test saves shows here (for tests).
double kernelRoundsRun();

// The count of a point that never escapes, and the number of loop rounds
// such a point runs, for this limit and step (the loop's own bookkeeping).
struct CountBound {
    int rounds;          // tests a point survives before the counter passes the limit
    std::int16_t count;  // the counter then
};
CountBound countBound(float maxIterations, int calcStep);

// Which instruction set the batch kernel runs with: "avx512", "avx2" or
// "scalar" (portable code).
const char* countKernelName();
// Chooses the kernel by that name, for tests and benchmarks that compare the
// variants; "" goes back to the best one the processor has. False (and no
// change) when the processor cannot run it.
bool selectCountKernel(const char* name);

// How the plotting pass gets its counts. Fast: a column's counts in one batch
// and reuse of counts within a pass. Plain: one escapeCount per computed
// block, every stage recomputing its points (the reference for benchmarks and
// tests).
enum class CountPath { Fast, Plain };
void setCountPath(CountPath path);
CountPath countPath();

// Batches at least this large (points times rounds) are shared with the
// worker thread; 0 never shares, and then no plotting pass counts ahead on
// the worker either. For tests and benchmarks.
void setThreadingThreshold(long long work);

// The floating-point control word (MXCSR) that each thread computing counts
// ran its last batch with, and whether it was the exact one: round to
// nearest, no flush-to-zero, no denormals-are-zero. Filled by the kernel.
struct FpControlReport {
    unsigned callerMxcsr;    // what the calling thread had on entry
    unsigned callerRanWith;  // what it computed with
    unsigned workerRanWith;  // what the worker thread computed with (0 before its first batch)
    long workerBatches;      // batches the worker thread has helped with
};
FpControlReport fpControlReport();
bool fpControlIsExact(unsigned mxcsr);

}  // namespace vantorel
