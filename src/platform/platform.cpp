#include "platform/platform.h"

#include <cassert>

namespace vantorel {
namespace {
Platform* current = nullptr;
}

Platform& platform()
{
    assert(current && "setPlatform must run before the program uses the platform");
    return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace vantorel
