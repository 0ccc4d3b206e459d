#include "navigation/zoom_keys.h"

#include "core/deep_view.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "navigation/view_limits.h"

#include <cstdint>
#include <optional>

namespace vantorel {

namespace {

// Where one zoom step about the centre takes the view: each edge moves by
// span / zoomFactor, inwards (direction +1) or outwards (-1); a deep view
// takes the same step in its own precision. Nothing when the step would take
// zoomCount past its 16-bit range, the view out of the range of doubles or
// past the deepest view (which the user is told): such a step is refused
// whole, so the view and the zoom labels always agree.
struct ZoomedView {
    std::int16_t count;
    double xMin, yMin, xMax, yMax;
    std::optional<DeepView> deepView;  // set for a deep view: the doubles are then unused
};

std::optional<ZoomedView> zoomedView(int direction)
{
    const int count = state.zoomCount + direction;
    if (count > INT16_MAX || count < INT16_MIN)
        return std::nullopt;
    const double d = 1 / state.zoomFactor;
    if (deepViewActive()) {
        auto view = deepStepResult([&](int bits) {
            const BigFloat dx = deep.spanX.times(direction * d, bits), dy = deep.spanY.times(direction * d, bits);
            return DeepView{deep.view.xMin.plus(dx, bits), deep.view.yMin.plus(dy, bits),
                            deep.view.xMax.minus(dx, bits), deep.view.yMax.minus(dy, bits)};
        });
        if (!view)
            return std::nullopt;
        return ZoomedView{static_cast<std::int16_t>(count), 0, 0, 0, 0, std::move(view)};
    }
    const ZoomedView v{static_cast<std::int16_t>(count), state.viewXMin + direction * d * state.spanX,
                       state.viewYMin + direction * d * state.spanY, state.viewXMax - direction * d * state.spanX,
                       state.viewYMax - direction * d * state.spanY, std::nullopt};
    if (!isUsableView(v.xMin, v.yMin, v.xMax, v.yMax))
        return std::nullopt;
    return v;
}

void zoomTo(const ZoomedView& v)
{
    state.zoomCount = v.count;
    showZoom();
    state.abortRequested = true;
    if (v.deepView) {
        adoptDeepView(*v.deepView);
    } else {
        state.viewXMin = v.xMin;
        state.viewXMax = v.xMax;
        state.viewYMin = v.yMin;
        state.viewYMax = v.yMax;
        adoptDoubleView();
    }
    runPlottingPass();
}

void zoomStep(int direction)
{
    if (!state.plotStarted)
        return;
    if (const std::optional<ZoomedView> v = zoomedView(direction))
        zoomTo(*v);
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
    // A keypad zoom step that is refused at the limits is no request at all:
    // the running plot goes on and the keys stay live. (Before the first plot
    // the key still counts as accepted.)
    const int zoomDirection = keyCode == KeyKeypadPlus ? +1 : keyCode == KeyKeypadMinus ? -1 : 0;
    if (zoomDirection != 0 && state.plotStarted) {
        const std::optional<ZoomedView> v = zoomedView(zoomDirection);
        if (v) {
            state.abortRequested = true;
            zoomTo(*v);
        }
        return;
    }
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
