#include "files/bmp_file.h"

namespace vantorel {
namespace {
void put16(unsigned char*& out, unsigned v)
{
    *out++ = static_cast<unsigned char>(v & 0xff);
    *out++ = static_cast<unsigned char>((v >> 8) & 0xff);
}
void put32(unsigned char*& out, std::uint32_t v)
{
    put16(out, v & 0xffff);
    put16(out, v >> 16);
}
std::uint32_t rowBytes(int width) { return (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u; }  // rows pad to 4 bytes
}  // namespace

std::size_t bmp24Size(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return 54 + std::size_t{rowBytes(width)} * static_cast<std::size_t>(height);
}

bool encodeBmp24Into(std::span<const std::int32_t> pixels, int width, int height, std::span<char> file)
{
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height
        || file.size() != bmp24Size(width, height))
        return false;
    const std::uint32_t imageBytes = rowBytes(width) * static_cast<std::uint32_t>(height);
    auto* out = reinterpret_cast<unsigned char*>(file.data());
    *out++ = 'B';
    *out++ = 'M';
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
    for (int y = height - 1; y >= 0; --y) {
        const std::int32_t* source = pixels.data() + static_cast<std::size_t>(y) * width;
        unsigned char* row = out;
        for (int x = 0; x < width; ++x) {
            const auto c = static_cast<std::uint32_t>(source[x]);
            *out++ = static_cast<unsigned char>((c >> 16) & 0xff);  // blue
            *out++ = static_cast<unsigned char>((c >> 8) & 0xff);   // green
            *out++ = static_cast<unsigned char>(c & 0xff);          // red
        }
        while (out < row + rowBytes(width))
            *out++ = 0;
    }
    return true;
}

std::string encodeBmp24(std::span<const std::int32_t> pixels, int width, int height)
{
    std::string file(bmp24Size(width, height), '\0');
    if (!encodeBmp24Into(pixels, width, height, file))
        return {};
    return file;
}

}  // namespace vantorel
