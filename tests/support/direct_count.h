#pragma once
// The escape count of a pixel by direct iteration in MPFR at ample precision,
// written from the loop's rules and not from the program's code: the judge of
// the deep engine's counts.

#include <cstdint>
#include <string>

namespace vantorel::testing {

// The pixel (px, py) of the view xMin..xMax, yMin..yMax (decimal text) on a
// canvas of width x height: c = px * (xMax - xMin) / width + xMin, likewise
// for y; z starts at c, the test is |z|^2 > 4, the counter steps by `step`
// while it is not above `limit`.
std::int16_t directCount(const std::string (&view)[4], int width, int height, int px, int py, int limit, int step,
                         int bits);

}  // namespace vantorel::testing
