#pragma once
// Value-changed handlers of the three parameter scroll bars.

namespace vantorel {

void itera_Change();
void kstep_Change();
void colourbar_Change();

} // namespace vantorel
