// The folders of the discs a medium ships on: MEDIUM_DIR, disc 1 with the
// installer and data1.pck, then each folder given with --disc, in order.
// list, check, extract and verify look packages up here as the installer
// meets them on the discs.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/platform.h"
#include "tools/medium/options.h"

inline constexpr char kDiscOption[] = "--disc";

// "data<number>.pck", and its path in a folder with the host's separator.
std::wstring packageFileName(int number);
std::wstring packageFilePath(const std::wstring& folder, int number);

class DiscSet {
public:
    // MEDIUM_DIR is the command's first positional argument.
    static DiscSet fromCommandLine(const CommandLine& line);

    DiscSet(std::wstring medium, std::vector<std::wstring> discs);

    const std::wstring& medium() const { return folders_.front(); }
    const std::vector<std::wstring>& folders() const { return folders_; }
    size_t discCount() const { return folders_.size(); }

    // The folder that holds package `number`: `current` (where the package
    // before it was) when it is there, else the first folder that holds it.
    // data1.pck counts only in MEDIUM_DIR, where the installer starts.
    // Nothing when no folder holds it.
    std::optional<std::wstring> folderHolding(Platform& platform, int number,
                                              const std::wstring& current) const;

    // Where the reader is to look next for package `number`, which did not
    // open in `folder`: another folder that holds it; nothing when none does.
    std::optional<std::wstring> nextFolderFor(Platform& platform, int number,
                                              const std::wstring& folder) const;

    // The fault of a package that no folder holds.
    std::wstring missingPackageText(int number) const;

    // The verification after an install reads check.md from the disc that
    // is in the drive by then: a disc whose check.md is missing or differs
    // from MEDIUM_DIR's is a fault.
    std::vector<std::wstring> checkListFaults(Platform& platform) const;

    // Warnings for a set of `packageCount` packages: a package on more than
    // one disc (a copy left behind fills a disc beyond its plan; the
    // installer reads the one it meets first) and a disc given that holds
    // none of them.
    std::vector<std::wstring> layoutWarnings(Platform& platform, int packageCount) const;

private:
    std::vector<std::wstring> folders_;
};
