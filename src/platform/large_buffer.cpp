#include "platform/large_buffer.h"

#include <cstdint>
#include <new>
#include <sys/mman.h>

namespace vantorel {
namespace {

constexpr std::size_t HugePage = std::size_t{2} << 20;

#if defined(__SANITIZE_ADDRESS__)
// AddressSanitizer guards only the memory it hands out itself: in its build
// every buffer comes from operator new, so an overrun is still caught.
bool mappedOnItsOwn(std::size_t) { return false; }
#else
bool mappedOnItsOwn(std::size_t bytes) { return bytes >= HugePage / 4; }
#endif

std::size_t roundedUp(std::size_t bytes) { return (bytes + HugePage - 1) / HugePage * HugePage; }

}  // namespace

void* allocateLarge(std::size_t bytes)
{
    if (!mappedOnItsOwn(bytes))
        return ::operator new(bytes);
    // Map one huge page more than needed and cut away what lies outside the
    // aligned part.
    const std::size_t size = roundedUp(bytes);
    void* mapped = mmap(nullptr, size + HugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + HugePage - 1) & ~(HugePage - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    if (const std::size_t tail = start + size + HugePage - (aligned + size))
        munmap(reinterpret_cast<void*>(aligned + size), tail);
    // Only a hint: without huge pages the buffer works the same, only slower
    // to touch the first time.
    madvise(reinterpret_cast<void*>(aligned), size, MADV_HUGEPAGE);
    return reinterpret_cast<void*>(aligned);
}

void freeLarge(void* memory, std::size_t bytes) noexcept
{
    if (!memory)
        return;
    if (!mappedOnItsOwn(bytes))
        ::operator delete(memory);
    else
        munmap(memory, roundedUp(bytes));
}

}  // namespace vantorel
