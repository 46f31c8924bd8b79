// A Platform that hands every call to another one. Subclasses override the
// few calls they change: the medium tool's read-only walk, and the tests'
// injected faults (short reads, failing opens, a nearly full disk).
#pragma once

#include "common/platform.h"

class ForwardingPlatform : public Platform {
public:
    explicit ForwardingPlatform(Platform& inner) : inner_(inner) {}

    std::unique_ptr<File> open(const std::wstring& path, OpenMode mode, Share share) override {
        return inner_.open(path, mode, share);
    }
    bool fileExists(const std::wstring& path) override { return inner_.fileExists(path); }
    bool folderExists(const std::wstring& path) override { return inner_.folderExists(path); }
    bool isReadOnly(const std::wstring& path) override { return inner_.isReadOnly(path); }
    bool clearReadOnly(const std::wstring& path) override { return inner_.clearReadOnly(path); }
    bool createFolder(const std::wstring& path) override { return inner_.createFolder(path); }
    bool removeFolder(const std::wstring& path) override { return inner_.removeFolder(path); }
    bool deleteFile(const std::wstring& path) override { return inner_.deleteFile(path); }
    bool moveFile(const std::wstring& from, const std::wstring& to, bool replace) override {
        return inner_.moveFile(from, to, replace);
    }
    std::vector<FolderEntry> listFolder(const std::wstring& path) override {
        return inner_.listFolder(path);
    }
    bool isLink(const std::wstring& path) override { return inner_.isLink(path); }
    std::wstring realPath(const std::wstring& path) override { return inner_.realPath(path); }
    std::wstring lastErrorText() override { return inner_.lastErrorText(); }
    std::optional<uint64_t> freeBytes(const std::wstring& path) override {
        return inner_.freeBytes(path);
    }
    DriveKind driveType(const std::wstring& root) override { return inner_.driveType(root); }
    std::wstring currentFolder() override { return inner_.currentFolder(); }
    void sleep(unsigned milliseconds) override { inner_.sleep(milliseconds); }
    bool isNtFamily() override { return inner_.isNtFamily(); }
    std::wstring wideFromAnsi(std::string_view bytes) override {
        return inner_.wideFromAnsi(bytes);
    }
    std::string ansiFromWide(std::wstring_view text) override { return inner_.ansiFromWide(text); }

protected:
    Platform& inner() { return inner_; }

private:
    Platform& inner_;
};
