#include "guarded_folders.h"

#include <cwctype>

#include "common/platform.h"

namespace {

std::wstring lowered(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    }
    return text;
}

bool isPrefixOf(const std::vector<std::wstring>& prefix, const std::vector<std::wstring>& path) {
    if (prefix.empty() || prefix.size() > path.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        if (prefix[i] != path[i]) {
            return false;
        }
    }
    return true;
}

std::vector<std::vector<std::wstring>> componentsOfEach(const std::vector<std::wstring>& paths) {
    std::vector<std::vector<std::wstring>> out;
    for (const std::wstring& path : paths) {
        auto components = folderComponents(path);
        if (!components.empty()) {
            out.push_back(std::move(components));
        }
    }
    return out;
}

std::vector<std::wstring> realPaths(Platform& platform, const std::vector<std::wstring>& paths) {
    std::vector<std::wstring> out;
    for (const std::wstring& path : paths) {
        if (!path.empty()) {
            out.push_back(platform.realPath(path));
        }
    }
    return out;
}

}  // namespace

std::vector<std::wstring> folderComponents(const std::wstring& path) {
    std::wstring text = path;
    for (wchar_t& c : text) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    std::vector<std::wstring> components;
    size_t at = 0;
    if (text.size() >= 2 && text[0] == L'\\' && text[1] == L'\\') {
        // "\\server\share"; the "\\?\" and "\\.\" device forms are not taken apart.
        const size_t server = text.find(L'\\', 2);
        if (server == std::wstring::npos || server == 2) {
            return {};
        }
        const std::wstring serverName = text.substr(2, server - 2);
        if (serverName == L"?" || serverName == L".") {
            return {};
        }
        size_t share = text.find(L'\\', server + 1);
        if (share == std::wstring::npos) {
            share = text.size();
        }
        if (share == server + 1) {
            return {};
        }
        components.push_back(lowered(text.substr(0, share)));
        at = share;
    } else if (text.size() >= 2 && text[1] == L':' && std::iswalpha(text[0]) &&
               (text.size() == 2 || text[2] == L'\\')) {
        components.push_back(lowered(text.substr(0, 2)));
        at = 2;
    } else {
        return {};  // relative, or relative to a drive's current folder
    }
    while (at < text.size()) {
        size_t next = text.find(L'\\', at);
        if (next == std::wstring::npos) {
            next = text.size();
        }
        std::wstring part = text.substr(at, next - at);
        at = next + 1;
        if (part.empty() || part == L".") {
            continue;
        }
        if (part == L"..") {
            if (components.size() > 1) {
                components.pop_back();
            }
            continue;
        }
        // Windows drops trailing dots and blanks from a name.
        const size_t kept = part.find_last_not_of(L". ");
        if (kept == std::wstring::npos) {
            return {};  // "..." and the like: not a name we can place
        }
        components.push_back(lowered(part.substr(0, kept + 1)));
    }
    return components;
}

GuardedFolders::GuardedFolders(const std::vector<std::wstring>& folders,
                               const std::vector<std::wstring>& profileRoots)
    : folders_(componentsOfEach(folders)), profileRoots_(componentsOfEach(profileRoots)) {}

GuardedFolders::GuardedFolders(Platform& platform, const std::vector<std::wstring>& folders,
                               const std::vector<std::wstring>& profileRoots)
    : GuardedFolders(realPaths(platform, folders), realPaths(platform, profileRoots)) {}

bool GuardedFolders::guards(const std::wstring& folder) const {
    const auto components = folderComponents(folder);
    if (components.size() < 2) {
        return true;  // not absolute, or a drive or share root
    }
    for (const auto& guarded : folders_) {
        if (isPrefixOf(components, guarded)) {
            return true;
        }
    }
    for (const auto& root : profileRoots_) {
        if (isPrefixOf(components, root)) {
            return true;
        }
        if (components.size() == root.size() + 1 && isPrefixOf(root, components)) {
            return true;
        }
    }
    return false;
}
