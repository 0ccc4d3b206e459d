#pragma once
// A program without a window: the in-memory platform with the program's own
// handlers behind its events. The tests and the headless tools start here.

#include "platform/memory_platform.h"

namespace vantorel {

// Hands the handlers of the layers above the platform to `platform`: scroll bar
// changes, the information window's load handler and the BMP encoder.
void connectHeadlessHandlers(MemoryPlatform& platform);

}  // namespace vantorel
