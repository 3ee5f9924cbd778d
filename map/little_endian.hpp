// Little-endian integers at any byte position, independent of the host's byte order and alignment.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tessaro {

enum class Sign : std::uint8_t { Unsigned, Signed };

// Reads a field of 1, 2 or 4 bytes as a 32-bit value, sign-extended or zero-extended.
inline std::int32_t LoadLittleEndian(const std::uint8_t* bytes, std::size_t size, Sign sign) {
  std::uint32_t raw = 0;
  for (std::size_t i = 0; i < size; ++i) raw |= static_cast<std::uint32_t>(bytes[i]) << (8 * i);
  if (sign == Sign::Signed && size < 4) {
    const std::uint32_t sign_bit = 1u << (8 * size - 1);
    raw = (raw ^ sign_bit) - sign_bit;
  }
  return static_cast<std::int32_t>(raw);
}

// Reads an unsigned field of 1 to 8 bytes.
inline std::uint64_t LoadUnsigned(const std::uint8_t* bytes, std::size_t size) {
  std::uint64_t raw = 0;
  for (std::size_t i = 0; i < size; ++i) raw |= std::uint64_t{bytes[i]} << (8 * i);
  return raw;
}

// Writes the low `size` bytes of the value; narrowing keeps the low bits.
inline void StoreLittleEndian(std::uint8_t* bytes, std::size_t size, std::int32_t value) {
  const auto raw = static_cast<std::uint32_t>(value);
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(raw >> (8 * i));
}

}  // namespace tessaro
