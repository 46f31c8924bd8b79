#include "formats.h"

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

ChunkHeader ChunkHeader::parse(const Bytes& bytes) {
    return ChunkHeader{le::readU32(&bytes[0]), le::readU32(&bytes[4])};
}

ChunkHeader::Bytes ChunkHeader::serialize() const {
    Bytes bytes{};
    le::writeU32(&bytes[0], compressedSize);
    le::writeU32(&bytes[4], uncompressedSize);
    return bytes;
}
