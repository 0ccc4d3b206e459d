#pragma once
// The batch kernel's loop, written once over a small set of vector
// operations and instantiated for each instruction set in its own file
// (count_kernel_avx512.cpp, count_kernel_avx2.cpp, count_kernel_scalar.cpp).
// Only those files include it; everything here has internal linkage so that
// code compiled for one instruction set never stands in for another's.
//
// Each lane carries one point through the loop of escapeCount:
//     test  zIm^2 + zRe^2 > 4            (the squares computed first)
//     zIm  <- (zRe + zRe) * zIm + cIm    (old zRe)
//     zRe  <- (zRe^2 - zIm^2) + cRe
// in the same operations, the same order and the same precision, never fused
// (the build uses -ffp-contract=off and no intrinsic here fuses). A lane
// counts the tests its point survives; the counter of escapeCount is that
// number times the step. Every few rounds the lanes whose point escaped,
// reached the limit or came back to an earlier iterate hand in their count
// and take the next point.

#include "core/count_kernel_batch.h"

#include <cstdint>

namespace vantorel::kernel {
namespace {

// Rounds between two looks at the lanes. A lane whose point escapes idles
// for the rest of the block of rounds, and a look costs about two rounds:
// short looks for low limits, where most points escape within a few rounds,
// longer ones for deep limits.
int roundsPerLook(int rounds) { return rounds < 256 ? 8 : 32; }

template <class T>
void runLanes(const Batch& batch)
{
    using vd = typename T::vd;
    using mask = typename T::mask;
    constexpr int W = T::Width;
    constexpr int V = T::InFlight;  // independent vectors, to hide the latency of the z chain
    constexpr int L = W * V;
    constexpr unsigned AllLanes = (1u << W) - 1;

    alignas(64) double zr[L], zi[L], cr[L], ci[L], survived[L];
    // Checkpoint for the cycle test: an earlier iterate of the lane and the
    // survived count at which the next checkpoint is taken.
    alignas(64) double savedR[L], savedI[L], nextSave[L];
    int index[L];

    const double rounds = batch.rounds;
    const int look = roundsPerLook(batch.rounds);
    int live = 0;
    bool exhausted = false;
    double roundsRun = 0;

    auto take = [&](int lane) {
        const int i = exhausted ? -1 : batch.next(batch.ctx);
        if (i < 0) {
            // An idle lane holds a point that escapes at the first test.
            exhausted = true;
            index[lane] = -1;
            cr[lane] = 4.0;
            ci[lane] = 0.0;
        } else {
            index[lane] = i;
            cr[lane] = batch.cRe[i];
            ci[lane] = batch.cIm[i];
            ++live;
        }
        // The sequence starts at z = c.
        zr[lane] = cr[lane];
        zi[lane] = ci[lane];
        survived[lane] = 0.0;
        savedR[lane] = zr[lane];
        savedI[lane] = zi[lane];
        nextSave[lane] = look;
    };
    for (int lane = 0; lane < L; ++lane)
        take(lane);

    const vd four = T::set1(4.0);
    const vd one = T::set1(1.0);
    const vd two = T::set1(2.0);
    const vd limit = T::set1(rounds);

    while (live > 0) {
        vd ZR[V], ZI[V], CR[V], CI[V], J[V];
        mask A[V];  // lanes whose point has not escaped yet
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            ZR[v] = T::load(zr + v * W);
            ZI[v] = T::load(zi + v * W);
            CR[v] = T::load(cr + v * W);
            CI[v] = T::load(ci + v * W);
            J[v] = T::load(survived + v * W);
            A[v] = T::all();
        }
        for (int r = 0; r < look; ++r) {
#pragma GCC unroll 8
            for (int v = 0; v < V; ++v) {
                const vd re2 = T::mul(ZR[v], ZR[v]);
                const vd im2 = T::mul(ZI[v], ZI[v]);
                A[v] = T::stillInside(A[v], T::add(im2, re2), four);
                J[v] = T::addWhere(J[v], A[v], one);
                const vd twiceRe = T::add(ZR[v], ZR[v]);
                ZI[v] = T::add(T::mul(twiceRe, ZI[v]), CI[v]);
                ZR[v] = T::add(T::sub(re2, im2), CR[v]);
            }
        }
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            T::store(zr + v * W, ZR[v]);
            T::store(zi + v * W, ZI[v]);
            T::store(survived + v * W, J[v]);
            const vd SR = T::load(savedR + v * W);
            const vd SI = T::load(savedI + v * W);
            const vd NS = T::load(nextSave + v * W);
            // A lane whose z equals, bit for bit, an earlier z of the same
            // point is on a cycle of iterates that have all passed the test.
            const mask cycling = T::both(A[v], T::both(T::sameBits(ZR[v], SR), T::sameBits(ZI[v], SI)));
            const mask save = T::both(A[v], T::greaterOrEqual(J[v], NS));
            T::store(savedR + v * W, T::select(save, SR, ZR[v]));
            T::store(savedI + v * W, T::select(save, SI, ZI[v]));
            T::store(nextSave + v * W, T::select(save, NS, T::mul(NS, two)));
            const unsigned done = ((~T::bits(A[v])) & AllLanes) | T::bits(T::greaterOrEqual(J[v], limit))
                                  | T::bits(cycling);
            if (!done)
                continue;
            for (int w = 0; w < W; ++w) {
                if (!(done & (1u << w)))
                    continue;
                const int lane = v * W + w;
                if (index[lane] < 0) {
                    if (!exhausted)
                        take(lane);
                    continue;
                }
                const double j = survived[lane];
                roundsRun += j;
                const bool escaped = !(T::bits(A[v]) & (1u << w));
                // Escaped before the counter passed the limit: the counter is
                // the tests survived times the step. Otherwise (the limit was
                // reached first, or the point is on a cycle) it never escapes.
                batch.counts[index[lane]] = (escaped && j < rounds)
                                                ? static_cast<std::int16_t>(static_cast<int>(j) * batch.step)
                                                : batch.neverEscapes;
                --live;
                take(lane);
            }
        }
    }
    *batch.roundsRun = roundsRun;
}

} // namespace
} // namespace vantorel::kernel
