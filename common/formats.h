// The byte formats shared by the installer, the uninstaller and the medium
// tool. All integers are little-endian.
//
// Package set data1.pck ... dataN.pck: one continuous stream.
//   data1.pck starts with the 32-byte PackageHeader:
//     0 u32 entryCount    entries in the whole stream
//     4 u32 version       must be 2
//     8 u32 reserved
//    12 u32 reserved
//    16 u64 totalSize     sum of the uncompressed sizes of all file data
//    24 u32 packageCount  N
//    28 u32 reserved
//   then entryCount entries. Every later package continues the stream at offset 0.
//   Entry record, 520 bytes:
//     0 512 bytes name       UTF-16LE relative path, "\" separated, NUL-terminated
//   512 u32       type       1 file, 0 folder
//   516 u32       chunkCount chunks that follow a file entry
//   Chunk: u32 compressedSize, u32 uncompressedSize, then compressedSize bytes of
//   one zlib (RFC 1950) stream. A package may end only where a chunk header is
//   due; fewer than 8 bytes left there are padding and skipped.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

namespace le {

inline uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t readU64(const uint8_t* p) {
    return static_cast<uint64_t>(readU32(p)) | (static_cast<uint64_t>(readU32(p + 4)) << 32);
}
inline void writeU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(v >> (8 * i));
    }
}
inline void writeU64(uint8_t* p, uint64_t v) {
    writeU32(p, static_cast<uint32_t>(v));
    writeU32(p + 4, static_cast<uint32_t>(v >> 32));
}

}  // namespace le

constexpr uint32_t kPackageVersion = 2;
constexpr size_t kPackageHeaderSize = 32;
constexpr size_t kEntryNameBytes = 512;
constexpr size_t kEntryRecordSize = 520;
constexpr size_t kChunkHeaderSize = 8;
constexpr uint32_t kEntryTypeFolder = 0;
constexpr uint32_t kEntryTypeFile = 1;
// "%s\data%d.pck" formatted with the medium folder and the package number.
std::wstring packagePath(const std::wstring& mediumFolder, int number);

struct PackageHeader {
    uint32_t entryCount = 0;
    uint32_t version = kPackageVersion;
    uint32_t reserved1 = 0;
    uint32_t reserved2 = 0;
    uint64_t totalSize = 0;
    uint32_t packageCount = 0;
    uint32_t reserved3 = 0;

    using Bytes = std::array<uint8_t, kPackageHeaderSize>;
    static PackageHeader parse(const Bytes& bytes);
    Bytes serialize() const;
};

struct ChunkHeader {
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;

    using Bytes = std::array<uint8_t, kChunkHeaderSize>;
    static ChunkHeader parse(const Bytes& bytes);
    Bytes serialize() const;
};
