#include "navigation/zoom_keys.h"

#include "core/plotting_pass.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "navigation/view_limits.h"

#include <cstdint>
#include <optional>

namespace vantorel {

namespace {

// Where one zoom step about the centre takes the view: each edge moves by
// span / zoomFactor, inwards (direction +1) or outwards (-1). Nothing when
// the step would take zoomCount past its 16-bit range or the view out of the
// range of doubles: such a step is refused whole, so the view and the zoom
// labels always agree.
struct ZoomedView {
    std::int16_t count;
    double xMin, yMin, xMax, yMax;
};

std::optional<ZoomedView> zoomedView(int direction)
{
    const int count = state.zoomCount + direction;
    const double d = 1 / state.zoomFactor;
    const ZoomedView v{static_cast<std::int16_t>(count), state.viewXMin + direction * d * state.spanX,
                       state.viewYMin + direction * d * state.spanY, state.viewXMax - direction * d * state.spanX,
                       state.viewYMax - direction * d * state.spanY};
    if (count > INT16_MAX || count < INT16_MIN || !isUsableView(v.xMin, v.yMin, v.xMax, v.yMax))
        return std::nullopt;
    return v;
}

void zoomStep(int direction)
{
    if (!state.plotStarted)
        return;
    const std::optional<ZoomedView> v = zoomedView(direction);
    if (!v)
        return;
    state.zoomCount = v->count;
    showZoom();
    state.abortRequested = true;
    state.viewXMin = v->xMin;
    state.viewXMax = v->xMax;
    state.viewYMin = v->yMin;
    state.viewYMax = v->yMax;
    runPlottingPass();
}

// The arrow keys move the view along one axis unless that leaves the range
// of doubles, then plot (the same view when the move is refused).
void panX(double by)
{
    if (isUsableView(state.viewXMin + by, state.viewYMin, state.viewXMax + by, state.viewYMax)) {
        state.viewXMin += by;
        state.viewXMax += by;
    }
    runPlottingPass();
}

void panY(double by)
{
    if (isUsableView(state.viewXMin, state.viewYMin + by, state.viewXMax, state.viewYMax + by)) {
        state.viewYMin += by;
        state.viewYMax += by;
    }
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
    // A keypad zoom step that would be refused at the limits is no request
    // at all: the running plot goes on and the keys stay live. (Before the
    // first plot the key still counts as accepted.)
    const int zoomDirection = keyCode == KeyKeypadPlus ? +1 : keyCode == KeyKeypadMinus ? -1 : 0;
    if (zoomDirection != 0 && state.plotStarted && !zoomedView(zoomDirection))
        return;
    state.abortRequested = true;

    // One step is 0.001 / 15 of the span per canvas pixel: 4 % of the width on
    // a 600-pixel canvas, 1/30 of the height on a 500-pixel one.
    const double sx = 0.001 / 15 * state.canvasWidth * state.spanX;
    const double sy = 0.001 / 15 * state.canvasHeight * state.spanY;
    switch (keyCode) {
    case KeyEscape: shutDown();
    case KeyLeft: panX(-sx); break;
    case KeyUp: panY(-sy); break;
    case KeyRight: panX(sx); break;
    case KeyDown: panY(sy); break;
    case KeyKeypadPlus: zoomInCentre(); break;
    case KeyKeypadMinus: zoomOutCentre(); break;
    default: break;
    }
}

}  // namespace vantorel
