// A minimal writer of package sets for tests, independent of the medium
// tool's writer: it lays the bytes out by hand, so that readers are tested
// against the format itself. Everything is appended to the current package;
// cut() starts the next one.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/temp_folder.h"

class PackageBuilder {
public:
    PackageBuilder() { packages_.emplace_back(32, '\0'); }

    // Header fields; by default they are counted from what was added.
    PackageBuilder& version(uint32_t value) {
        version_ = value;
        return *this;
    }
    PackageBuilder& entryCount(uint32_t value) {
        entryCount_ = value;
        return *this;
    }
    PackageBuilder& packageCount(uint32_t value) {
        packageCount_ = value;
        return *this;
    }
    PackageBuilder& totalSize(uint64_t value) {
        totalSize_ = value;
        return *this;
    }

    // An entry record with a name of UTF-16 units (NUL-terminated in its field
    // unless it fills all 256 units).
    PackageBuilder& entry(const std::u16string& name, uint32_t type, uint32_t chunkCount) {
        if (name.size() > 256) {
            throw std::length_error("entry name");
        }
        std::string record(520, '\0');
        for (size_t i = 0; i < name.size(); ++i) {
            record[2 * i] = static_cast<char>(name[i] & 0xFF);
            record[2 * i + 1] = static_cast<char>(name[i] >> 8);
        }
        putU32(record, 512, type);
        putU32(record, 516, chunkCount);
        current() += record;
        ++counted_;
        return *this;
    }
    PackageBuilder& folder(const std::u16string& name) { return entry(name, 0, 0); }
    PackageBuilder& file(const std::u16string& name, uint32_t chunkCount) {
        return entry(name, 1, chunkCount);
    }

    // A chunk of `data`, compressed at `level`, stating `statedSize` (by
    // default the data's own size).
    PackageBuilder& chunk(const std::string& data, int64_t statedSize = -1, int level = 6) {
        uLongf length = compressBound(static_cast<uLong>(data.size()));
        std::string packed(length, '\0');
        if (compress2(reinterpret_cast<Bytef*>(&packed[0]), &length,
                      reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()),
                      level) != Z_OK) {
            throw std::runtime_error("compress2");
        }
        packed.resize(length);
        const auto stated = statedSize < 0 ? data.size() : static_cast<size_t>(statedSize);
        summed_ += stated;
        return rawChunk(packed, static_cast<uint32_t>(packed.size()),
                        static_cast<uint32_t>(stated));
    }
    // A chunk header with any sizes, followed by the given bytes.
    PackageBuilder& rawChunk(const std::string& bytes, uint32_t compressedSize,
                             uint32_t uncompressedSize) {
        std::string header(8, '\0');
        putU32(header, 0, compressedSize);
        putU32(header, 4, uncompressedSize);
        current() += header + bytes;
        return *this;
    }
    // Bytes that are no part of the stream, such as padding before a cut.
    PackageBuilder& raw(const std::string& bytes) {
        current() += bytes;
        return *this;
    }
    PackageBuilder& cut() {
        packages_.emplace_back();
        return *this;
    }

    std::vector<std::string> build() const {
        auto out = packages_;
        std::string& head = out[0];
        putU32(head, 0, entryCount_ >= 0 ? static_cast<uint32_t>(entryCount_) : counted_);
        putU32(head, 4, version_);
        const uint64_t total = totalSize_ >= 0 ? static_cast<uint64_t>(totalSize_) : summed_;
        putU32(head, 16, static_cast<uint32_t>(total));
        putU32(head, 20, static_cast<uint32_t>(total >> 32));
        putU32(head, 24,
               packageCount_ >= 0 ? static_cast<uint32_t>(packageCount_)
                                  : static_cast<uint32_t>(out.size()));
        return out;
    }
    // data1.pck ... dataN.pck into `relative` below the folder.
    void writeTo(const TempFolder& folder, const std::string& relative = "") const {
        auto packages = build();
        for (size_t i = 0; i < packages.size(); ++i) {
            std::string name = "data" + std::to_string(i + 1) + ".pck";
            folder.write(relative.empty() ? name : relative + "/" + name, packages[i]);
        }
    }

private:
    static void putU32(std::string& bytes, size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i));
        }
    }
    std::string& current() { return packages_.back(); }

    std::vector<std::string> packages_;
    uint32_t version_ = 2;
    int64_t entryCount_ = -1;
    int64_t packageCount_ = -1;
    int64_t totalSize_ = -1;
    uint32_t counted_ = 0;
    uint64_t summed_ = 0;
};
