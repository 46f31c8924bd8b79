// The byte formats shared by the installer, the uninstaller and the medium
// tool: the package set, the uninstall record and the MD5 list. All integers
// are little-endian; all texts are UTF-16LE code units.
//
// Package set data1.pck ... dataN.pck: one continuous stream.
//   data1.pck starts with the 32-byte PackageHeader:
//     0 u32 entryCount    entries in the whole stream
//     4 u32 version       must be 2
//     8 u32 reserved      written as 0, never read
//    12 u32 reserved      written as 0, never read
//    16 u64 totalSize     sum of the uncompressed sizes of all file data
//    24 u32 packageCount  N
//    28 u32 reserved      written as 0, never read
//   then entryCount entries. Every later package continues the stream at offset 0.
//   Entry record (PackageEntry), 520 bytes:
//     0 512 bytes name       relative path below the target folder, "\" separated,
//                            at most 255 units and a NUL (256 units)
//   512 u32       type       1 file, 0 folder, anything else is an error
//   516 u32       chunkCount chunks that follow a file entry (none follow a folder)
//   Chunk: ChunkHeader (u32 compressedSize, u32 uncompressedSize), then
//   compressedSize bytes of one zlib (RFC 1950) stream that inflates to at
//   most uncompressedSize bytes. Both sizes are bounded (kMaxChunkSize and
//   kMaxCompressedChunkSize) so that a damaged header cannot make a reader
//   allocate gigabytes.
//   Order: a folder entry comes before every entry inside it. A package may
//   end only where a chunk header is due (after the record of a file with
//   chunks, or after a chunk that is not its file's last); the reader skips
//   fewer than 8 bytes left at such a point and continues in the next package.
//
// uninstall.dat: no header, a plain sequence of 520-byte records (a partial
//   record at the end is ignored). A record holds 260 UTF-16LE units: a text of
//   at most 259 units ("FOLDER:" or "FILE:" and an absolute path), its NUL, and
//   zeros after it. Records are in creation order.
//
// check.md: no header, a plain sequence of 648-byte CheckEntry records (a
//   partial record at the end is ignored):
//     0 520 bytes name    path relative to the target folder, "\" separated,
//                         at most 259 units and a NUL
//   520 128 bytes digest  the 32 lower-case hexadecimal digits of the file's
//                         MD5 digest and a NUL (at most 63 units)
//   The bytes after each NUL are zero when written and ignored when read.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

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
constexpr size_t kMaxEntryNameUnits = kEntryNameBytes / 2 - 1;
constexpr size_t kChunkHeaderSize = 8;
constexpr uint32_t kEntryTypeFolder = 0;
constexpr uint32_t kEntryTypeFile = 1;
// Bounds on a chunk's two sizes. medium writes 1 MiB chunks by default and
// never more than kMaxChunkSize; the compressed bound is zlib's compressBound
// of it, what incompressible data can grow to.
constexpr uint32_t kMaxChunkSize = 64U << 20;
constexpr uint32_t kMaxCompressedChunkSize =
    kMaxChunkSize + (kMaxChunkSize >> 12) + (kMaxChunkSize >> 14) + (kMaxChunkSize >> 25) + 13;

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

struct PackageEntry {
    std::u16string name;         // the units before the NUL
    bool nameTerminated = true;  // false: the field holds no NUL at all
    uint32_t type = kEntryTypeFile;
    uint32_t chunkCount = 0;

    using Bytes = std::array<uint8_t, kEntryRecordSize>;
    static PackageEntry parse(const Bytes& bytes);
    // Nothing when the name does not fit its field with its NUL.
    std::optional<Bytes> serialize() const;
};

struct ChunkHeader {
    uint32_t compressedSize = 0;
    uint32_t uncompressedSize = 0;

    using Bytes = std::array<uint8_t, kChunkHeaderSize>;
    static ChunkHeader parse(const Bytes& bytes);
    Bytes serialize() const;
    bool withinBounds() const {
        return compressedSize <= kMaxCompressedChunkSize && uncompressedSize <= kMaxChunkSize;
    }
};

constexpr size_t kUninstallRecordSize = 520;
constexpr size_t kMaxUninstallTextUnits = kUninstallRecordSize / 2 - 1;
using UninstallRecordBytes = std::array<uint8_t, kUninstallRecordSize>;
// Nothing when the text and its NUL do not fit the record.
std::optional<UninstallRecordBytes> encodeUninstallRecord(std::u16string_view text);
// The text up to its NUL; a record without one gives all of its 260 units.
std::u16string decodeUninstallRecord(const uint8_t* record);

constexpr size_t kCheckEntrySize = 648;
constexpr size_t kCheckNameBytes = 520;
constexpr size_t kCheckDigestBytes = 128;
constexpr size_t kMaxCheckNameUnits = kCheckNameBytes / 2 - 1;

struct CheckEntry {
    std::u16string name;
    std::u16string digest;

    using Bytes = std::array<uint8_t, kCheckEntrySize>;
    // Each text up to its NUL, or its whole field when it has none.
    static CheckEntry parse(const uint8_t* bytes);
    // Nothing when a text does not fit its field with its NUL.
    std::optional<Bytes> serialize() const;
};
