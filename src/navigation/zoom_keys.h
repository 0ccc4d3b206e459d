#pragma once
// Zoom about the centre, the arrow keys and Esc.

namespace vantorel {

void zoomInCentre();
void zoomOutCentre();
void zoomin_Click();       // "+ Zoom &in"
void zoomout_Click();      // "- Zoom &out"
void Picture1_DblClick();  // zooms in

// Key codes the canvas understands; any other code is a key without action.
constexpr int KeyEscape = 27;
constexpr int KeyLeft = 37;
constexpr int KeyUp = 38;
constexpr int KeyRight = 39;
constexpr int KeyDown = 40;
constexpr int KeyKeypadPlus = 107;
constexpr int KeyKeypadMinus = 109;

void Picture1_KeyDown(int keyCode, int shift);

}  // namespace vantorel
