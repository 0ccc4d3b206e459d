#pragma once
// Value-changed handlers of the three parameter scroll bars.

#include "platform/platform.h"

namespace vantorel {

void itera_Change();
void kstep_Change();
void colourbar_Change();
// Runs the change handler of one bar; every platform calls it after a value changed.
void scrollBarChanged(ScrollBar bar);

}  // namespace vantorel
