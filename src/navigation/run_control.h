#pragma once
// Starting, stopping, pausing and restarting plots.

namespace vantorel {

// The one way every command asks for a new picture of the current view.
void replot();
// Writes the zoom count into Labelzoom and count * factor into Label14.
void showZoom();

void Command1_Click();              // "&Start" button
void mnustart_Click(int index);     // "&Start (plots the set)"
void mnustop_Click();               // "Stop"
void mnupause_Click();              // "&Pause"
void Command2_Click();              // "Restart all" button
void mnurestart_Click();            // "Restart all (!)"
void mnurestartresolution_Click();  // "Restart resolution"

// Ends the program at once: every window closes and no pass suspended in its
// event pump resumes. Never returns. Esc on the canvas, "&Exit" and closing
// the main window all end here.
[[noreturn]] void shutDown();

// Puts the view corners back to the full view (drawn with doubles).
void setFullView();

// The full view that start-up and the restarts use.
constexpr double DefaultXMin = -2.25;
constexpr double DefaultYMin = -1.5;
constexpr double DefaultXMax = 1.25;
constexpr double DefaultYMax = 1.5;
constexpr int DefaultIterations = 1000;
constexpr int DefaultCalcStep = 15;

}  // namespace vantorel
