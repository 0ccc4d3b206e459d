#pragma once
// An independent, deliberately plain rendering of a complete or partial pass
// on a 600 x 500 canvas, written from the rules rather than from the program's
// code, to check the plotting pass pixel for pixel.

#include <cstdint>
#include <vector>

namespace vantorel::testing {

struct ReferenceSettings {
    double xMin = -2.25, yMin = -1.5, xMax = 1.25, yMax = 1.5;
    int iterations = 1000, step = 15, intensity = 500;
    bool refinement = true, synchronized = false;
    int stageCounterAtStart = 0;  // only its parity matters
    int stages = 1000;            // stop after this many stages
    float shadeAtStart = 0;       // the shade the previous pass left
};

struct ReferenceResult {
    std::vector<std::int32_t> canvas;         // 600 x 500, row-major
    std::vector<std::pair<int, int>> stages;  // block sizes of each stage drawn
    long computedPoints = 0;
};

ReferenceResult referencePass(const ReferenceSettings& settings);

}  // namespace vantorel::testing
