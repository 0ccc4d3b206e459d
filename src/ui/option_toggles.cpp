#include "ui/option_toggles.h"

#include "core/deep_view.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "platform/platform.h"

namespace vantorel {

// Each toggle decides from the true state, never from the button's caption,
// so after "Restart all" (which changes states without touching captions) the
// next click flips the real state and the caption catches up.

void mnusuccessive_Click()
{
    if (state.refinementBase == 1) {
        platform().setCaption(Caption::cmdSuccessiverefinement, "Successive refinement on");
        state.refinementBase = 2;
    } else {
        state.refinementBase = 1;
        platform().setCaption(Caption::cmdSuccessiverefinement, "Successive refinement off");
    }
    // Painted over the current picture, without clearing; the focus stays.
    replot();
}

void mnusynchronized_Click()
{
    // A pass under way picks the new sizes up for its next column's rows and
    // for the halving at its stage end.
    state.synchronizedMode = !state.synchronizedMode;
    state.blockWidth = state.blockHeight;
    platform().setCaption(Caption::cmdsynchronizedmode,
                          state.synchronizedMode ? "Synchronized mode on" : "Synchronized mode off");
    platform().focusCanvas();
}

void mnusavingenabled_Click()
{
    platform().setPersistentImage(!platform().persistentImage());
    platform().setCaption(Caption::cmdpicturesaving,
                          platform().persistentImage() ? "Picture saving on" : "Picture saving off");
    platform().focusCanvas();
}

void mnudeepzoom_Click()
{
    // A view past what doubles resolve changes how it is drawn: it is drawn
    // again at once, over the current picture, once a plot has been started.
    const bool wasDeep = deepViewActive();
    setDeepZoomEnabled(!deep.enabled);
    if (state.plotStarted && deepViewActive() != wasDeep)
        replot();
}

void cmdSuccessiverefinement_Click() { mnusuccessive_Click(); }
void cmdsynchronizedmode_Click() { mnusynchronized_Click(); }
void cmdpicturesaving_Click() { mnusavingenabled_Click(); }

}  // namespace vantorel
