#pragma once

#include "files/safe_file.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vantorel {

// Writes pixels (red + 256 * green + 65536 * blue, row 0 at the top) as an
// uncompressed 24-bit BMP. The file appears whole or not at all: it is written
// beside the target and renamed into place. False when it cannot be written.
bool writeBmp24(const std::string& path, const std::vector<std::int32_t>& pixels, int width, int height,
                Durability durability = Durability::Synced);

} // namespace vantorel
