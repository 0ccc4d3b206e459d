#pragma once

namespace vantorel::bench {

// Prints the table of the default pass through the Qt canvas; needs a Qt
// platform plugin (offscreen by default).
int runQtTable(int runs);

}  // namespace vantorel::bench
