#include "navigation/run_control.h"

#include "core/deep_view.h"
#include "core/numeric.h"
#include "core/plotting_pass.h"
#include "core/state.h"
#include "platform/platform.h"

#include <cstdlib>
#include <string>

namespace vantorel {

void replot()
{
    // The pass this starts clears the request when it sets up, so the request
    // never stops a pass; until then the canvas ignores keys. How the new pass
    // runs inside a suspended one: docs/plotting-pass.md.
    state.abortRequested = true;
    runPlottingPass();
}

void shutDown()
{
    platform().quit();
    std::abort();  // quit never returns; this keeps the promise if a platform breaks it
}

void showZoom()
{
    platform().setCaption(Caption::Labelzoom, signedText(state.zoomCount) + " times");
    // The factor the next pass will use: after a load the state may still
    // hold a factor that the pass replaces.
    platform().setCaption(Caption::Label14, formatGeneral(state.zoomCount * usableZoomFactor(state.zoomFactor),
                                                          platform().decimalSeparator()));
}

void Command1_Click()
{
    platform().canvasClear();
    platform().focusCanvas();
    replot();
}

void mnustart_Click(int /*index*/)
{
    platform().canvasClear();
    replot();
}

void mnustop_Click() { state.abortRequested = true; }

void mnupause_Click()
{
    // While paused the time label stands still; the clock keeps running, so
    // the time shown after resuming includes the pause.
    if (state.paused) {
        state.paused = false;
        state.timingActive = true;
    } else {
        state.paused = true;
        state.timingActive = false;
    }
}

void setFullView()
{
    state.viewXMin = DefaultXMin;
    state.viewYMin = DefaultYMin;
    state.viewXMax = DefaultXMax;
    state.viewYMax = DefaultYMax;
    leaveDeepView();
}

namespace {
void restoreFullView()
{
    setFullView();
    state.zoomCount = 0;
}
}  // namespace

void Command2_Click()
{
    platform().canvasClear();
    platform().setPersistentImage(false);
    restoreFullView();
    showZoom();
    platform().setScrollValue(ScrollBar::itera, DefaultIterations);
    platform().setScrollValue(ScrollBar::kstep, DefaultCalcStep);
    state.refinementBase = 2;
    replot();
}

void mnurestart_Click()
{
    // Unlike the button, the menu entry neither refreshes the zoom labels nor
    // switches successive refinement back on.
    platform().canvasClear();
    platform().setPersistentImage(false);
    restoreFullView();
    platform().setScrollValue(ScrollBar::itera, DefaultIterations);
    platform().setScrollValue(ScrollBar::kstep, DefaultCalcStep);
    replot();
}

void mnurestartresolution_Click()
{
    platform().setScrollValue(ScrollBar::itera, DefaultIterations);
    platform().setScrollValue(ScrollBar::kstep, DefaultCalcStep);
    platform().focusCanvas();
}

}  // namespace vantorel
