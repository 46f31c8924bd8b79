#include "installer/ui/path_tree.h"

#include "installer/engine/path_rules.h"

namespace {

constexpr int kClosedFolderImage = 1;
constexpr int kOpenFolderImage = 2;

bool isDriveKind(int kind) {
    return kind >= kFirstDriveKind && kind <= kLastDriveKind;
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
