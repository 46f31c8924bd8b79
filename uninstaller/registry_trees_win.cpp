#include "registry_trees_win.h"

#include "common/win/handles_win.h"

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
