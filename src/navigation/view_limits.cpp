#include "navigation/view_limits.h"

#include <cmath>

namespace vantorel {

bool isUsableView(double xMin, double yMin, double xMax, double yMax)
{
    return std::isfinite(xMin) && std::isfinite(yMin) && std::isfinite(xMax) && std::isfinite(yMax)
           && std::isfinite(xMax - xMin) && std::isfinite(yMax - yMin);
}

}  // namespace vantorel
