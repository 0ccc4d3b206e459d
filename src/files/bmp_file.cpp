#include "files/bmp_file.h"

#include <limits>

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
}  // namespace

std::size_t bmp24RowSize(int width) { return (static_cast<std::size_t>(width) * 3 + 3) & ~std::size_t{3}; }  // rows pad to 4 bytes

std::size_t bmp24Size(int width, int height)
{
    if (width <= 0 || height <= 0)
        return 0;
    return Bmp24HeaderSize + bmp24RowSize(width) * static_cast<std::size_t>(height);
}

std::uint64_t bmp24RowOffset(int width, int height, int y)
{
    return Bmp24HeaderSize + bmp24RowSize(width) * static_cast<std::uint64_t>(height - 1 - y);
}

bool bmp24Header(int width, int height, unsigned char* out)
{
    const std::size_t size = bmp24Size(width, height);
    if (size == 0 || size > std::numeric_limits<std::uint32_t>::max())
        return false;
    const auto imageBytes = static_cast<std::uint32_t>(size - Bmp24HeaderSize);
    *out++ = 'B';
    *out++ = 'M';
    put32(out, static_cast<std::uint32_t>(size));
    put32(out, 0);
    put32(out, Bmp24HeaderSize);
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
    return true;
}

void bmp24Row(const std::int32_t* pixels, int width, unsigned char* out)
{
    unsigned char* const row = out;
    for (int x = 0; x < width; ++x) {
        const auto c = static_cast<std::uint32_t>(pixels[x]);
        *out++ = static_cast<unsigned char>((c >> 16) & 0xff);  // blue
        *out++ = static_cast<unsigned char>((c >> 8) & 0xff);   // green
        *out++ = static_cast<unsigned char>(c & 0xff);          // red
    }
    while (out < row + bmp24RowSize(width))
        *out++ = 0;
}

bool encodeBmp24Into(std::span<const std::int32_t> pixels, int width, int height, std::span<char> file)
{
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<std::size_t>(width) * height
        || file.size() != bmp24Size(width, height))
        return false;
    auto* bytes = reinterpret_cast<unsigned char*>(file.data());
    if (!bmp24Header(width, height, bytes))
        return false;
    // The rows, bottom-up, each padded with zeros.
    for (int y = 0; y < height; ++y)
        bmp24Row(pixels.data() + static_cast<std::size_t>(y) * width, width, bytes + bmp24RowOffset(width, height, y));
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
