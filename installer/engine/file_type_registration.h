// Registration of the update-pack file type under HKEY_CLASSES_ROOT.
#pragma once

#include <optional>
#include <string>

#include "common/registry.h"
#include "installer/engine/install_config.h"

// An extension key that another program's association held before the
// install took it over, and its default value then (if it had one).
struct ExtensionHandover {
    std::optional<std::wstring> previousValue;
};

// Creates the file type's keys in their order and sets their values; write
// failures are ignored. An extension key that exists with another default
// value (or none) is another program's association: it is taken over only
// when `mayTakeOver` and its value can be handed to the uninstaller, and the
// answer then says what it held; otherwise that key is left as it is.
std::optional<ExtensionHandover> RegisterUpdatePackType(Registry& registry,
                                                        const InstallConfig& config,
                                                        const std::wstring& targetFolder,
                                                        bool mayTakeOver);
