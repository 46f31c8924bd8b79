#include "game_tree.h"

#include <algorithm>

#include "common/formats.h"
#include "common/text.h"
#include "tools/medium/host_path.h"

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
