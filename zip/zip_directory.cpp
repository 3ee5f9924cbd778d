#include "zip/zip_directory.hpp"

#include <array>
#include <string_view>

#include "map/little_endian.hpp"

namespace tessaro {

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kEntrySignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndBytes = 22;
constexpr std::size_t kZip64EndBytes = 56;
constexpr std::size_t kZip64LocatorBytes = 20;
constexpr std::size_t kEntryBytes = 46;
constexpr std::uint16_t kZip64ExtraId = 1;
// Bit 0: encrypted; bit 6: strong encryption.
constexpr std::uint16_t kEncryptedFlags = 1 | 64;
constexpr std::uint16_t kStoredMethod = 0;
constexpr std::uint16_t kDeflatedMethod = 8;
// A field that does not fit its place says that its ZIP64 record holds it.
constexpr std::uint64_t kFull16 = 0xFFFF;
constexpr std::uint64_t kFull32 = 0xFFFFFFFF;

std::uint64_t At(std::span<const std::uint8_t> bytes, std::size_t offset, std::size_t size) {
  return LoadUnsigned(&bytes[offset], size);
}

// A 16-bit length: it fits memory's index type even in a 32-bit page build.
std::size_t Length16(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return static_cast<std::size_t>(At(bytes, offset, 2));
}

// Whether `bytes` bytes from `offset` end at or before `end`, without overflow.
bool Fits(std::uint64_t offset, std::uint64_t bytes, std::uint64_t end) { return offset <= end && bytes <= end - offset; }

// A path whose every part makes a plain file name: not absolute, no "..", drive or control byte.
bool IsPlainMemberPath(std::string_view path) {
  for (std::size_t start = 0;;) {
    const std::size_t slash = path.find('/', start);
    if (!IsPlainMemberName(path.substr(start, slash - start))) return false;
    if (slash == std::string_view::npos) return true;
    start = slash + 1;
  }
}

// The ZIP64 end record that the locator before the end record at `end` points to, when it lies in
// the tail: it holds the directory's place in full.
MapError ReadZip64End(std::span<const std::uint8_t> tail, std::uint64_t tail_start, std::size_t end,
                      ZipDirectoryPlace& place, std::uint64_t& disks) {
  const std::size_t locator = end - kZip64LocatorBytes;
  const std::uint64_t record = At(tail, locator + 8, 8);
  if (At(tail, locator + 4, 4) != 0 || At(tail, locator + 16, 4) > 1) return FormatUnsupported;
  if (record < tail_start) return FormatUnsupported;  // may well be whole, but lies before what was read
  if (!Fits(record - tail_start, kZip64EndBytes, locator)) return SourceCorrupted;
  const auto at = static_cast<std::size_t>(record - tail_start);
  if (At(tail, at, 4) != kZip64EndSignature) return SourceCorrupted;
  disks = At(tail, at + 16, 4) | At(tail, at + 20, 4) | (At(tail, at + 24, 8) ^ At(tail, at + 32, 8));
  place = {At(tail, at + 48, 8), At(tail, at + 40, 8), At(tail, at + 32, 8)};
  return Ok;
}

// The sizes and offset that the entry left to its ZIP64 extra field, in the order they come there.
bool ReadZip64Extra(std::span<const std::uint8_t> extra, std::array<std::uint64_t*, 3> fields) {
  for (std::size_t at = 0; at + 4 <= extra.size();) {
    const std::size_t length = Length16(extra, at + 2);
    if (!Fits(at + 4, length, extra.size())) return false;
    if (At(extra, at, 2) == kZip64ExtraId) {
      std::size_t field = at + 4;
      for (std::uint64_t* value : fields) {
        if (*value != kFull32) continue;
        if (!Fits(field, 8, at + 4 + length)) return false;
        *value = At(extra, field, 8);
        field += 8;
      }
      return true;
    }
    at += 4 + length;
  }
  return false;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = [] {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}();

}  // namespace

MapError FindZipDirectory(std::span<const std::uint8_t> tail, std::uint64_t file_length, ZipDirectoryPlace& place) {
  if (tail.size() < kEndBytes || tail.size() > file_length) return SourceCorrupted;
  const std::uint64_t tail_start = file_length - tail.size();
  // Backwards, so that a comment cannot hide the record; a signature whose comment would run
  // past the end, or whose directory cannot lie before it, is taken for bytes of a comment.
  for (std::size_t end = tail.size() - kEndBytes + 1; end-- > 0;) {
    if (At(tail, end, 4) != kEndSignature || !Fits(end + kEndBytes, At(tail, end + 20, 2), tail.size())) continue;
    place = {At(tail, end + 16, 4), At(tail, end + 12, 4), At(tail, end + 10, 2)};
    std::uint64_t disks = At(tail, end + 4, 2) | At(tail, end + 6, 2) | (At(tail, end + 8, 2) ^ place.entries);
    std::uint64_t directory_end = tail_start + end;
    const bool full = place.entries == kFull16 || place.bytes == kFull32 || place.offset == kFull32;
    if (full && end >= kZip64LocatorBytes && At(tail, end - kZip64LocatorBytes, 4) == kZip64LocatorSignature) {
      const MapError read = ReadZip64End(tail, tail_start, end, place, disks);
      if (read != Ok) return read;
      directory_end = At(tail, end - kZip64LocatorBytes + 8, 8);
    }
    if (Fits(place.offset, place.bytes, directory_end)) return disks == 0 ? Ok : FormatUnsupported;
  }
  return SourceCorrupted;
}

MapError ReadZipDirectory(std::span<const std::uint8_t> directory, const ZipDirectoryPlace& place,
                          std::vector<ArchiveMember>& members) {
  members.clear();
  std::size_t at = 0;
  for (std::uint64_t entry = 0; entry < place.entries; ++entry) {
    if (!Fits(at, kEntryBytes, directory.size()) || At(directory, at, 4) != kEntrySignature) break;
    const std::size_t name_bytes = Length16(directory, at + 28);
    const std::size_t extra_bytes = Length16(directory, at + 30);
    const std::size_t next = at + kEntryBytes + name_bytes + extra_bytes + Length16(directory, at + 32);
    if (next > directory.size()) break;
    ArchiveMember member;
    member.name.assign(&directory[at + kEntryBytes], &directory[at + kEntryBytes] + name_bytes);
    member.crc = static_cast<std::uint32_t>(At(directory, at + 16, 4));
    member.packed = At(directory, at + 20, 4);
    member.size = At(directory, at + 24, 4);
    member.offset = At(directory, at + 42, 4);
    const bool full = member.size == kFull32 || member.packed == kFull32 || member.offset == kFull32;
    if (full && !ReadZip64Extra(directory.subspan(at + kEntryBytes + name_bytes, extra_bytes),
                                {&member.size, &member.packed, &member.offset})) {
      break;
    }
    // Its header and data must lie before the directory; the header is 30 bytes at least.
    if (!Fits(member.offset, kZipLocalHeaderBytes, place.offset) ||
        !Fits(member.offset + kZipLocalHeaderBytes, member.packed, place.offset)) {
      break;
    }
    const auto flags = static_cast<std::uint16_t>(At(directory, at + 8, 2));
    const auto method = static_cast<std::uint16_t>(At(directory, at + 10, 2));
    member.storage = method == kDeflatedMethod ? Storage::ZipDeflated : Storage::ZipStored;
    if (!IsPlainMemberPath(member.name)) {
      member.refused = MemberNameNotPlain;
    } else if (flags & kEncryptedFlags) {
      member.refused = MemberEncrypted;
    } else if (method != kStoredMethod && method != kDeflatedMethod) {
      member.refused = CompressionUnsupported;
    } else if (method == kStoredMethod && member.packed != member.size) {
      member.refused = SourceCorrupted;
    }
    members.push_back(std::move(member));
    at = next;
  }
  if (members.size() == place.entries) return Ok;
  members.clear();
  return SourceCorrupted;
}

std::uint64_t ZipDataOffset(std::span<const std::uint8_t> local_header, const ArchiveMember& member,
                            std::uint64_t file_length) {
  if (local_header.size() < kZipLocalHeaderBytes || At(local_header, 0, 4) != kLocalSignature) return 0;
  const std::uint64_t names = At(local_header, 26, 2) + At(local_header, 28, 2);
  if (!Fits(member.offset, kZipLocalHeaderBytes + names, file_length)) return 0;
  const std::uint64_t data = member.offset + kZipLocalHeaderBytes + names;
  return Fits(data, member.packed, file_length) ? data : 0;
}

std::uint32_t Crc32(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  crc = ~crc;
  for (const std::uint8_t byte : bytes) crc = kCrcTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

}  // namespace tessaro
