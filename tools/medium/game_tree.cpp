#include "game_tree.h"

#include <algorithm>
#include <filesystem>

#include "common/formats.h"
#include "common/text.h"

namespace {

struct Walk {
    Platform& platform;
    TreeScan& scan;

    bool fail(const std::wstring& text) {
        scan.error = text;
        return false;
    }

    bool visit(const std::wstring& folderPath, const std::wstring& prefix) {
        auto items = platform.listFolder(folderPath);
        std::vector<std::pair<std::u16string, FolderEntry>> sorted;
        sorted.reserve(items.size());
        for (auto& item : items) {
            sorted.emplace_back(utf16FromWide(item.name), item);
        }
        std::sort(sorted.begin(), sorted.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [units, item] : sorted) {
            TreeEntry entry;
            entry.name = prefix.empty() ? item.name : prefix + L"\\" + item.name;
            entry.path = joinPath(folderPath, item.name);
            entry.isFolder = item.isFolder;
            auto problem = findWindowsNameProblem(item.name);
            if (!problem.empty()) {
                return fail(entry.path + L": " + problem);
            }
            const size_t length = utf16FromWide(entry.name).size();
            if (length > kMaxEntryNameUnits) {
                return fail(entry.path + L": name of " + std::to_wstring(length) +
                            L" UTF-16 units below the game folder, at most " +
                            std::to_wstring(kMaxEntryNameUnits) + L" fit a package entry");
            }
            if (!entry.isFolder) {
                auto file = platform.open(entry.path, OpenMode::Read);
                auto size = file ? file->size() : std::nullopt;
                if (!size) {
                    return fail(entry.path + L": cannot be read");
                }
                entry.size = *size;
            }
            scan.entries.push_back(entry);
            if (entry.isFolder && !visit(entry.path, entry.name)) {
                return false;
            }
        }
        return true;
    }
};

}  // namespace

std::wstring findWindowsNameProblem(const std::wstring& name) {
    if (name.empty() || name == L"." || name == L"..") {
        return L"not a usable name";
    }
    for (wchar_t c : name) {
        if (c < 0x20 || std::wstring_view(L"\\/:*?\"<>|").find(c) != std::wstring_view::npos) {
            return L"the name holds a character Windows does not allow in file names";
        }
    }
    if (name.back() == L'.' || name.back() == L' ') {
        return L"Windows drops a trailing dot or blank from a name";
    }
    return {};
}

std::wstring joinPath(const std::wstring& folder, const std::wstring& name) {
    std::wstring base = folder;
    while (base.size() > 1 && (base.back() == L'\\' || base.back() == L'/')) {
        base.pop_back();
    }
    return base + L"\\" + name;
}

TreeScan scanGameTree(Platform& platform, const std::wstring& root) {
    TreeScan scan;
    if (!platform.folderExists(root)) {
        scan.error = root + L": not a folder";
        return scan;
    }
    Walk walk{platform, scan};
    walk.visit(root, L"");
    return scan;
}

namespace {

std::filesystem::path hostPathOf(const std::wstring& path) {
#ifdef _WIN32
    return std::filesystem::path(path);
#else
    return std::filesystem::path(utf8FromWide(path));
#endif
}

std::wstring wideOf(const std::filesystem::path& path) {
#ifdef _WIN32
    return path.wstring();
#else
    return wideFromUtf8(path.string());
#endif
}

}  // namespace

std::wstring absolutePath(const std::wstring& path) {
    std::error_code error;
    auto absolute = std::filesystem::absolute(hostPathOf(path), error);
    return error ? path : wideOf(absolute.lexically_normal());
}

bool isWithinFolder(const std::wstring& inner, const std::wstring& outer) {
    std::error_code error;
    auto a = std::filesystem::weakly_canonical(hostPathOf(inner), error);
    auto b = std::filesystem::weakly_canonical(hostPathOf(outer), error);
    if (error) {
        return false;
    }
    auto mismatch = std::mismatch(b.begin(), b.end(), a.begin(), a.end());
    return mismatch.first == b.end() ||
           (std::next(mismatch.first) == b.end() && mismatch.first->empty());
}
