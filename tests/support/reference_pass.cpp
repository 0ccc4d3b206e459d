#include "support/reference_pass.h"

#include <cmath>

namespace vantorel::testing {
namespace {

int count(double cr, double ci, float limit, int step)
{
    double x = cr, y = ci;
    int n = 0;
    while (n <= limit) {
        const double xx = x * x, yy = y * y;
        if (xx + yy > 4)
            break;
        const double nx = (xx - yy) + cr;
        y = (x + x) * y + ci;
        x = nx;
        n += step;
    }
    return n;
}

struct Painter {
    float limit;
    int intensity;
    float shade = 0;
    std::int32_t colour = 0;

    std::int32_t paint(int c)
    {
        const float band = std::floor(4.0f / limit * static_cast<float>(c));
        if (c > 0)
            shade = std::fmin(255.0f, static_cast<float>(static_cast<int>(limit) % c));
        const int s = static_cast<int>(shade);
        if (c > limit - 2)
            colour = 0;
        if (band == 0)
            colour = std::min(255, intensity * s / 255);
        if (band == 1)
            colour = 200 + 256 * s;
        if (band == 2)
            colour = 65536 * s;
        if (band == 3)
            colour = (255 - s) + 65536 * s;
        return colour;
    }
};

}  // namespace

ReferenceResult referencePass(const ReferenceSettings& in)
{
    constexpr int W = 600, H = 500;
    ReferenceResult out;
    out.canvas.assign(W * H, 0);
    const double stepX = (in.xMax - in.xMin) / W, stepY = (in.yMax - in.yMin) / H;
    Painter painter{static_cast<float>(in.iterations), in.intensity, in.shadeAtStart};

    const int first = in.refinement ? 16 : 1;
    int w = first, h = first, parity = in.stageCounterAtStart & 1;
    bool compute = false;
    int lastCount = 0;
    for (int stage = 0; stage < in.stages; ++stage) {
        out.stages.emplace_back(w, h);
        for (int x = 0; x + w <= W; x += w) {
            for (int y = 0; y + h <= H; y += h) {
                if (w == first)
                    compute = h == first || (x % (2 * w) != 0 || y % (2 * h) != 0);
                if (compute) {
                    lastCount =
                        count(x * stepX + in.xMin, y * stepY + in.yMin, static_cast<float>(in.iterations), in.step);
                    ++out.computedPoints;
                }
                const std::int32_t c = painter.paint(lastCount);
                const int width = h == 1 ? 1 : w;  // a block one pixel high sets one pixel
                for (int j = y; j < y + h; ++j)
                    for (int i = x; i < x + width; ++i)
                        out.canvas[j * W + i] = c;
            }
        }
        if (first == 1 || (w == 1 && h == 1))
            break;
        parity ^= 1;
        if (in.synchronized) {
            w /= 2;
            h /= 2;
        } else if (parity) {
            w /= 2;
        } else {
            h /= 2;
        }
    }
    return out;
}

}  // namespace vantorel::testing
