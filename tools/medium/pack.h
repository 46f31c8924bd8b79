// Making a medium: the packages data1.pck ... dataN.pck of a game folder and
// its check.md, with the digests for the [md5code] section of install.ini.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/formats.h"
#include "common/platform.h"
#include "tools/medium/terminal.h"

constexpr uint32_t kDefaultChunkSize = 1U << 20;
// Below this, chunks cost more in headers and lost compression than a disc
// that small is worth: such a disc size is more likely a slip ("650" for "650M").
constexpr uint32_t kSmallestChosenChunkSize = 4U << 10;

struct PackOptions {
    std::wstring gameFolder;
    std::wstring mediumFolder;
    uint64_t discSize = 0;  // 0: one package
    // 0: kDefaultChunkSize, halved (down to kSmallestChosenChunkSize) while a
    // piece of the stream that cannot be split might not fit the disc size.
    uint32_t chunkSize = 0;
    int level = 6;
    int jobs = 1;
};

struct PackSummary {
    PackageHeader header;
    std::vector<uint64_t> packageSizes;
    std::vector<std::string> digests;  // of data1.pck ... dataN.pck
    size_t files = 0;
    uint32_t chunkSize = 0;  // the one used
};

// False with `error` naming the file or setting at fault; nothing is left
// of the packages then.
bool packMedium(Platform& platform, const PackOptions& options, Console& console,
                PackSummary& summary, std::wstring& error);
