#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "compose/sound/Buffer.h"

TEST(CBuffer, OwningBufferHoldsItsBytesAndClearsThem)
{
    CBuffer buffer(64);
    ASSERT_NE(buffer.Data(), nullptr);
    EXPECT_EQ(buffer.Size(), 64u);
    EXPECT_TRUE(buffer.Owns());
    buffer.Data()[0] = 1;
    buffer.Data()[63] = 2;
    buffer.Clear();
    EXPECT_EQ(std::vector<std::uint8_t>(buffer.Data(), buffer.Data() + 64), std::vector<std::uint8_t>(64, 0));
}

TEST(CBuffer, WrappingBufferLeavesTheCallersBytesAlone)
{
    std::vector<std::uint8_t> bytes{1, 2, 3, 4};
    {
        CBuffer wrap(bytes.data(), 3);
        EXPECT_EQ(wrap.Data(), bytes.data());
        EXPECT_EQ(wrap.Size(), 3u);
        EXPECT_FALSE(wrap.Owns());
        wrap.Clear();
    }
    // Clear reached only the wrapped length; destruction freed nothing.
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0, 0, 0, 4}));

    CBuffer none(nullptr, 10);
    EXPECT_EQ(none.Data(), nullptr);
    EXPECT_EQ(none.Size(), 0u);
    none.Clear();
}

TEST(CBuffer, FailedAllocationGivesAnEmptyBuffer)
{
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    // Their operator new ends the process on an impossible size even when
    // told the allocator may return null.
    GTEST_SKIP() << "the address and thread sanitizers abort on an impossible allocation instead of failing it";
#else
    CBuffer huge(std::numeric_limits<std::size_t>::max() / 2);
    EXPECT_EQ(huge.Data(), nullptr);
    EXPECT_EQ(huge.Size(), 0u);
    EXPECT_FALSE(huge.Owns());
    huge.Clear();
#endif
}

TEST(CBuffer, MovingHandsTheBytesOverOnce)
{
    CBuffer first(16);
    std::uint8_t* bytes = first.Data();
    CBuffer second(std::move(first));
    EXPECT_EQ(second.Data(), bytes);
    EXPECT_TRUE(second.Owns());
    EXPECT_EQ(first.Data(), nullptr);
    EXPECT_EQ(first.Size(), 0u);

    CBuffer third(8);
    third = std::move(second); // frees third's own bytes, takes second's
    EXPECT_EQ(third.Data(), bytes);
    EXPECT_EQ(third.Size(), 16u);
    EXPECT_EQ(second.Data(), nullptr);
}

TEST(CBuffer, ShrinkOnlyShortens)
{
    CBuffer buffer(100);
    buffer.Shrink(40);
    EXPECT_EQ(buffer.Size(), 40u);
    buffer.Shrink(80);
    EXPECT_EQ(buffer.Size(), 40u);
}
