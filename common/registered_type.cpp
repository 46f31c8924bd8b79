#include "common/registered_type.h"

#include "common/ini_file.h"

namespace {

constexpr wchar_t kExtensionKey[] = L"reg_file_ext_name";
constexpr wchar_t kClassKey[] = L"reg_key_name";
constexpr wchar_t kExistedKey[] = L"reg_file_ext_existed";
constexpr wchar_t kPreviousKey[] = L"reg_file_ext_previous";
// Set when there was a previous value: an empty one is a value too.
constexpr wchar_t kPreviousSetKey[] = L"reg_file_ext_previous_set";
constexpr wchar_t kUninstallKey[] = L"uninstall_key";
constexpr wchar_t kUninstallRootKey[] = L"uninstall_root";
constexpr wchar_t kMachine[] = L"machine";
constexpr wchar_t kUser[] = L"user";

}  // namespace

RegisteredType loadRegisteredType(const IniFile& ini, const std::wstring& profilePath) {
    auto get = [&](const wchar_t* key) {
        return ini.getString(kRegisteredSection, key, L"", profilePath);
    };
    RegisteredType type;
    type.extension = get(kExtensionKey);
    type.className = get(kClassKey);
    type.extensionExisted = get(kExistedKey) == L"1";
    if (type.extensionExisted && get(kPreviousSetKey) == L"1") {
        type.previousExtensionValue = get(kPreviousKey);
    }
    type.uninstallKey = get(kUninstallKey);
    type.uninstallRoot =
        get(kUninstallRootKey) == kUser ? RegistryRoot::CurrentUser : RegistryRoot::LocalMachine;
    return type;
}

ProfileEntries registeredNameEntries(const std::wstring& extension, const std::wstring& className) {
    return {{kExtensionKey, extension}, {kClassKey, className}};
}

ProfileEntries extensionHandoverEntries(const std::optional<std::wstring>& previousValue) {
    ProfileEntries entries = {{kExistedKey, L"1"}};
    if (previousValue) {
        entries.emplace_back(kPreviousKey, *previousValue);
        entries.emplace_back(kPreviousSetKey, L"1");
    }
    return entries;
}

ProfileEntries uninstallEntryEntries(const std::wstring& key, RegistryRoot root) {
    return {{kUninstallKey, key},
            {kUninstallRootKey, root == RegistryRoot::CurrentUser ? kUser : kMachine}};
}
