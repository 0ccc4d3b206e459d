#pragma once
// Moving the view by dragging the picture with the mouse.

namespace vantorel {

// Button and shift state are ignored: every button drags alike. x and y are
// canvas pixels as the window system delivers them (not rounded).
void Picture1_MouseDown(int button, int shift, float x, float y);
void Picture1_MouseUp(int button, int shift, float x, float y);

}  // namespace vantorel
