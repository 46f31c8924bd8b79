// What both programs ask of the registry: the file type the installer
// registers and the uninstaller takes back, and the game's entry in the list
// of installed programs. Key paths are relative to a root; an empty value
// name is the key's default value.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

enum class RegistryRoot { ClassesRoot, LocalMachine, CurrentUser };

class Registry {
public:
    virtual ~Registry() = default;
    Registry() = default;
    Registry(const Registry&) = delete;
    Registry& operator=(const Registry&) = delete;

    // Creates the key and its missing parents (or opens it); false when it
    // cannot be written.
    virtual bool createKey(RegistryRoot root, const std::wstring& key) = 0;
    virtual bool keyExists(RegistryRoot root, const std::wstring& key) = 0;
    // A string value; nothing when the key or the value is missing or holds
    // no string.
    virtual std::optional<std::wstring> stringValue(RegistryRoot root, const std::wstring& key,
                                                    const std::wstring& name) = 0;
    // A number value (REG_DWORD); nothing when missing or of another type.
    virtual std::optional<uint32_t> numberValue(RegistryRoot root, const std::wstring& key,
                                                const std::wstring& name) = 0;
    // Both on an existing key; false when the value cannot be written.
    virtual bool setStringValue(RegistryRoot root, const std::wstring& key,
                                const std::wstring& name, const std::wstring& value) = 0;
    virtual bool setNumberValue(RegistryRoot root, const std::wstring& key,
                                const std::wstring& name, uint32_t value) = 0;
    virtual bool deleteValue(RegistryRoot root, const std::wstring& key,
                             const std::wstring& name) = 0;
    // The key and everything below it; a missing key is no error. An empty
    // key path is refused: it would be the root itself.
    virtual bool deleteTree(RegistryRoot root, const std::wstring& key) = 0;
};
