#pragma once

#include "files/safe_file.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace vantorel {

// The bytes of an uncompressed 24-bit BMP file of these pixels (red + 256 *
// green + 65536 * blue, row 0 at the top); empty when the sizes do not match.
std::string encodeBmp24(std::span<const std::int32_t> pixels, int width, int height);

// The same file written into `file`, which must hold bmp24Size(width, height)
// bytes; false (and nothing written) when a size does not match.
std::size_t bmp24Size(int width, int height);
bool encodeBmp24Into(std::span<const std::int32_t> pixels, int width, int height, std::span<char> file);

// The parts of such a file, for a picture written row by row: the 54 bytes
// before the rows, the bytes of one row (padding included) and row y's
// offset from the start (rows are stored bottom-up). A size whose file
// passes the 4 GiB that the header can state has no header (false).
constexpr std::size_t Bmp24HeaderSize = 54;
bool bmp24Header(int width, int height, unsigned char* header);
std::size_t bmp24RowSize(int width);
void bmp24Row(const std::int32_t* pixels, int width, unsigned char* row);
std::uint64_t bmp24RowOffset(int width, int height, int y);

}  // namespace vantorel
