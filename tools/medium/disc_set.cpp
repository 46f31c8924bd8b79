#include "disc_set.h"

#include "common/text.h"
#include "tools/medium/host_path.h"

namespace {

constexpr wchar_t kCheckListName[] = L"check.md";

std::wstring listOf(const std::vector<std::wstring>& folders) {
    std::wstring text;
    for (const auto& folder : folders) {
        text += (text.empty() ? L"" : L", ") + folder;
    }
    return text;
}

}  // namespace

std::wstring packageFileName(int number) {
    return L"data" + std::to_wstring(number) + L".pck";
}

std::wstring packageFilePath(const std::wstring& folder, int number) {
    return joinPath(folder, packageFileName(number));
}

DiscSet DiscSet::fromCommandLine(const CommandLine& line) {
    std::vector<std::wstring> discs;
    for (const auto& disc : line.values(kDiscOption)) {
        discs.push_back(wideFromUtf8(disc));
    }
    return DiscSet(wideFromUtf8(line.positional().at(0)), std::move(discs));
}

DiscSet::DiscSet(std::wstring medium, std::vector<std::wstring> discs) {
    folders_.push_back(std::move(medium));
    for (auto& disc : discs) {
        folders_.push_back(std::move(disc));
    }
}

std::optional<std::wstring> DiscSet::folderHolding(Platform& platform, int number,
                                                   const std::wstring& current) const {
    std::vector<std::wstring> candidates{medium()};
    if (number > 1) {
        candidates = folders_;
        if (!current.empty()) {
            candidates.insert(candidates.begin(), current);
        }
    }
    for (const auto& folder : candidates) {
        if (platform.fileExists(packageFilePath(folder, number))) {
            return folder;
        }
    }
    return std::nullopt;
}

std::optional<std::wstring> DiscSet::nextFolderFor(Platform& platform, int number,
                                                   const std::wstring& folder) const {
    // Asked again for the folder it failed in, the reader would try forever
    // a package that is there but does not open.
    auto holding = folderHolding(platform, number, L"");
    if (!holding || *holding == folder) {
        return std::nullopt;
    }
    return holding;
}

std::wstring DiscSet::missingPackageText(int number) const {
    if (folders_.size() == 1) {
        std::wstring text = packageFilePath(medium(), number) + L": missing";
        if (number > 1) {
            text += L" (the folders of further discs go with --disc DIR)";
        }
        return text;
    }
    return packageFileName(number) + L": missing from every disc given (" + listOf(folders_) + L")";
}

std::vector<std::wstring> DiscSet::checkListFaults(Platform& platform) const {
    std::vector<std::wstring> faults;
    const std::wstring firstPath = joinPath(medium(), kCheckListName);
    const auto first = readWholeFile(platform, firstPath);
    for (size_t i = 1; i < folders_.size(); ++i) {
        const std::wstring path = joinPath(folders_[i], kCheckListName);
        const auto bytes = readWholeFile(platform, path);
        if (!bytes) {
            faults.push_back(path +
                             L": missing; the verification after an install reads "
                             L"check.md from the disc in the drive");
        } else if (first && *bytes != *first) {
            faults.push_back(path + L": differs from " + firstPath);
        }
    }
    return faults;
}

std::vector<std::wstring> DiscSet::layoutWarnings(Platform& platform, int packageCount) const {
    std::vector<std::wstring> warnings;
    std::vector<bool> used(folders_.size(), false);
    for (int number = 1; number <= packageCount; ++number) {
        std::vector<std::wstring> holding;
        for (size_t i = 0; i < folders_.size(); ++i) {
            if (platform.fileExists(packageFilePath(folders_[i], number))) {
                holding.push_back(folders_[i]);
                used[i] = true;
            }
        }
        if (holding.size() > 1) {
            warnings.push_back(packageFileName(number) + L" is on more than one disc: " +
                               listOf(holding));
        }
    }
    for (size_t i = 1; i < folders_.size(); ++i) {
        if (!used[i]) {
            warnings.push_back(folders_[i] + L": holds none of the " +
                               std::to_wstring(packageCount) + L" packages");
        }
    }
    return warnings;
}
