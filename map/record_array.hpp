// The storage type of a map's record arrays.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <vector>

#include "platform/memory.hpp"

namespace tessaro {

// Arrays of a megabyte and more take a block of their own from the system, mapped at once; the
// largest maps then cost no more in fresh memory than in converting. Smaller ones use the heap.
template <typename T>
class RecordAllocator {
 public:
  using value_type = T;

  static constexpr std::size_t kLargeArray = std::size_t{1} << 20;

  RecordAllocator() = default;
  template <typename U>
  RecordAllocator(const RecordAllocator<U>&) noexcept {}  // implicit, as the standard containers need

  T* allocate(std::size_t n) {
    if (n < kLargeArray / sizeof(T)) return std::allocator<T>().allocate(n);
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_alloc();
    void* const block = AllocateLargeBlock(n * sizeof(T));
    if (block == nullptr) throw std::bad_alloc();
    return static_cast<T*>(block);
  }

  void deallocate(T* p, std::size_t n) noexcept {
    if (n < kLargeArray / sizeof(T)) return std::allocator<T>().deallocate(p, n);
    FreeLargeBlock(p, n * sizeof(T));
  }

  friend bool operator==(const RecordAllocator&, const RecordAllocator&) { return true; }
};

using RecordArray = std::vector<std::uint8_t, RecordAllocator<std::uint8_t>>;

}  // namespace tessaro
