#pragma once
// Navigation never takes the view out of the range of doubles: a move whose
// corners or spans would be infinite or not a number is refused.

namespace vantorel {

bool isUsableView(double xMin, double yMin, double xMax, double yMax);

}  // namespace vantorel
