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

}  // namespace vantorel
