// The MD5 digest text of a whole file, read in 512-byte blocks, with progress
// and a stop flag; shared by the package check, the installed-file
// verification and the medium tool.
#pragma once

#include <atomic>
#include <functional>
#include <optional>
#include <string>

#include "common/platform.h"

constexpr size_t kHashBlockSize = 512;

// Called with the whole percentage (0 to 100) of full blocks done, only when
// it differs from the last value reported.
using HashProgress = std::function<void(int percent)>;

// The 32-character digest text; an empty text when the file's size cannot be
// found ("Failed to open source file: %s,%s" with the path and the system's
// reason) or is 0; nothing when the file cannot be opened ("Failed to open
// file: %s") or read ("Failed to read file: %s"), when `stop` was seen set
// after a full block, or when no digest could be computed.
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
                                                const std::atomic<bool>* stop = nullptr);
