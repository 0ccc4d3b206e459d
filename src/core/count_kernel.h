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

#include <cstdint>

namespace vantorel {

// Computes counts[i] = the escape count of (cRe[i], cIm[i]) with the given
// limit and counter increment, for i < n. Does not touch the state record.
// Refuses a step below 1 (the kstep scroll bar never gives one; the pass
// counts such blocks with escapeCount). Called from one thread at a time
// (the user-interface thread); it hands work to its own worker.
void escapeCounts(const double* cRe, const double* cIm, std::int16_t* counts, int n,
                  float maxIterations, int calcStep);

// The count of a point that never escapes, and the number of loop rounds
// such a point runs, for this limit and step (the loop's own bookkeeping).
struct CountBound {
    int rounds;            // tests a point survives before the counter passes the limit
    std::int16_t count;    // the counter then
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
// worker thread; 0 never shares. For tests and benchmarks.
void setThreadingThreshold(long long work);

// The floating-point control word (MXCSR) that each thread computing counts
// ran its last batch with, and whether it was the exact one: round to
// nearest, no flush-to-zero, no denormals-are-zero. Filled by the kernel.
struct FpControlReport {
    unsigned callerMxcsr;   // what the calling thread had on entry
    unsigned callerRanWith; // what it computed with
    unsigned workerRanWith; // what the worker thread computed with (0 before its first batch)
    long workerBatches;     // batches the worker thread has helped with
};
FpControlReport fpControlReport();
bool fpControlIsExact(unsigned mxcsr);

} // namespace vantorel
