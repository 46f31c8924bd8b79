#include "common/folder_chain.h"

#include "common/platform.h"

namespace {

std::wstring parentOf(std::wstring path) {
    if (!path.empty() && (path.back() == L'\\' || path.back() == L'/')) {
        path.pop_back();
    }
    const size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut);
}

}  // namespace

bool CreateFolderChain(Platform& platform, const std::wstring& path) {
    if (platform.folderExists(path)) {
        return true;
    }
    if (platform.createFolder(path)) {
        return true;
    }
    if (path.size() == 2 || path.empty()) {
        return false;
    }
    const std::wstring parent = parentOf(path);
    // A root such as "/" or "\" has no parent left to create.
    if (parent.empty() || !CreateFolderChain(platform, parent)) {
        return false;
    }
    return platform.createFolder(path) || platform.folderExists(path);
}
