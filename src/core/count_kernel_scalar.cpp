// The batch kernel in portable code: one point per "vector", four in flight.
// Used where the processor has neither AVX2 nor AVX-512, and by the tests
// that check the variants against each other.

#include "core/count_kernel_lanes.h"

#include <cstring>

namespace vantorel::kernel {
namespace {

struct Scalar {
    static constexpr int Width = 1;
    static constexpr int InFlight = 4;
    using vd = double;
    using mask = bool;
    static vd load(const double* p) { return *p; }
    static void store(double* p, vd a) { *p = a; }
    static vd set1(double x) { return x; }
    static vd add(vd a, vd b) { return a + b; }
    static vd sub(vd a, vd b) { return a - b; }
    static vd mul(vd a, vd b) { return a * b; }
    static mask all() { return true; }
    static mask greaterOrEqual(vd a, vd b) { return a >= b; }
    static mask stillInside(mask a, vd sum, vd bound) { return a && !(sum > bound); }
    static mask both(mask a, mask b) { return a && b; }
    static vd addWhere(vd a, mask m, vd b) { return m ? a + b : a; }
    static mask sameBits(vd a, vd b)
    {
        std::uint64_t x, y;
        std::memcpy(&x, &a, sizeof x);
        std::memcpy(&y, &b, sizeof y);
        return x == y;
    }
    static vd select(mask m, vd a, vd b) { return m ? b : a; }
    static unsigned bits(mask m) { return m ? 1u : 0u; }
};

}  // namespace

void runScalar(const Batch& batch) { runLanes<Scalar>(batch); }

}  // namespace vantorel::kernel
