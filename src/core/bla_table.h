#pragma once
// Bilinear approximation of the perturbed orbit: where a pixel's difference
// from the reference, d, is small against the reference W, the step
// d -> 2 W d + d^2 + dc is as good as linear, d -> A d + B dc, and 2^l such
// steps compose into one. The table holds those compositions for runs of
// 2, 4, 8, ... iterations, each with the radius below which it may be used.
//
// A run is only used where no iterate inside it can escape: each step's
// radius is also kept below 2 - |W|, so that |W + d| stays at most 2 at every
// iteration the run skips, and the loop's test is only ever skipped where it
// could not have passed.

#include "core/floatexp.h"
#include "core/reference_orbit.h"

#include <bit>
#include <vector>

namespace vantorel {

struct BlaStep {
    ComplexExp a, b;    // d after the run = a d + b dc
    FloatExp radius;       // usable while |d| is below this
    double radius2Double;  // the radius squared as a double (0 below the double range)
    // a and b as doubles, where both are well inside the double range
    // (doubles false otherwise): the run is then taken in double arithmetic.
    double ar = 0, ai = 0, br = 0, bi = 0;
    bool doubles = false;
};

class BlaTable {
public:
    BlaTable() = default;
    // The runs along `orbit` for pixels whose dc is at most dcMax in size.
    BlaTable(const ReferenceOrbit& orbit, FloatExp dcMax);

    // The longest run that starts at reference index m and that d may take,
    // no longer than `atMost` iterations; nullptr when none. Runs start at
    // m = 1 + k 2^l. d is given by |d|^2 as a double, or by |d|.
    const BlaStep* find(int m, double dNorm2, int atMost, int& length) const
    {
        return findRun(m, atMost, length, [dNorm2](const BlaStep& s) { return dNorm2 < s.radius2Double; });
    }
    const BlaStep* find(int m, FloatExp dSize, int atMost, int& length) const
    {
        return findRun(m, atMost, length, [dSize](const BlaStep& s) { return dSize < s.radius; });
    }

    int levels() const { return static_cast<int>(runs.size()); }

    // By reference index m (0 to the orbit's last), the squared radius of the
    // shortest run from m, or 0 where no run starts there. Most iterations
    // near escape take no run, and this one comparison tells them so.
    const double* firstRadius2() const { return first.data(); }

private:
    // A run's radius is never above that of the shorter run it begins with
    // (merge takes the smaller), so the runs from m are tried from the
    // shortest up and the search ends at the first that d may not take: where
    // no run applies, which is most of the iterations near escape, it costs
    // one comparison. Inline: it is asked at every iteration of every pixel.
    template <typename Below>
    const BlaStep* findRun(int m, int atMost, int& length, Below below) const
    {
        if (m < 1)
            return nullptr;
        const unsigned offset = static_cast<unsigned>(m - 1);
        // Runs of 2^(l+1) iterations start where 2^(l+1) divides the offset.
        const int aligned = offset == 0 ? 64 : std::countr_zero(offset);
        const BlaStep* found = nullptr;
        const int levels = static_cast<int>(runs.size());
        for (int level = 0; level < levels && level < aligned; ++level) {
            const int run = 2 << level;
            const std::size_t k = offset >> (level + 1);
            const std::vector<BlaStep>& steps = runs[static_cast<std::size_t>(level)];
            if (run > atMost || k >= steps.size() || !below(steps[k]))
                break;
            found = &steps[k];
            length = run;
        }
        return found;
    }

    // runs[l][k]: the 2^(l+1) iterations from m = 1 + k 2^(l+1). Single
    // steps are not kept: one is as cheap to take exactly.
    std::vector<std::vector<BlaStep>> runs;
    std::vector<double> first;
};

}  // namespace vantorel
