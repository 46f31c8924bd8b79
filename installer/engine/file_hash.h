// The MD5 digest text of a whole file, with progress and a stop flag; shared
// by the package check, the installed-file verification and the medium tool.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "common/platform.h"

// Progress is counted in blocks of this size, as the installer always has.
constexpr size_t kHashBlockSize = 512;
// What one read takes: small reads cost a system call each (under Wine a
// round trip or more), which made the hash slower than md5sum.
constexpr size_t kHashReadSize = size_t{64} * 1024;

// Called with the whole percentage (0 to 100) of full 512-byte blocks done,
// only when it differs from the last value reported.
using HashProgress = std::function<void(int percent)>;
// True when the hash is to stop; looked at after every full 512-byte block.
using HashStop = std::function<bool()>;

enum class HashReads {
    InTurn,      // read a block, hash it, read the next
    Overlapped,  // the next block is read while the last is hashed (an optical drive)
};

// The 32-character digest text; an empty text when the file cannot be
// opened or its size found ("Failed to open source file: %s,%s" with the
// path and the system's reason) or is 0; nothing when the file cannot be read
// ("Failed to read file: %s"), when `stop` was seen set after a full block,
// or when no digest could be computed. The file is opened once.
std::optional<std::string> HashFileMd5(Platform& platform, UserPrompt& prompt,
                                       const std::wstring& path, const HashProgress& progress,
                                       const HashStop& stop, HashReads reads = HashReads::InTurn);
std::optional<std::string> HashFileMd5(Platform& platform, UserPrompt& prompt,
                                       const std::wstring& path, const HashProgress& progress = {},
                                       const std::atomic<bool>* stop = nullptr);

// The digest text of an installed file, for comparison with check.md: as
// HashFileMd5, except that an existing empty file gives the digest of no
// bytes (d41d8cd9...), which is what check.md and md5sum hold for it, not the
// empty text that would report every empty file as damaged.
std::optional<std::string> HashInstalledFileMd5(Platform& platform, UserPrompt& prompt,
                                                const std::wstring& path,
                                                const HashProgress& progress = {},
                                                const HashStop& stop = {});
