#pragma once
// The program's entry and exit procedures.

namespace vantorel {

// Sets the full view and refinement, shows the main window and writes the
// first captions and scroll bar values. Starts no plot.
void startUp();

// Both end the program through shutDown.
void Form_QueryUnload();  // any close request of the main window
void mnuend_Click();      // "&Exit"

}  // namespace vantorel
