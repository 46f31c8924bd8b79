#include "formats.h"

namespace {

// The units of a little-endian field up to the first NUL; `terminated`
// tells whether there was one.
std::u16string unitsUpToNul(const uint8_t* field, size_t byteCount, bool* terminated) {
    std::u16string units;
    for (size_t i = 0; i + 1 < byteCount; i += 2) {
        auto unit = static_cast<char16_t>(field[i] | (field[i + 1] << 8));
        if (unit == u'\0') {
            if (terminated != nullptr) {
                *terminated = true;
            }
            return units;
        }
        units += unit;
    }
    if (terminated != nullptr) {
        *terminated = false;
    }
    return units;
}

// Writes the units and at least one NUL into a zeroed field; false when they
// do not fit.
bool putUnits(uint8_t* field, size_t byteCount, std::u16string_view units) {
    if (units.size() >= byteCount / 2) {
        return false;
    }
    for (size_t i = 0; i < units.size(); ++i) {
        field[2 * i] = static_cast<uint8_t>(units[i] & 0xFF);
        field[2 * i + 1] = static_cast<uint8_t>(units[i] >> 8);
    }
    return true;
}

}  // namespace

std::wstring packagePath(const std::wstring& mediumFolder, int number) {
    return mediumFolder + L"\\data" + std::to_wstring(number) + L".pck";
}

PackageHeader PackageHeader::parse(const Bytes& bytes) {
    PackageHeader header;
    header.entryCount = le::readU32(&bytes[0]);
    header.version = le::readU32(&bytes[4]);
    header.reserved1 = le::readU32(&bytes[8]);
    header.reserved2 = le::readU32(&bytes[12]);
    header.totalSize = le::readU64(&bytes[16]);
    header.packageCount = le::readU32(&bytes[24]);
    header.reserved3 = le::readU32(&bytes[28]);
    return header;
}

PackageHeader::Bytes PackageHeader::serialize() const {
    Bytes bytes{};
    le::writeU32(&bytes[0], entryCount);
    le::writeU32(&bytes[4], version);
    le::writeU32(&bytes[8], reserved1);
    le::writeU32(&bytes[12], reserved2);
    le::writeU64(&bytes[16], totalSize);
    le::writeU32(&bytes[24], packageCount);
    le::writeU32(&bytes[28], reserved3);
    return bytes;
}

PackageEntry PackageEntry::parse(const Bytes& bytes) {
    PackageEntry entry;
    entry.name = unitsUpToNul(bytes.data(), kEntryNameBytes, &entry.nameTerminated);
    entry.type = le::readU32(&bytes[kEntryNameBytes]);
    entry.chunkCount = le::readU32(&bytes[kEntryNameBytes + 4]);
    return entry;
}

std::optional<PackageEntry::Bytes> PackageEntry::serialize() const {
    Bytes bytes{};
    if (!putUnits(bytes.data(), kEntryNameBytes, name)) {
        return std::nullopt;
    }
    le::writeU32(&bytes[kEntryNameBytes], type);
    le::writeU32(&bytes[kEntryNameBytes + 4], chunkCount);
    return bytes;
}

ChunkHeader ChunkHeader::parse(const Bytes& bytes) {
    return ChunkHeader{le::readU32(&bytes[0]), le::readU32(&bytes[4])};
}

ChunkHeader::Bytes ChunkHeader::serialize() const {
    Bytes bytes{};
    le::writeU32(&bytes[0], compressedSize);
    le::writeU32(&bytes[4], uncompressedSize);
    return bytes;
}

std::optional<UninstallRecordBytes> encodeUninstallRecord(std::u16string_view text) {
    UninstallRecordBytes bytes{};
    if (!putUnits(bytes.data(), bytes.size(), text)) {
        return std::nullopt;
    }
    return bytes;
}

std::u16string decodeUninstallRecord(const uint8_t* record) {
    return unitsUpToNul(record, kUninstallRecordSize, nullptr);
}

CheckEntry CheckEntry::parse(const uint8_t* bytes) {
    CheckEntry entry;
    entry.name = unitsUpToNul(bytes, kCheckNameBytes, nullptr);
    entry.digest = unitsUpToNul(bytes + kCheckNameBytes, kCheckDigestBytes, nullptr);
    return entry;
}

std::optional<CheckEntry::Bytes> CheckEntry::serialize() const {
    Bytes bytes{};
    if (!putUnits(bytes.data(), kCheckNameBytes, name) ||
        !putUnits(bytes.data() + kCheckNameBytes, kCheckDigestBytes, digest)) {
        return std::nullopt;
    }
    return bytes;
}
