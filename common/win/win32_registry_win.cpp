#include "common/win/win32_registry_win.h"

#include <vector>

#include "common/win/handles_win.h"

namespace {

HKEY rootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::ClassesRoot:
            break;
    }
    return HKEY_CLASSES_ROOT;
}

RegKey openKey(RegistryRoot root, const std::wstring& key, REGSAM access) {
    HKEY opened = nullptr;
    if (key.empty() ||
        RegOpenKeyExW(rootKey(root), key.c_str(), 0, access, &opened) != ERROR_SUCCESS) {
        return RegKey();
    }
    return RegKey(opened);
}

const wchar_t* valueName(const std::wstring& name) {
    return name.empty() ? nullptr : name.c_str();
}

}  // namespace

LONG DeleteRegistryTree(HKEY parent, const std::wstring& name) {
    if (name.empty()) {
        return ERROR_INVALID_PARAMETER;
    }
    HKEY opened = nullptr;
    LONG result = RegOpenKeyExW(parent, name.c_str(), 0, KEY_READ | KEY_WRITE, &opened);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    RegKey key(opened);
    for (;;) {
        // Key names hold at most 255 characters.
        wchar_t subkey[257] = {};
        DWORD length = 257;
        result = RegEnumKeyExW(key.get(), 0, subkey, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_NO_MORE_ITEMS) {
            break;
        }
        if (result != ERROR_SUCCESS) {
            return result;
        }
        // A subkey that cannot go would come back at index 0 for ever.
        result = DeleteRegistryTree(key.get(), subkey);
        if (result != ERROR_SUCCESS) {
            return result;
        }
    }
    key.reset();
    return RegDeleteKeyW(parent, name.c_str());
}

bool Win32Registry::createKey(RegistryRoot root, const std::wstring& key) {
    HKEY created = nullptr;
    if (key.empty() ||
        RegCreateKeyExW(rootKey(root), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    RegKey owned(created);
    return true;
}

bool Win32Registry::keyExists(RegistryRoot root, const std::wstring& key) {
    return static_cast<bool>(openKey(root, key, KEY_READ));
}

std::optional<std::wstring> Win32Registry::stringValue(RegistryRoot root, const std::wstring& key,
                                                       const std::wstring& name) {
    const RegKey opened = openKey(root, key, KEY_READ);
    if (!opened) {
        return std::nullopt;
    }
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(opened.get(), valueName(name), nullptr, &type, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ)) {
        return std::nullopt;
    }
    // Room for a terminator the stored value may lack.
    std::vector<wchar_t> text(bytes / sizeof(wchar_t) + 1, L'\0');
    const size_t capacity = text.size() * sizeof(wchar_t);
    DWORD size = static_cast<DWORD>(capacity);
    if (RegQueryValueExW(opened.get(), valueName(name), nullptr, &type,
                         reinterpret_cast<BYTE*>(text.data()), &size) != ERROR_SUCCESS) {
        return std::nullopt;
    }
    return std::wstring(text.data());
}

std::optional<uint32_t> Win32Registry::numberValue(RegistryRoot root, const std::wstring& key,
                                                   const std::wstring& name) {
    const RegKey opened = openKey(root, key, KEY_READ);
    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof(number);
    if (!opened ||
        RegQueryValueExW(opened.get(), valueName(name), nullptr, &type,
                         reinterpret_cast<BYTE*>(&number), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof(number)) {
        return std::nullopt;
    }
    return number;
}

bool Win32Registry::setStringValue(RegistryRoot root, const std::wstring& key,
                                   const std::wstring& name, const std::wstring& value) {
    const RegKey opened = openKey(root, key, KEY_SET_VALUE);
    const size_t bytes = (value.size() + 1) * sizeof(wchar_t);
    return opened && RegSetValueExW(opened.get(), valueName(name), 0, REG_SZ,
                                    reinterpret_cast<const BYTE*>(value.c_str()),
                                    static_cast<DWORD>(bytes)) == ERROR_SUCCESS;
}

bool Win32Registry::setNumberValue(RegistryRoot root, const std::wstring& key,
                                   const std::wstring& name, uint32_t value) {
    const RegKey opened = openKey(root, key, KEY_SET_VALUE);
    const DWORD number = value;
    return opened &&
           RegSetValueExW(opened.get(), valueName(name), 0, REG_DWORD,
                          reinterpret_cast<const BYTE*>(&number), sizeof(number)) == ERROR_SUCCESS;
}

bool Win32Registry::deleteValue(RegistryRoot root, const std::wstring& key,
                                const std::wstring& name) {
    const RegKey opened = openKey(root, key, KEY_SET_VALUE);
    return opened && RegDeleteValueW(opened.get(), valueName(name)) == ERROR_SUCCESS;
}

bool Win32Registry::deleteTree(RegistryRoot root, const std::wstring& key) {
    const LONG result = DeleteRegistryTree(rootKey(root), key);
    return result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND;
}
