// Buffers for large byte runs: every size usable to its last byte, large ones on huge-page
// boundaries, and a freed block handed out again only once.
#include "platform/LargeBytes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

using vtx::LargeBytes;

TEST(LargeBytes, EverySizeIsWritableToItsEndAndAFreedBlockGoesToOneOwnerOnly)
{
    const std::size_t from = vtx::kLargeBytesFrom;
    for (const std::size_t size : {std::size_t{1}, from - 1, from, from + 1, (std::size_t{9} << 20) + 123}) {
        std::vector<LargeBytes> held;
        // Several of one size at once: a kept block must never serve two of them.
        for (int k = 0; k < 3; ++k) {
            held.emplace_back(size);
            LargeBytes& bytes = held.back();
            ASSERT_NE(bytes.data(), nullptr);
            ASSERT_EQ(bytes.size(), size);
            if (size >= from)
                EXPECT_EQ(reinterpret_cast<std::uintptr_t>(bytes.data()) % (std::size_t{2} << 20), 0u) << size;
            std::memset(bytes.data(), 0x40 + k, size);
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(held[static_cast<std::size_t>(k)].data()[0], 0x40 + k) << size;
            EXPECT_EQ(held[static_cast<std::size_t>(k)].data()[size - 1], 0x40 + k) << size;
        }
        // Freed, then taken again (from the kept blocks where they fit): still whole.
        held.clear();
        LargeBytes again(size);
        std::memset(again.data(), 0x11, size);
        EXPECT_EQ(again.data()[size - 1], 0x11);
        LargeBytes moved = std::move(again);
        EXPECT_EQ(again.data(), nullptr);
        EXPECT_EQ(moved.data()[0], 0x11);
    }
}
