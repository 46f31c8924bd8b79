// Writes the package stream into data1.pck ... dataN.pck of a medium folder,
// each at most the disc size. The caller announces every stretch of the
// stream that must stay in one package (the header with the records before
// the first chunk; each chunk with the records that follow it up to the next
// chunk), so that a package ends only where the reader expects a chunk
// header. The MD5 digest of each package is computed on the way.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/formats.h"
#include "common/md5_digest.h"
#include "common/platform.h"

class PackageSetWriter {
public:
    // A disc size of 0 puts everything into data1.pck.
    PackageSetWriter(Platform& platform, std::wstring mediumFolder, uint64_t discSize);
    ~PackageSetWriter();
    PackageSetWriter(const PackageSetWriter&) = delete;
    PackageSetWriter& operator=(const PackageSetWriter&) = delete;

    // Starts a stretch of `size` bytes, in a new package when the current one
    // cannot hold it. False (with error()) when no package could.
    bool beginUnit(uint64_t size);
    bool write(const void* data, size_t size);
    // Writes `header` (its packageCount set here) over the first 32 bytes of
    // data1.pck and completes the digests.
    bool finish(PackageHeader header);
    // Removes every package this writer made (after a failure).
    void discard();

    int packageCount() const { return static_cast<int>(sizes_.size()); }
    const std::vector<uint64_t>& packageSizes() const { return sizes_; }
    // Digest texts of data1.pck ... dataN.pck, after finish().
    const std::vector<std::string>& digests() const { return digests_; }
    const std::wstring& error() const { return error_; }

private:
    bool openNext();
    bool fail(const std::wstring& text);
    void closeCurrent();

    Platform& platform_;
    std::wstring mediumFolder_;
    uint64_t discSize_;
    std::unique_ptr<File> first_;    // data1.pck stays open for its header
    std::unique_ptr<File> current_;  // a later package, or null while in data1
    std::vector<uint64_t> sizes_;
    std::vector<std::string> digests_;
    Md5Digest digest_;
    // data1.pck can be hashed while it is written only when nothing later
    // changes its header, that is when one package is certain.
    bool firstHashedOnTheWay_;
    std::wstring error_;
};
