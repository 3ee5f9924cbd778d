// Large blocks straight from the system.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>

#include "platform/memory.hpp"

namespace tessaro {
namespace {

TEST(LargeBlockTest, ComesZeroedAndWritableToItsLastByte) {
  for (const std::size_t bytes : {std::size_t{1} << 20, (std::size_t{3} << 20) + 1}) {
    auto* block = static_cast<std::uint8_t*>(AllocateLargeBlock(bytes));
    ASSERT_NE(block, nullptr);
    EXPECT_TRUE(std::all_of(block, block + bytes, [](std::uint8_t b) { return b == 0; }));
    std::fill(block, block + bytes, std::uint8_t{0xA5});
    EXPECT_EQ(block[bytes - 1], 0xA5);
    FreeLargeBlock(block, bytes);
  }
}

}  // namespace
}  // namespace tessaro
