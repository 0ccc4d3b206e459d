#include "navigation/drag.h"

#include "core/deep_view.h"
#include "core/numeric.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "navigation/view_limits.h"
#include "platform/platform.h"

namespace vantorel {

namespace {
constexpr Colour White = 255 + 256 * 255 + 65536 * 255;
}

void Picture1_MouseDown(int /*button*/, int /*shift*/, float x, float y)
{
    if (!state.plotStarted)
        return;
    state.dragging = true;
    state.dragStartX = roundToInt16(x);
    state.dragStartY = roundToInt16(y);
    platform().setCanvasPointer(Pointer::Cross);
}

void Picture1_MouseUp(int /*button*/, int /*shift*/, float x, float y)
{
    // A release acts even without a press of its own (the second release of a
    // double click): it uses the press position stored last.
    if (!state.plotStarted)
        return;
    state.dragging = false;
    platform().setCanvasPointer(Pointer::Arrow);
    platform().canvasDrawBox(state.dragStartX, state.dragStartY, roundToInt16(x), roundToInt16(y), White);

    // The point under the pointer at the press comes to lie under it at the
    // release; the unrounded release position keeps sub-pixel moves exact. A
    // deep view moves by the same quotients of its spans in its precision.
    const double quotientX = (state.dragStartX - static_cast<double>(x)) / state.canvasWidth;
    const double quotientY = (state.dragStartY - static_cast<double>(y)) / state.canvasHeight;
    if (deepViewActive()) {
        const auto view = deepStepResult([&](int bits) {
            const BigFloat offsetX = deep.spanX.times(quotientX, bits), offsetY = deep.spanY.times(quotientY, bits);
            return DeepView{deep.view.xMin.plus(offsetX, bits), deep.view.yMin.plus(offsetY, bits),
                            deep.view.xMax.plus(offsetX, bits), deep.view.yMax.plus(offsetY, bits)};
        });
        if (view)
            adoptDeepView(*view);
        replot();
        return;
    }
    const double offsetX = quotientX * state.spanX;
    const double offsetY = quotientY * state.spanY;
    const double xMin = state.viewXMin + offsetX, yMin = state.viewYMin + offsetY;
    const double xMax = state.viewXMax + offsetX, yMax = state.viewYMax + offsetY;
    if (isUsableView(xMin, yMin, xMax, yMax)) {
        state.viewXMin = xMin;
        state.viewYMin = yMin;
        state.viewXMax = xMax;
        state.viewYMax = yMax;
    }
    adoptDoubleView();
    replot();
}

}  // namespace vantorel
