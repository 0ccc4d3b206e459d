#pragma once
// A rectangle of canvas pixels given by two corners, both included.

#include <algorithm>

namespace vantorel {

struct PixelBox {
    int x1, y1, x2, y2;

    // Orders the corners and clips the box to a canvas of width x height;
    // false when nothing of it is left.
    bool clipTo(int width, int height)
    {
        if (x1 > x2)
            std::swap(x1, x2);
        if (y1 > y2)
            std::swap(y1, y2);
        x1 = std::max(x1, 0);
        y1 = std::max(y1, 0);
        x2 = std::min(x2, width - 1);
        y2 = std::min(y2, height - 1);
        return x1 <= x2 && y1 <= y2;
    }
};

}  // namespace vantorel
