#include "platform/large_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <numeric>

namespace vantorel::testing {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool SanitizerBuild = true;  // every buffer comes from operator new there
#else
constexpr bool SanitizerBuild = false;
#endif

// Sizes either side of where a buffer gets a mapping of its own, up to more
// than one huge page: every byte is usable, the big ones start on a 2 MB
// boundary, and a vector keeps its values when it grows from one kind of
// memory into the other.
TEST(LargeBufferTest, EveryByteIsUsableAndBigBuffersAreAligned)
{
    constexpr std::size_t HugePage = std::size_t{2} << 20;
    for (const std::size_t bytes : {std::size_t{1}, HugePage / 4 - 1, HugePage / 4, HugePage - 1, HugePage + 1}) {
        SCOPED_TRACE(bytes);
        auto* memory = static_cast<unsigned char*>(allocateLarge(bytes));
        for (std::size_t i = 0; i < bytes; ++i)
            memory[i] = static_cast<unsigned char>(i);
        EXPECT_EQ(memory[bytes - 1], static_cast<unsigned char>(bytes - 1));
        if (bytes >= HugePage / 4 && !SanitizerBuild) {
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(memory) % HugePage, 0u);
        }
        freeLarge(memory, bytes);
    }

    LargeVector<std::int32_t> values(1000);
    std::iota(values.begin(), values.end(), 0);
    values.resize(HugePage / 2);  // 4 MB of int32: now mapped on its own
    EXPECT_EQ(values[999], 999);
    EXPECT_EQ(values.back(), 0);
    if (!SanitizerBuild) {
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(values.data()) % HugePage, 0u);
    }
}

}  // namespace
}  // namespace vantorel::testing
