#include "common/journaled_registry.h"

#include "common/text.h"

bool JournaledRegistry::createdByRun(RegistryRoot root, const std::wstring& key) const {
    for (const RegistryChange& change : journal_.state().registry) {
        if (change.kind != RegistryChange::Kind::KeyCreated || change.root != root) {
            continue;
        }
        const size_t length = change.key.size();
        if (key.size() >= length && sameTextIgnoringCase(key.substr(0, length), change.key) &&
            (key.size() == length || key[length] == L'\\')) {
            return true;
        }
    }
    return false;
}

bool JournaledRegistry::createKey(RegistryRoot root, const std::wstring& key) {
    if (!createdByRun(root, key)) {
        // The topmost key that is missing: deleting it takes back every key
        // below it that this call creates.
        for (size_t end = key.find(L'\\');; end = key.find(L'\\', end + 1)) {
            const std::wstring prefix = key.substr(0, end);
            if (!inner().keyExists(root, prefix)) {
                RegistryChange change;
                change.kind = RegistryChange::Kind::KeyCreated;
                change.root = root;
                change.key = prefix;
                if (!journal_.registryChanged(change)) {
                    return false;
                }
                break;
            }
            if (end == std::wstring::npos) {
                break;
            }
        }
    }
    return inner().createKey(root, key);
}

bool JournaledRegistry::noteValue(RegistryRoot root, const std::wstring& key,
                                  const std::wstring& name) {
    if (createdByRun(root, key)) {
        return true;
    }
    RegistryChange change;
    change.kind = RegistryChange::Kind::ValueChanged;
    change.root = root;
    change.key = key;
    change.name = name;
    if (auto text = inner().stringValue(root, key, name)) {
        change.held = RegistryChange::Held::Text;
        change.text = *text;
    } else if (auto number = inner().numberValue(root, key, name)) {
        change.held = RegistryChange::Held::Number;
        change.number = *number;
    }
    return journal_.registryChanged(change);
}

bool JournaledRegistry::setStringValue(RegistryRoot root, const std::wstring& key,
                                       const std::wstring& name, const std::wstring& value) {
    return noteValue(root, key, name) && inner().setStringValue(root, key, name, value);
}

bool JournaledRegistry::setNumberValue(RegistryRoot root, const std::wstring& key,
                                       const std::wstring& name, uint32_t value) {
    return noteValue(root, key, name) && inner().setNumberValue(root, key, name, value);
}

bool JournaledRegistry::deleteValue(RegistryRoot root, const std::wstring& key,
                                    const std::wstring& name) {
    return noteValue(root, key, name) && inner().deleteValue(root, key, name);
}

bool JournaledRegistry::deleteTree(RegistryRoot root, const std::wstring& key) {
    return createdByRun(root, key) && inner().deleteTree(root, key);
}
