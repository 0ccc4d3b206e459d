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
}  // namespace

std::string encodeBmp24(std::span<const std::int32_t> pixels, int width, int height)
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
    put32(out, 40);  // BITMAPINFOHEADER
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));  // positive: bottom-up rows
    put16(out, 1);
    put16(out, 24);
    put32(out, 0);  // no compression
    put32(out, imageBytes);
    put32(out, 2835);  // 72 dpi
    put32(out, 2835);
    put32(out, 0);
    put32(out, 0);
    // The rows, bottom-up, each padded with zeros.
    const std::size_t header = out.size();
    out.resize(header + imageBytes, 0);
    auto* row = reinterpret_cast<unsigned char*>(out.data()) + header;
    for (int y = height - 1; y >= 0; --y, row += rowBytes) {
        const std::int32_t* source = pixels.data() + static_cast<std::size_t>(y) * width;
        for (int x = 0; x < width; ++x) {
            const auto c = static_cast<std::uint32_t>(source[x]);
            row[3 * x] = static_cast<unsigned char>((c >> 16) & 0xff);     // blue
            row[3 * x + 1] = static_cast<unsigned char>((c >> 8) & 0xff);  // green
            row[3 * x + 2] = static_cast<unsigned char>(c & 0xff);         // red
        }
    }
    return out;
}

}  // namespace vantorel
