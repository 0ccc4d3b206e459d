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
// and take the next point, so no lane waits for the slowest point of a
// batch; a caller may also stop the lanes between two blocks of rounds and
// resume them later (LaneState).

#include "core/count_kernel_batch.h"

#include <cstdint>

namespace vantorel::kernel {
namespace {

// Rounds between two looks at the lanes. A lane whose point escapes idles
// for the rest of the block of rounds, and a look costs about two rounds:
// short looks for low limits, where most points escape within a few rounds,
// longer ones for deep limits.
int roundsPerLook(int rounds) { return rounds < 256 ? 8 : 32; }

template <class T> void runLanes(const Batch& batch)
{
    using vd = typename T::vd;
    using mask = typename T::mask;
    constexpr int W = T::Width;
    constexpr int V = T::InFlight;  // independent vectors, to hide the latency of the z chain
    constexpr int L = W * V;
    constexpr unsigned AllLanes = (1u << W) - 1;
    static_assert(L <= LaneState::MaxLanes);

    LaneState own;
    LaneState& st = batch.lanes ? *batch.lanes : own;
    const Feed& feed = batch.feed;
    const double rounds = batch.rounds;
    const int look = roundsPerLook(batch.rounds);
    bool exhausted = false;
    double roundsRun = 0;

    // Puts the next point into the lane, or, when none is left, a point that
    // escapes at the first test, so an idle lane hands itself in at every look.
    auto take = [&](int lane) {
        const int id = exhausted ? -1 : feed.next(feed.ctx, &st.cr[lane], &st.ci[lane]);
        st.id[lane] = id;
        if (id < 0) {
            exhausted = true;
            st.cr[lane] = 4.0;
            st.ci[lane] = 0.0;
        } else {
            ++st.live;
        }
        // The sequence starts at z = c.
        st.zr[lane] = st.cr[lane];
        st.zi[lane] = st.ci[lane];
        st.survived[lane] = 0.0;
        st.savedR[lane] = st.zr[lane];
        st.savedI[lane] = st.zi[lane];
        st.nextSave[lane] = look;
    };
    if (st.lanes != L) {
        // Empty, or left by a kernel of another width: start with idle lanes.
        st.lanes = L;
        st.live = 0;
        for (int lane = 0; lane < L; ++lane)
            st.id[lane] = -1;
    }
    for (int lane = 0; lane < L; ++lane)
        if (st.id[lane] < 0)
            take(lane);

    const vd four = T::set1(4.0);
    const vd one = T::set1(1.0);
    const vd two = T::set1(2.0);
    const vd limit = T::set1(rounds);

    while (st.live > 0 && !feed.enough(feed.ctx)) {
        vd ZR[V], ZI[V], CR[V], CI[V], J[V];
        mask A[V];  // lanes whose point has not escaped yet
#pragma GCC unroll 8
        for (int v = 0; v < V; ++v) {
            ZR[v] = T::load(st.zr + v * W);
            ZI[v] = T::load(st.zi + v * W);
            CR[v] = T::load(st.cr + v * W);
            CI[v] = T::load(st.ci + v * W);
            J[v] = T::load(st.survived + v * W);
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
            T::store(st.zr + v * W, ZR[v]);
            T::store(st.zi + v * W, ZI[v]);
            T::store(st.survived + v * W, J[v]);
            const vd SR = T::load(st.savedR + v * W);
            const vd SI = T::load(st.savedI + v * W);
            const vd NS = T::load(st.nextSave + v * W);
            // A lane whose z equals, bit for bit, an earlier z of the same
            // point is on a cycle of iterates that have all passed the test.
            const mask cycling = T::both(A[v], T::both(T::sameBits(ZR[v], SR), T::sameBits(ZI[v], SI)));
            const mask save = T::both(A[v], T::greaterOrEqual(J[v], NS));
            T::store(st.savedR + v * W, T::select(save, SR, ZR[v]));
            T::store(st.savedI + v * W, T::select(save, SI, ZI[v]));
            T::store(st.nextSave + v * W, T::select(save, NS, T::mul(NS, two)));
            const unsigned done =
                ((~T::bits(A[v])) & AllLanes) | T::bits(T::greaterOrEqual(J[v], limit)) | T::bits(cycling);
            if (!done)
                continue;
            for (int w = 0; w < W; ++w) {
                if (!(done & (1u << w)))
                    continue;
                const int lane = v * W + w;
                if (st.id[lane] < 0) {
                    if (!exhausted)
                        take(lane);
                    continue;
                }
                const double j = st.survived[lane];
                roundsRun += j;
                const bool escaped = !(T::bits(A[v]) & (1u << w));
                // Escaped before the counter passed the limit: the counter is
                // the tests survived times the step. Otherwise (the limit was
                // reached first, or the point is on a cycle) it never escapes.
                const std::int16_t count = (escaped && j < rounds)
                                               ? static_cast<std::int16_t>(static_cast<int>(j) * batch.step)
                                               : batch.neverEscapes;
                feed.deliver(feed.ctx, st.id[lane], count);
                --st.live;
                take(lane);
            }
        }
    }
    *batch.roundsRun = roundsRun;
}

}  // namespace
}  // namespace vantorel::kernel
