// A registry in memory for tests: keys and value names match in any letter
// case, as Windows matches them.
#pragma once

#include <cwctype>
#include <map>
#include <string>
#include <utility>
#include <variant>

#include "common/registry.h"

class MemoryRegistry : public Registry {
public:
    using Value = std::variant<std::wstring, uint32_t>;

    bool createKey(RegistryRoot root, const std::wstring& key) override {
        if (key.empty() || refuseWrites) {
            return false;
        }
        for (size_t at = key.find(L'\\'); at != std::wstring::npos; at = key.find(L'\\', at + 1)) {
            keys_[{root, lowered(key.substr(0, at))}];
        }
        keys_[{root, lowered(key)}];
        return true;
    }
    bool keyExists(RegistryRoot root, const std::wstring& key) override {
        return keys_.count({root, lowered(key)}) != 0;
    }
    std::optional<std::wstring> stringValue(RegistryRoot root, const std::wstring& key,
                                            const std::wstring& name) override {
        const Value* value = find(root, key, name);
        const auto* text = value != nullptr ? std::get_if<std::wstring>(value) : nullptr;
        return text != nullptr ? std::optional<std::wstring>(*text) : std::nullopt;
    }
    std::optional<uint32_t> numberValue(RegistryRoot root, const std::wstring& key,
                                        const std::wstring& name) override {
        const Value* value = find(root, key, name);
        const auto* number = value != nullptr ? std::get_if<uint32_t>(value) : nullptr;
        return number != nullptr ? std::optional<uint32_t>(*number) : std::nullopt;
    }
    bool setStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value) override {
        return set(root, key, name, value);
    }
    bool setNumberValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        uint32_t value) override {
        return set(root, key, name, value);
    }
    bool deleteValue(RegistryRoot root, const std::wstring& key,
                     const std::wstring& name) override {
        auto found = keys_.find({root, lowered(key)});
        return found != keys_.end() && found->second.erase(lowered(name)) != 0;
    }
    bool deleteTree(RegistryRoot root, const std::wstring& key) override {
        if (key.empty()) {
            return false;
        }
        const std::wstring path = lowered(key);
        for (auto it = keys_.begin(); it != keys_.end();) {
            const bool below = it->first.first == root &&
                               (it->first.second == path ||
                                it->first.second.compare(0, path.size() + 1, path + L"\\") == 0);
            it = below ? keys_.erase(it) : std::next(it);
        }
        return true;
    }

    using Contents = std::map<std::pair<RegistryRoot, std::wstring>, std::map<std::wstring, Value>>;

    // Values and keys, to compare a whole registry before and after.
    bool operator==(const MemoryRegistry& other) const { return keys_ == other.keys_; }
    const Contents& contents() const { return keys_; }
    void restore(Contents contents) { keys_ = std::move(contents); }
    size_t keyCount() const { return keys_.size(); }

    bool refuseWrites = false;

private:
    static std::wstring lowered(std::wstring text) {
        for (wchar_t& c : text) {
            c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        }
        return text;
    }
    const Value* find(RegistryRoot root, const std::wstring& key, const std::wstring& name) const {
        auto found = keys_.find({root, lowered(key)});
        if (found == keys_.end()) {
            return nullptr;
        }
        auto value = found->second.find(lowered(name));
        return value != found->second.end() ? &value->second : nullptr;
    }
    bool set(RegistryRoot root, const std::wstring& key, const std::wstring& name, Value value) {
        auto found = keys_.find({root, lowered(key)});
        if (found == keys_.end() || refuseWrites) {
            return false;
        }
        found->second[lowered(name)] = std::move(value);
        return true;
    }

    Contents keys_;
};
