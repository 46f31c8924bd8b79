// The registry of the running Windows, with the calls Windows XP has
// (RegDeleteTree came later).
#pragma once

#include <windows.h>

#include <string>

#include "common/registry.h"

// Deletes parent\name and every subkey below it, deepest first; answers the
// first error. An empty name is refused: it would open the parent itself.
LONG DeleteRegistryTree(HKEY parent, const std::wstring& name);

class Win32Registry : public Registry {
public:
    bool createKey(RegistryRoot root, const std::wstring& key) override;
    bool keyExists(RegistryRoot root, const std::wstring& key) override;
    std::optional<std::wstring> stringValue(RegistryRoot root, const std::wstring& key,
                                            const std::wstring& name) override;
    std::optional<uint32_t> numberValue(RegistryRoot root, const std::wstring& key,
                                        const std::wstring& name) override;
    bool setStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value) override;
    bool setNumberValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        uint32_t value) override;
    bool deleteValue(RegistryRoot root, const std::wstring& key, const std::wstring& name) override;
    bool deleteTree(RegistryRoot root, const std::wstring& key) override;
};
