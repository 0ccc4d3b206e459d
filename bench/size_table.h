#pragma once

#include <string>

namespace vantorel::bench {

// Times vantorel-render (the program at `render`) at sizes from 1 to 400
// Mpixel, a child process per picture (only those whose name holds `only`,
// when given); false when a picture failed.
bool runSizeTable(int runs, const std::string& render, const std::string& only);

}  // namespace vantorel::bench
