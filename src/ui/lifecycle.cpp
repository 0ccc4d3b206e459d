#include "ui/lifecycle.h"

#include "core/deep_view.h"
#include "core/state.h"
#include "navigation/run_control.h"
#include "platform/platform.h"

#include <string>

namespace vantorel {

void startUp()
{
    // Options > "Deep zoom" starts checked. Set directly: the window that
    // measures the canvas does not exist yet, and the full view is drawn
    // with doubles whatever the canvas.
    deep.enabled = true;
    setFullView();
    state.refinementBase = 2;
    Platform& p = platform();
    p.showMainWindow();
    p.setCaption(Caption::cmdpicturesaving, "Picture saving off");
    p.setCaption(Caption::cmdSuccessiverefinement, "Successive refinement on");
    p.setCaption(Caption::cmdsynchronizedmode, "Synchronized mode off");
    p.setCaption(Caption::Labelkstep, std::to_string(p.scrollValue(ScrollBar::kstep)));
    // kstep is created at 15 already, so this raises no change event; the
    // caption above and calcStep below do its work.
    p.setScrollValue(ScrollBar::kstep, DefaultCalcStep);
    state.calcStep = p.scrollValue(ScrollBar::kstep);
    p.setScrollValue(ScrollBar::itera, DefaultIterations);
}

void Form_QueryUnload() { shutDown(); }

void mnuend_Click() { shutDown(); }

}  // namespace vantorel
