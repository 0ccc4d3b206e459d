// The batch kernel for processors with AVX2: four points per vector.
// Compiled for AVX2 whatever the build's baseline; count_kernel.cpp calls it
// only when the processor has it.
#pragma GCC target("avx2")

#include <immintrin.h>

#include "core/count_kernel_lanes.h"

namespace vantorel::kernel {
namespace {

struct Avx2 {
    static constexpr int Width = 4;
    static constexpr int InFlight = 3;  // 16 registers: three vectors of state stay in them
    using vd = __m256d;
    using mask = __m256d;  // all ones or all zeros per lane
    static vd load(const double* p) { return _mm256_load_pd(p); }
    static void store(double* p, vd a) { _mm256_store_pd(p, a); }
    static vd set1(double x) { return _mm256_set1_pd(x); }
    static vd add(vd a, vd b) { return _mm256_add_pd(a, b); }
    static vd sub(vd a, vd b) { return _mm256_sub_pd(a, b); }
    static vd mul(vd a, vd b) { return _mm256_mul_pd(a, b); }
    static mask all() { return _mm256_castsi256_pd(_mm256_set1_epi64x(-1)); }
    static mask greaterOrEqual(vd a, vd b) { return _mm256_cmp_pd(a, b, _CMP_GE_OQ); }
    static mask stillInside(mask a, vd sum, vd bound)
    {
        return _mm256_andnot_pd(_mm256_cmp_pd(sum, bound, _CMP_GT_OQ), a);
    }
    static mask both(mask a, mask b) { return _mm256_and_pd(a, b); }
    static vd addWhere(vd a, mask m, vd b) { return _mm256_add_pd(a, _mm256_and_pd(m, b)); }
    static mask sameBits(vd a, vd b)
    {
        return _mm256_castsi256_pd(_mm256_cmpeq_epi64(_mm256_castpd_si256(a), _mm256_castpd_si256(b)));
    }
    static vd select(mask m, vd a, vd b) { return _mm256_blendv_pd(a, b, m); }
    static unsigned bits(mask m) { return static_cast<unsigned>(_mm256_movemask_pd(m)); }
};

}  // namespace

void runAvx2(const Batch& batch) { runLanes<Avx2>(batch); }

}  // namespace vantorel::kernel
