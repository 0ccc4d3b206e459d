#include "platform/platform.h"

#include <cassert>

namespace vantorel {
namespace {
Platform* current = nullptr;
}

Platform& platform()
{
    assert(current && "setPlatform must run before the program uses the platform");
    return *current;
}

void setPlatform(Platform* p) { current = p; }

void Platform::canvasPaintColumn(int x, int blockWidth, int blockHeight, const Colour* colours, int blocks)
{
    for (int k = 0, y = 0; k < blocks; ++k, y += blockHeight) {
        if (blockHeight == 1)
            canvasSetPixel(x, y, colours[k]);
        else
            canvasFillBox(x, y, x + blockWidth - 1, y + blockHeight - 1, colours[k]);
    }
}

}  // namespace vantorel
