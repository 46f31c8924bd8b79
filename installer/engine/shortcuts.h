// The window-free part of the shortcuts and of the update-pack file type: the
// paths of the shortcut files, their targets and working folders, the desktop
// web link, and the registry entries of the file type.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "installer/engine/install_config.h"

class Platform;

// "%DESKTOP%" in any letter case; everything else, empty included, goes into
// the program group.
bool isDesktopShortcut(const ShortcutSpec& shortcut);

std::wstring programGroupFolder(const std::wstring& programsFolder,
                                const std::wstring& programGroup);
std::wstring shortcutTarget(const std::wstring& targetFolder, const std::wstring& link);
// The target folder plus the first folder of the link only; a bare file name
// gives the target folder with a trailing backslash.
std::wstring shortcutWorkingFolder(const std::wstring& targetFolder, const std::wstring& link);
std::wstring shortcutFilePath(const std::wstring& folder, const std::wstring& name);
std::wstring gameProgramPath(const std::wstring& targetFolder, const std::wstring& programFile);
std::wstring internetShortcutPath(const std::wstring& desktopFolder, const std::wstring& product);

// One key below HKEY_CLASSES_ROOT and its default value; a key without a
// value is only created.
struct RegistryEntry {
    std::wstring key;
    std::optional<std::wstring> value;

    bool operator==(const RegistryEntry& other) const {
        return key == other.key && value == other.value;
    }
};

// The keys of the update-pack file type in the order they are created. Only
// the command key of the open verb carries the command line; "shell" and
// "shell\open" are created without values, so the verb's name is its key name.
// An empty class name gives no entries at all (its keys would land on the
// root of the classes), and an empty extension gives no extension key ("."
// would claim every file without an extension).
std::vector<RegistryEntry> updatePackRegistryEntries(const InstallConfig& config,
                                                     const std::wstring& targetFolder);

// The shell-link object takes its texts in the ANSI code page, each in a
// zero-filled buffer of this size.
constexpr size_t kShellLinkTextBytes = 1024;
using ShellLinkText = std::array<char, kShellLinkTextBytes>;

// Converts `text` into `buffer`, NUL-terminated. A text whose ANSI form needs
// more than kShellLinkTextBytes - 1 bytes is refused rather than cut, since a
// cut path or argument would start something other than what was configured.
bool toShellLinkText(Platform& platform, std::wstring_view text, ShellLinkText& buffer);
