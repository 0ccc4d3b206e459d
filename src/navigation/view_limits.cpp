#include "navigation/view_limits.h"

#include "platform/platform.h"

#include <cmath>
#include <string>

namespace vantorel {

bool isUsableView(double xMin, double yMin, double xMax, double yMax)
{
    return std::isfinite(xMin) && std::isfinite(yMin) && std::isfinite(xMax) && std::isfinite(yMax)
           && std::isfinite(xMax - xMin) && std::isfinite(yMax - yMin);
}

std::optional<DeepView> deepStepResult(const std::function<DeepView(int bits)>& step)
{
    // The precision depends on the view the step makes: start from the
    // current view's and settle where the result needs what it was made with
    // (a step changes the depth by a few bits at most, so this takes one or
    // two rounds).
    int bits = bitsForView(deep.view);
    DeepView result = step(bits);
    for (int round = 0; round < 4; ++round) {
        const int needed = bitsForView(result);
        if (needed == bits)
            break;
        bits = needed;
        result = step(bits);
    }
    if (!isUsableView(result.xMin.toDouble(), result.yMin.toDouble(), result.xMax.toDouble(), result.yMax.toDouble()))
        return std::nullopt;
    // A view of no width or height (a zoom factor of 2 does that) is one
    // point at any depth: its doubles draw it.
    const bool flat = result.xMax == result.xMin || result.yMax == result.yMin;
    if (!flat && !withinDeepestDepth(result)) {
        platform().messageBox(std::string("This step would go past the deepest view supported, with ")
                                  + DeepestDepthText + ".",
                              "Vantorel");
        return std::nullopt;
    }
    return result;
}

}  // namespace vantorel
