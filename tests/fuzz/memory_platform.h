// A platform whose files live in memory, for the fuzz targets: no disk, no
// waiting, and every answer the reader may ask for set by the input.
#pragma once

#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "common/platform.h"

class MemoryPlatform : public Platform {
public:
    std::map<std::wstring, std::string> files;
    std::optional<uint64_t> free = UINT64_MAX;
    bool ntFamily = true;

    std::unique_ptr<File> open(const std::wstring& path, OpenMode mode, Share) override {
        auto found = files.find(path);
        if (mode == OpenMode::Read) {
            if (found == files.end()) {
                return nullptr;
            }
            return std::make_unique<MemoryFile>(found->second, false);
        }
        auto& bytes = files[path];
        if (mode == OpenMode::Write) {
            bytes.clear();
        }
        return std::make_unique<MemoryFile>(bytes, true);
    }
    bool fileExists(const std::wstring& path) override { return files.count(path) != 0; }
    bool folderExists(const std::wstring&) override { return true; }
    bool isReadOnly(const std::wstring&) override { return false; }
    bool clearReadOnly(const std::wstring&) override { return true; }
    bool createFolder(const std::wstring&) override { return true; }
    bool removeFolder(const std::wstring&) override { return true; }
    bool deleteFile(const std::wstring& path) override { return files.erase(path) != 0; }
    bool moveFile(const std::wstring& from, const std::wstring& to, bool replace) override {
        auto found = files.find(from);
        if (found == files.end() || (!replace && files.count(to) != 0)) {
            return false;
        }
        std::string bytes = std::move(found->second);
        files.erase(found);
        files[to] = std::move(bytes);
        return true;
    }
    std::vector<FolderEntry> listFolder(const std::wstring&) override { return {}; }
    bool isLink(const std::wstring&) override { return false; }
    std::wstring realPath(const std::wstring& path) override { return path; }
    std::wstring lastErrorText() override { return L"failed"; }
    std::optional<uint64_t> freeBytes(const std::wstring&) override { return free; }
    DriveKind driveType(const std::wstring&) override { return DriveKind::Fixed; }
    std::wstring currentFolder() override { return L"C:\\"; }
    void sleep(unsigned) override {}
    bool isNtFamily() override { return ntFamily; }
    std::wstring wideFromAnsi(std::string_view bytes) override {
        return std::wstring(bytes.begin(), bytes.end());
    }
    std::string ansiFromWide(std::wstring_view text) override {
        return std::string(text.begin(), text.end());
    }

private:
    class MemoryFile : public File {
    public:
        MemoryFile(std::string& bytes, bool appending)
            : bytes_(bytes), at_(appending ? bytes.size() : 0) {}
        size_t read(void* buffer, size_t size) override {
            size_t left = at_ < bytes_.size() ? bytes_.size() - at_ : 0;
            size_t count = size < left ? size : left;
            if (count > 0) {
                std::memcpy(buffer, bytes_.data() + at_, count);
            }
            at_ += count;
            end_ = count < size;
            return count;
        }
        size_t write(const void* data, size_t size) override {
            bytes_.append(static_cast<const char*>(data), size);
            return size;
        }
        size_t writeAt(uint64_t offset, const void* data, size_t size) override {
            std::lock_guard<std::mutex> hold(writing_);
            const auto at = static_cast<size_t>(offset);
            if (bytes_.size() < at + size) {
                bytes_.resize(at + size);
            }
            std::memcpy(&bytes_[at], data, size);
            return size;
        }
        bool seek(uint64_t offset) override {
            at_ = static_cast<size_t>(offset);
            end_ = false;
            return offset <= SIZE_MAX;
        }
        std::optional<uint64_t> position() override { return at_; }
        std::optional<uint64_t> size() override { return bytes_.size(); }
        bool atEnd() const override { return end_; }
        bool flush(bool /*durable*/) override { return true; }

    private:
        std::string& bytes_;
        std::mutex writing_;
        size_t at_;
        bool end_ = false;
    };
};

// Questions answered Yes a few times, then No, so that every loop of the
// reader is entered and still ends.
class CountingPrompt : public UserPrompt {
public:
    explicit CountingPrompt(int yeses) : yeses_(yeses) {}
    void showMessage(const std::wstring&, MessageIcon) override {}
    bool askYesNo(const std::wstring&, MessageIcon) override { return yeses_-- > 0; }

private:
    int yeses_;
};
