// What the installer registered, handed to the uninstaller in the section
// [registered] of the uninstall.ini it places in the game's folder, so that
// the uninstaller takes back exactly that and nothing of another program's.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/registry.h"

class IniFile;

inline constexpr wchar_t kRegisteredSection[] = L"registered";
// Where Windows lists installed programs, below HKEY_LOCAL_MACHINE or
// HKEY_CURRENT_USER.
inline constexpr wchar_t kUninstallKeyParent[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

struct RegisteredType {
    // The update-pack file type's names from install.ini.
    std::wstring extension;  // without its dot
    std::wstring className;
    // The extension key was there before the install took it over from
    // another program; its default value then, if it had one.
    bool extensionExisted = false;
    std::optional<std::wstring> previousExtensionValue;
    // The game's entry in the list of installed programs: its key below
    // kUninstallKeyParent, and under which root.
    std::wstring uninstallKey;
    RegistryRoot uninstallRoot = RegistryRoot::LocalMachine;
};

// Values longer than this do not fit a line of the INI reader with their key.
inline constexpr size_t kMaxHandedValue = 200;

RegisteredType loadRegisteredType(const IniFile& ini, const std::wstring& profilePath);

using ProfileEntries = std::vector<std::pair<std::wstring, std::wstring>>;
// The keys of [registered] that carry the file type's names.
ProfileEntries registeredNameEntries(const std::wstring& extension, const std::wstring& className);
// The keys that carry an extension key taken over from another program.
ProfileEntries extensionHandoverEntries(const std::optional<std::wstring>& previousValue);
// The keys that name the entry in the list of installed programs.
ProfileEntries uninstallEntryEntries(const std::wstring& key, RegistryRoot root);
