#include "installer/ui/path_rules.h"

#include <limits>

namespace {

constexpr uint64_t kBytesPerMegabyte = uint64_t{1024} * 1024;
constexpr uint64_t kSpareMegabytes = 10;
constexpr uint64_t kSpareBytes = 10;
constexpr wchar_t kForbiddenCharacters[] = L"?/\"*<>|";
constexpr int kClosedFolderImage = 1;
constexpr int kOpenFolderImage = 2;

bool isDriveKind(int kind) {
    return kind >= kFirstDriveKind && kind <= kLastDriveKind;
}

wchar_t upperCase(wchar_t letter) {
    if (letter >= L'a' && letter <= L'z') {
        return static_cast<wchar_t>(letter - L'a' + L'A');
    }
    return letter;
}

bool isAsciiLetter(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

std::wstring driveRoot(wchar_t upperLetter) {
    return {upperLetter, L':', L'\\'};
}

// Any run of backslashes becomes one.
std::wstring collapseBackslashes(const std::wstring& text) {
    std::wstring result;
    result.reserve(text.size());
    for (wchar_t c : text) {
        if (c != L'\\' || result.empty() || result.back() != L'\\') {
            result.push_back(c);
        }
    }
    return result;
}

bool passesFormTest(Platform& platform, const std::wstring& path) {
    return path.size() >= 3 && path[1] == L':' && (path[2] == L'\\' || path[2] == L'/') &&
           passesDriveTest(platform, path[0]);
}

bool hasEnoughSpace(Platform& platform, const std::wstring& path, uint64_t totalSize) {
    const uint64_t most = std::numeric_limits<uint64_t>::max();
    const uint64_t needed = totalSize > most - kSpareBytes ? most : totalSize + kSpareBytes;
    return freeBytesOfPath(platform, path) >= needed;
}

bool hasForbiddenCharacters(const std::wstring& path) {
    if (path.find_first_of(kForbiddenCharacters) != std::wstring::npos ||
        path.find(L"\\\\") != std::wstring::npos) {
        return true;
    }
    const size_t colon = path.find(L':');
    return colon != std::wstring::npos && path.find(L':', colon + 1) != std::wstring::npos;
}

// Only the names that a backslash ends count: the last one may be blank.
bool hasBlankFolderName(const std::wstring& path) {
    size_t start = 0;
    for (size_t end = path.find(L'\\'); end != std::wstring::npos; end = path.find(L'\\', start)) {
        const size_t other = path.find_first_not_of(L' ', start);
        if (other == std::wstring::npos || other >= end) {
            return true;
        }
        start = end + 1;
    }
    return false;
}

std::wstring childPath(const std::wstring& folder, const std::wstring& name) {
    if (!folder.empty() && folder.back() == L'\\') {
        return folder + name;
    }
    return folder + L'\\' + name;
}

bool isListedFolder(const FolderEntry& entry) {
    return entry.isFolder && !entry.systemHiddenOrTemporary && !entry.name.empty() &&
           entry.name != L"." && entry.name != L"..";
}

}  // namespace

uint64_t neededMegabytes(uint64_t totalSize) {
    return totalSize / kBytesPerMegabyte + kSpareMegabytes;
}

uint64_t freeBytesOfPath(Platform& platform, const std::wstring& path) {
    // Anything else would be read as a path relative to the current folder.
    if (path.size() < 2 || !isAsciiLetter(path[0]) || path[1] != L':') {
        return 0;
    }
    return platform.freeBytes(path.substr(0, 2)).value_or(0);
}

bool passesDriveTest(Platform& platform, wchar_t letter) {
    const wchar_t upper = upperCase(letter);
    if (upper < L'C' || upper > L'Z') {
        return false;
    }
    const std::wstring root = driveRoot(upper);
    const DriveKind type = platform.driveType(root);
    if (type == DriveKind::Unknown || type == DriveKind::CdRom) {
        return false;
    }
    return platform.freeBytes(root).has_value();
}

PathDecision checkTargetPath(Platform& platform, const std::wstring& path, uint64_t totalSize) {
    PathDecision decision;
    if (path.empty()) {
        decision.rejection = PathRejection::Empty;
        return decision;
    }
    if (!passesFormTest(platform, path)) {
        decision.rejection = PathRejection::Invalid;
        return decision;
    }
    if (!hasEnoughSpace(platform, path, totalSize)) {
        decision.rejection = PathRejection::NotEnoughSpace;
        return decision;
    }
    std::wstring target = path;
    if (target.back() == L'\\') {
        target.pop_back();
    }
    // A backslash still left at the end was the second of two in a row.
    if (hasForbiddenCharacters(target) || target.back() == L'\\') {
        decision.rejection = PathRejection::InvalidCharacters;
        return decision;
    }
    if (hasBlankFolderName(target)) {
        decision.rejection = PathRejection::Invalid;
        return decision;
    }
    decision.targetFolder = std::move(target);
    return decision;
}

std::wstring nodePath(const FolderNode* node) {
    if (!node) {
        return {};
    }
    std::wstring path;
    if (isDriveKind(node->kind)) {
        path = driveRoot(static_cast<wchar_t>(L'A' + node->kind));
    } else if (node->kind == kFolderKind) {
        path = node->label;
        for (const FolderNode* above = node->parent; above; above = above->parent) {
            if (above->kind == kFolderKind) {
                path = above->label + L'\\' + path;
                continue;
            }
            if (isDriveKind(above->kind)) {
                path = driveRoot(static_cast<wchar_t>(L'A' + above->kind)) + path;
            }
            break;
        }
    }
    return collapseBackslashes(path);
}

std::wstring pickedPath(const FolderNode* node, const std::wstring& folderSuffix,
                        bool folderCreateFlag, const std::wstring& product,
                        const std::wstring& defaultTargetFolder) {
    std::wstring path = nodePath(node);
    if (path.empty()) {
        return defaultTargetFolder;
    }
    path = collapseBackslashes(path + L'\\' + folderSuffix);
    // The suffix names a folder: the product goes inside it, and without the
    // product only the separator is dropped, never a letter of its name.
    if (path.back() != L'\\') {
        path.push_back(L'\\');
    }
    if (folderCreateFlag) {
        path += product;
    } else {
        path.pop_back();
    }
    return path;
}

void scanFolder(FolderTree& tree, Platform& platform, const std::wstring& folderPath,
                FolderNode* node, int depth) {
    tree.DeleteChildren(node);
    if (!node || depth <= 0) {
        return;
    }
    for (const FolderEntry& entry : platform.listFolder(folderPath)) {
        if (!isListedFolder(entry)) {
            continue;
        }
        FolderNode* child = tree.AddNode(entry.name, node);
        tree.SetNodeImages(child, kClosedFolderImage, kOpenFolderImage);
        tree.SetNodeKind(child, kFolderKind);
        scanFolder(tree, platform, childPath(folderPath, entry.name), child, depth - 1);
    }
}

void scanAhead(FolderTree& tree, Platform& platform, FolderNode* node) {
    if (!node || !(isDriveKind(node->kind) || node->kind == kFolderKind)) {
        return;
    }
    for (const auto& child : node->children) {
        scanFolder(tree, platform, nodePath(child.get()), child.get(), 1);
    }
}

std::wstring pathRejectionText(PathRejection rejection, const InstallConfig& config) {
    switch (rejection) {
        case PathRejection::Empty:
            return config.text(35);
        case PathRejection::NotEnoughSpace:
            return config.text(5);
        case PathRejection::InvalidCharacters:
            return L"The installation path is invalid! ( ? / : \\ \" * < > | )";
        case PathRejection::Invalid:
        case PathRejection::None:
            break;
    }
    return L"The installation path is invalid! ";
}
