#pragma once
// Views deeper than doubles can draw.
//
// The exploration state keeps the view as four doubles, and wherever doubles
// resolve the view they stay its master: every handler works on them with
// its own double arithmetic and the pass counts with the double loop, so those
// pictures are exactly what they have always been. Past that point, and while
// "Deep zoom" is on, the view lives here in arbitrary precision and the
// doubles of the state are its nearest doubles, so that the labels and every
// handler that only reads them keep working.

#include "core/big_float.h"

#include <cstdint>

namespace vantorel {

// Corners as in the state: column 0 shows xMin, row 0 yMin.
struct DeepView {
    BigFloat xMin, yMin, xMax, yMax;
};

// Whether doubles resolve a view drawn on a canvas of width x height pixels:
// both pixel steps, (xMax - xMin) / width and (yMax - yMin) / height as the
// pass forms them, are at least ResolvingUlps units in the last place of the
// largest corner magnitude. Below that neighbouring pixels start to share
// their double point and the rounding of the corners is a visible part of a
// pixel; at 16 ulps a pixel still spans 16 distinct doubles.
constexpr double ResolvingUlps = 16;
bool binary64Resolves(double xMin, double yMin, double xMax, double yMax, int width, int height);

// The deepest view drawn: the pixel steps are no smaller than 10^-10000 of the
// largest corner magnitude (with that magnitude taken as at least 2^-64).
// Deeper needs more than 33,300 bits a number and hours of work a picture.
constexpr int DeepestDecimalDepth = 10000;
bool withinDeepestDepth(const DeepView& view, int width, int height);
// The same on the canvas the platform reports.
bool withinDeepestDepth(const DeepView& view);
// The deepest view in the user's words, for the messages that refuse a deeper one.
inline constexpr const char* DeepestDepthText = "pixels down to about 1e-10000 of the largest coordinate of the view";

// Bits a view's numbers need on that canvas: the bits between the largest
// corner magnitude and the smaller pixel step, and 64 more so that rounding
// stays far below a pixel through many navigation steps.
int bitsForView(const DeepView& view, int width, int height);
int bitsForView(const DeepView& view);  // on the canvas the platform reports

// The deep side of the exploration state.
struct DeepState {
    bool enabled = true;  // Options > "Deep zoom"
    bool active = false;  // the view below is the master (doubles do not resolve it)
    DeepView view;
    // Width and height of the view in the plane, set by the pass from the
    // view as it sets spanX and spanY: the navigation handlers read them.
    BigFloat spanX, spanY;
    // Changes whenever the deep view does: two deep views may have the same
    // nearest doubles, so counts kept for one must not pass for the other's.
    std::uint64_t generation = 0;
};
extern DeepState deep;

// Whether the current view is drawn and navigated in arbitrary precision.
inline bool deepViewActive() { return deep.enabled && deep.active; }

// After a handler has set the state's corners with double arithmetic: while
// doubles resolve the view nothing changes; past that, with "Deep zoom" on,
// the deep view becomes exactly those doubles and the master from now on.
// Uses the canvas size the platform reports.
void adoptDoubleView();

// After a handler has set the state's corners to a view that doubles resolve
// on any canvas (the full view): the doubles are the master again. Unlike
// adoptDoubleView it needs no canvas, so start-up may call it before the
// window exists.
void leaveDeepView();

// Makes `view` the current view. Where doubles resolve it (or with "Deep zoom"
// off) the state's corners become its nearest doubles and they are the
// master again; otherwise it becomes the deep view, at the precision its depth
// needs, and the state's corners its nearest doubles.
void adoptDeepView(const DeepView& view);

// "Deep zoom" on or off. Off: the nearest doubles are the view, as they would
// have been without it. On: a view doubles do not resolve is drawn deep.
void setDeepZoomEnabled(bool on);

// The current view in arbitrary precision: the deep view when it is active,
// otherwise the state's doubles exactly.
DeepView currentDeepView();

}  // namespace vantorel
