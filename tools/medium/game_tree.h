// The game folder as the packages carry it: every folder and file below it,
// each folder before what it holds, siblings in the order of their UTF-16
// names, so that the same folder always gives the same packages.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/platform.h"

struct TreeEntry {
    std::wstring name;  // below the game folder, "\" separated
    std::wstring path;  // for the platform
    bool isFolder = false;
    uint64_t size = 0;
};

struct TreeScan {
    std::vector<TreeEntry> entries;
    std::wstring error;  // the first problem met, naming its file; empty when none
};

// A folder or file name that Windows cannot create as it stands: reserved
// characters, a trailing dot or blank, "." and "..". Empty when fine.
std::wstring findWindowsNameProblem(const std::wstring& name);

// Names longer than an entry record holds are refused.
TreeScan scanGameTree(Platform& platform, const std::wstring& root);
