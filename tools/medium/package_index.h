// A quick walk over a package set that reads the records and chunk headers
// and skips the compressed data: what list shows and check measures. It
// follows the reader's rules (packages switch only where a chunk header is
// due, fewer than 8 bytes there are skipped) but asks nobody anything.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/formats.h"
#include "common/platform.h"

struct IndexedEntry {
    std::wstring name;
    uint32_t type = kEntryTypeFile;
    uint32_t chunkCount = 0;
    uint64_t size = 0;        // the stated uncompressed sizes, summed
    uint64_t packedSize = 0;  // the compressed sizes, summed
    int package = 1;          // where its record lies
    int lastPackage = 1;      // where its last chunk lies
};

struct PackageIndex {
    PackageHeader header;
    std::vector<IndexedEntry> entries;
    std::vector<uint64_t> packageSizes;  // of every package reached
    std::vector<std::wstring> faults;    // in stream order; the walk ends at the first
                                         // fault that leaves the stream unreadable
};

PackageIndex indexPackages(Platform& platform, const std::wstring& mediumFolder);
