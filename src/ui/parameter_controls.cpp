#include "ui/parameter_controls.h"

#include "core/state.h"
#include "platform/platform.h"

#include <string>

namespace vantorel {

void itera_Change()
{
    platform().setCaption(Caption::labelitera, std::to_string(platform().scrollValue(ScrollBar::itera)));
}

void kstep_Change()
{
    const std::int16_t value = platform().scrollValue(ScrollBar::kstep);
    platform().setCaption(Caption::Labelkstep, std::to_string(value));
    state.calcStep = value;
}

void colourbar_Change()
{
    platform().setCaption(Caption::Label6, std::to_string(platform().scrollValue(ScrollBar::colourbar)));
}

void scrollBarChanged(ScrollBar bar)
{
    switch (bar) {
    case ScrollBar::itera: itera_Change(); break;
    case ScrollBar::kstep: kstep_Change(); break;
    case ScrollBar::colourbar: colourbar_Change(); break;
    case ScrollBar::Count: break;
    }
}

}  // namespace vantorel
