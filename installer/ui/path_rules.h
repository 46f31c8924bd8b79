// The path page without windows: the space the game needs, the drive test,
// the checks a typed path must pass on Next, the path a pick in the folder
// tree gives, and the folder scans that fill the tree one level ahead.
#pragma once

#include <cstdint>
#include <string>

#include "common/platform.h"
#include "installer/app/install_config.h"
#include "installer/ui/folder_tree.h"

// What a FolderNode's kind means on the path page.
constexpr int kFirstDriveKind = 2;  // C:; the drive letter is 'A' + kind
constexpr int kLastDriveKind = 25;  // Z:
constexpr int kFolderKind = 26;
constexpr int kRootKind = 27;

// floor(totalSize / 1 MiB) + 10: the megabytes the label shows as needed.
uint64_t neededMegabytes(uint64_t totalSize);

// Bytes available on the drive named by the path's first two characters; 0
// when they are not a drive letter and a colon or the space cannot be read
// (so that Next then refuses for want of space).
uint64_t freeBytesOfPath(Platform& platform, const std::wstring& path);

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

// A drive node gives its root ("C:\"), a folder node the folders above it
// down from the drive's root ("C:\Games\Sub"); the root and anything else the
// empty string.
std::wstring nodePath(const FolderNode* node);

// The path text a pick of `node` in the tree gives: the node's path with the
// folder suffix and, when folderCreateFlag is set, the product appended (or
// the final backslash dropped when it is clear); defaultTargetFolder for the
// root, a null node and any node whose path is empty. A suffix that does not
// end in a backslash is still taken as a folder name.
std::wstring pickedPath(const FolderNode* node, const std::wstring& folderSuffix,
                        bool folderCreateFlag, const std::wstring& product,
                        const std::wstring& defaultTargetFolder);

// Replaces the node's children by the folders in `folderPath` (not hidden,
// system or temporary ones), in the order the file system lists them, each
// scanned again with depth - 1. Depth 0 or less only deletes the children; a
// folder that cannot be listed gets none.
void scanFolder(FolderTree& tree, Platform& platform, const std::wstring& folderPath,
                FolderNode* node, int depth);

// Scans each child of an expanded drive or folder node one level deep, so
// that the tree knows the grandchildren before they are shown. The root is
// left alone.
void scanAhead(FolderTree& tree, Platform& platform, FolderNode* node);
