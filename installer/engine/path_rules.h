// The rules of the target folder, for the path page and the silent run alike:
// the space the game needs, the drive test and the checks a typed path must
// pass before anything is installed into it.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform.h"
#include "installer/engine/install_config.h"

// floor(totalSize / 1 MiB) + 10: the megabytes the label shows as needed.
uint64_t neededMegabytes(uint64_t totalSize);

// Bytes available on the drive named by the path's first two characters; 0
// when they are not a drive letter and a colon or the space cannot be read
// (so that Next then refuses for want of space).
uint64_t freeBytesOfPath(Platform& platform, const std::wstring& path);

// "C:\" for the upper-case letter C.
std::wstring driveRoot(wchar_t upperLetter);

// Only C: to Z: (either case), not of unknown type, not a CD drive, and with
// readable free space.
bool passesDriveTest(Platform& platform, wchar_t letter);

enum class PathRejection {
    None,
    Empty,              // str35
    Invalid,            // "The installation path is invalid! "
    NotEnoughSpace,     // str5
    InvalidCharacters,  // "The installation path is invalid! ( ? / : \ " * < > | )"
};

struct PathDecision {
    PathRejection rejection = PathRejection::None;
    // The accepted path, without a final backslash.
    std::wstring targetFolder;
};

// The message that refuses a path: the configured texts for an empty path
// (str35) and too little space (str5), fixed texts for the rest.
std::wstring pathRejectionText(PathRejection rejection, const InstallConfig& config);

// The checks of Next, in their order: empty, form and drive, free space
// against totalSize + 10 bytes, then (after one final backslash is dropped)
// forbidden characters and blank folder names.
PathDecision checkTargetPath(Platform& platform, const std::wstring& path, uint64_t totalSize);
