#include "navigation/plot_settings.h"

#include "core/deep_view.h"
#include "core/state.h"
#include "platform/platform.h"

#include <cstdint>

namespace vantorel {

void applyPlotSettings(const PlotSettings& settings)
{
    state.viewXMin = settings.view[0];
    state.viewYMin = settings.view[1];
    state.viewXMax = settings.view[2];
    state.viewYMax = settings.view[3];
    adoptDoubleView();
    platform().setScrollValue(ScrollBar::itera, static_cast<std::int16_t>(settings.iterations));
    platform().setScrollValue(ScrollBar::kstep, static_cast<std::int16_t>(settings.step));
    platform().setScrollValue(ScrollBar::colourbar, static_cast<std::int16_t>(settings.intensity));
    state.refinementBase = settings.refinement ? 2 : 1;
    state.synchronizedMode = settings.synchronized;
}

}  // namespace vantorel
