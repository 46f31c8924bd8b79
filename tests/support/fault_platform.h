// A platform for tests that injects the faults the engine must survive: short
// reads at a chosen byte, opens that fail on cue, a nearly full disk, the 9x
// family. Sleeps are recorded, never slept. Opens and reads may come from
// several threads (the side-by-side hashing).
#pragma once

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/forwarding_platform.h"

class FaultPlatform : public ForwardingPlatform {
public:
    // The next read of `path` that covers byte `offset` stops just before it.
    struct ShortRead {
        std::wstring path;
        uint64_t offset = 0;
    };

    explicit FaultPlatform(Platform& inner) : ForwardingPlatform(inner) {}

    std::unique_ptr<File> open(const std::wstring& path, OpenMode mode, Share share) override {
        {
            std::lock_guard<std::mutex> hold(lock_);
            opened.push_back(path);
            auto script = openScript.find(path);
            if (script != openScript.end() && !script->second.empty()) {
                bool succeeds = script->second.front();
                script->second.pop_front();
                if (!succeeds) {
                    return nullptr;
                }
            }
        }
        auto file = ForwardingPlatform::open(path, mode, share);
        if (!file) {
            return nullptr;
        }
        return std::make_unique<WatchedFile>(*this, path, std::move(file));
    }

    std::optional<uint64_t> freeBytes(const std::wstring& path) override {
        freeQueries.push_back(path);
        if (freeAnswers.empty()) {
            return freeDefault;
        }
        auto answer = freeAnswers.front();
        freeAnswers.pop_front();
        return answer;
    }

    DriveKind driveType(const std::wstring& root) override {
        return driveKind ? *driveKind : ForwardingPlatform::driveType(root);
    }

    void sleep(unsigned milliseconds) override {
        sleeps.push_back(milliseconds);
        if (onSleep) {
            onSleep(sleeps.size());
        }
    }
    bool isNtFamily() override { return ntFamily; }

    // The disk fills at byte `at` of the file whose path ends in `pathEnd`:
    // writes there stop short.
    struct FullDisk {
        std::wstring pathEnd;
        uint64_t at = 0;
    };
    std::optional<FullDisk> fullDisk;
    // Per path, the outcome of its next opens in order (false fails); once
    // used up, opens go through.
    std::map<std::wstring, std::deque<bool>> openScript;
    std::vector<ShortRead> shortReads;
    std::deque<std::optional<uint64_t>> freeAnswers;
    std::optional<uint64_t> freeDefault = UINT64_MAX;
    bool ntFamily = true;
    // What every drive is, when set.
    std::optional<DriveKind> driveKind;
    // Called after each recorded sleep with the number of sleeps so far.
    std::function<void(size_t)> onSleep;

    std::vector<std::wstring> opened;
    std::vector<std::wstring> freeQueries;
    std::vector<unsigned> sleeps;
    // The most files open at once.
    size_t mostOpen = 0;

private:
    size_t roomFor(const std::wstring& path, uint64_t at, size_t size) {
        std::lock_guard<std::mutex> hold(lock_);
        const auto& full = fullDisk;
        if (!full || path.size() < full->pathEnd.size() ||
            path.compare(path.size() - full->pathEnd.size(), std::wstring::npos, full->pathEnd) !=
                0 ||
            at + size <= full->at) {
            return size;
        }
        return at >= full->at ? 0 : static_cast<size_t>(full->at - at);
    }

    std::mutex lock_;
    size_t openNow_ = 0;

    class WatchedFile : public File {
    public:
        WatchedFile(FaultPlatform& owner, std::wstring path, std::unique_ptr<File> inner)
            : owner_(owner), path_(std::move(path)), inner_(std::move(inner)) {
            std::lock_guard<std::mutex> hold(owner_.lock_);
            owner_.mostOpen = std::max(owner_.mostOpen, ++owner_.openNow_);
        }
        ~WatchedFile() override {
            std::lock_guard<std::mutex> hold(owner_.lock_);
            --owner_.openNow_;
        }

        size_t read(void* buffer, size_t size) override {
            auto at = inner_->position();
            std::unique_lock<std::mutex> hold(owner_.lock_);
            if (at) {
                auto& faults = owner_.shortReads;
                for (auto it = faults.begin(); it != faults.end(); ++it) {
                    if (it->path == path_ && it->offset >= *at && it->offset < *at + size) {
                        size_t part = static_cast<size_t>(it->offset - *at);
                        faults.erase(it);
                        hold.unlock();
                        return inner_->read(buffer, part);
                    }
                }
            }
            hold.unlock();
            return inner_->read(buffer, size);
        }
        size_t write(const void* data, size_t size) override {
            const auto at = inner_->position();
            return inner_->write(data, owner_.roomFor(path_, at.value_or(0), size));
        }
        size_t writeAt(uint64_t offset, const void* data, size_t size) override {
            return inner_->writeAt(offset, data, owner_.roomFor(path_, offset, size));
        }
        bool seek(uint64_t offset) override { return inner_->seek(offset); }
        std::optional<uint64_t> position() override { return inner_->position(); }
        std::optional<uint64_t> size() override { return inner_->size(); }
        bool atEnd() const override { return inner_->atEnd(); }
        bool flush(bool durable) override { return inner_->flush(durable); }

    private:
        FaultPlatform& owner_;
        std::wstring path_;
        std::unique_ptr<File> inner_;
    };
};
