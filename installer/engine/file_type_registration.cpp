#include "installer/engine/file_type_registration.h"

#include "common/registered_type.h"
#include "installer/engine/shortcuts.h"

namespace {

// A value the uninstall.ini line can carry back unchanged.
bool canHandOver(const std::optional<std::wstring>& value) {
    return !value || (value->size() <= kMaxHandedValue &&
                      value->find_first_of(L"\r\n") == std::wstring::npos);
}

}  // namespace

std::optional<ExtensionHandover> RegisterUpdatePackType(Registry& registry,
                                                        const InstallConfig& config,
                                                        const std::wstring& targetFolder,
                                                        bool mayTakeOver) {
    const std::wstring extensionKey = L"." + config.regFileExtName;
    std::optional<ExtensionHandover> handover;
    bool skipExtension = false;
    if (!config.regFileExtName.empty() &&
        registry.keyExists(RegistryRoot::ClassesRoot, extensionKey)) {
        const auto current = registry.stringValue(RegistryRoot::ClassesRoot, extensionKey, L"");
        // Our own class name there is an earlier install of this game.
        if (current != config.regKeyName) {
            if (mayTakeOver && canHandOver(current)) {
                handover = ExtensionHandover{current};
            } else {
                skipExtension = true;
            }
        }
    }
    for (const RegistryEntry& entry : updatePackRegistryEntries(config, targetFolder)) {
        if (skipExtension && entry.key == extensionKey) {
            continue;
        }
        if (!registry.createKey(RegistryRoot::ClassesRoot, entry.key) || !entry.value) {
            continue;
        }
        registry.setStringValue(RegistryRoot::ClassesRoot, entry.key, L"", *entry.value);
    }
    return handover;
}
