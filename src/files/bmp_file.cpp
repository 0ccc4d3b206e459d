#include "files/bmp_file.h"


namespace vantorel {
namespace {
void put16(std::string& out, unsigned v)
{
    out.push_back(static_cast<char>(v & 0xff));
    out.push_back(static_cast<char>((v >> 8) & 0xff));
}
void put32(std::string& out, std::uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}
} // namespace

std::string encodeBmp24(const std::vector<std::int32_t>& pixels, int width, int height)
{
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height)
        return {};
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;  // rows pad to 4 bytes
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::string out;
    out.reserve(54 + imageBytes);
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + imageBytes);
    put32(out, 0);
    put32(out, 54);
    put32(out, 40);                       // BITMAPINFOHEADER
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);                        // no compression
    put32(out, imageBytes);
    put32(out, 2835);                     // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const auto c = static_cast<std::uint32_t>(pixels[static_cast<std::size_t>(y) * width + x]);
            out.push_back(static_cast<char>((c >> 16) & 0xff));  // blue
            out.push_back(static_cast<char>((c >> 8) & 0xff));   // green
            out.push_back(static_cast<char>(c & 0xff));          // red
        }
        for (std::uint32_t pad = static_cast<std::uint32_t>(width) * 3; pad < rowBytes; ++pad)
            out.push_back(0);
    }
    return out;
}

} // namespace vantorel
