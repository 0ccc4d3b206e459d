#pragma once
// Memory for the program's few large buffers: the in-memory canvas, the
// counts a pass keeps and the bytes of a BMP. A buffer of a quarter of a huge page or
// more is mapped on its own, aligned to 2 MB and offered to the kernel for
// transparent huge pages: the first pass then touches it with a page fault
// per 2 MB instead of one per 4 KB, which on a virtual machine costs more
// than drawing the picture. Where huge pages are off it is plain mapped memory,
// as malloc would give for a buffer of that size.

#include <cstddef>
#include <vector>

namespace vantorel {

void* allocateLarge(std::size_t bytes);
void freeLarge(void* memory, std::size_t bytes) noexcept;

template <class T> struct LargeBufferAllocator {
    using value_type = T;
    LargeBufferAllocator() = default;
    template <class U> LargeBufferAllocator(const LargeBufferAllocator<U>&) noexcept {}
    T* allocate(std::size_t n) { return static_cast<T*>(allocateLarge(n * sizeof(T))); }
    void deallocate(T* p, std::size_t n) noexcept { freeLarge(p, n * sizeof(T)); }
    template <class U> bool operator==(const LargeBufferAllocator<U>&) const noexcept { return true; }
};

template <class T> using LargeVector = std::vector<T, LargeBufferAllocator<T>>;

}  // namespace vantorel
