#pragma once
// Navigation never takes the view out of the range of doubles: a move whose
// corners or spans would be infinite or not a number is refused. Nor does it
// go deeper than the deepest view drawn.

#include "core/deep_view.h"

#include <functional>
#include <optional>

namespace vantorel {

bool isUsableView(double xMin, double yMin, double xMax, double yMax);

// The deep view after a navigation step. `step(bits)` makes the new corners
// with every operation rounded to `bits`; it runs at the precision of the
// view it makes (bitsForView of its own result), so a step costs what its
// depth needs and no rounding is repeated. Nothing when the new view's
// nearest doubles are not usable, or when it is deeper than the deepest view
// drawn, which the user is told in a message box.
std::optional<DeepView> deepStepResult(const std::function<DeepView(int bits)>& step);

}  // namespace vantorel
