#pragma once
// The program's entry and exit procedures.

namespace vantorel {

// Sets the full view and refinement, shows the main window and writes the
// first captions and scroll bar values. Starts no plot.
void startUp();
// Closes every window and ends the process at once, also from inside a pass
// suspended in its event pump; never returns.
[[noreturn]] void shutDown();

void Form_QueryUnload();  // any close request of the main window
void mnuend_Click();      // "&Exit"

} // namespace vantorel
