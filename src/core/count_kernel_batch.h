#pragma once
// What count_kernel.cpp hands to the per-instruction-set kernels. Plain data
// only: the kernel files are compiled for other instruction sets and must not
// share inline library code with the rest of the program.

#include <cstdint>

namespace vantorel::kernel {

// Where the lanes get their points and leave their counts. A point is known
// to the feed by an id of its own choosing.
struct Feed {
    // The id (0 or more) and c of the next point, or -1 when none is left.
    int (*next)(void* ctx, double* cRe, double* cIm);
    void (*deliver)(void* ctx, int id, std::int16_t count);
    // Asked before every block of rounds: true ends the call at once, and the
    // lanes keep the points they hold (see LaneState).
    bool (*enough)(void* ctx);
    void* ctx;
};

// The lanes of one thread with the points they hold between two calls, so
// that a caller who needs only some counts now can leave slow points in
// flight and go on with them later instead of waiting for the slowest. Only
// valid for the limit and step it was filled with; the kernel of another
// width starts it afresh (its points are then dropped and never delivered).
struct LaneState {
    static constexpr int MaxLanes = 32;
    alignas(64) double zr[MaxLanes], zi[MaxLanes], cr[MaxLanes], ci[MaxLanes], survived[MaxLanes];
    // Checkpoint of the cycle test: an earlier iterate of the lane and the
    // survived count at which the next checkpoint is taken.
    alignas(64) double savedR[MaxLanes], savedI[MaxLanes], nextSave[MaxLanes];
    int id[MaxLanes];
    int lanes = 0;  // lanes in use by the kernel that filled it; 0: empty
    int live = 0;   // lanes holding a point
};

struct Batch {
    int rounds;                 // tests a point survives before the counter passes the limit
    std::int16_t neverEscapes;  // the counter then
    int step;                   // counter increment
    Feed feed;
    LaneState* lanes;   // kept between calls; null: the call drains its own lanes
    double* roundsRun;  // out: rounds run by the points delivered in this call
};

using KernelFunction = void (*)(const Batch&);

void runAvx512(const Batch& batch);
void runAvx2(const Batch& batch);
void runScalar(const Batch& batch);

}  // namespace vantorel::kernel
