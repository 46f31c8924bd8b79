// A registry that hands every call to another: the base of registries that
// look at or change some calls on their way (the run's journal, tests).
#pragma once

#include "common/registry.h"

class ForwardingRegistry : public Registry {
public:
    explicit ForwardingRegistry(Registry& inner) : inner_(inner) {}

    bool createKey(RegistryRoot root, const std::wstring& key) override {
        return inner_.createKey(root, key);
    }
    bool keyExists(RegistryRoot root, const std::wstring& key) override {
        return inner_.keyExists(root, key);
    }
    std::optional<std::wstring> stringValue(RegistryRoot root, const std::wstring& key,
                                            const std::wstring& name) override {
        return inner_.stringValue(root, key, name);
    }
    std::optional<uint32_t> numberValue(RegistryRoot root, const std::wstring& key,
                                        const std::wstring& name) override {
        return inner_.numberValue(root, key, name);
    }
    bool setStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value) override {
        return inner_.setStringValue(root, key, name, value);
    }
    bool setNumberValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        uint32_t value) override {
        return inner_.setNumberValue(root, key, name, value);
    }
    bool deleteValue(RegistryRoot root, const std::wstring& key,
                     const std::wstring& name) override {
        return inner_.deleteValue(root, key, name);
    }
    bool deleteTree(RegistryRoot root, const std::wstring& key) override {
        return inner_.deleteTree(root, key);
    }

protected:
    Registry& inner() { return inner_; }

private:
    Registry& inner_;
};
