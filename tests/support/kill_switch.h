// A process killed at a chosen change, for tests: the platform and the
// registry below let through a budget of changes (a folder made or removed,
// a file created, renamed or deleted, each write, each registry write), tear
// the write that overdraws it in half, and make nothing after it, as a
// killed process makes nothing. Reads go on, so the code under test runs to
// its end unaware; what it left on disk is what a kill would have left.
#pragma once

#include <atomic>

#include "common/forwarding_platform.h"
#include "common/forwarding_registry.h"

class KillSwitch {
public:
    explicit KillSwitch(long budget) : left_(budget) {}

    // Whether one more change may be made.
    bool spend() { return left_.fetch_sub(1) > 0; }
    bool dead() const { return left_.load() < 0; }
    // Changes made so far, while the budget lasts.
    long spentOf(long budget) const { return budget - left_.load(); }

private:
    std::atomic<long> left_;
};

class KillSwitchPlatform : public ForwardingPlatform {
public:
    KillSwitchPlatform(Platform& inner, KillSwitch& kill)
        : ForwardingPlatform(inner), kill_(kill) {}

    std::unique_ptr<File> open(const std::wstring& path, OpenMode mode, Share share) override {
        if (mode != OpenMode::Read && !kill_.spend()) {
            return nullptr;
        }
        auto file = ForwardingPlatform::open(path, mode, share);
        return file ? std::make_unique<KillableFile>(kill_, std::move(file)) : nullptr;
    }
    bool clearReadOnly(const std::wstring& path) override {
        return kill_.spend() && ForwardingPlatform::clearReadOnly(path);
    }
    bool createFolder(const std::wstring& path) override {
        return kill_.spend() && ForwardingPlatform::createFolder(path);
    }
    bool removeFolder(const std::wstring& path) override {
        return kill_.spend() && ForwardingPlatform::removeFolder(path);
    }
    bool deleteFile(const std::wstring& path) override {
        return kill_.spend() && ForwardingPlatform::deleteFile(path);
    }
    bool moveFile(const std::wstring& from, const std::wstring& to, bool replace) override {
        return kill_.spend() && ForwardingPlatform::moveFile(from, to, replace);
    }

private:
    class KillableFile : public File {
    public:
        KillableFile(KillSwitch& kill, std::unique_ptr<File> inner)
            : kill_(kill), inner_(std::move(inner)) {}
        size_t read(void* buffer, size_t size) override { return inner_->read(buffer, size); }
        size_t write(const void* data, size_t size) override {
            if (kill_.dead()) {
                return 0;
            }
            if (!kill_.spend()) {
                // Torn: the first half reaches the disk.
                inner_->write(data, size / 2);
                inner_->flush(false);
                return 0;
            }
            return inner_->write(data, size);
        }
        size_t writeAt(uint64_t offset, const void* data, size_t size) override {
            if (kill_.dead()) {
                return 0;
            }
            if (!kill_.spend()) {
                inner_->writeAt(offset, data, size / 2);
                return 0;
            }
            return inner_->writeAt(offset, data, size);
        }
        bool seek(uint64_t offset) override { return inner_->seek(offset); }
        std::optional<uint64_t> position() override { return inner_->position(); }
        std::optional<uint64_t> size() override { return inner_->size(); }
        bool atEnd() const override { return inner_->atEnd(); }
        bool flush(bool durable) override { return !kill_.dead() && inner_->flush(durable); }

    private:
        KillSwitch& kill_;
        std::unique_ptr<File> inner_;
    };

    KillSwitch& kill_;
};

class KillSwitchRegistry : public ForwardingRegistry {
public:
    KillSwitchRegistry(Registry& inner, KillSwitch& kill)
        : ForwardingRegistry(inner), kill_(kill) {}

    bool createKey(RegistryRoot root, const std::wstring& key) override {
        return kill_.spend() && ForwardingRegistry::createKey(root, key);
    }
    bool setStringValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& value) override {
        return kill_.spend() && ForwardingRegistry::setStringValue(root, key, name, value);
    }
    bool setNumberValue(RegistryRoot root, const std::wstring& key, const std::wstring& name,
                        uint32_t value) override {
        return kill_.spend() && ForwardingRegistry::setNumberValue(root, key, name, value);
    }
    bool deleteValue(RegistryRoot root, const std::wstring& key,
                     const std::wstring& name) override {
        return kill_.spend() && ForwardingRegistry::deleteValue(root, key, name);
    }
    bool deleteTree(RegistryRoot root, const std::wstring& key) override {
        return kill_.spend() && ForwardingRegistry::deleteTree(root, key);
    }

private:
    KillSwitch& kill_;
};
