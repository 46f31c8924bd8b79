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
#include "tools/medium/disc_set.h"

struct IndexedEntry {
    std::wstring name;
    uint32_t type = kEntryTypeFile;
    uint32_t chunkCount = 0;
    uint64_t size = 0;        // the stated uncompressed sizes, summed
    uint64_t packedSize = 0;  // the compressed sizes, summed
    int package = 1;          // where its record lies
    int lastPackage = 1;      // where its last chunk lies
};

struct IndexedPackage {
    std::wstring path;  // on the disc where the walk found it
    uint64_t size = 0;
};

struct PackageIndex {
    PackageHeader header;
    std::vector<IndexedEntry> entries;
    std::vector<IndexedPackage> packages;  // every package reached
    std::vector<std::wstring> faults;      // in stream order; the walk ends at the first
                                           // fault that leaves the stream unreadable
};

// Each package is looked for on the discs as the installer meets them.
PackageIndex indexPackages(Platform& platform, const DiscSet& discs);
