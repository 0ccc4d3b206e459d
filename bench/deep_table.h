#pragma once

#include <string>

namespace vantorel::bench {

// The deep-zoom table: each deep view drawn end to end by vantorel-render
// (found beside the benchmark) `runs` times, and, when accuracyGrid > 0, the
// counts of every accuracyGrid-th pixel of each view against direct
// iteration in MPFR. Returns false when a view could not be drawn.
bool runDeepTable(const char* benchPath, int runs, int accuracyGrid, const std::string& only);

}  // namespace vantorel::bench
