// The game's entry in Windows' list of installed programs ("Add or Remove
// Programs"), from which it can be removed like any other program.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/registry.h"
#include "installer/engine/install_config.h"

struct UninstallEntry {
    std::wstring targetFolder;
    uint64_t totalSize = 0;    // the package set's, in bytes
    std::wstring installDate;  // YYYYMMDD
};

// The entry's key below the list's key: the product, with any "\" made "_"
// and cut to a key name's 255 characters; empty without a product.
std::wstring uninstallKeyName(const std::wstring& product);

// The uninstaller's command line as Windows starts it, quoted.
std::wstring uninstallCommand(const std::wstring& targetFolder);

// Writes the entry under HKEY_LOCAL_MACHINE, or under HKEY_CURRENT_USER when
// that cannot be written; answers where, or nothing (no product, or neither
// could be written).
std::optional<RegistryRoot> writeUninstallEntry(Registry& registry, const InstallConfig& config,
                                                const UninstallEntry& entry);
