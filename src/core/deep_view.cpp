#include "core/deep_view.h"

#include "core/state.h"
#include "platform/platform.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

DeepState deep;

namespace {

// The canvas in pixels as the pass measures it.
int canvasPixels(double twips) { return static_cast<int>(std::lround(twips)) / TwipsPerPixel; }

int canvasWidth() { return std::max(1, canvasPixels(platform().canvasOuterWidthTwips())); }
int canvasHeight() { return std::max(1, canvasPixels(platform().canvasOuterHeightTwips())); }

// The binary exponent of the larger pixel-step-to-magnitude ratio's
// denominator: how many bits lie between the largest corner and the smaller
// step.
long bitsBetween(const DeepView& v, int width, int height)
{
    const long magnitude = std::max({v.xMin.exponent(), v.xMax.exponent(), v.yMin.exponent(), v.yMax.exponent(), -64L});
    const BigFloat stepX = v.xMax.minus(v.xMin).dividedBy(width);
    const BigFloat stepY = v.yMax.minus(v.yMin).dividedBy(height);
    return magnitude - std::min(stepX.exponent(), stepY.exponent());
}

void bumpGeneration() { ++deep.generation; }

}  // namespace

bool binary64Resolves(double xMin, double yMin, double xMax, double yMax, int width, int height)
{
    if (width < 1 || height < 1)
        return true;
    const double stepX = (xMax - xMin) / width;
    const double stepY = (yMax - yMin) / height;
    const double magnitude = std::max({std::fabs(xMin), std::fabs(xMax), std::fabs(yMin), std::fabs(yMax)});
    if (!std::isfinite(stepX) || !std::isfinite(stepY) || !std::isfinite(magnitude))
        return true;  // not a view the deep engine could draw either
    const double ulp = std::nextafter(magnitude, INFINITY) - magnitude;
    return std::fabs(stepX) >= ResolvingUlps * ulp && std::fabs(stepY) >= ResolvingUlps * ulp;
}

bool withinDeepestDepth(const DeepView& view, int width, int height)
{
    // 10^-10000 is about 2^-33219.3.
    constexpr long DeepestBits = 33220;
    return bitsBetween(view, width, height) <= DeepestBits;
}

bool withinDeepestDepth(const DeepView& view) { return withinDeepestDepth(view, canvasWidth(), canvasHeight()); }

int bitsForView(const DeepView& view, int width, int height)
{
    const long bits = bitsBetween(view, width, height) + 64;
    return static_cast<int>(std::clamp<long>(bits, BigFloat::MinimumBits, BigFloat::MaximumBits));
}

int bitsForView(const DeepView& view) { return bitsForView(view, canvasWidth(), canvasHeight()); }

void adoptDoubleView()
{
    const ExplorationState& s = state;
    const bool resolves = binary64Resolves(s.viewXMin, s.viewYMin, s.viewXMax, s.viewYMax, canvasWidth(), canvasHeight());
    // A view of no width or height is one point whichever way it is counted.
    const bool flat = s.viewXMax == s.viewXMin || s.viewYMax == s.viewYMin;
    bumpGeneration();
    if (!deep.enabled || resolves || flat) {
        deep.active = false;
        return;
    }
    deep.view = {BigFloat(s.viewXMin), BigFloat(s.viewYMin), BigFloat(s.viewXMax), BigFloat(s.viewYMax)};
    deep.active = true;
}

void leaveDeepView()
{
    bumpGeneration();
    deep.active = false;
}

void adoptDeepView(const DeepView& view)
{
    ExplorationState& s = state;
    s.viewXMin = view.xMin.toDouble();
    s.viewYMin = view.yMin.toDouble();
    s.viewXMax = view.xMax.toDouble();
    s.viewYMax = view.yMax.toDouble();
    const int width = canvasWidth(), height = canvasHeight();
    const bool resolves = binary64Resolves(s.viewXMin, s.viewYMin, s.viewXMax, s.viewYMax, width, height);
    const bool flat = view.xMax == view.xMin || view.yMax == view.yMin;
    bumpGeneration();
    if (!deep.enabled || resolves || flat) {
        deep.active = false;
        return;
    }
    const int bits = bitsForView(view, width, height);
    deep.view = {view.xMin.rounded(bits), view.yMin.rounded(bits), view.xMax.rounded(bits), view.yMax.rounded(bits)};
    deep.active = true;
}

void setDeepZoomEnabled(bool on)
{
    if (on == deep.enabled)
        return;
    deep.enabled = on;
    if (on)
        adoptDoubleView();
    else
        deep.active = false, bumpGeneration();
}

DeepView currentDeepView()
{
    if (deepViewActive())
        return deep.view;
    const ExplorationState& s = state;
    return {BigFloat(s.viewXMin), BigFloat(s.viewYMin), BigFloat(s.viewXMax), BigFloat(s.viewYMax)};
}

}  // namespace vantorel
