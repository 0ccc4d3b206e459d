#pragma once
// A rectangle of canvas pixels given by two corners, both included.

#include "platform/platform.h"

#include <algorithm>
#include <type_traits>

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

// The box of a column of blocks (Platform::canvasPaintColumn), or false when
// part of it lies off a canvas of width x height: such a column is painted
// block by block, each clipped.
inline bool columnBox(int x, int blockWidth, int blockHeight, int blocks, int width, int height, PixelBox& box)
{
    if (blocks < 1 || x < 0 || blockWidth < 1 || blockHeight < 1)
        return false;
    box = {x, 0, blockHeight == 1 ? x : x + blockWidth - 1, 0};
    const long long bottom = static_cast<long long>(blocks) * blockHeight;
    if (box.x2 >= width || bottom > height)
        return false;
    box.y2 = static_cast<int>(bottom) - 1;
    return true;
}

// Paints a column of blocks that lies inside the canvas (see columnBox) into
// rows of `rowLength` pixels, each colour converted by `pixelOf`. The common
// block widths get loops of their own, which the compiler unrolls: a block
// is one to sixteen pixels wide, and a loop over a width known only at run
// time cost more than the stores.
template <class Pixel, class Convert>
void paintColumnInto(Pixel* pixels, int rowLength, const PixelBox& box, int blockHeight, const Colour* colours,
                     Convert pixelOf)
{
    const int width = box.x2 - box.x1 + 1;
    const auto paint = [&]<int Known>(std::integral_constant<int, Known>) {
        const int w = Known ? Known : width;
        Pixel* line = pixels + box.x1;
        for (int y = 0, k = 0; y <= box.y2; ++k) {
            const Pixel pixel = pixelOf(colours[k]);
            for (int row = 0; row < blockHeight; ++row, ++y, line += rowLength)
                std::fill_n(line, w, pixel);
        }
    };
    switch (width) {
    case 1: paint(std::integral_constant<int, 1>{}); break;
    case 2: paint(std::integral_constant<int, 2>{}); break;
    case 4: paint(std::integral_constant<int, 4>{}); break;
    case 8: paint(std::integral_constant<int, 8>{}); break;
    case 16: paint(std::integral_constant<int, 16>{}); break;
    default: paint(std::integral_constant<int, 0>{}); break;
    }
}

}  // namespace vantorel
