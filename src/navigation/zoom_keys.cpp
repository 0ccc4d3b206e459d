#include "navigation/zoom_keys.h"

#include "core/deep_view.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "navigation/view_limits.h"

#include <cstdint>

namespace vantorel {

namespace {

// One zoom step about the centre: each edge moves by span / zoomFactor,
// inwards (direction +1) or outwards (-1). A step that would take zoomCount
// past its 16-bit range or the view out of the range of doubles is refused
// whole, so the view and the zoom labels always agree. A deep view takes the
// same step in its own precision; a step past the deepest view is refused.
void zoomStep(int direction)
{
    if (!state.plotStarted)
        return;
    const int count = state.zoomCount + direction;
    const double d = 1 / state.zoomFactor;
    if (deepViewActive()) {
        if (count > INT16_MAX || count < INT16_MIN)
            return;
        const auto view = deepStepResult([&](int bits) {
            const BigFloat dx = deep.spanX.times(direction * d, bits), dy = deep.spanY.times(direction * d, bits);
            return DeepView{deep.view.xMin.plus(dx, bits), deep.view.yMin.plus(dy, bits),
                            deep.view.xMax.minus(dx, bits), deep.view.yMax.minus(dy, bits)};
        });
        if (!view)
            return;
        state.zoomCount = static_cast<std::int16_t>(count);
        showZoom();
        state.abortRequested = true;
        adoptDeepView(*view);
        runPlottingPass();
        return;
    }
    const double xMin = state.viewXMin + direction * d * state.spanX;
    const double xMax = state.viewXMax - direction * d * state.spanX;
    const double yMin = state.viewYMin + direction * d * state.spanY;
    const double yMax = state.viewYMax - direction * d * state.spanY;
    if (count > INT16_MAX || count < INT16_MIN || !isUsableView(xMin, yMin, xMax, yMax))
        return;
    state.zoomCount = static_cast<std::int16_t>(count);
    showZoom();
    state.abortRequested = true;
    state.viewXMin = xMin;
    state.viewXMax = xMax;
    state.viewYMin = yMin;
    state.viewYMax = yMax;
    adoptDoubleView();
    runPlottingPass();
}

// The arrow keys move the view along one axis (sign -1: left or up) by
// 0.001 / 15 of its span per canvas pixel: 4 % of the width on a 600-pixel
// canvas, 1/30 of the height on a 500-pixel one. A move that leaves the range
// of doubles is refused; the view is plotted either way.
void panX(int sign)
{
    const double factor = 0.001 / 15 * state.canvasWidth;
    if (deepViewActive()) {
        const auto view = deepStepResult([&](int bits) {
            const BigFloat by = deep.spanX.times(sign * factor, bits);
            return DeepView{deep.view.xMin.plus(by, bits), deep.view.yMin, deep.view.xMax.plus(by, bits),
                            deep.view.yMax};
        });
        if (view)
            adoptDeepView(*view);
        runPlottingPass();
        return;
    }
    const double by = sign * (factor * state.spanX);
    if (isUsableView(state.viewXMin + by, state.viewYMin, state.viewXMax + by, state.viewYMax)) {
        state.viewXMin += by;
        state.viewXMax += by;
    }
    adoptDoubleView();
    runPlottingPass();
}

void panY(int sign)
{
    const double factor = 0.001 / 15 * state.canvasHeight;
    if (deepViewActive()) {
        const auto view = deepStepResult([&](int bits) {
            const BigFloat by = deep.spanY.times(sign * factor, bits);
            return DeepView{deep.view.xMin, deep.view.yMin.plus(by, bits), deep.view.xMax,
                            deep.view.yMax.plus(by, bits)};
        });
        if (view)
            adoptDeepView(*view);
        runPlottingPass();
        return;
    }
    const double by = sign * (factor * state.spanY);
    if (isUsableView(state.viewXMin, state.viewYMin + by, state.viewXMax, state.viewYMax + by)) {
        state.viewYMin += by;
        state.viewYMax += by;
    }
    adoptDoubleView();
    runPlottingPass();
}

}  // namespace

void zoomInCentre() { zoomStep(+1); }
void zoomOutCentre() { zoomStep(-1); }
void zoomin_Click() { zoomInCentre(); }
void zoomout_Click() { zoomOutCentre(); }
void Picture1_DblClick() { zoomInCentre(); }

void Picture1_KeyDown(int keyCode, int /*shift*/)
{
    // Between an accepted key and the start of the pass it asked for, every
    // key is ignored; a running pass keeps the flag clear, so a held arrow key
    // is accepted at each repeat and starts a new pass inside the running one.
    if (state.abortRequested)
        return;
    state.abortRequested = true;

    switch (keyCode) {
    case KeyEscape: shutDown();
    case KeyLeft: panX(-1); break;
    case KeyUp: panY(-1); break;
    case KeyRight: panX(1); break;
    case KeyDown: panY(1); break;
    case KeyKeypadPlus: zoomInCentre(); break;
    case KeyKeypadMinus: zoomOutCentre(); break;
    default: break;
    }
}

}  // namespace vantorel
