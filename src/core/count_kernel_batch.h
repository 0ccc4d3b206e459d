#pragma once
// What count_kernel.cpp hands to the per-instruction-set kernels. Plain data
// only: the kernel files are compiled for other instruction sets and must not
// share inline library code with the rest of the program.

#include <cstdint>

namespace vantorel::kernel {

struct Batch {
    const double* cRe;
    const double* cIm;
    std::int16_t* counts;
    int rounds;                  // tests a point survives before the counter passes the limit
    std::int16_t neverEscapes;   // the counter then
    int step;                    // counter increment
    int (*next)(void* ctx);      // index of the next point to count, or -1 when none is left
    void* ctx;
    double* roundsRun;           // out: rounds run for the points this thread counted
};

using KernelFunction = void (*)(const Batch&);

void runAvx512(const Batch& batch);
void runAvx2(const Batch& batch);
void runScalar(const Batch& batch);

} // namespace vantorel::kernel
