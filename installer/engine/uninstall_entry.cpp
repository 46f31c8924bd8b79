#include "installer/engine/uninstall_entry.h"

#include <algorithm>

#include "common/registered_type.h"
#include "installer/engine/shortcuts.h"

namespace {

constexpr size_t kMaxKeyName = 255;
constexpr size_t kMaxDisplayName = 259;

bool writeValues(Registry& registry, RegistryRoot root, const std::wstring& key,
                 const InstallConfig& config, const UninstallEntry& entry) {
    if (!registry.createKey(root, key)) {
        return false;
    }
    const std::wstring uninstall = uninstallCommand(entry.targetFolder);
    const uint64_t kibibytes = (entry.totalSize + 1023) / 1024;
    bool written =
        registry.setStringValue(root, key, L"DisplayName",
                                config.product.substr(0, kMaxDisplayName)) &&
        registry.setStringValue(root, key, L"UninstallString", uninstall) &&
        registry.setStringValue(root, key, L"QuietUninstallString", uninstall + L" /S") &&
        registry.setStringValue(root, key, L"DisplayIcon",
                                gameProgramPath(entry.targetFolder, config.programFile) + L",0") &&
        registry.setStringValue(root, key, L"InstallLocation", entry.targetFolder) &&
        registry.setNumberValue(root, key, L"EstimatedSize",
                                static_cast<uint32_t>(std::min<uint64_t>(kibibytes, UINT32_MAX))) &&
        registry.setStringValue(root, key, L"InstallDate", entry.installDate) &&
        registry.setNumberValue(root, key, L"NoModify", 1) &&
        registry.setNumberValue(root, key, L"NoRepair", 1);
    if (written && !config.publisher.empty()) {
        written = registry.setStringValue(root, key, L"Publisher", config.publisher);
    }
    if (written && !config.version.empty()) {
        written = registry.setStringValue(root, key, L"DisplayVersion", config.version);
    }
    if (!written) {
        registry.deleteTree(root, key);
    }
    return written;
}

}  // namespace

std::wstring uninstallKeyName(const std::wstring& product) {
    std::wstring name = product.substr(0, kMaxKeyName);
    std::replace(name.begin(), name.end(), L'\\', L'_');
    return name;
}

std::wstring uninstallCommand(const std::wstring& targetFolder) {
    return L"\"" + targetFolder + L"\\uninstall.exe\"";
}

std::optional<RegistryRoot> writeUninstallEntry(Registry& registry, const InstallConfig& config,
                                                const UninstallEntry& entry) {
    const std::wstring name = uninstallKeyName(config.product);
    if (name.empty()) {
        return std::nullopt;
    }
    const std::wstring key = std::wstring(kUninstallKeyParent) + L"\\" + name;
    for (RegistryRoot root : {RegistryRoot::LocalMachine, RegistryRoot::CurrentUser}) {
        if (writeValues(registry, root, key, config, entry)) {
            return root;
        }
    }
    return std::nullopt;
}
