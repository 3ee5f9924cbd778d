// Large blocks straight from the system, and the record arrays that live in them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <numeric>

#include "map/record_array.hpp"
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

// Growing past the size that moves an array from the heap into a block of its own, and back.
TEST(LargeBlockTest, ArraysKeepTheirBytesAcrossTheChangeOfStorage) {
  const std::size_t large = RecordAllocator<std::uint8_t>::kLargeArray;
  RecordArray array(1000);
  std::iota(array.begin(), array.end(), std::uint8_t{0});
  array.resize(large + 4096);
  EXPECT_EQ(array[999], static_cast<std::uint8_t>(999));
  EXPECT_EQ(array[large + 4095], 0);
  RecordArray copy = array;
  copy.resize(1000);
  copy.shrink_to_fit();
  EXPECT_TRUE(std::equal(copy.begin(), copy.end(), array.begin()));
}

}  // namespace
}  // namespace tessaro
