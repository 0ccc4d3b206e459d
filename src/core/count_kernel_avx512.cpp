// The batch kernel for processors with AVX-512: eight points per vector.
// Compiled for AVX-512 whatever the build's baseline; count_kernel.cpp calls
// it only when the processor has it.
#pragma GCC target("avx512f")

#include <immintrin.h>

#include "core/count_kernel_lanes.h"

namespace vantorel::kernel {
namespace {

struct Avx512 {
    static constexpr int Width = 8;
    static constexpr int InFlight = 4;
    using vd = __m512d;
    using mask = __mmask8;
    static vd load(const double* p) { return _mm512_load_pd(p); }
    static void store(double* p, vd a) { _mm512_store_pd(p, a); }
    static vd set1(double x) { return _mm512_set1_pd(x); }
    static vd add(vd a, vd b) { return _mm512_add_pd(a, b); }
    static vd sub(vd a, vd b) { return _mm512_sub_pd(a, b); }
    static vd mul(vd a, vd b) { return _mm512_mul_pd(a, b); }
    static mask all() { return 0xFF; }
    static mask greaterOrEqual(vd a, vd b) { return _mm512_cmp_pd_mask(a, b, _CMP_GE_OQ); }
    // The lanes of a that are still set and whose sum is not above the
    // bound: the escape test of escapeCount, negated (NaN does not escape).
    static mask stillInside(mask a, vd sum, vd bound) { return _mm512_mask_cmp_pd_mask(a, sum, bound, _CMP_NGT_UQ); }
    static mask both(mask a, mask b) { return static_cast<mask>(a & b); }
    static vd addWhere(vd a, mask m, vd b) { return _mm512_mask_add_pd(a, m, a, b); }
    static mask sameBits(vd a, vd b) { return _mm512_cmpeq_epi64_mask(_mm512_castpd_si512(a), _mm512_castpd_si512(b)); }
    // b where m is set, a elsewhere.
    static vd select(mask m, vd a, vd b) { return _mm512_mask_blend_pd(m, a, b); }
    static unsigned bits(mask m) { return m; }
};

}  // namespace

void runAvx512(const Batch& batch) { runLanes<Avx512>(batch); }

}  // namespace vantorel::kernel
