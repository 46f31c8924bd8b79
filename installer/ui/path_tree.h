// The path page's folder tree without windows: what a node's kind means, the
// path a node stands for, the path a pick gives, and the folder scans that
// fill the tree one level ahead.
#pragma once

#include <string>

#include "common/platform.h"
#include "installer/ui/folder_tree.h"

// What a FolderNode's kind means on the path page.
constexpr int kFirstDriveKind = 2;  // C:; the drive letter is 'A' + kind
constexpr int kLastDriveKind = 25;  // Z:
constexpr int kFolderKind = 26;
constexpr int kRootKind = 27;

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
